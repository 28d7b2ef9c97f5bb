// The suggestion list's wide-character-pointer adapters, exported by the plug-in.
#include "host/UIList.h"

#include "framework/AdapterText.h"

int UIList::makesuggest(const wchar_t* text, int maxCount) {
    return makesuggest(AdapterText(text, "UIList::makesuggest"), maxCount);
}

int UIList::makesuggest(const wchar_t* text, const wchar_t* function) {
    return makesuggest(AdapterText(text, "UIList::makesuggest"), AdapterText(function, "UIList::makesuggest"));
}

void UIList::addfilter(const wchar_t* name, const UIListItemCharArray& item) {
    addfilter(AdapterText(name, "UIList::addfilter"), item);
}

void UIList::delfilter(const wchar_t* name) {
    delfilter(AdapterText(name, "UIList::delfilter"));
}

void UIList::getdisplay(unsigned index, CString& text, CString& desc) const {
    std::wstring displayText;
    std::wstring displayDesc;
    getdisplay(index, displayText, displayDesc);
    text = CString(std::move(displayText));
    desc = CString(std::move(displayDesc));
}

void UIList::getdata(unsigned index, CString& function, CString& param, NodeInfoData& functionNode,
                     NodeInfoData& paramNode) const {
    std::wstring functionName;
    std::wstring paramName;
    getdata(index, functionName, paramName, functionNode, paramNode);
    function = CString(std::move(functionName));
    param = CString(std::move(paramName));
}

boost::any UIList::excutefunction(const wchar_t* function, const wchar_t* param) {
    return excutefunction(AdapterText(function, "UIList::excutefunction"),
                          AdapterText(param, "UIList::excutefunction"));
}
