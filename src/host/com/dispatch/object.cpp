// com::Object over IDispatch: members found by name (GetIDsOfNames) and called (Invoke), as late
// binding does.
//
// Arguments go to Invoke in DISPPARAMS as COM lays them out: the named arguments first, with their
// DISPIDs (asked for with the member's name in one GetIDsOfNames call) in rgdispidNamedArgs, then the
// positional ones in reverse order, so rgvarg[cArgs - 1] is the first. A property is read with
// DISPATCH_PROPERTYGET | DISPATCH_METHOD and a method called with DISPATCH_METHOD |
// DISPATCH_PROPERTYGET, as Visual Basic does, so that Item(i) works whether a server made it a
// property or a method. A property is set with DISPATCH_PROPERTYPUT and the one named argument
// DISPID_PROPERTYPUT (DISPATCH_PROPERTYPUTREF for an object).

#include "host/com/dispatch/dispatch_internal.h"

#include <string>
#include <unordered_map>

namespace com::dispatch {
namespace {

std::u16string Number(std::size_t n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

// The VARIANTs of one call's arguments, cleared however the call ends.
class Arguments {
public:
    explicit Arguments(std::size_t n) : items_(n) { for (VARIANT& v : items_) VariantInit(&v); }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    ~Arguments() { for (VARIANT& v : items_) VariantClear(&v); }
    VARIANT* operator[](std::size_t i) { return &items_[i]; }
    VARIANT* data() { return items_.empty() ? nullptr : items_.data(); }
    UINT size() const { return static_cast<UINT>(items_.size()); }

private:
    std::vector<VARIANT> items_;
};

// A count a collection gave, whichever integer or real kind it came as; -1 for anything else.
long CountOf(const Value& value) {
    if (auto* i = value.As<std::int16_t>()) return *i;
    if (auto* i = value.As<std::int32_t>()) return *i;
    if (auto* d = value.As<double>()) return static_cast<long>(*d);
    return -1;
}

class DispatchObject final : public Object {
public:
    explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

    Result<Value> Get(std::u16string_view member, const std::vector<Value>& args) override {
        return Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, {});
    }
    Result<Value> Put(std::u16string_view member, const Value& value) override {
        return Invoke(member, value.Is<ObjectPtr>() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, {value}, {});
    }
    Result<Value> Call(std::u16string_view member, const std::vector<Value>& args,
                       const std::vector<NamedArgument>& named) override {
        return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, named);
    }
    Result<std::vector<Value>> Enumerate() override;

    IDispatch* dispatch() const { return dispatch_.Get(); }

private:
    Result<std::vector<DISPID>> Ids(std::u16string_view member, const std::vector<NamedArgument>& named);
    Result<Value> Invoke(std::u16string_view member, WORD flags, const std::vector<Value>& args,
                         const std::vector<NamedArgument>& named);
    Result<std::vector<Value>> ByIndex();

    ComPtr<IDispatch> dispatch_;
    std::unordered_map<std::u16string, DISPID> memberIds_;  // members called before, by name
};

// The member's DISPID followed by those of the named arguments.
Result<std::vector<DISPID>> DispatchObject::Ids(std::u16string_view member, const std::vector<NamedArgument>& named) {
    if (named.empty()) {
        auto known = memberIds_.find(std::u16string(member));
        if (known != memberIds_.end()) return std::vector<DISPID>{known->second};
    }
    std::vector<std::u16string> texts{std::u16string(member)};
    for (const NamedArgument& a : named) texts.push_back(a.name);
    std::vector<LPOLESTR> names;
    for (std::u16string& t : texts) names.push_back(reinterpret_cast<LPOLESTR>(t.data()));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);

    bool busy = false;
    const HRESULT hr = CallWhileBusy([&] {
        return dispatch_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                        LOCALE_USER_DEFAULT, ids.data());
    }, &busy);
    if (busy) return BusyError(hr, member);
    if (FAILED(hr)) {
        std::u16string where(member);
        for (std::size_t i = 1; i < ids.size(); ++i)
            if (ids[i] == DISPID_UNKNOWN && ids[0] != DISPID_UNKNOWN) where += u", " + texts[i];
        return InvokeError(hr, nullptr, where);
    }
    if (named.empty()) memberIds_.emplace(std::u16string(member), ids[0]);
    return ids;
}

Result<Value> DispatchObject::Invoke(std::u16string_view member, WORD flags, const std::vector<Value>& args,
                                     const std::vector<NamedArgument>& named) {
    if (HRESULT hr = EnsureApartment(); FAILED(hr)) return HresultError(hr, u"COM could not be started");
    auto ids = Ids(member, named);
    if (!ids) return ids.error();

    const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    Arguments vars(named.size() + args.size());
    std::vector<DISPID> namedIds;
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (auto error = ToVariant(named[i].value, vars[i])) return *error;
        namedIds.push_back((*ids)[i + 1]);
    }
    for (std::size_t j = 0; j < args.size(); ++j)
        if (auto error = ToVariant(args[j], vars[vars.size() - 1 - j])) return *error;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{vars.data(), put ? &putId : (namedIds.empty() ? nullptr : namedIds.data()), vars.size(),
                      put ? 1u : static_cast<UINT>(namedIds.size())};

    Variant result;
    ExcepInfo info;
    UINT argError = static_cast<UINT>(-1);
    bool busy = false;
    const HRESULT hr = CallWhileBusy([&] {
        argError = static_cast<UINT>(-1);
        return dispatch_->Invoke((*ids)[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 put ? nullptr : result.Out(), info.Fresh(), &argError);
    }, &busy);
    if (busy) return BusyError(hr, member);
    if (FAILED(hr)) {
        std::u16string where(member);
        if (argError < named.size()) where += u", " + named[argError].name;
        else if (argError < vars.size()) where += u", argument " + Number(vars.size() - argError);
        return InvokeError(hr, info.Get(), where);
    }
    return FromVariant(*result);
}

// For-each over the collection: its _NewEnum (DISPID_NEWENUM) gives an IEnumVARIANT. A collection
// without one is read by Count and Item(0 ... Count - 1), AutoCAD's collections counting from 0.
Result<std::vector<Value>> DispatchObject::Enumerate() {
    if (HRESULT hr = EnsureApartment(); FAILED(hr)) return HresultError(hr, u"COM could not be started");
    Variant source;
    ExcepInfo info;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    bool busy = false;
    HRESULT hr = CallWhileBusy([&] {
        return dispatch_->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, source.Out(), info.Fresh(), nullptr);
    }, &busy);
    if (busy) return BusyError(hr, u"_NewEnum");
    if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) return ByIndex();
    if (FAILED(hr)) return InvokeError(hr, info.Get(), u"_NewEnum");

    IUnknown* unknown = V_VT(source.Get()) == VT_UNKNOWN    ? V_UNKNOWN(source.Get())
                        : V_VT(source.Get()) == VT_DISPATCH ? V_DISPATCH(source.Get())
                                                            : nullptr;
    ComPtr<IEnumVARIANT> items;
    if (!unknown || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.Out()))))
        return Error{E_NOINTERFACE, u"The collection gave no enumerator of its items (_NewEnum)."};

    std::vector<Value> values;
    constexpr ULONG batch = 16;
    for (;;) {
        Arguments got(batch);  // cleared after each batch, read or not
        ULONG fetched = 0;
        hr = CallWhileBusy([&] { fetched = 0; return items->Next(batch, got.data(), &fetched); }, &busy);
        if (busy) return BusyError(hr, u"_NewEnum");
        if (FAILED(hr)) return InvokeError(hr, nullptr, u"_NewEnum");
        for (ULONG i = 0; i < fetched && i < batch; ++i) {
            auto value = FromVariant(*got[i]);
            if (!value) return value.error();
            values.push_back(std::move(*value));
        }
        if (hr == S_FALSE || fetched == 0) return values;
    }
}

Result<std::vector<Value>> DispatchObject::ByIndex() {
    auto count = Get(u"Count", {});
    if (!count) return count.error();
    const long n = CountOf(*count);
    if (n < 0) return Error{DISP_E_TYPEMISMATCH, u"The collection's Count is not a number."};
    std::vector<Value> values;
    for (long i = 0; i < n; ++i) {
        auto item = Get(u"Item", {Value(static_cast<std::int32_t>(i))});
        if (!item) return item.error();
        values.push_back(std::move(*item));
    }
    return values;
}

}  // namespace

ObjectPtr WrapDispatch(IDispatch* dispatch) {
    if (!dispatch) return nullptr;
    return std::make_shared<DispatchObject>(ComPtr<IDispatch>::Share(dispatch));
}

IDispatch* DispatchOf(const Object& object) {
    auto* ours = dynamic_cast<const DispatchObject*>(&object);
    return ours ? ours->dispatch() : nullptr;
}

}  // namespace com::dispatch
