#pragma once
// The parts of the IDispatch layer its sources share: owners for every COM resource it holds
// (interfaces, VARIANTs and the BSTRs and SAFEARRAYs they hold, SAFEARRAYs, EXCEPINFOs), the conversion between com::Value and
// VARIANT, the error texts, and the apartment with its busy-server retry.

#include "host/com/com_object.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <oaidl.h>
#include <oleauto.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace com::dispatch {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "COM strings are UTF-16");

inline const wchar_t* Wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }
inline std::u16string FromWide(const wchar_t* s, std::size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

// An interface pointer that is released when the owner goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference already held (from a call that returned an AddRef'd pointer).
    static ComPtr Adopt(T* p) { ComPtr c; c.p_ = p; return c; }
    // Takes a reference of its own.
    static ComPtr Share(T* p) { if (p) p->AddRef(); return Adopt(p); }
    ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
    ~ComPtr() { Reset(); }

    void Reset() { if (T* p = std::exchange(p_, nullptr)) p->Release(); }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For a call that hands out a new reference: releases what is held first.
    T** Out() { Reset(); return &p_; }
    // Gives up the reference to the caller.
    T* Detach() { return std::exchange(p_, nullptr); }

    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const {
        return p_ ? p_->QueryInterface(iid, reinterpret_cast<void**>(out.Out())) : E_POINTER;
    }

private:
    T* p_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& o) noexcept : Variant() { std::swap(v_, o.v_); }
    ~Variant() { VariantClear(&v_); }
    VARIANT* Get() { return &v_; }
    const VARIANT& operator*() const { return v_; }
    VARIANT* Out() { VariantClear(&v_); return &v_; }

private:
    VARIANT v_;
};

class SafeArray {
public:
    explicit SafeArray(SAFEARRAY* a = nullptr) : a_(a) {}
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    ~SafeArray() { if (a_) SafeArrayDestroy(a_); }
    SAFEARRAY* Get() const { return a_; }
    SAFEARRAY* Detach() { return std::exchange(a_, nullptr); }

private:
    SAFEARRAY* a_;
};

// The exception a server describes when Invoke answers DISP_E_EXCEPTION; its strings are freed here.
class ExcepInfo {
public:
    ExcepInfo() { ZeroMemory(&e_, sizeof e_); }
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() { Clear(); }
    EXCEPINFO* Get() { return &e_; }
    EXCEPINFO* Fresh() { Clear(); return &e_; }

private:
    void Clear() {
        SysFreeString(e_.bstrSource);
        SysFreeString(e_.bstrDescription);
        SysFreeString(e_.bstrHelpFile);
        ZeroMemory(&e_, sizeof e_);
    }
    EXCEPINFO e_;
};

// ---- values (values.cpp) ----

// Fills `out` (an empty VARIANT) with `value`; an error for what cannot be passed to a server.
std::optional<Error> ToVariant(const Value& value, VARIANT* out);
// The value a server gave; an error for a variant of a kind the program does not read.
Result<Value> FromVariant(const VARIANT& v);

// ---- objects (object.cpp) ----

// A com::Object over `dispatch` (null gives a null object); takes a reference of its own.
ObjectPtr WrapDispatch(IDispatch* dispatch);
// The IDispatch behind an object made by this layer, or null for any other com::Object.
IDispatch* DispatchOf(const Object& object);

// ---- errors (errors.cpp) ----

// The system's text for an HRESULT (FormatMessageW), or "Error 0x8xxxxxxx" where it has none.
std::u16string SystemMessage(HRESULT hr);
// A failed call: from the server's EXCEPINFO when Invoke gave DISP_E_EXCEPTION, else from the HRESULT.
// `where` names the member (and the argument Invoke blamed, if any) for errors of the call's shape.
Error InvokeError(HRESULT hr, EXCEPINFO* info, std::u16string_view where);
Error HresultError(HRESULT hr, std::u16string_view context = {});

// ---- the apartment and a busy server (busy.cpp) ----

// Joins the calling thread to a single-threaded apartment, once per thread, and registers the
// message filter there. Failure is kept and given to every later call on that thread.
HRESULT EnsureApartment();

// Runs `call` and runs it again while it answers RPC_E_CALL_REJECTED or RPC_E_SERVERCALL_RETRYLATER,
// until the busy timeout has passed since the first try. Gives the last HRESULT; `busy` tells
// whether it is a busy rejection past the limit.
HRESULT CallWhileBusy(const std::function<HRESULT()>& call, bool* busy);
Error BusyError(HRESULT hr, std::u16string_view member);

}  // namespace com::dispatch
