// A fixture for the reports written into the statistics file: an offline monitor of a scratch
// host whose statistics file is DATB5000 there, and readers of that file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/HostEnvironment.h"
#include "host/Markup.h"
#include "platform/TextConv.h"
#include "tests/support/FileBytes.h"
#include "tests/support/MonitorTestAccess.h"

// The element tree under the current position, as "Name=text" and "Name(children)".
inline std::wstring DumpElements(CMarkup& markup) {
    std::wstring out;
    markup.ResetMainPos();
    while (markup.FindElem()) {
        if (!out.empty()) out += L",";
        out += markup.GetTagName().str();
        const CString data = markup.GetData();
        markup.IntoElem();
        const std::wstring children = DumpElements(markup);
        markup.OutOfElem();
        if (!children.empty())
            out += L"(" + children + L")";
        else if (!data.IsEmpty())
            out += L"=" + data.str();
    }
    return out;
}

class StatsFileTest : public ::testing::Test {
protected:
    ScratchHost scratch;
    HostEnvironment host;
    CMonitorControl monitor{true};
    std::filesystem::path file = scratch.Dir() / "DATB5000";

    StatsFileTest() { MonitorTestAccess::m_pstrStatFile(monitor) = new CString(NarrowToWide(file.string())); }
    ~StatsFileTest() override {
        // An offline monitor frees neither: they are ours here.
        delete MonitorTestAccess::m_pstrStatFile(monitor);
        MonitorTestAccess::m_pstrStatFile(monitor) = nullptr;
        delete MonitorTestAccess::m_pMarkup(monitor);
        MonitorTestAccess::m_pMarkup(monitor) = nullptr;
    }

    void WriteText(const std::string& text) { WriteAll(file, text); }
    std::string ReadText() { return ReadAll(file); }
    // The statistics document's elements under "ROOT", as DumpElements gives them.
    std::wstring Document() {
        CMarkup markup;
        markup.Load(NarrowToWide(file.string()));
        if (!markup.FindElem(L"ROOT")) return L"<no ROOT>";
        markup.IntoElem();
        return DumpElements(markup);
    }
};
