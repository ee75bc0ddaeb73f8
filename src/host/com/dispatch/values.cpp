// com::Value to VARIANT and back: the variant kinds the automation members take and give.
//
// Arguments go as VT_EMPTY, VT_ERROR/DISP_E_PARAMNOTFOUND (an omitted argument), VT_BOOL, VT_I2,
// VT_I4, VT_R8, VT_BSTR, VT_DISPATCH and one-dimensional SAFEARRAYs of VT_I2 (selection filter
// types), VT_VARIANT (filter data) and VT_R8 (points). Results are read more widely: references are
// followed, the other integer and real kinds are widened, IUnknown is asked for IDispatch, and an
// array of any plain kind becomes an array of values.

#include "host/com/dispatch/dispatch_internal.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace com::dispatch {
namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

Error UnreadableKind(VARTYPE vt) {
    return Error{DISP_E_BADVARTYPE, u"The automation server gave a value of a kind this program does not read "
                                    u"(variant type " + Ascii(std::to_string(vt)) + u")."};
}

// A one-dimensional SAFEARRAY of `vt` from `items`, copied in one go.
template <class T>
std::optional<Error> PlainArray(VARTYPE vt, const std::vector<T>& items, VARIANT* out) {
    SafeArray array(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size())));
    if (!array.Get()) return HresultError(E_OUTOFMEMORY);
    if (!items.empty()) {
        void* data = nullptr;
        HRESULT hr = SafeArrayAccessData(array.Get(), &data);
        if (FAILED(hr)) return HresultError(hr);
        std::memcpy(data, items.data(), items.size() * sizeof(T));
        SafeArrayUnaccessData(array.Get());
    }
    V_VT(out) = VT_ARRAY | vt;
    V_ARRAY(out) = array.Detach();
    return std::nullopt;
}

std::optional<Error> VariantArray(const std::vector<Value>& items, VARIANT* out) {
    SafeArray array(SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size())));
    if (!array.Get()) return HresultError(E_OUTOFMEMORY);
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        Variant item;
        if (auto error = ToVariant(items[i], item.Get())) return error;
        HRESULT hr = SafeArrayPutElement(array.Get(), &i, item.Get());  // copies the item
        if (FAILED(hr)) return HresultError(hr);
    }
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = array.Detach();
    return std::nullopt;
}

template <class T>
std::vector<T> CopyOut(SAFEARRAY* array, LONG count, HRESULT* hr) {
    std::vector<T> items(count);
    if (count == 0) return items;
    void* data = nullptr;
    *hr = SafeArrayAccessData(array, &data);
    if (FAILED(*hr)) return {};
    std::memcpy(items.data(), data, count * sizeof(T));
    SafeArrayUnaccessData(array);
    return items;
}

bool PlainElementKind(VARTYPE vt) {
    switch (vt) {
    case VT_I1: case VT_UI1: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: case VT_R4: case VT_CY: case VT_DATE: case VT_BOOL: case VT_BSTR:
    case VT_DISPATCH: case VT_UNKNOWN: case VT_ERROR:
        return true;
    default:
        return false;
    }
}

Result<Value> FromArray(SAFEARRAY* array, VARTYPE vt) {
    if (!array) {
        if (vt == VT_I2) return Value(std::vector<std::int16_t>());
        if (vt == VT_R8) return Value(std::vector<double>());
        return Value(std::vector<Value>());
    }
    if (SafeArrayGetDim(array) != 1)
        return Error{DISP_E_TYPEMISMATCH, u"The automation server gave an array of more than one dimension."};
    LONG lower = 0, upper = -1;
    HRESULT hr = SafeArrayGetLBound(array, 1, &lower);
    if (SUCCEEDED(hr)) hr = SafeArrayGetUBound(array, 1, &upper);
    if (FAILED(hr)) return HresultError(hr);
    const LONG count = upper >= lower ? upper - lower + 1 : 0;

    if (vt == VT_I2) {
        auto items = CopyOut<std::int16_t>(array, count, &hr);
        if (FAILED(hr)) return HresultError(hr);
        return Value(std::move(items));
    }
    if (vt == VT_R8) {
        auto items = CopyOut<double>(array, count, &hr);
        if (FAILED(hr)) return HresultError(hr);
        return Value(std::move(items));
    }
    if (vt != VT_VARIANT && !PlainElementKind(vt)) return UnreadableKind(VT_ARRAY | vt);

    std::vector<Value> items;
    items.reserve(count);
    for (LONG i = lower; i < lower + count; ++i) {
        Variant item;
        if (vt == VT_VARIANT) {
            hr = SafeArrayGetElement(array, &i, item.Get());
        } else {
            // Every plain kind sits at the start of the VARIANT's value, so the element is read
            // straight into it and the variant owns whatever the copy holds (a BSTR, a reference).
            hr = SafeArrayGetElement(array, &i, &V_UI1(item.Get()));
            if (SUCCEEDED(hr)) V_VT(item.Get()) = vt;
        }
        if (FAILED(hr)) return HresultError(hr);
        auto value = FromVariant(*item);
        if (!value) return value.error();
        items.push_back(std::move(*value));
    }
    return Value(std::move(items));
}

Result<Value> Widened(const VARIANT& in, VARTYPE to) {
    Variant out;
    HRESULT hr = VariantChangeType(out.Get(), const_cast<VARIANT*>(&in), 0, to);
    if (FAILED(hr)) return HresultError(hr);
    if (to == VT_I4) return Value(static_cast<std::int32_t>(V_I4(out.Get())));
    return Value(V_R8(out.Get()));
}

}  // namespace

std::optional<Error> ToVariant(const Value& value, VARIANT* out) {
    return std::visit(
        [out](const auto& v) -> std::optional<Error> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                V_VT(out) = VT_EMPTY;
            } else if constexpr (std::is_same_v<T, Missing>) {
                V_VT(out) = VT_ERROR;
                V_ERROR(out) = DISP_E_PARAMNOTFOUND;
            } else if constexpr (std::is_same_v<T, bool>) {
                V_VT(out) = VT_BOOL;
                V_BOOL(out) = v ? VARIANT_TRUE : VARIANT_FALSE;
            } else if constexpr (std::is_same_v<T, std::int16_t>) {
                V_VT(out) = VT_I2;
                V_I2(out) = v;
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                V_VT(out) = VT_I4;
                V_I4(out) = v;
            } else if constexpr (std::is_same_v<T, double>) {
                V_VT(out) = VT_R8;
                V_R8(out) = v;
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                BSTR s = SysAllocStringLen(Wide(v), static_cast<UINT>(v.size()));
                if (!s) return HresultError(E_OUTOFMEMORY);
                V_VT(out) = VT_BSTR;
                V_BSTR(out) = s;
            } else if constexpr (std::is_same_v<T, ObjectPtr>) {
                IDispatch* dispatch = v ? DispatchOf(*v) : nullptr;
                if (v && !dispatch)
                    return Error{E_INVALIDARG, u"An object that does not come from the automation server cannot "
                                               u"be passed to it."};
                if (dispatch) dispatch->AddRef();
                V_VT(out) = VT_DISPATCH;
                V_DISPATCH(out) = dispatch;
            } else if constexpr (std::is_same_v<T, std::vector<std::int16_t>>) {
                return PlainArray<std::int16_t>(VT_I2, v, out);
            } else if constexpr (std::is_same_v<T, std::vector<double>>) {
                return PlainArray<double>(VT_R8, v, out);
            } else {
                static_assert(std::is_same_v<T, std::vector<Value>>);
                return VariantArray(v, out);
            }
            return std::nullopt;
        },
        value.data());
}

Result<Value> FromVariant(const VARIANT& in) {
    const VARTYPE vt = V_VT(&in);
    if (vt & VT_BYREF) {
        Variant direct;
        HRESULT hr = VariantCopyInd(direct.Get(), const_cast<VARIANT*>(&in));
        if (FAILED(hr)) return HresultError(hr);
        return FromVariant(*direct);
    }
    if (vt & VT_ARRAY) return FromArray(V_ARRAY(&in), vt & VT_TYPEMASK);
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return Value();
    case VT_BOOL: return Value(V_BOOL(&in) != VARIANT_FALSE);
    case VT_I2: return Value(static_cast<std::int16_t>(V_I2(&in)));
    case VT_I1: return Value(static_cast<std::int16_t>(V_I1(&in)));
    case VT_UI1: return Value(static_cast<std::int16_t>(V_UI1(&in)));
    case VT_UI2: return Value(static_cast<std::int32_t>(V_UI2(&in)));
    case VT_I4: return Value(static_cast<std::int32_t>(V_I4(&in)));
    case VT_INT: return Value(static_cast<std::int32_t>(V_INT(&in)));
    case VT_R8: return Value(V_R8(&in));
    case VT_R4: case VT_UI4: case VT_UINT: case VT_I8: case VT_UI8: case VT_CY: case VT_DATE: case VT_DECIMAL:
        return Widened(in, VT_R8);
    case VT_BSTR: {
        BSTR s = V_BSTR(&in);
        return Value(s ? FromWide(s, SysStringLen(s)) : std::u16string());
    }
    case VT_DISPATCH: return Value(WrapDispatch(V_DISPATCH(&in)));
    case VT_UNKNOWN: {
        IUnknown* unknown = V_UNKNOWN(&in);
        if (!unknown) return Value(ObjectPtr());
        ComPtr<IDispatch> dispatch;
        HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.Out()));
        if (FAILED(hr)) return UnreadableKind(vt);
        return Value(WrapDispatch(dispatch.Get()));
    }
    case VT_ERROR:
        if (V_ERROR(&in) == DISP_E_PARAMNOTFOUND) return Value(Missing{});
        return HresultError(V_ERROR(&in));
    default: return UnreadableKind(vt);
    }
}

}  // namespace com::dispatch
