// Profile (INI) text as a document of lines: parsing, lookup, editing and rendering, without any
// file access (Profile.cpp reads and writes the files). Pure functions, so they can be tested with
// literal texts and fuzzed. Written here rather than taken from Boost.PropertyTree's INI parser,
// which compares names case-sensitively, refuses duplicate keys and cannot edit a file without
// rewriting all of it.
//
// Rendering an unedited document gives back the parsed text exactly; an edit changes or inserts
// only the lines concerned. Lines:
// - a section header: first non-blank character '[', and a ']' later on the line; the name is the
//   text between '[' and the last ']', trimmed of blanks;
// - a comment: first non-blank character ';';
// - an entry: any other non-blank line; the key is the text before the first '=' (the whole line
//   when there is none), the value the text after it; both trimmed of blanks;
// - blank lines.
// Entries before the first section header belong to no section and are never found.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

struct ProfileLine {
    enum Kind { Blank, Comment, Section, Entry };
    Kind kind = Blank;
    std::wstring text;       // the line as it stands, without its line end
    std::wstring ending;     // "\r\n", "\n", "\r" or "" (last line without a line end)
    std::wstring name;       // section name or key, trimmed
    std::wstring value;      // entry value, trimmed, quotes kept
    bool hasEquals = false;  // an entry with '=': a line without one holds no value
};

struct ProfileDocument {
    enum Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE };
    Encoding encoding = Utf8;
    std::vector<ProfileLine> lines;
    std::wstring newline = L"\r\n";  // line end for new lines: the first one the text uses
};

QZ_HOST_API ProfileDocument ParseProfile(const std::wstring& text);
QZ_HOST_API std::wstring RenderProfile(const ProfileDocument& document);

// Decodes file bytes (UTF-8, or UTF-8 / UTF-16LE / UTF-16BE after a byte-order mark) and parses
// them; the document remembers the encoding so that an edited file keeps it.
QZ_HOST_API ProfileDocument ParseProfileBytes(const std::string& bytes);
QZ_HOST_API std::string RenderProfileBytes(const ProfileDocument& document);

// The value of `key` in the first section named `section` (names compare case-insensitively and
// are trimmed; only the first matching section is searched, and its first matching key counts).
// The value is returned trimmed, without one pair of enclosing matching quotes ("..." or '...').
// False when the section or key is missing; an entry line without '=' counts as missing. A key that holds '=' finds the
// first entry whose line, read as key, '=' and value, begins with that key and '=' (the line AppendProfileEntry wrote
// for it): "MacName=" finds "MacName==value" and gives "value".
QZ_HOST_API bool FindProfileValue(const ProfileDocument& document, const std::wstring& section, const std::wstring& key,
                                  std::wstring& value);

// Sets `key` in the first section named `section` (the value loses its leading blanks): replaces the first matching
// entry in place (keeping its key's spelling), or inserts "key=value" after the section's last entry, or appends a new
// section with the entry at the end. Line breaks in the value become blanks, so a value can never add lines. Returns
// false, leaving the document alone, for an empty section or key name, a section name with ']' or a line break, or a
// key with '=' or a line break. `changed` tells whether the text differs afterwards.
QZ_HOST_API bool SetProfileValue(ProfileDocument& document, const std::wstring& section, const std::wstring& key,
                                 const std::wstring& value, bool* changed = nullptr);

// Adds the line "key=value" after the last entry of the first section named `section` (appending
// the section when it is missing), whatever entries the section already holds: what the Windows
// writer does with a key that it cannot find, and the only way to write a key that holds '='
// (the 13th of a run of numbered keys, "MacName=", gives the line "MacName==value"). Line breaks
// in the value become blanks. False, leaving the document alone, for an empty section or key
// name, a section name with ']' or a line break, or a key with a line break.
QZ_HOST_API bool AppendProfileEntry(ProfileDocument& document, const std::wstring& section, const std::wstring& key,
                                    const std::wstring& value);

// Removes the first entry named `key` from the first section named `section` (names compare as
// for FindProfileValue). True when an entry was removed.
QZ_HOST_API bool DeleteProfileEntry(ProfileDocument& document, const std::wstring& section, const std::wstring& key);
// Removes the first section named `section`: its header and every line up to the next header.
// True when a section was removed.
QZ_HOST_API bool DeleteProfileSection(ProfileDocument& document, const std::wstring& section);

// The integer of a profile value as the Windows call reads it: leading blanks, an optional sign,
// an optional base prefix ("0x" hexadecimal, "0o" octal, "0b" binary; a plain leading 0 stays
// decimal), digits up to the first other character (none: 0), wrapping on overflow like the
// system's 32-bit conversion.
QZ_HOST_API int ParseProfileInt(const std::wstring& value);
