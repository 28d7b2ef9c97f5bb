// Object registry of the host.
#include "host/ObjectManager.h"

#include <map>
#include <mutex>
#include <string>

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::wstring, void*> objects;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void CQZObjectManager::Add(const wchar_t* name, void* object) {
    if (!name) return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.objects[name] = object;
}

void* CQZObjectManager::Get(const wchar_t* name) {
    if (!name) return nullptr;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.objects.find(name);
    return it == r.objects.end() ? nullptr : it->second;
}

void CQZObjectManager::Remove(const wchar_t* name) {
    if (!name) return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.objects.erase(name);
}

void CQZObjectManager::Clear() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.objects.clear();
}
