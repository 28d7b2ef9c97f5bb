// Helpers shared by the loader and the generator of the monitor configuration file.
#include "mapping/MappingDocument.h"

#include <cstdint>

#include "host/Markup.h"
#include "platform/System.h"

CString MonitorConfigPath() {
    return GetExecutableDir() + L"\\Config\\MonitorConfig.xml";
}

bool EnterMonitorConfig(CMarkup& xml, const CString& path) {
    // A document that is not well formed loads as far as it is; GetResult() then names the fault.
    return xml.Load(path) && xml.GetResult().IsEmpty() && xml.FindElem(L"MonitorConfig") && xml.IntoElem();
}

int TakeNumber(int& counter) {
    const int taken = counter;
    counter = static_cast<int>(static_cast<std::uint32_t>(counter) + 1u);
    return taken;
}
