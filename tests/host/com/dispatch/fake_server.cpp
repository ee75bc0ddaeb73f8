// The fake automation server (see fake_server.h). Its objects read their arguments as COM lays them
// out (named ones found by DISPID in rgdispidNamedArgs, positional ones in reverse order after them)
// and coerce them with oleaut32's VariantChangeType, as a server built on DispGetParam does. (Wine's
// DispGetParam takes every position below cArgs as positional, so it cannot serve for named ones.)

#define NOMINMAX
#include "fake_server.h"

#include "com_server.h"

#include <oleauto.h>

#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

LONG live = 0;

struct Failure {
    int times = 0;
    HRESULT hr = S_OK;
    std::wstring description;
};
std::map<std::wstring, Failure> failures;  // by member, lower case
std::map<std::wstring, long> calls;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

HRESULT Raise(EXCEPINFO* e, HRESULT scode, const wchar_t* description) {
    if (e) {
        ZeroMemory(e, sizeof *e);
        e->bstrSource = SysAllocString(kFakeProgId);
        e->bstrDescription = SysAllocString(description);
        e->scode = scode;
    }
    return DISP_E_EXCEPTION;
}

// Counts the call, and gives the failure armed for `member`, or S_OK.
HRESULT Armed(const std::wstring& member, EXCEPINFO* e) {
    const std::wstring key = Lower(member);
    ++calls[key];
    auto f = failures.find(key);
    if (f == failures.end() || f->second.times == 0) return S_OK;
    if (f->second.times > 0) --f->second.times;
    if (f->second.description.empty()) return f->second.hr;
    return Raise(e, f->second.hr, f->second.description.c_str());
}

HRESULT Give(VARIANT* r, IDispatch* d) {
    if (r) { V_VT(r) = VT_DISPATCH; V_DISPATCH(r) = d; d->AddRef(); }
    return S_OK;
}
HRESULT Give(VARIANT* r, const std::wstring& s) {
    if (r) { V_VT(r) = VT_BSTR; V_BSTR(r) = SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }
    return S_OK;
}
HRESULT GiveI4(VARIANT* r, long i) {
    if (r) { V_VT(r) = VT_I4; V_I4(r) = i; }
    return S_OK;
}
HRESULT GiveR8(VARIANT* r, double d) {
    if (r) { V_VT(r) = VT_R8; V_R8(r) = d; }
    return S_OK;
}
HRESULT GiveBool(VARIANT* r, bool b) {
    if (r) { V_VT(r) = VT_BOOL; V_BOOL(r) = b ? VARIANT_TRUE : VARIANT_FALSE; }
    return S_OK;
}

// One Invoke's arguments.
struct Call {
    WORD flags;
    DISPPARAMS* params;
    VARIANT* result;
    EXCEPINFO* excep;
    UINT* argErr;

    bool put() const { return flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF); }
    // The value a property is set to.
    VARIANT* value() const {
        if (params->cArgs != 1 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return nullptr;
        return &params->rgvarg[0];
    }
    // The argument at `position` (a named one by its DISPID, which is its position), or null.
    VARIANT* at(UINT position) const {
        for (UINT i = 0; i < params->cNamedArgs; ++i)
            if (params->rgdispidNamedArgs[i] == static_cast<DISPID>(position)) return &params->rgvarg[i];
        const UINT positional = params->cArgs - params->cNamedArgs;
        if (position < positional) return &params->rgvarg[params->cArgs - 1 - position];
        return nullptr;
    }
    bool omitted(UINT position) const {
        VARIANT* v = at(position);
        return !v || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
    }
    // The argument coerced to `vt` by oleaut32, blaming it (its index in rgvarg) when it cannot be.
    HRESULT get(UINT position, VARTYPE vt, VARIANT* out) const {
        VARIANT* v = at(position);
        if (!v) return DISP_E_PARAMNOTFOUND;
        const HRESULT hr = VariantChangeType(out, v, 0, vt);
        if (FAILED(hr) && argErr) *argErr = static_cast<UINT>(v - params->rgvarg);
        return hr;
    }
};

class FakeObject : public comtest::Unknown<IDispatch, IID_IDispatch> {
public:
    // Each member: its name, then the names of its parameters in order.
    explicit FakeObject(std::vector<std::vector<const wchar_t*>> members) : members_(std::move(members)) {
        InterlockedIncrement(&live);
    }
    ~FakeObject() override { InterlockedDecrement(&live); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
        for (UINT i = 0; i < n; ++i) ids[i] = DISPID_UNKNOWN;
        int member = -1;
        for (std::size_t m = 0; m < members_.size(); ++m)
            if (_wcsicmp(names[0], members_[m][0]) == 0) member = static_cast<int>(m);
        if (member < 0) return DISP_E_UNKNOWNNAME;
        ids[0] = member + 1;
        HRESULT hr = S_OK;
        for (UINT i = 1; i < n; ++i) {
            for (std::size_t p = 1; p < members_[member].size(); ++p)
                if (_wcsicmp(names[i], members_[member][p]) == 0) ids[i] = static_cast<DISPID>(p - 1);
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override {
        std::wstring name;
        if (id == DISPID_NEWENUM && Items() && forEach_) name = L"_NewEnum";
        else if (id >= 1 && id <= static_cast<DISPID>(members_.size())) name = members_[id - 1][0];
        else return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = Armed(name, excep); hr != S_OK) return hr;
        if (!params) return E_INVALIDARG;
        Call call{flags, params, result, excep, argErr};
        if (!call.put() && params->cArgs > (id == DISPID_NEWENUM ? 0 : members_[id - 1].size() - 1))
            return DISP_E_BADPARAMCOUNT;
        if (id == DISPID_NEWENUM) return NewEnum(result);
        if (const auto* items = Items()) {
            if (name == L"Count" && !call.put()) return GiveI4(result, static_cast<long>(items->size()));
            if (name == L"Item" && !call.put()) return Item(call, *items);
        }
        return Do(name, call);
    }

    // The items of a collection, or null for an object that is none.
    virtual const std::vector<FakeObject*>* Items() const { return nullptr; }
    virtual std::wstring Name() const { return {}; }

protected:
    virtual HRESULT Do(const std::wstring& member, const Call& call) = 0;
    bool forEach_ = true;

private:
    HRESULT NewEnum(VARIANT* result);
    HRESULT Item(const Call& call, const std::vector<FakeObject*>& items) {
        VARIANT* which = call.at(0);
        if (which && V_VT(which) == VT_BSTR) {
            for (FakeObject* item : items)
                if (_wcsicmp(item->Name().c_str(), V_BSTR(which)) == 0) return Give(call.result, item);
            return Raise(call.excep, E_INVALIDARG, L"Key not found");
        }
        VARIANT index;
        VariantInit(&index);
        if (HRESULT hr = call.get(0, VT_I4, &index); FAILED(hr)) return hr;
        if (V_I4(&index) < 0 || V_I4(&index) >= static_cast<long>(items.size()))
            return Raise(call.excep, E_INVALIDARG, L"Invalid index");
        return Give(call.result, items[V_I4(&index)]);
    }

    std::vector<std::vector<const wchar_t*>> members_;
};

class FakeEnum final : public comtest::Unknown<IEnumVARIANT, IID_IEnumVARIANT> {
public:
    explicit FakeEnum(const std::vector<FakeObject*>& items) : items_(items.begin(), items.end()) {
        InterlockedIncrement(&live);
        for (FakeObject* i : items_) i->AddRef();
    }
    ~FakeEnum() override {
        for (FakeObject* i : items_) i->Release();
        InterlockedDecrement(&live);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG n, VARIANT* out, ULONG* fetched) override {
        ULONG got = 0;
        for (; got < n && next_ < items_.size(); ++got, ++next_) Give(&out[got], items_[next_]);
        if (fetched) *fetched = got;
        return got == n ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG n) override {
        next_ += n;
        return next_ <= items_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { next_ = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        auto* copy = new FakeEnum(items_);
        copy->next_ = next_;
        *out = copy;
        return S_OK;
    }

private:
    std::vector<FakeObject*> items_;
    std::size_t next_ = 0;
};

HRESULT FakeObject::NewEnum(VARIANT* result) {
    auto* e = new FakeEnum(*Items());
    if (result) { V_VT(result) = VT_UNKNOWN; V_UNKNOWN(result) = e; }
    else e->Release();
    return S_OK;
}

// A collection that holds a reference to each of its items.
class Collection : public FakeObject {
public:
    using FakeObject::FakeObject;
    ~Collection() override { for (FakeObject* i : items_) i->Release(); }
    const std::vector<FakeObject*>* Items() const override { return &items_; }
    void Add(FakeObject* item) { items_.push_back(item); }  // takes over a reference
    void Remove(FakeObject* item) {
        for (auto i = items_.begin(); i != items_.end(); ++i)
            if (*i == item) { items_.erase(i); item->Release(); return; }
    }

protected:
    std::vector<FakeObject*> items_;
};

// ---- entities ----

enum class Kind { Text, MText, Insert };

class Entity final : public FakeObject {
public:
    Entity(Kind kind, std::wstring text, std::wstring handle, std::wstring layer, double x, double y, int space)
        : FakeObject({{L"ObjectName"}, {L"TextString"}, {L"Handle"}, {L"Layer"}, {L"InsertionPoint"},
                      {L"Rotation"}, {L"Name"}, {L"Delete"}}),
          kind(kind), text(std::move(text)), handle(std::move(handle)), layer(std::move(layer)), point{x, y, 0},
          space(space) {}

    const Kind kind;
    std::wstring text;  // the block name for an INSERT
    const std::wstring handle, layer;
    double point[3];
    const int space;  // 0 model, 1 paper
    bool erased = false;

    std::wstring TypeName() const { return kind == Kind::Text ? L"TEXT" : kind == Kind::MText ? L"MTEXT" : L"INSERT"; }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override {
        if (erased) return Raise(c.excep, static_cast<HRESULT>(0x80210064), L"Object was erased");
        if (m == L"ObjectName")
            return Give(c.result, std::wstring(kind == Kind::Text ? L"AcDbText" : kind == Kind::MText ? L"AcDbMText"
                                                                                                    : L"AcDbBlockReference"));
        if (m == L"TextString" && kind != Kind::Insert) {
            if (!c.put()) return Give(c.result, text);
            VARIANT* v = c.value();
            if (!v || V_VT(v) != VT_BSTR) return DISP_E_TYPEMISMATCH;
            text.assign(V_BSTR(v), SysStringLen(V_BSTR(v)));
            return S_OK;
        }
        if (m == L"Name" && kind == Kind::Insert && !c.put()) return Give(c.result, text);
        if (m == L"Handle" && !c.put()) return Give(c.result, handle);
        if (m == L"Layer" && !c.put()) return Give(c.result, layer);
        if (m == L"Rotation" && !c.put()) return GiveR8(c.result, 0.5);
        if (m == L"InsertionPoint") return c.put() ? SetPoint(c.value()) : GivePoint(c.result);
        if (m == L"Delete") { erased = true; return S_OK; }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    HRESULT GivePoint(VARIANT* r) {
        SAFEARRAY* a = SafeArrayCreateVector(VT_R8, 0, 3);
        double* d = nullptr;
        SafeArrayAccessData(a, reinterpret_cast<void**>(&d));
        for (int i = 0; i < 3; ++i) d[i] = point[i];
        SafeArrayUnaccessData(a);
        if (!r) { SafeArrayDestroy(a); return S_OK; }
        V_VT(r) = VT_ARRAY | VT_R8;
        V_ARRAY(r) = a;
        return S_OK;
    }
    // AutoCAD takes a point as three doubles only.
    HRESULT SetPoint(VARIANT* v) {
        if (!v || V_VT(v) != (VT_ARRAY | VT_R8)) return DISP_E_TYPEMISMATCH;
        LONG lo = 0, hi = -1;
        SafeArrayGetLBound(V_ARRAY(v), 1, &lo);
        SafeArrayGetUBound(V_ARRAY(v), 1, &hi);
        if (hi - lo != 2) return E_INVALIDARG;
        for (LONG i = 0; i < 3; ++i) {
            LONG at = lo + i;
            SafeArrayGetElement(V_ARRAY(v), &at, &point[i]);
        }
        return S_OK;
    }
};

// The objects of one drawing, shared by the document and the collections made from it.
struct Drawing {
    std::vector<Entity*> entities;
    ~Drawing() { for (Entity* e : entities) e->Release(); }
};

// ---- selection sets ----

bool InList(const std::wstring& list, const std::wstring& word) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(L',', start);
        if (_wcsicmp(list.substr(start, comma - start).c_str(), word.c_str()) == 0) return true;
        if (comma == std::wstring::npos) return false;
        start = comma + 1;
    }
}

class SelectionSets;

class SelectionSet final : public Collection {
public:
    SelectionSet(std::wstring name, std::shared_ptr<Drawing> drawing, SelectionSets* owner)
        : Collection({{L"Name"}, {L"Count"}, {L"Item", L"Index"},
                      {L"Select", L"Mode", L"Point1", L"Point2", L"FilterType", L"FilterData"}, {L"Delete"}}),
          name_(std::move(name)), drawing_(std::move(drawing)), owner(owner) {}
    std::wstring Name() const override { return name_; }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override;

private:
    HRESULT Select(const Call& c);
    std::wstring name_;
    std::shared_ptr<Drawing> drawing_;

public:
    SelectionSets* owner;  // cleared when the collection goes
};

class SelectionSets final : public Collection {
public:
    explicit SelectionSets(std::shared_ptr<Drawing> drawing)
        : Collection({{L"Add", L"Name"}, {L"Count"}, {L"Item", L"Index"}}), drawing_(std::move(drawing)) {}
    ~SelectionSets() override {
        for (FakeObject* s : items_) static_cast<SelectionSet*>(s)->owner = nullptr;
    }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override {
        if (m != L"Add") return DISP_E_MEMBERNOTFOUND;
        VARIANT name;
        VariantInit(&name);
        if (HRESULT hr = c.get(0, VT_BSTR, &name); FAILED(hr)) return hr;
        std::wstring text(V_BSTR(&name), SysStringLen(V_BSTR(&name)));
        VariantClear(&name);
        for (FakeObject* s : items_)
            if (_wcsicmp(s->Name().c_str(), text.c_str()) == 0)
                return Raise(c.excep, static_cast<HRESULT>(0x80200006), L"Duplicate record name");
        auto* set = new SelectionSet(text, drawing_, this);
        Add(set);
        return Give(c.result, set);
    }

private:
    std::shared_ptr<Drawing> drawing_;
};

HRESULT SelectionSet::Do(const std::wstring& m, const Call& c) {
    if (m == L"Name" && !c.put()) return Give(c.result, name_);
    if (m == L"Select") return Select(c);
    if (m == L"Delete") {
        if (owner) owner->Remove(this);  // may be the last reference but one: the caller holds this
        owner = nullptr;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT SelectionSet::Select(const Call& c) {
    VARIANT mode;
    VariantInit(&mode);
    if (HRESULT hr = c.get(0, VT_I4, &mode); FAILED(hr)) return hr;
    if (V_I4(&mode) != 5) return Raise(c.excep, E_INVALIDARG, L"Only selection of all objects is supported");
    if (!c.omitted(1) || !c.omitted(2)) return Raise(c.excep, E_INVALIDARG, L"Points are not taken with mode 5");
    std::vector<short> codes;
    std::vector<std::wstring> values;
    VARIANT* types = c.at(3);
    VARIANT* data = c.at(4);
    if (types || data) {
        if (!types || !data || V_VT(types) != (VT_ARRAY | VT_I2) || V_VT(data) != (VT_ARRAY | VT_VARIANT))
            return Raise(c.excep, E_INVALIDARG, L"Invalid argument FilterType or FilterData in Select");
        LONG tl, tu, dl, du;
        SafeArrayGetLBound(V_ARRAY(types), 1, &tl);
        SafeArrayGetUBound(V_ARRAY(types), 1, &tu);
        SafeArrayGetLBound(V_ARRAY(data), 1, &dl);
        SafeArrayGetUBound(V_ARRAY(data), 1, &du);
        if (tu - tl != du - dl) return Raise(c.excep, E_INVALIDARG, L"FilterType and FilterData differ in length");
        for (LONG i = 0; i <= tu - tl; ++i) {
            LONG ti = tl + i, di = dl + i;
            short code = 0;
            SafeArrayGetElement(V_ARRAY(types), &ti, &code);
            VARIANT item, text;
            VariantInit(&item);
            VariantInit(&text);
            SafeArrayGetElement(V_ARRAY(data), &di, &item);
            HRESULT hr = VariantChangeType(&text, &item, 0, VT_BSTR);
            VariantClear(&item);
            if (FAILED(hr)) return Raise(c.excep, E_INVALIDARG, L"Invalid filter data");
            codes.push_back(code);
            values.emplace_back(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
            VariantClear(&text);
        }
    }
    for (FakeObject* i : items_) i->Release();
    items_.clear();
    for (Entity* e : drawing_->entities) {
        if (e->erased) continue;
        bool match = true;
        for (std::size_t f = 0; f < codes.size() && match; ++f) {
            switch (codes[f]) {
            case 0: match = InList(values[f], e->TypeName()); break;
            case 2: match = e->kind == Kind::Insert && InList(values[f], e->text); break;
            case 8: match = InList(values[f], e->layer); break;
            case 67: match = std::to_wstring(e->space) == values[f]; break;
            default: return Raise(c.excep, E_INVALIDARG, L"Unsupported filter code");
            }
        }
        if (match) { e->AddRef(); Add(e); }
    }
    return S_OK;
}

// ---- blocks ----

class Block final : public Collection {
public:
    explicit Block(std::wstring name) : Collection({{L"Name"}, {L"Count"}, {L"Item", L"Index"}}), name_(std::move(name)) {
        forEach_ = false;
    }
    std::wstring Name() const override { return name_; }
    void Hold(Entity* e) { Add(e); }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override {
        if (m == L"Name" && !c.put()) return Give(c.result, name_);
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::wstring name_;
};

class Blocks final : public Collection {
public:
    Blocks() : Collection({{L"Count"}, {L"Item", L"Index"}}) {}

protected:
    HRESULT Do(const std::wstring&, const Call&) override { return DISP_E_MEMBERNOTFOUND; }
};

// ---- documents ----

class Documents;

class Document final : public FakeObject {
public:
    Document(std::wstring fullName, bool readOnly, Documents* owner)
        : FakeObject({{L"FullName"}, {L"ReadOnly"}, {L"Close", L"SaveChanges", L"FileName"},
                      {L"SaveAs", L"FullFileName", L"SaveAsType", L"vSecurityParams"}, {L"SavedAsType"},
                      {L"SelectionSets"}, {L"Blocks"}}),
          owner(owner), fullName_(std::move(fullName)), readOnly_(readOnly), drawing_(std::make_shared<Drawing>()) {
        auto& e = drawing_->entities;
        e.push_back(new Entity(Kind::Text, L"Alpha", L"1A", L"0", 1, 2, 0));
        e.push_back(new Entity(Kind::Text, L"Beta", L"1B", L"NOTES", 3, 4, 0));
        e.push_back(new Entity(Kind::MText, L"Gamma", L"1C", L"0", 5, 6, 0));
        e.push_back(new Entity(Kind::Insert, L"TITLE", L"1D", L"0", 7, 8, 0));
        e.push_back(new Entity(Kind::Text, L"Delta", L"1E", L"0", 9, 10, 1));
        sets_ = new SelectionSets(drawing_);
        blocks_ = new Blocks;
        auto* title = new Block(L"TITLE");
        title->Hold(new Entity(Kind::Text, L"Drawn by", L"2A", L"0", 0, 0, 0));
        title->Hold(new Entity(Kind::Text, L"Checked by", L"2B", L"0", 0, 1, 0));
        blocks_->Add(title);
    }
    ~Document() override {
        sets_->Release();
        blocks_->Release();
    }
    std::wstring Name() const override { return fullName_; }
    Documents* owner;  // cleared when the collection goes

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override;

private:
    std::wstring fullName_;
    bool readOnly_;
    long savedAsType_ = -1;
    std::shared_ptr<Drawing> drawing_;
    SelectionSets* sets_;
    Blocks* blocks_;
};

class Documents final : public Collection {
public:
    Documents() : Collection({{L"Count"}, {L"Item", L"Index"}, {L"Open", L"Name", L"ReadOnly", L"Password"}}) {}
    ~Documents() override { Forget(); }
    void CloseAll() {
        Forget();
        for (FakeObject* d : items_) d->Release();
        items_.clear();
    }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override {
        if (m != L"Open") return DISP_E_MEMBERNOTFOUND;
        VARIANT name, readOnly, password;
        VariantInit(&name);
        VariantInit(&readOnly);
        VariantInit(&password);
        if (HRESULT hr = c.get(0, VT_BSTR, &name); FAILED(hr)) return hr;
        std::wstring path(V_BSTR(&name), SysStringLen(V_BSTR(&name)));
        VariantClear(&name);
        bool ro = false;
        if (!c.omitted(1)) {
            if (HRESULT hr = c.get(1, VT_BOOL, &readOnly); FAILED(hr)) return hr;
            ro = V_BOOL(&readOnly) != VARIANT_FALSE;
        }
        if (!c.omitted(2)) {
            if (HRESULT hr = c.get(2, VT_BSTR, &password); FAILED(hr)) return hr;
            VariantClear(&password);
        }
        if (path.empty()) return Raise(c.excep, E_INVALIDARG, L"File name is empty");
        auto* doc = new Document(path, ro, this);
        Add(doc);
        return Give(c.result, doc);
    }

private:
    void Forget() { for (FakeObject* d : items_) static_cast<Document*>(d)->owner = nullptr; }
};

HRESULT Document::Do(const std::wstring& m, const Call& c) {
    if (c.put()) return DISP_E_MEMBERNOTFOUND;
    if (m == L"FullName") return Give(c.result, fullName_);
    if (m == L"ReadOnly") return GiveBool(c.result, readOnly_);
    if (m == L"SavedAsType") return GiveI4(c.result, savedAsType_);
    if (m == L"SelectionSets") return Give(c.result, sets_);
    if (m == L"Blocks") return Give(c.result, blocks_);
    if (m == L"SaveAs") {
        VARIANT name, type;
        VariantInit(&name);
        VariantInit(&type);
        if (HRESULT hr = c.get(0, VT_BSTR, &name); FAILED(hr)) return hr;
        std::wstring path(V_BSTR(&name), SysStringLen(V_BSTR(&name)));
        VariantClear(&name);
        if (!c.omitted(1)) {
            if (HRESULT hr = c.get(1, VT_I4, &type); FAILED(hr)) return hr;
            savedAsType_ = V_I4(&type);
        }
        fullName_ = path;
        return S_OK;
    }
    if (m == L"Close") {
        if (owner) owner->Remove(this);
        owner = nullptr;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

// ---- application ----

// Settings read and set by name, and sub-objects by name.
class Settings final : public FakeObject {
public:
    Settings(std::vector<std::vector<const wchar_t*>> members, std::map<std::wstring, FakeObject*> children = {})
        : FakeObject(std::move(members)), children_(std::move(children)) {}
    ~Settings() override {
        for (auto& [name, v] : values_) VariantClear(&v);
        for (auto& [name, child] : children_) child->Release();
    }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override {
        if (auto child = children_.find(m); child != children_.end())
            return c.put() ? DISP_E_MEMBERNOTFOUND : Give(c.result, child->second);
        VARIANT& v = values_[m];
        if (c.put()) {
            VARIANT* value = c.value();
            return value ? VariantCopy(&v, value) : DISP_E_PARAMNOTFOUND;
        }
        return c.result ? VariantCopy(c.result, &v) : S_OK;
    }

private:
    std::map<std::wstring, FakeObject*> children_;
    std::map<std::wstring, VARIANT> values_;  // zero-initialised: VT_EMPTY
};

class Application final : public FakeObject {
public:
    Application()
        : FakeObject({{L"Documents"}, {L"Preferences"}, {L"WindowState"}, {L"Visible"}, {L"Quit"}}),
          documents_(new Documents),
          preferences_(new Settings({{L"OpenSave"}, {L"System"}},
                                    {{L"OpenSave", new Settings({{L"XrefDemandLoad"}})},
                                     {L"System", new Settings({{L"EnableStartupDialog"}, {L"ShowWarningMessages"}})}})) {
        // As AutoCAD does: the running instance is found by its class until it quits.
        if (FAILED(RegisterActiveObject(this, kFakeClsid, ACTIVEOBJECT_STRONG, &running_))) running_ = 0;
    }
    ~Application() override {
        documents_->Release();
        preferences_->Release();
    }

protected:
    HRESULT Do(const std::wstring& m, const Call& c) override {
        if (m == L"Documents" && !c.put()) return Give(c.result, documents_);
        if (m == L"Preferences" && !c.put()) return Give(c.result, preferences_);
        if (m == L"WindowState" || m == L"Visible") {
            if (!c.put()) return m == L"Visible" ? GiveBool(c.result, visible_) : GiveI4(c.result, windowState_);
            VARIANT* v = c.value();
            VARIANT to;
            VariantInit(&to);
            if (!v || FAILED(VariantChangeType(&to, v, 0, m == L"Visible" ? VT_BOOL : VT_I4))) return DISP_E_TYPEMISMATCH;
            if (m == L"Visible") visible_ = V_BOOL(&to) != VARIANT_FALSE;
            else windowState_ = V_I4(&to);
            return S_OK;
        }
        if (m == L"Quit") {
            documents_->CloseAll();
            if (DWORD r = running_) {
                running_ = 0;
                RevokeActiveObject(r, nullptr);  // may drop the last reference but the caller's
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    Documents* documents_;
    Settings* preferences_;
    DWORD running_ = 0;
    bool visible_ = true;
    long windowState_ = 1;
};

HRESULT MakeApplication(REFIID iid, void** out) {
    if (HRESULT hr = Armed(L"CreateInstance", nullptr); hr != S_OK) return hr;
    return comtest::HandOut(new Application, iid, out);
}

comtest::Factory factory(kFakeClsid, MakeApplication);

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return factory.ClassObject(clsid, iid, out);
}

// The fake's state lives in this DLL; it stays loaded for the tests' whole run.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

void QlnFakeFail(const wchar_t* member, int times, HRESULT hr, const wchar_t* description) {
    failures[Lower(member)] = Failure{times, hr, description ? description : L""};
}

void QlnFakeReset() {
    failures.clear();
    calls.clear();
}

long QlnFakeLiveObjects() { return live; }

long QlnFakeCalls(const wchar_t* member) {
    auto c = calls.find(Lower(member));
    return c == calls.end() ? 0 : c->second;
}

}  // extern "C"
