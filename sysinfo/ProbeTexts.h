// The display texts of the machine description, as the system information file stores them, and
// the edition table of the Windows version record. Pure functions.
#pragma once

#include <vector>

#include "platform/CString.h"
#include "platform/Probes.h"

// The clock as eight lower-case hexadecimal digits of the MHz value: 2394 gives "0000095a".
QZ_MONITOR_API CString CpuSpeedText(DWORD mhz);
// Whole megabytes (the byte count shifted right by 20): "4095 MB".
QZ_MONITOR_API CString MegabyteText(ULONGLONG bytes);
// "1920 x 1080".
QZ_MONITOR_API CString ResolutionText(int width, int height);
// "60Hz", or the hardware's default scan rate for 0 and 1.
QZ_MONITOR_API CString RefreshText(int refresh);
// Upper-case bytes joined with '-' and one trailing blank: "00-1A-2B-3C-4D-5E ".
QZ_MONITOR_API CString MacAddressText(const std::vector<BYTE>& address);

// The kind of a drive by its GetDriveType result and letter; false when the kind has no text.
QZ_MONITOR_API bool DriveKindText(UINT driveType, wchar_t letter, CString& text);
// The space of a drive: drives A and B in kilobytes ("%ld KB"), the others in megabytes
// ("%ld MB"), each text naming the unit it was computed in.
QZ_MONITOR_API CString DriveSpaceText(ULONGLONG bytes, wchar_t letter);

// The edition text chosen by the Windows version record: the table of major.minor, product type
// and suite mask, then the service-pack suffix of versions 5.0 to 5.2. `extended` tells whether
// the record's suite mask, product type and service pack are valid (the extended query
// succeeded). A version the table does not know leaves `text` unchanged.
QZ_MONITOR_API void ApplyEditionTable(const OSVERSIONINFOEXW& info, bool extended, CString& text);
