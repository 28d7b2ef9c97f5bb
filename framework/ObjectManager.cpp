// The object registry's constructor and assignment, exported by the plug-in. The registry keeps
// its entries in static storage, so neither has anything to do.
#include "host/ObjectManager.h"

CQZObjectManager::CQZObjectManager() = default;

CQZObjectManager& CQZObjectManager::operator=(const CQZObjectManager&) {
    return *this;
}
