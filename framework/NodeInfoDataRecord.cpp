// The default record, the copies and the destructor of NodeInfoData. Compiled into both
// libraries: the host's registry stores these records, and the plug-in exports the same members.
#include "host/NodeInfoData.h"

NodeInfoData::NodeInfoData() = default;
NodeInfoData::NodeInfoData(const NodeInfoData& other) = default;
NodeInfoData& NodeInfoData::operator=(const NodeInfoData& other) = default;
NodeInfoData::~NodeInfoData() = default;
