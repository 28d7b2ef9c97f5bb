// Helpers shared by the loader and the generator of the monitor configuration file.
#include "mapping/MappingDocument.h"

#include <cstdint>

#include "host/Markup.h"
#include "platform/System.h"

CString MonitorConfigPath() {
    return GetExecutableDir() + L"\\Config\\MonitorConfig.xml";
}

bool EnterMonitorConfig(CMarkup& xml, const CString& path) {
    // Load fails for a document that is not whole: saving what was read would drop the rest.
    return xml.Load(path) && xml.FindElem(L"MonitorConfig") && xml.IntoElem();
}

int TakeNumber(int& counter) {
    const int taken = counter;
    counter = static_cast<int>(static_cast<std::uint32_t>(counter) + 1u);
    return taken;
}
