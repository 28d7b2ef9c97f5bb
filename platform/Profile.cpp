// Profile files: the file side of the profile API; the text side is in ProfileText.cpp.
#include "platform/Profile.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "platform/File.h"
#include "platform/ProfileText.h"

namespace {

// One lock for every profile call of the process: a read never sees a write half-done, and two
// writers of the same file never lose each other's key.
std::mutex g_profileMutex;

bool Lookup(const CString& section, const CString& key, const CString& path, std::wstring& value) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return false;
    if (!FindProfileValue(ParseProfileBytes(bytes), section.str(), key.str(), value)) return false;
    // The Windows call hands out a terminated string: a value ends at a NUL character.
    value.erase(std::min(value.size(), value.find(L'\0')));
    return true;
}

}  // namespace

int GetPrivateProfileInt(const CString& section, const CString& key, int defaultValue, const CString& path) {
    std::lock_guard<std::mutex> lock(g_profileMutex);
    std::wstring value;
    // A missing key and an empty value both give the default, as the Windows call does.
    if (!Lookup(section, key, path, value) || value.empty()) return defaultValue;
    return ParseProfileInt(value);
}

CString GetPrivateProfileString(const CString& section, const CString& key, const CString& defaultValue,
                                const CString& path, int maxChars) {
    std::wstring value;
    {
        std::lock_guard<std::mutex> lock(g_profileMutex);
        if (!Lookup(section, key, path, value)) {
            // The Windows call drops trailing blanks from the default.
            value = defaultValue.str();
            while (!value.empty() && (value.back() == L' ' || value.back() == L'\t')) value.pop_back();
        }
    }
    if (maxChars > 0 && value.size() > static_cast<size_t>(maxChars - 1))
        value.resize(static_cast<size_t>(maxChars - 1));
    return CString(std::move(value));
}

bool WritePrivateProfileString(const CString& section, const CString& key, const CString& value, const CString& path) {
    std::lock_guard<std::mutex> lock(g_profileMutex);
    std::string bytes;
    const bool exists = PathFileExists(path);
    // An existing file that cannot be read is not replaced: its other keys would be lost.
    if (exists && !ReadFileBytes(path, bytes)) return false;
    ProfileDocument document = ParseProfileBytes(bytes);
    bool changed = false;
    if (!SetProfileValue(document, section.str(), key.str(), value.str(), &changed)) return false;
    if (exists && !changed) return true;
    return WriteFileBytesAtomic(path, RenderProfileBytes(document));
}

namespace {

// Reads the file, applies `edit` and writes the file back when the edit changed it. A missing
// file has nothing to delete.
template <typename Edit>
bool EditExisting(const CString& path, Edit edit) {
    std::lock_guard<std::mutex> lock(g_profileMutex);
    if (!PathFileExists(path)) return true;
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return false;
    ProfileDocument document = ParseProfileBytes(bytes);
    if (!edit(document)) return true;
    return WriteFileBytesAtomic(path, RenderProfileBytes(document));
}

}  // namespace

bool WritePrivateProfileString(const CString& section, const CString& key, std::nullptr_t, const CString& path) {
    return EditExisting(path, [&](ProfileDocument& d) { return DeleteProfileEntry(d, section.str(), key.str()); });
}

bool WritePrivateProfileString(const CString& section, std::nullptr_t, std::nullptr_t, const CString& path) {
    return EditExisting(path, [&](ProfileDocument& d) { return DeleteProfileSection(d, section.str()); });
}
