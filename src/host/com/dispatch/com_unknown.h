#pragma once
// IUnknown as every COM object made here has it: a reference count, and QueryInterface for IUnknown
// and the one interface the object has. (The message filter; the test servers' objects too.)

#include <windows.h>
#include <objbase.h>

namespace com::dispatch {

// `Interface` with IUnknown; made with one reference, deleted when the last one goes.
template <class Interface, const IID& kIid>
class Unknown : public Interface {
public:
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;
    virtual ~Unknown() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIid)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }

private:
    LONG refs_ = 1;
};

}  // namespace com::dispatch
