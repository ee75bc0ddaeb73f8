#pragma once
// What the tests' fake servers, each a COM server in a DLL, do the same way: their objects' IUnknown,
// and the one class factory that DllGetClassObject hands out.

#include "host/com/dispatch/com_unknown.h"

#include <oaidl.h>

namespace comtest {

using com::dispatch::Unknown;

// The interface `iid` of a new object, which then holds only the references handed out.
template <class T>
HRESULT HandOut(T* made, REFIID iid, void** out) {
    const HRESULT hr = made->QueryInterface(iid, out);
    made->Release();
    return hr;
}

// The class factory of the server's one class `clsid` (a static object, never deleted):
// CreateInstance gives what `make` gives, without aggregation.
class Factory final : public IClassFactory {
public:
    using Make = HRESULT (*)(REFIID iid, void** out);
    Factory(const CLSID& clsid, Make make) : clsid_(clsid), make_(make) {}

    // DllGetClassObject: this factory for the server's class, nothing for any other.
    HRESULT ClassObject(REFCLSID clsid, REFIID iid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualCLSID(clsid, clsid_)) return CLASS_E_CLASSNOTAVAILABLE;
        return QueryInterface(iid, out);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return make_(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    CLSID clsid_;
    Make make_;
};

}  // namespace comtest
