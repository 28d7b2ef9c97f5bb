// The transmission statistics fragment of the statistics document: a "TransInfo" element under
// the last "LogOn" of "ROOT", holding one "Req<type>" element per request type for request/reply
// ("Normal") and push ("Push") traffic.
//
// The document must be stored plain. When the file cannot be loaded whole as a document with
// "ROOT" (it is scrambled, in profile form, cut off or missing) nothing is written, so the stored
// file is never replaced by a document that holds only the statistics or only its first part.
#include <mutex>

#include "host/Markup.h"
#include "shell/MonitorControl.h"

namespace {

void AddStatElements(CMarkup& markup, const std::map<std::int32_t, TRANS_STAT>& stats,
                     const std::map<CString, CString>& descriptions) {
    CString buffer;
    for (const auto& [type, stat] : stats) {
        buffer.Format(L"Req%d", type);
        markup.AddElem(buffer);
        markup.IntoElem();
        auto described = descriptions.find(buffer);
        if (described != descriptions.end()) buffer = described->second;
        markup.AddElem(L"Description", buffer);
        const std::pair<const wchar_t*, std::int32_t> counters[] = {
            {L"Sum", stat.nSum},
            {L"Time", stat.nTime},
            {L"SendSize", stat.nSendSize},
            {L"RecvSize", stat.nRecvSize},
            {L"SumNone", stat.nSumNone},
            {L"TimeNone", stat.nTimeNone},
            {L"SendSizeNone", stat.nSendSizeNone},
            {L"RecvSizeNone", stat.nRecvSizeNone},
        };
        for (const auto& [name, value] : counters) {
            buffer.Format(L"%d", value);
            markup.AddElem(name, buffer);
        }
        markup.OutOfElem();
    }
}

}  // namespace

void CMonitorControl::OutputSys_TransInfo() {
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    if (!m_pstrStatFile) return;
    if (!m_pMarkup) m_pMarkup = new CMarkup;
    CMarkup& markup = *m_pMarkup;

    if (!markup.Load(*m_pstrStatFile)) return;
    if (!markup.FindElem(L"ROOT")) return;
    markup.IntoElem();

    // Rest on the last "LogOn" and enter it; without one the fragment goes directly under "ROOT".
    while (markup.FindElem(L"LogOn")) {
    }
    markup.IntoElem();

    if (markup.FindElem(L"TransInfo")) markup.RemoveElem();
    markup.AddElem(L"TransInfo");
    markup.IntoElem();

    if (markup.FindElem(L"Normal")) markup.RemoveElem();
    markup.AddElem(L"Normal");
    markup.IntoElem();
    AddStatElements(markup, m_mapNormalStat, m_mapRequestMapping);
    markup.OutOfElem();

    markup.AddElem(L"Push");
    markup.IntoElem();
    AddStatElements(markup, m_mapPushStat, m_mapRequestMapping);
    markup.OutOfElem();

    markup.Save(*m_pstrStatFile);
}
