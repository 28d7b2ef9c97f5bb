// The host's suggestion list: the list that the terminal's keyboard wizard shows while the user
// types, drawn from the functions of a command registry and their parameters.
//
// makesuggest(text, maxCount) fills the list with the registry's functions that match the text;
// makesuggest(text, function) fills it with the matching parameters of one function. An entry
// matches when the text is empty, when its name, its node record's name or its hot-key starts
// with the text, or when its description contains it; letters compare without case, as the
// classic locale folds them whatever locale the process has set. Entries come in name order; a maxCount of 0 or less
// means no limit. Both return the number of entries.
//
// Filters hide entries: a filter names a function and, optionally, one of its parameters; with
// no parameter it hides the function and all its parameters, with one it hides that parameter.
//
// getdisplay gives an entry's display text (its node record's name, or its own name when the
// record has none) and description; getdata gives the function's and the parameter's names (the
// latter empty for a function entry) and their node records. An index past the end gives empty
// texts and default records. excutefunction executes a function through the registry.
//
// All members are thread-safe. The standard-string members are the host library's; the
// wide-character-pointer adapters are exported by the plug-in.
#pragma once

#include <algorithm>
#include <boost/any.hpp>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/NodeInfoData.h"
#include "platform/CString.h"

class CommandManager;

// A filter in plain form: a function name and an optional parameter name, each of at most
// NAME_LENGTH characters (longer names are cut).
struct UIListItemCharArray {
    static constexpr int NAME_LENGTH = 64;

    explicit UIListItemCharArray(const wchar_t* function = nullptr, const wchar_t* param = nullptr) {
        Copy(szFunction, function);
        Copy(szParam, param);
    }

    wchar_t szFunction[NAME_LENGTH + 1];
    wchar_t szParam[NAME_LENGTH + 1];

private:
    static void Copy(wchar_t (&array)[NAME_LENGTH + 1], const wchar_t* text) {
        const size_t length = text ? std::min<size_t>(std::wcslen(text), NAME_LENGTH) : 0;
        if (length) std::copy_n(text, length, array);
        array[length] = L'\0';
    }
};

class QZ_SHARED_CLASS UIList {
public:
    QZ_HOST_API explicit UIList(CommandManager* commands);

    QZ_HOST_API int makesuggest(const std::wstring& text, int maxCount);
    QZ_HOST_API int makesuggest(const std::wstring& text, const std::wstring& function);
    // Adds or replaces the filter of that name.
    QZ_HOST_API void addfilter(const std::wstring& name, const UIListItemCharArray& item);
    QZ_HOST_API void delfilter(const std::wstring& name);
    QZ_HOST_API unsigned getcount() const;
    QZ_HOST_API void getdisplay(unsigned index, std::wstring& text, std::wstring& desc) const;
    QZ_HOST_API void getdata(unsigned index, std::wstring& function, std::wstring& param, NodeInfoData& functionNode,
                             NodeInfoData& paramNode) const;
    // The function's result, or an empty payload without a registry.
    QZ_HOST_API boost::any excutefunction(const std::wstring& function, const std::wstring& param);

    // Wide-character-pointer forms of the members above (plug-in); texts must not be null (a null
    // one throws nuvoliberror).
    QZ_MONITOR_API int makesuggest(const wchar_t* text, int maxCount);
    QZ_MONITOR_API int makesuggest(const wchar_t* text, const wchar_t* function);
    QZ_MONITOR_API void addfilter(const wchar_t* name, const UIListItemCharArray& item);
    QZ_MONITOR_API void delfilter(const wchar_t* name);
    QZ_MONITOR_API void getdisplay(unsigned index, CString& text, CString& desc) const;
    QZ_MONITOR_API void getdata(unsigned index, CString& function, CString& param, NodeInfoData& functionNode,
                                NodeInfoData& paramNode) const;
    QZ_MONITOR_API boost::any excutefunction(const wchar_t* function, const wchar_t* param);

private:
    struct Entry {
        std::wstring function;
        std::wstring param;
        NodeInfoData functionNode;
        NodeInfoData paramNode;
    };

    bool Filtered(const std::wstring& function, const std::wstring& param) const;

    CommandManager* m_pCommands;
    mutable std::mutex m_mutex;
    std::map<std::wstring, UIListItemCharArray> m_mapFilters;
    std::vector<Entry> m_vecEntries;
};
