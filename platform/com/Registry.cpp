#include "platform/com/Registry.h"

#include <atomic>
#include <map>
#include <mutex>
#include <tuple>

namespace com {

namespace {
struct GuidLess {
    bool operator()(const Guid& a, const Guid& b) const {
        return std::tie(a.data1, a.data2, a.data3, a.data4) < std::tie(b.data1, b.data2, b.data3, b.data4);
    }
};

std::mutex& ClassMutex() {
    static std::mutex m;
    return m;
}
std::map<Guid, ClassFactory, GuidLess>& Classes() {
    static std::map<Guid, ClassFactory, GuidLess> c;
    return c;
}
std::atomic<long> g_locks{0};
} // namespace

void RegisterClassObject(const Guid& clsid, ClassFactory factory) {
    std::lock_guard lock(ClassMutex());
    if (factory)
        Classes()[clsid] = std::move(factory);
    else
        Classes().erase(clsid);
}

bool IsClassRegistered(const Guid& clsid) {
    std::lock_guard lock(ClassMutex());
    return Classes().count(clsid) != 0;
}

HRESULT CoCreateInstance(const Guid& clsid, IUnknown* outer, std::uint32_t context, const Guid& iid,
                         void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ClassFactory factory;
    {
        std::lock_guard lock(ClassMutex());
        const auto it = Classes().find(clsid);
        if (it == Classes().end() || !(context & CLSCTX_INPROC_SERVER))
            return REGDB_E_CLASSNOTREG;
        factory = it->second;
    }
    // Outside the lock: a constructor may register further classes.
    return factory(iid, out);
}

HRESULT OleRun(IUnknown* object) {
    return object ? S_OK : E_INVALIDARG;
}

void LockModule() {
    ++g_locks;
}
void UnlockModule() {
    --g_locks;
}
long ModuleLockCount() {
    return g_locks.load();
}

} // namespace com
