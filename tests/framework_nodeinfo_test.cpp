// Node records of the command registry and their fixed-array form.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>

#include "host/NodeInfoData.h"

namespace {

struct Fields {
    std::wstring name, desc, hotkey;
    int attr1, attr2;
};

Fields Of(const NodeInfoData& r) {
    return {r.strName, r.strDesc, r.strHotkey, r.nAttr1, r.nAttr2};
}
Fields Of(const NodeInfoDataCharArray& r) {
    return {r.szName, r.szDesc, r.szHotkey, r.nAttr1, r.nAttr2};
}

void ExpectFields(const Fields& got, const Fields& want) {
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.desc, want.desc);
    EXPECT_EQ(got.hotkey, want.hotkey);
    EXPECT_EQ(got.attr1, want.attr1);
    EXPECT_EQ(got.attr2, want.attr2);
}

// One row per constructor argument list: the same call on both classes.
struct CtorCase {
    const char* args;
    std::function<NodeInfoData()> record;
    std::function<NodeInfoDataCharArray()> array;
    Fields recordWant;
    Fields arrayWant;
};

}  // namespace

TEST(NodeInfoData, EachConstructorFillsBothForms) {
    const CtorCase cases[] = {
        {"none",
         [] { return NodeInfoData(); },
         [] { return NodeInfoDataCharArray(); },
         {L"", L"", L"", 3, 1},
         {L"", L"", L"", 3, 1}},
        {"name, a1",
         [] { return NodeInfoData(L"Open", 7); },
         [] { return NodeInfoDataCharArray(L"Open", 7); },
         {L"Open", L"Open", L"", 7, 1},
         {L"Open", L"Open", L"", 7, 1}},
        {"name, a1, a2",
         [] { return NodeInfoData(L"Open", 7, 9); },
         [] { return NodeInfoDataCharArray(L"Open", 7, 9); },
         {L"Open", L"Open", L"", 7, 9},
         {L"Open", L"Open", L"", 7, 9}},
        {"name, desc",
         [] { return NodeInfoData(L"Open", L"Open a chart"); },
         [] { return NodeInfoDataCharArray(L"Open", L"Open a chart"); },
         {L"Open", L"Open a chart", L"", 3, 1},
         {L"Open", L"Open a chart", L"", 3, 1}},
        // The one row where the two forms differ: a blank hot-key against an empty one.
        {"name, desc, a1",
         [] { return NodeInfoData(L"Open", L"Chart", 7); },
         [] { return NodeInfoDataCharArray(L"Open", L"Chart", 7); },
         {L"Open", L"Chart", L" ", 7, 1},
         {L"Open", L"Chart", L"", 7, 1}},
        {"name, desc, a1, a2",
         [] { return NodeInfoData(L"Open", L"Chart", 7, 9); },
         [] { return NodeInfoDataCharArray(L"Open", L"Chart", 7, 9); },
         {L"Open", L"Chart", L"", 7, 9},
         {L"Open", L"Chart", L"", 7, 9}},
        {"name, desc, hotkey, a1",
         [] { return NodeInfoData(L"Open", L"Chart", L"F5", 7); },
         [] { return NodeInfoDataCharArray(L"Open", L"Chart", L"F5", 7); },
         {L"Open", L"Chart", L"F5", 7, 1},
         {L"Open", L"Chart", L"F5", 7, 1}},
        {"name, desc, hotkey, a1, a2",
         [] { return NodeInfoData(L"Open", L"Chart", L"F5", 7, 9); },
         [] { return NodeInfoDataCharArray(L"Open", L"Chart", L"F5", 7, 9); },
         {L"Open", L"Chart", L"F5", 7, 9},
         {L"Open", L"Chart", L"F5", 7, 9}},
    };
    for (const CtorCase& c : cases) {
        SCOPED_TRACE(c.args);
        ExpectFields(Of(c.record()), c.recordWant);
        ExpectFields(Of(c.array()), c.arrayWant);
    }
}

TEST(NodeInfoData, CopiesAndAssignmentsCopyEveryField) {
    const NodeInfoData source(L"Open", L"Chart", L"F5", 7, 9);
    NodeInfoData copy(source);
    NodeInfoData assigned;
    assigned = source;
    ExpectFields(Of(copy), Of(source));
    ExpectFields(Of(assigned), Of(source));

    const NodeInfoDataCharArray arraySource(L"Open", L"Chart", L"F5", 7, 9);
    NodeInfoDataCharArray arrayCopy(arraySource);
    NodeInfoDataCharArray arrayAssigned;
    arrayAssigned = arraySource;
    arrayAssigned = arrayAssigned;
    ExpectFields(Of(arrayCopy), Of(arraySource));
    ExpectFields(Of(arrayAssigned), Of(arraySource));
}

TEST(NodeInfoData, TwelveCharacterTextsSurviveTheArrayFormBothWays) {
    const NodeInfoData record(L"ABCDEFGHIJKL", L"\u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u4e03\u516b\u4e5d\u5341AB",
                              L"Ctrl+Shift+F", -4, 65536);
    const NodeInfoDataCharArray array(record);
    ExpectFields(Of(array), Of(record));
    ExpectFields(Of(NodeInfoData(array)), Of(record));

    NodeInfoDataCharArray assigned(L"x", 1);
    assigned = record;
    ExpectFields(Of(static_cast<NodeInfoData>(assigned)), Of(record));
}

TEST(NodeInfoData, LongerTextsAreCutToTwelveCharactersInTheArrayForm) {
    const NodeInfoData record(L"ABCDEFGHIJKLMNOP", L"0123456789abcdef", L"Ctrl+Shift+Alt+F12", 1, 2);
    ExpectFields(Of(NodeInfoDataCharArray(record)), {L"ABCDEFGHIJKL", L"0123456789ab", L"Ctrl+Shift+A", 1, 2});
    ExpectFields(Of(NodeInfoDataCharArray(L"ABCDEFGHIJKLMNOP", 5)), {L"ABCDEFGHIJKL", L"ABCDEFGHIJKL", L"", 5, 1});
    EXPECT_EQ(NodeInfoDataCharArray::NAME_LENGTH, 12);
    EXPECT_EQ(NodeInfoDataCharArray::DESC_LENGTH, 12);
    EXPECT_EQ(NodeInfoDataCharArray::HOTKEY_LENGTH, 12);
}

TEST(NodeInfoData, NullTextsCountAsEmpty) {
    ExpectFields(Of(NodeInfoData(nullptr, nullptr, nullptr, 4, 5)), {L"", L"", L"", 4, 5});
    ExpectFields(Of(NodeInfoDataCharArray(nullptr, nullptr, nullptr, 4, 5)), {L"", L"", L"", 4, 5});
}

TEST(NodeInfoData, UnterminatedArraysConvertUpToTheirLength) {
    // A record copied as bytes from elsewhere: every array full, no terminating 0 anywhere, so a
    // reader that looked for the terminator would run into the next array and past the record.
    NodeInfoDataCharArray array;
    std::fill(std::begin(array.szName), std::end(array.szName), L'n');
    std::fill(std::begin(array.szDesc), std::end(array.szDesc), L'd');
    std::fill(std::begin(array.szHotkey), std::end(array.szHotkey), L'h');
    array.nAttr1 = 0x68686868;
    array.nAttr2 = 0x68686868;
    ExpectFields(Of(static_cast<NodeInfoData>(array)),
                 {std::wstring(13, L'n'), std::wstring(13, L'd'), std::wstring(13, L'h'), 0x68686868, 0x68686868});
}
