// A second process that holds a file: opened through CFile with given flags, or a lock file held
// through CFileLock, until the test lets it go. The child is the test program itself in the role
// "hold": the test program defines a test that calls `PlayChildRole` (see ChildProcess.h), named
// by `roleTest`. The child reports through its exit code only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/CString.h"

class Child;

class HeldByChild {
public:
    // `content`, when not empty, is written to the file once it is open.
    HeldByChild(const std::string& roleTest, const CString& path, unsigned flags, bool asLock = false,
                const std::string& content = "");
    ~HeldByChild();
    HeldByChild(const HeldByChild&) = delete;
    HeldByChild& operator=(const HeldByChild&) = delete;

    // True once the child is running and has tried to take the file.
    bool Started() const { return m_started; }
    // Lets the child go; its exit code (0 when it held the file, 1 when it could not).
    int Release();

private:
    std::filesystem::path m_signals;
    std::unique_ptr<Child> m_child;
    bool m_started = false;
};

// The child side: plays the roles of the test support in the child ("hold"). Returns only when
// `role` is none of them.
void PlaySupportRole(const std::string& role);
