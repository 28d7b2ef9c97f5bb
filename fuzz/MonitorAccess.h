// The fuzz targets' access to the monitor's operation tables: the monitor's friend for tests,
// defined here since these programs link no test support.
#pragma once

#include "host/Markup.h"
#include "mapping/MappingDocument.h"
#include "shell/MonitorControl.h"

struct MonitorTestAccess {
    static void Build(CMonitorControl& m, CMarkup& xml, HostFiles& files) { m.BuildOperationMapping(xml, files); }
    static auto& ByName(CMonitorControl& m) { return m.m_mapOperationByName; }
    static auto& ByType(CMonitorControl& m) { return m.m_mapOperationByType; }
    // Loads the configuration file again into emptied tables, as a new offline monitor would.
    static void Reload(CMonitorControl& m) {
        m.m_mapOperationByName.clear();
        m.m_mapOperationByType.clear();
        m.m_mapRequestMapping.clear();
        m.GetOperationMapping();
    }
};
