// The operation log writer and the item store of XML documents.
//
// WriteOperation appends one 16-byte record (time of day, kind code, two value codes, each a
// little-endian int32) to the day's operation log per user operation. It runs on whatever host
// thread delivered the event; m_mtxOpLog serialises the open and the write, so records from
// several threads never interleave or tear. The mapping tables are filled during construction and
// only read afterwards, so the lookups need no lock.
#include <array>
#include <cstdint>
#include <mutex>

#include "host/Markup.h"
#include "platform/System.h"
#include "shell/MonitorControl.h"

namespace {

using RecordBytes = std::array<unsigned char, sizeof(OperationRecord)>;

void PutInt32(unsigned char* out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    out[0] = static_cast<unsigned char>(bits);
    out[1] = static_cast<unsigned char>(bits >> 8);
    out[2] = static_cast<unsigned char>(bits >> 16);
    out[3] = static_cast<unsigned char>(bits >> 24);
}

// The record in its on-disk form, independent of the machine's byte order.
RecordBytes Encode(const OperationRecord& record) {
    RecordBytes bytes;
    PutInt32(bytes.data(), record.nTimeOfDay);
    PutInt32(bytes.data() + 4, record.nType);
    PutInt32(bytes.data() + 8, record.nValue1);
    PutInt32(bytes.data() + 12, record.nValue2);
    return bytes;
}

// "0" always codes 0; a listed text its code; anything else (the empty text too) -1.
std::int32_t ValueCode(const std::map<CString, std::int32_t>& values, const CString& text) {
    if (text.GetLength() == 1 && text.GetAt(0) == L'0') return 0;
    const auto it = values.find(text);
    return it == values.end() ? -1 : it->second;
}

// hour * 10000 + minute * 100 + second of the current local time; each part is -1 when the
// conversion fails. Operations come in bursts, so each thread keeps the conversion of the last
// second it saw rather than converting the same second again.
std::int32_t CurrentTimeOfDay() {
    thread_local std::int64_t lastSecond = 0;
    thread_local std::int32_t lastTimeOfDay = -1;
    const std::int64_t now = GetCurrentTime64();
    if (now == lastSecond && lastTimeOfDay >= 0) return lastTimeOfDay;
    LocalTimeParts parts{};
    if (!ToLocalTime(now, parts)) return -1 * 10000 - 1 * 100 - 1;
    lastSecond = now;
    lastTimeOfDay = parts.hour * 10000 + parts.minute * 100 + parts.second;
    return lastTimeOfDay;
}

// Loads an item document and enters its "ROOT". A file that is missing, unreadable or holds no
// element gets a fresh "ROOT", so an item written to it is kept where ReadItem looks for it; a
// document with another root element is left to the navigator as it stands.
void LoadItemDocument(CMarkup& doc, const CString& path) {
    doc.Load(path);
    if (!doc.FindElem(L"ROOT")) {
        doc.ResetPos();
        if (doc.FindElem())
            doc.ResetPos();
        else
            doc.AddElem(L"ROOT");
    }
    doc.IntoElem();
}

}  // namespace

void CMonitorControl::WriteOperation(const CString& strKind, const CString& strValue1, const CString& strValue2) {
    const auto kind = m_mapOperationByName.find(strKind);
    if (kind == m_mapOperationByName.end()) return;
    const OperationCode& code = kind->second;

    OperationRecord record;
    record.nTimeOfDay = CurrentTimeOfDay();
    record.nType = code.nType;
    record.nValue1 = ValueCode(code.mapValue1, strValue1);
    record.nValue2 = ValueCode(code.mapValue2, strValue2);
    const RecordBytes bytes = Encode(record);

    std::lock_guard<std::mutex> lock(m_mtxOpLog);
    if (!m_bOpLogOpen && !OpenOperationLog()) return;  // the record is lost; the next one retries
    try {
        m_fileOpLog.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        m_nOpLogEnd += bytes.size();
    } catch (const CFileException&) {
        // The record is lost. A write that failed part-way must not leave a fragment that shifts
        // every later record (in this run or, once the log is reopened, in the next): cut the
        // file back to the end of the last whole record and go there, or close the log so that
        // the next record reopens it, which cuts the fragment then.
        try {
            m_fileOpLog.SetLength(m_nOpLogEnd);
            m_fileOpLog.Seek(static_cast<std::int64_t>(m_nOpLogEnd), CFile::begin);
        } catch (const CFileException&) {
            m_fileOpLog.Abort();
            m_bOpLogOpen = false;
        }
    }
}

void CMonitorControl::WriteItem(CString strFile, CString strName, CString strValue) {
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    // Offline objects have no working document; they use one for this call only.
    CMarkup scratch;
    CMarkup& doc = m_pMarkup ? *m_pMarkup : scratch;
    LoadItemDocument(doc, strFile);
    // Found: its text is replaced. Not found: the main position is still none, so the new element
    // goes after ROOT's last child.
    if (doc.FindElem(strName))
        doc.SetData(strValue);
    else
        doc.AddElem(strName, strValue);
    doc.Save(strFile);
}

void CMonitorControl::ReadItem(CString strFile, CString strName, CString& strValue) {
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    // Offline objects have no working document; they use one for this call only.
    CMarkup scratch;
    CMarkup& doc = m_pMarkup ? *m_pMarkup : scratch;
    LoadItemDocument(doc, strFile);
    if (doc.FindElem(strName)) {
        strValue = doc.GetData();
    } else {
        doc.AddElem(strName, L"0");
        strValue = L"0";
    }
    doc.Save(strFile);
}

CString CMonitorControl::GetCurrentOpTime() {
    LocalTimeParts parts{0, 0, 0, -1, -1, -1};
    if (!ToLocalTime(GetCurrentTime64(), parts)) parts = LocalTimeParts{0, 0, 0, -1, -1, -1};
    CString text;
    text.Format(L"%d/%d/%d-%d:%d:%d", parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
    return text;
}
