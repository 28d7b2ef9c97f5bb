// Offline decoding of the data files: unscrambling a container in place, and turning an
// operation log of binary records into an XML document with readable names.
#include <cstring>

#include "host/Markup.h"
#include "platform/System.h"
#include "shell/MonitorControl.h"

namespace {

// Reads a little-endian int32 from four bytes.
std::int32_t ReadInt32(const unsigned char* bytes) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
        (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24));
}

// "%H:%M:%S" of a record's time of day, taken on the local date 12 December 1999 and converted
// to a time value and back. A time of day outside 00:00:00..23:59:59 (a record whose clock could
// not be read holds -1 parts) cannot be converted: its text is empty, and the record is still
// decoded with its names.
CString TimeOfDayText(std::int32_t timeOfDay) {
    LocalTimeParts parts{1999, 12, 12, timeOfDay / 10000, (timeOfDay % 10000) / 100, timeOfDay % 100};
    if (parts.hour < 0 || parts.hour > 23 || parts.minute < 0 || parts.minute > 59 || parts.second < 0 ||
        parts.second > 59)
        return CString();
    std::int64_t value = 0;
    LocalTimeParts local{};
    if (!FromLocalTime(parts, value) || !ToLocalTime(value, local)) return CString();
    CString text;
    text.Format(L"%02d:%02d:%02d", local.hour, local.minute, local.second);
    return text;
}

}  // namespace

bool CMonitorControl::DecryptMonitor(int nKind, CString strPath) {
    if (nKind == 0 || nKind == 2) return EasyDecrypt(strPath);
    if (nKind != 1) return false;

    CFile log;
    if (!log.Open(strPath, CFile::modeRead | CFile::shareExclusive)) return false;

    CMarkup document;
    document.AddElem(L"ROOT");
    document.IntoElem();
    unsigned char record[sizeof(OperationRecord)];
    try {
        for (;;) {
            // A trailing part shorter than a record is dropped.
            UINT got = 0;
            while (got < sizeof record) {
                const UINT n = log.Read(record + got, static_cast<UINT>(sizeof record - got));
                if (n == 0) break;
                got += n;
            }
            if (got < sizeof record) break;
            const std::int32_t time = ReadInt32(record);
            const std::int32_t type = ReadInt32(record + 4);
            const std::int32_t value1 = ReadInt32(record + 8);
            const std::int32_t value2 = ReadInt32(record + 12);

            auto kind = m_mapOperationByType.find(type);
            if (kind == m_mapOperationByType.end()) continue;
            document.AddElem(kind->second.strKindName);
            document.IntoElem();
            document.AddElem(L"time", TimeOfDayText(time));
            auto name1 = kind->second.mapName1.find(value1);
            if (name1 != kind->second.mapName1.end()) document.AddElem(L"value1", name1->second);
            auto name2 = kind->second.mapName2.find(value2);
            if (name2 != kind->second.mapName2.end()) document.AddElem(L"value2", name2->second);
            document.OutOfElem();
        }
    } catch (const CFileException&) {
        // A read error ends the log there; what was read is kept.
    }
    log.Abort();
    // A copy that could not be written is a failed decoding, not an empty one.
    return document.Save(strPath + L".xml");
}
