#pragma once
// Object creation by class id, the running state, and the module's lock count. Classes are
// registered by the code that provides them (there is no system registry here).

#include "platform/com/Unknown.h"

#include <cstdint>
#include <functional>

namespace com {

inline constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
inline constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr std::uint32_t CLSCTX_LOCAL_SERVER = 0x4;

// Makes a new object and answers its interface `iid` (one reference), as a class factory's
// CreateInstance does.
using ClassFactory = std::function<HRESULT(const Guid& iid, void** out)>;

// Registers (or replaces) the in-process class `clsid`; an empty factory unregisters it.
void RegisterClassObject(const Guid& clsid, ClassFactory factory);
bool IsClassRegistered(const Guid& clsid);

// REGDB_E_CLASSNOTREG for an unknown class or a context without CLSCTX_INPROC_SERVER (every
// registered class is in-process), CLASS_E_NOAGGREGATION when `outer` is given, E_POINTER for a
// null `out`; otherwise the factory's answer.
HRESULT CoCreateInstance(const Guid& clsid, IUnknown* outer, std::uint32_t context, const Guid& iid,
                         void** out);

// Puts an object into its running state. In-process objects run from creation, so this only
// checks the pointer.
HRESULT OleRun(IUnknown* object);

// Live objects of the module (interlocked).
void LockModule();
void UnlockModule();
long ModuleLockCount();

} // namespace com
