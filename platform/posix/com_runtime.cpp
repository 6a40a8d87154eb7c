// The component-object stand-in: a per-thread initialisation count and a table of
// classes that the platform's subsystem stand-ins register; CoCreateInstance asks the
// registered factory for the interface.
#include <mutex>
#include <vector>

#include "platform/com.h"
#include "platform/window_hooks.h"

namespace {

thread_local int t_com_count = 0;

struct ClassEntry {
    CLSID id;
    ComClassFactory factory;
};
std::mutex g_mutex;
std::vector<ClassEntry>& Classes() {
    static std::vector<ClassEntry> classes;
    return classes;
}

}  // namespace

HRESULT CoInitialize(void* /*reserved*/) {
    if (platform_hooks::TakeCallFailure("CoInitialize")) return E_FAIL;
    return t_com_count++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_com_count > 0) --t_com_count;
}

HRESULT CoCreateInstance(REFCLSID class_id, IUnknown* outer, DWORD /*context*/, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (t_com_count == 0) return CO_E_NOTINITIALIZED;
    if (platform_hooks::TakeCallFailure("CoCreateInstance")) return E_FAIL;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ComClassFactory factory = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const ClassEntry& entry : Classes()) {
            if (entry.id == class_id) factory = entry.factory;
        }
    }
    if (factory == nullptr) return REGDB_E_CLASSNOTREG;
    const HRESULT result = factory(iid, object);
    if (FAILED(result)) *object = nullptr;
    return result;
}

void RegisterComClass(REFCLSID class_id, ComClassFactory factory) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& classes = Classes();
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (it->id == class_id) {
            classes.erase(it);
            break;
        }
    }
    if (factory != nullptr) classes.push_back({class_id, factory});
}
