#include "dxf_autocad.h"

#include "host/dxf/dxf_host.h"

#include <QDir>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace acadfake {

using com::Error;
using com::Missing;
using com::ObjectPtr;
using com::Result;
using com::Value;

namespace {

constexpr long kTypeMismatch = -2147352571;  // DISP_E_TYPEMISMATCH

bool Is(std::u16string_view member, std::u16string_view name) {
    return QStringView(member.data(), qsizetype(member.size()))
               .compare(QStringView(name.data(), qsizetype(name.size())), Qt::CaseInsensitive) == 0;
}
std::u16string U16(const QString& s) { return s.toStdU16String(); }
QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

Error Unknown(std::u16string_view member) { return {kUnknownName, u"Unknown name: " + std::u16string(member)}; }
Error Mismatch(std::u16string_view member) { return {kTypeMismatch, u"Type mismatch: " + std::u16string(member)}; }
Error FromHost(const host::Error& e) { return {e.number, U16(e.description)}; }

// What the DXF host gave, as AutoCAD gives it: texts, numbers, truth values, points of three doubles.
Value ToValue(const QString& s) { return Value(U16(s)); }
Value ToValue(double d) { return Value(d); }
Value ToValue(bool b) { return Value(b); }
Value ToValue(const host::Point3& p) { return Value(std::vector<double>(p.begin(), p.end())); }
template <class T>
Result<Value> Give(host::Result<T> r) {
    if (!r) return FromHost(r.error());
    return ToValue(*r);
}
// What the DXF host gave, as the automation object `Wrapper` over it (made with `leading` first).
template <class Wrapper, class T, class... Leading>
Result<Value> Wrap(host::Result<T> r, Leading... leading) {
    if (!r) return FromHost(r.error());
    return Value(ObjectPtr(std::make_shared<Wrapper>(std::move(leading)..., std::move(*r))));
}
Result<Value> Done(const host::Status& s) {
    if (!s) return FromHost(s.error());
    return Value();
}

std::u16string Shown(const Value& v) {
    if (const auto* s = v.As<std::u16string>()) return *s;
    if (const auto* b = v.As<bool>()) return *b ? u"true" : u"false";
    if (const auto* i = v.As<std::int16_t>()) return U16(QString::number(*i));
    if (const auto* i = v.As<std::int32_t>()) return U16(QString::number(*i));
    return u"?";
}

struct Context {
    Record record;
    host::ApplicationPtr app;
};
using ContextPtr = std::shared_ptr<Context>;

// An object without members; each class below answers those it has.
class Members : public com::Object {
public:
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override { return Unknown(m); }
    Result<Value> Put(std::u16string_view m, const Value&) override { return Unknown(m); }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>&,
                       const std::vector<com::NamedArgument>&) override {
        return Unknown(m);
    }
    Result<std::vector<Value>> Enumerate() override { return Unknown(u"_NewEnum"); }
};

Result<std::vector<Value>> Entities(host::Result<std::vector<host::EntityPtr>> items);

class EntityObject final : public Members {
public:
    explicit EntityObject(host::EntityPtr e) : e_(std::move(e)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override {
        if (Is(m, u"ObjectName")) return Give(e_->ObjectName());
        if (Is(m, u"TextString")) return Give(e_->TextString());
        if (Is(m, u"Handle")) return Give(e_->Handle());
        if (Is(m, u"Layer")) return Give(e_->Layer());
        if (Is(m, u"InsertionPoint")) return Give(e_->InsertionPoint());
        if (Is(m, u"Rotation")) return Give(e_->Rotation());
        if (Is(m, u"Name")) return Give(e_->Name());
        if (Is(m, u"HasAttributes")) return Give(e_->HasAttributes());
        if (Is(m, u"TagString")) return Give(e_->TagString());
        return Unknown(m);
    }
    Result<Value> Put(std::u16string_view m, const Value& v) override {
        if (!Is(m, u"TextString")) return Unknown(m);
        const auto* s = v.As<std::u16string>();
        if (!s) return Mismatch(m);
        return Done(e_->SetTextString(Q(*s)));
    }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (Is(m, u"Delete")) return Done(e_->Delete());
        if (!Is(m, u"GetAttributes")) return Unknown(m);
        // An array of the reference's attribute references.
        auto items = Entities(e_->GetAttributes());
        if (!items) return items.error();
        return Value(std::move(*items));
    }

private:
    host::EntityPtr e_;
};

Result<std::vector<Value>> Entities(host::Result<std::vector<host::EntityPtr>> items) {
    if (!items) return FromHost(items.error());
    std::vector<Value> out;
    out.reserve(items->size());
    for (host::EntityPtr& e : *items) out.emplace_back(ObjectPtr(std::make_shared<EntityObject>(std::move(e))));
    return out;
}

class SelectionSetObject final : public Members {
public:
    explicit SelectionSetObject(host::SelectionSetPtr s) : s_(std::move(s)) {}
    // Select(Mode, Point1, Point2, FilterType, FilterData): the points omitted, the types 16-bit
    // integers, the data texts or 16-bit integers.
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>& named) override {
        if (!Is(m, u"Select")) return Unknown(m);
        const auto* types = args.size() == 5 ? args[3].As<std::vector<std::int16_t>>() : nullptr;
        const auto* data = args.size() == 5 ? args[4].As<std::vector<Value>>() : nullptr;
        if (!types || !data || !named.empty() || !args[0].Is<std::int16_t>() || !args[1].Is<Missing>() ||
            !args[2].Is<Missing>() || types->size() != data->size())
            return Mismatch(m);
        std::vector<host::Variant> filter;
        for (const Value& v : *data) {
            if (const auto* s = v.As<std::u16string>()) filter.emplace_back(Q(*s));
            else if (const auto* i = v.As<std::int16_t>()) filter.emplace_back(*i);
            else return Mismatch(m);
        }
        return Done(s_->Select(*args[0].As<std::int16_t>(), *types, filter));
    }
    Result<std::vector<Value>> Enumerate() override { return Entities(s_->Items()); }

private:
    host::SelectionSetPtr s_;
};

class SelectionSetsObject final : public Members {
public:
    explicit SelectionSetsObject(host::SelectionSetsPtr s) : s_(std::move(s)) {}
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (!Is(m, u"Add")) return Unknown(m);
        if (args.size() != 1 || !args[0].Is<std::u16string>()) return Mismatch(m);
        return Wrap<SelectionSetObject>(s_->Add(Q(*args[0].As<std::u16string>())));
    }

private:
    host::SelectionSetsPtr s_;
};

class BlockObject final : public Members {
public:
    explicit BlockObject(host::BlockPtr b) : b_(std::move(b)) {}
    Result<std::vector<Value>> Enumerate() override { return Entities(b_->Items()); }

private:
    host::BlockPtr b_;
};

// Blocks.Item(name): AutoCAD's collection of block definitions, of which the host reads one by name.
class BlocksObject final : public Members {
public:
    explicit BlocksObject(host::DocumentPtr d) : d_(std::move(d)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>& args) override {
        if (!Is(m, u"Item")) return Unknown(m);
        if (args.size() != 1 || !args[0].Is<std::u16string>()) return Mismatch(m);
        return Wrap<BlockObject>(d_->Blocks(Q(*args[0].As<std::u16string>())));
    }

private:
    host::DocumentPtr d_;
};

class DocumentObject final : public Members {
public:
    DocumentObject(ContextPtr c, host::DocumentPtr d) : c_(std::move(c)), d_(std::move(d)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override {
        if (Is(m, u"FullName")) return Give(d_->FullName());
        if (Is(m, u"Blocks")) return Value(ObjectPtr(std::make_shared<BlocksObject>(d_)));
        if (!Is(m, u"SelectionSets")) return Unknown(m);
        return Wrap<SelectionSetsObject>(d_->SelectionSets());
    }
    // Close([SaveChanges]) and SaveAs(FullFileName, SaveAsType).
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (Is(m, u"Close")) {
            if (args.size() > 1 || (args.size() == 1 && !args[0].Is<bool>())) return Mismatch(m);
            const bool save = args.empty() || *args[0].As<bool>();
            c_->record(u"Close(" + Shown(Value(save)) + u")");
            return Saved(d_->Close(save));
        }
        if (!Is(m, u"SaveAs")) return Unknown(m);
        if (args.size() != 2 || !args[0].Is<std::u16string>() || !args[1].Is<std::int16_t>()) return Mismatch(m);
        c_->record(u"SaveAs(" + Shown(args[0]) + u"," + Shown(args[1]) + u")");
        return Saved(d_->SaveAs(Q(*args[0].As<std::u16string>()), *args[1].As<std::int16_t>()));
    }

private:
    Result<Value> Saved(const host::Status& s) {
        if (const QString warning = d_->TakeWarning(); !warning.isEmpty()) c_->record(u"Warning: " + U16(warning));
        return Done(s);
    }
    ContextPtr c_;
    host::DocumentPtr d_;
};

class DocumentsObject final : public Members {
public:
    DocumentsObject(ContextPtr c, host::DocumentsPtr d) : c_(std::move(c)), d_(std::move(d)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>& args) override {
        if (Is(m, u"Count")) {
            auto n = d_->Count();
            if (!n) return FromHost(n.error());
            return Value(static_cast<std::int32_t>(*n));
        }
        if (!Is(m, u"Item")) return Unknown(m);
        std::optional<std::int16_t> index;
        if (args.size() == 1 && args[0].Is<std::int16_t>()) index = *args[0].As<std::int16_t>();
        if (args.size() == 1 && args[0].Is<std::int32_t>()) index = static_cast<std::int16_t>(*args[0].As<std::int32_t>());
        if (!index) return Mismatch(m);
        return Wrap<DocumentObject>(d_->Item(*index), c_);
    }
    // Open(Name [, ReadOnly] [, Password]), the optional ones by position or by name.
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>& named) override {
        if (!Is(m, u"Open")) return Unknown(m);
        if (args.empty() || args.size() > 3 || !args[0].Is<std::u16string>()) return Mismatch(m);
        std::vector<com::NamedArgument> given = named;
        if (args.size() > 1) given.push_back({u"ReadOnly", args[1]});
        if (args.size() > 2) given.push_back({u"Password", args[2]});
        std::u16string call = u"Open(" + *args[0].As<std::u16string>();
        std::optional<bool> readOnly;
        std::optional<QString> password;
        for (const com::NamedArgument& a : given) {
            if (Is(a.name, u"ReadOnly") && a.value.Is<bool>()) readOnly = *a.value.As<bool>();
            else if (Is(a.name, u"Password") && a.value.Is<std::u16string>()) password = Q(*a.value.As<std::u16string>());
            else return Mismatch(m);
            call += u"," + a.name + u"=" + Shown(a.value);
        }
        c_->record(call + u")");
        // AutoCAD runs in a process of its own, whose current folder is not the caller's.
        const QString path = Q(*args[0].As<std::u16string>());
        if (QDir::isRelativePath(QDir::fromNativeSeparators(path)))
            return Error{-2145320924, u"Error opening drawing: " + U16(path) + u" is not a full path"};
        return Wrap<DocumentObject>(d_->Open(path, readOnly, password), c_);
    }
    Result<std::vector<Value>> Enumerate() override {
        auto n = d_->Count();
        if (!n) return FromHost(n.error());
        std::vector<Value> out;
        for (std::int16_t i = 0; i < *n; ++i) {
            auto doc = d_->Item(i);
            if (!doc) return FromHost(doc.error());
            out.emplace_back(ObjectPtr(std::make_shared<DocumentObject>(c_, std::move(*doc))));
        }
        return out;
    }

private:
    ContextPtr c_;
    host::DocumentsPtr d_;
};

// Preferences, and its OpenSave and System groups: each setting a property of one group.
class PreferencesObject final : public Members {
public:
    PreferencesObject(ContextPtr c, host::PreferencesPtr p, std::u16string group = {})
        : c_(std::move(c)), p_(std::move(p)), group_(std::move(group)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override {
        if (group_.empty() && (Is(m, u"OpenSave") || Is(m, u"System")))
            return Value(ObjectPtr(std::make_shared<PreferencesObject>(c_, p_, Is(m, u"System") ? u"System" : u"OpenSave")));
        return Unknown(m);
    }
    Result<Value> Put(std::u16string_view m, const Value& v) override {
        host::Status set;
        if (group_ == u"OpenSave" && Is(m, u"XrefDemandLoad")) {
            if (!v.Is<std::int16_t>()) return Mismatch(m);  // an enumeration: a 16-bit integer
            set = p_->SetOpenSaveXrefDemandLoad(*v.As<std::int16_t>());
        } else if (group_ == u"System" && (Is(m, u"EnableStartupDialog") || Is(m, u"ShowWarningMessages"))) {
            if (!v.Is<bool>()) return Mismatch(m);
            set = Is(m, u"EnableStartupDialog") ? p_->SetSystemEnableStartupDialog(*v.As<bool>())
                                                : p_->SetSystemShowWarningMessages(*v.As<bool>());
        } else {
            return Unknown(m);
        }
        c_->record(group_ + u"." + std::u16string(m) + u"=" + Shown(v));
        return Done(set);
    }

private:
    ContextPtr c_;
    host::PreferencesPtr p_;
    std::u16string group_;
};

class ApplicationObject final : public Members {
public:
    explicit ApplicationObject(ContextPtr c) : c_(std::move(c)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override {
        if (Is(m, u"Documents")) {
            return Wrap<DocumentsObject>(c_->app->Documents(), c_);
        }
        if (!Is(m, u"Preferences")) return Unknown(m);
        return Wrap<PreferencesObject>(c_->app->Preferences(), c_);
    }
    Result<Value> Put(std::u16string_view m, const Value& v) override {
        host::Status set;
        if (Is(m, u"WindowState")) {
            if (!v.Is<std::int16_t>()) return Mismatch(m);
            set = c_->app->SetWindowState(*v.As<std::int16_t>());
        } else if (Is(m, u"Visible")) {
            if (!v.Is<bool>()) return Mismatch(m);
            set = c_->app->SetVisible(*v.As<bool>());
        } else {
            return Unknown(m);
        }
        c_->record(std::u16string(m) + u"=" + Shown(v));
        return Done(set);
    }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>&, const std::vector<com::NamedArgument>&) override {
        if (!Is(m, u"Quit")) return Unknown(m);
        c_->record(u"Quit");
        return Done(c_->app->Quit());
    }

private:
    ContextPtr c_;
};

}  // namespace

Result<ObjectPtr> MakeApplication(Record record) {
    auto app = qln::dxf::MakeDxfHost()->CreateInstance();
    if (!app) return FromHost(app.error());
    auto context = std::make_shared<Context>(Context{std::move(record), std::move(*app)});
    return ObjectPtr(std::make_shared<ApplicationObject>(std::move(context)));
}

}  // namespace acadfake
