// Node records of the command registry: the description of one command function or one of its
// parameters (name, description, hot-key text and two integer attributes).
//
// NodeInfoData holds its texts as standard strings; NodeInfoDataCharArray is the same record with
// fixed arrays of at most 12 characters each, a form that can be copied as plain bytes across
// library boundaries. A text longer than 12 characters is cut to its first 12 in the array form.
// A null text pointer given to a constructor counts as an empty text.
//
// The host library stores NodeInfoData values in its registry, so the default record, the copies
// and the destructor are defined in both libraries (framework/NodeInfoDataRecord.cpp); the
// constructors from texts and every member of NodeInfoDataCharArray are exported by the plug-in.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

class QZ_SHARED_CLASS NodeInfoData {
public:
    QZ_FRAMEWORK_API NodeInfoData();
    // The description repeats the name when none is given.
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, int attr1);
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, int attr1, int attr2);
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, const wchar_t* desc);
    // The only form that sets the hot-key to a single blank.
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, const wchar_t* desc, int attr1);
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, const wchar_t* desc, int attr1, int attr2);
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1);
    QZ_MONITOR_API NodeInfoData(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1, int attr2);
    QZ_FRAMEWORK_API NodeInfoData(const NodeInfoData& other);
    QZ_FRAMEWORK_API NodeInfoData& operator=(const NodeInfoData& other);
    QZ_FRAMEWORK_API virtual ~NodeInfoData();

    std::wstring strName;
    std::wstring strDesc;
    std::wstring strHotkey;
    std::int32_t nAttr1 = 3;
    std::int32_t nAttr2 = 1;
};

class QZ_MONITOR_API NodeInfoDataCharArray {
public:
    static const int NAME_LENGTH = 12;
    static const int DESC_LENGTH = 12;
    static const int HOTKEY_LENGTH = 12;

    NodeInfoDataCharArray();
    NodeInfoDataCharArray(const wchar_t* name, int attr1);
    NodeInfoDataCharArray(const wchar_t* name, int attr1, int attr2);
    NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc);
    // Unlike NodeInfoData, this form leaves the hot-key empty.
    NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, int attr1);
    NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, int attr1, int attr2);
    NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1);
    NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1, int attr2);
    NodeInfoDataCharArray(const NodeInfoDataCharArray& other);
    NodeInfoDataCharArray& operator=(const NodeInfoDataCharArray& other);
    NodeInfoDataCharArray(const NodeInfoData& other);
    NodeInfoDataCharArray& operator=(const NodeInfoData& other);
    virtual ~NodeInfoDataCharArray();

    operator NodeInfoData() const;

    wchar_t szName[NAME_LENGTH + 1];
    wchar_t szDesc[DESC_LENGTH + 1];
    wchar_t szHotkey[HOTKEY_LENGTH + 1];
    std::int32_t nAttr1;
    std::int32_t nAttr2;

private:
    void Assign(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1, int attr2);
};
