// The host framework's error class: a standard exception carrying a narrow message.
//
// The host library constructs it and implements what(); the plug-in exports the copy constructor
// and assignment; the destructor, which carries the vtable, is defined in both
// (framework/NuvolibErrorLifetime.cpp).
#pragma once

#include <exception>
#include <string>

#include "platform/WinTypes.h"

class QZ_SHARED_CLASS nuvoliberror : public std::exception {
public:
    QZ_HOST_API explicit nuvoliberror(const std::string& message);
    QZ_MONITOR_API nuvoliberror(const nuvoliberror& other);
    QZ_MONITOR_API nuvoliberror& operator=(const nuvoliberror& other);
    QZ_FRAMEWORK_API ~nuvoliberror() override;

    QZ_HOST_API const char* what() const noexcept override;

private:
    std::string m_strMessage;
};
