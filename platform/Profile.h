// Profile (INI) files with the semantics of the Windows profile API.
//
// Section and key names compare case-insensitively (ASCII and Unicode simple case folding) and
// the first match wins. A write replaces the value in place, appends a missing key at the end of
// its section, appends a missing section at the end of the file, and creates the file if needed.
// Every write replaces the file atomically (temporary file + rename), so the file on disk is
// always either the old or the new version. New files are written as UTF-8 with "\r\n" line
// ends; UTF-16 files with a byte-order mark are read too, and an edited file keeps its encoding
// and line ends. Values are trimmed of surrounding blanks when read, and a value in matching
// double (or single) quotes loses the quotes, as the Windows reader does.
//
// Calls are serialised inside the process; concurrent writers in different processes are not
// coordinated (the last rename wins).
#pragma once

#include <cstddef>

#include "platform/CString.h"

QZ_HOST_API int GetPrivateProfileInt(const CString& section, const CString& key, int defaultValue, const CString& path);
// Returns the value, or `defaultValue` when the file, section or key is missing. At most
// `maxChars` - 1 characters are returned (the Windows buffer size including its terminator);
// pass 0 for no limit.
QZ_HOST_API CString GetPrivateProfileString(const CString& section, const CString& key, const CString& defaultValue,
                                            const CString& path, int maxChars = 0);
QZ_HOST_API bool WritePrivateProfileString(const CString& section, const CString& key, const CString& value,
                                           const CString& path);
// A null value deletes the key; a null key (and value) deletes the first section of that name
// with all its lines. Deleting what is not there succeeds and leaves the file alone.
QZ_HOST_API bool WritePrivateProfileString(const CString& section, const CString& key, std::nullptr_t,
                                           const CString& path);
QZ_HOST_API bool WritePrivateProfileString(const CString& section, std::nullptr_t, std::nullptr_t, const CString& path);
