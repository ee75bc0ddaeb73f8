// The stand-in AutoCAD (dxf_autocad.h) as an in-process COM server: a DLL with a class factory for
// the CLSID that the tests register as AutoCAD.Application, whose objects answer IDispatch by handing
// each call to a com::Object.
//
// Member names get DISPIDs of their own (one table for the DLL); Invoke turns the DISPPARAMS back into
// values (the positional arguments in their order, the named ones by name) with the dispatch layer's
// own conversions, so what the program sends is read as a server reads it. A property read and a
// method call come with the same flags from late binding, so a call without named arguments is tried
// as a property first. _NewEnum gives an IEnumVARIANT over the items. A failed call answers
// DISP_E_EXCEPTION with the error's number and description in EXCEPINFO, as AutoCAD does.
//
// Every recorded call (dxf_autocad.h) is appended, in UTF-8, to the file QLN_FAKE_AUTOCAD_LOG names.

#include "dxf_autocad.h"

#include "host/com/dispatch/dispatch_internal.h"
#include "com_server.h"

#include <QFile>
#include <QString>

#include <map>
#include <mutex>
#include <vector>

namespace {

using namespace com::dispatch;
using com::ObjectPtr;
using com::Value;

// {3F1B7C52-8E4A-4D6B-A1C9-5E2D7B0F4A23}
constexpr CLSID kClsid = {0x3f1b7c52, 0x8e4a, 0x4d6b, {0xa1, 0xc9, 0x5e, 0x2d, 0x7b, 0x0f, 0x4a, 0x23}};

class Names {
public:
    DISPID Id(std::u16string name) {
        std::lock_guard<std::mutex> hold(m_);
        const std::u16string key = QString::fromStdU16String(name).toLower().toStdU16String();
        auto found = ids_.find(key);
        if (found != ids_.end()) return found->second;
        names_.push_back(std::move(name));
        return ids_[key] = static_cast<DISPID>(names_.size());
    }
    bool Name(DISPID id, std::u16string& name) {
        std::lock_guard<std::mutex> hold(m_);
        if (id < 1 || id > static_cast<DISPID>(names_.size())) return false;
        name = names_[id - 1];
        return true;
    }

private:
    std::mutex m_;
    std::map<std::u16string, DISPID> ids_;
    std::vector<std::u16string> names_;
} names;

HRESULT Raise(EXCEPINFO* info, const com::Error& error) {
    if (info) {
        ZeroMemory(info, sizeof *info);
        info->bstrSource = SysAllocString(L"AutoCAD");
        info->bstrDescription = SysAllocStringLen(Wide(error.description), static_cast<UINT>(error.description.size()));
        info->scode = error.number ? static_cast<SCODE>(error.number) : E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

Value Exported(const Value& value);

// Fills `out` with `value`, its objects handed out as IDispatch of this server.
HRESULT Give(const Value& value, VARIANT* out, EXCEPINFO* info) {
    if (!out) return S_OK;
    VariantInit(out);
    if (auto error = ToVariant(Exported(value), out)) return Raise(info, *error);
    return S_OK;
}

class Enumerator final : public comtest::Unknown<IEnumVARIANT, IID_IEnumVARIANT> {
public:
    explicit Enumerator(std::vector<Value> items) : items_(std::move(items)) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* out, ULONG* fetched) override {
        ULONG n = 0;
        for (; n < wanted && next_ < items_.size(); ++n, ++next_)
            if (FAILED(Give(items_[next_], &out[n], nullptr))) return E_FAIL;
        if (fetched) *fetched = n;
        return n == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG n) override {
        next_ = std::min(items_.size(), next_ + n);
        return next_ < items_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { next_ = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        auto* copy = new Enumerator(items_);
        copy->next_ = next_;
        *out = copy;
        return S_OK;
    }

private:
    std::vector<Value> items_;
    std::size_t next_ = 0;
};

class Bridge final : public comtest::Unknown<IDispatch, IID_IDispatch> {
public:
    explicit Bridge(ObjectPtr object) : o_(std::move(object)) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override { *out = nullptr; return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* given, UINT n, LCID, DISPID* ids) override {
        for (UINT i = 0; i < n; ++i) ids[i] = names.Id(FromWide(given[i], wcslen(given[i])));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override {
        if (id == DISPID_NEWENUM) {
            auto items = o_->Enumerate();
            if (!items) return Raise(info, items.error());
            if (result) {
                VariantInit(result);
                V_VT(result) = VT_UNKNOWN;
                V_UNKNOWN(result) = new Enumerator(std::move(*items));
            }
            return S_OK;
        }
        std::u16string member;
        if (!names.Name(id, member)) return DISP_E_MEMBERNOTFOUND;

        const UINT count = params ? params->cArgs : 0;
        const UINT namedCount = params ? params->cNamedArgs : 0;
        std::vector<Value> args;
        std::vector<com::NamedArgument> named;
        for (UINT i = 0; i < count; ++i) {
            auto value = FromVariant(params->rgvarg[i]);
            if (!value) {
                if (argError) *argError = i;
                return DISP_E_TYPEMISMATCH;
            }
            if (i < namedCount) {
                const DISPID argId = params->rgdispidNamedArgs[i];
                std::u16string name;
                if (argId != DISPID_PROPERTYPUT && !names.Name(argId, name)) return DISP_E_PARAMNOTFOUND;
                named.push_back({name, std::move(*value)});
            } else {
                args.insert(args.begin(), std::move(*value));  // rgvarg holds them last first
            }
        }

        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (named.size() != 1 || !args.empty()) return DISP_E_BADPARAMCOUNT;
            auto put = o_->Put(member, named[0].value);
            if (!put) return Raise(info, put.error());
            return S_OK;
        }
        com::Result<Value> r = named.empty() ? o_->Get(member, args) : com::Result<Value>(com::Error{acadfake::kUnknownName, {}});
        if (!r && r.error().number == acadfake::kUnknownName) r = o_->Call(member, args, named);
        if (!r) return Raise(info, r.error());
        return Give(*r, result, info);
    }

private:
    ObjectPtr o_;
};

Value Exported(const Value& value) {
    if (ObjectPtr o = value.AsObject()) {
        auto* bridge = new Bridge(std::move(o));
        ObjectPtr wrapped = WrapDispatch(bridge);  // takes a reference of its own
        bridge->Release();
        return wrapped;
    }
    if (const auto* items = value.As<std::vector<Value>>()) {
        std::vector<Value> out;
        out.reserve(items->size());
        for (const Value& item : *items) out.push_back(Exported(item));
        return out;
    }
    return value;
}

void Append(const std::u16string& call) {
    const QString path = qEnvironmentVariable("QLN_FAKE_AUTOCAD_LOG");
    if (path.isEmpty()) return;
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QString::fromStdU16String(call).toUtf8() + '\n');
}

HRESULT MakeApplication(REFIID iid, void** out) {
    auto app = acadfake::MakeApplication(Append);
    if (!app) return E_FAIL;
    Append(u"Started");
    return comtest::HandOut(new Bridge(std::move(*app)), iid, out);
}

comtest::Factory factory(kClsid, MakeApplication);

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return factory.ClassObject(clsid, iid, out);
}

// The DLL carries a Qt of its own; it stays loaded until the process ends.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

}
