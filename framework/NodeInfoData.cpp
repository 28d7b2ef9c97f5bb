// Constructors and conversions of the command registry's node records.
#include "host/NodeInfoData.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

const wchar_t* OrEmpty(const wchar_t* text) {
    return text ? text : L"";
}

// Copies at most N - 1 characters of `text` into `array` and terminates it: a longer text is cut.
template <size_t N>
void CopyBounded(wchar_t (&array)[N], const wchar_t* text) {
    const size_t length = std::min(std::wcslen(OrEmpty(text)), N - 1);
    std::copy_n(OrEmpty(text), length, array);
    array[length] = L'\0';
}

// The text of an array up to its first 0, or the whole array when it has none: a record copied as
// bytes from elsewhere need not be terminated.
template <size_t N>
std::wstring ArrayText(const wchar_t (&array)[N]) {
    return std::wstring(array, std::find(array, array + N, L'\0'));
}

}  // namespace

NodeInfoData::NodeInfoData(const wchar_t* name, int attr1)
    : strName(OrEmpty(name)), strDesc(OrEmpty(name)), nAttr1(attr1) {}

NodeInfoData::NodeInfoData(const wchar_t* name, int attr1, int attr2)
    : strName(OrEmpty(name)), strDesc(OrEmpty(name)), nAttr1(attr1), nAttr2(attr2) {}

NodeInfoData::NodeInfoData(const wchar_t* name, const wchar_t* desc) : strName(OrEmpty(name)), strDesc(OrEmpty(desc)) {}

NodeInfoData::NodeInfoData(const wchar_t* name, const wchar_t* desc, int attr1)
    : strName(OrEmpty(name)), strDesc(OrEmpty(desc)), strHotkey(L" "), nAttr1(attr1) {}

NodeInfoData::NodeInfoData(const wchar_t* name, const wchar_t* desc, int attr1, int attr2)
    : strName(OrEmpty(name)), strDesc(OrEmpty(desc)), nAttr1(attr1), nAttr2(attr2) {}

NodeInfoData::NodeInfoData(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1)
    : strName(OrEmpty(name)), strDesc(OrEmpty(desc)), strHotkey(OrEmpty(hotkey)), nAttr1(attr1) {}

NodeInfoData::NodeInfoData(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1, int attr2)
    : strName(OrEmpty(name)), strDesc(OrEmpty(desc)), strHotkey(OrEmpty(hotkey)), nAttr1(attr1), nAttr2(attr2) {}

const int NodeInfoDataCharArray::NAME_LENGTH;
const int NodeInfoDataCharArray::DESC_LENGTH;
const int NodeInfoDataCharArray::HOTKEY_LENGTH;

void NodeInfoDataCharArray::Assign(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1,
                                   int attr2) {
    CopyBounded(szName, name);
    CopyBounded(szDesc, desc);
    CopyBounded(szHotkey, hotkey);
    nAttr1 = attr1;
    nAttr2 = attr2;
}

NodeInfoDataCharArray::NodeInfoDataCharArray() {
    Assign(nullptr, nullptr, nullptr, 3, 1);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, int attr1) {
    Assign(name, name, nullptr, attr1, 1);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, int attr1, int attr2) {
    Assign(name, name, nullptr, attr1, attr2);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc) {
    Assign(name, desc, nullptr, 3, 1);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, int attr1) {
    Assign(name, desc, nullptr, attr1, 1);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, int attr1, int attr2) {
    Assign(name, desc, nullptr, attr1, attr2);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey,
                                             int attr1) {
    Assign(name, desc, hotkey, attr1, 1);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const wchar_t* name, const wchar_t* desc, const wchar_t* hotkey, int attr1,
                                             int attr2) {
    Assign(name, desc, hotkey, attr1, attr2);
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const NodeInfoDataCharArray& other) {
    *this = other;
}

NodeInfoDataCharArray& NodeInfoDataCharArray::operator=(const NodeInfoDataCharArray& other) {
    if (this == &other) return *this;
    std::copy_n(other.szName, NAME_LENGTH + 1, szName);
    std::copy_n(other.szDesc, DESC_LENGTH + 1, szDesc);
    std::copy_n(other.szHotkey, HOTKEY_LENGTH + 1, szHotkey);
    nAttr1 = other.nAttr1;
    nAttr2 = other.nAttr2;
    return *this;
}

NodeInfoDataCharArray::NodeInfoDataCharArray(const NodeInfoData& other) {
    *this = other;
}

NodeInfoDataCharArray& NodeInfoDataCharArray::operator=(const NodeInfoData& other) {
    Assign(other.strName.c_str(), other.strDesc.c_str(), other.strHotkey.c_str(), other.nAttr1, other.nAttr2);
    return *this;
}

NodeInfoDataCharArray::~NodeInfoDataCharArray() = default;

NodeInfoDataCharArray::operator NodeInfoData() const {
    NodeInfoData node(nullptr, nullptr, nullptr, nAttr1, nAttr2);
    node.strName = ArrayText(szName);
    node.strDesc = ArrayText(szDesc);
    node.strHotkey = ArrayText(szHotkey);
    return node;
}
