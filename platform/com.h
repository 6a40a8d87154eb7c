// The component-object stand-in of the platform layer: GUIDs, the IUnknown base that
// every COM-style interface of the platform derives from, per-thread CoInitialize and
// CoUninitialize, and CoCreateInstance over a table of registered classes.
#pragma once

#include <cstdint>

#include "platform/kernel_types.h"

#ifndef VOMUR_PLATFORM_GUID_DEFINED
#define VOMUR_PLATFORM_GUID_DEFINED
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
}
constexpr bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;
#endif

#ifndef SUCCEEDED
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#endif
#ifndef FAILED
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#endif

constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = 0x17;

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// QueryInterface of an object that answers IUnknown and one interface of its own: a
// reference is added and the interface handed out, or E_NOINTERFACE with null.
template <class Interface>
HRESULT QueryOneInterface(Interface* self, REFIID iid, REFIID own, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == own) {
        self->AddRef();
        *object = self;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// S_OK the first time on a thread, S_FALSE when the thread already has it (each
// successful call needs its own CoUninitialize).
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
// REGDB_E_CLASSNOTREG for a class nobody registered; CO_E_NOTINITIALIZED on a thread
// without CoInitialize. `*object` is null on failure.
HRESULT CoCreateInstance(REFCLSID class_id, IUnknown* outer, DWORD context, REFIID iid, void** object);

// Registration inside the platform layer: the subsystem stand-ins (graphics, input,
// sound...) register the classes they implement. A later registration of the same
// class replaces the earlier one; null removes it.
using ComClassFactory = HRESULT (*)(REFIID iid, void** object);
void RegisterComClass(REFCLSID class_id, ComClassFactory factory);
