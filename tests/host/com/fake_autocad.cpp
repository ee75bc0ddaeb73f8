#include "fake_autocad.h"

#include <algorithm>
#include <cwctype>

namespace fakeacad {

using com::Error;
using com::Missing;
using com::ObjectPtr;
using com::Result;
using com::Value;

namespace {

std::u16string Upper(std::u16string s) {
    for (char16_t& c : s) c = static_cast<char16_t>(std::towupper(c));
    return s;
}
bool Is(std::u16string_view member, std::u16string_view name) { return Upper(std::u16string(member)) == Upper(std::u16string(name)); }

Error Fail(long number, std::u16string text) { return {number, std::move(text)}; }
Error UnknownMember(std::u16string_view member) {
    return Fail(-2147352570, u"Unknown name: " + std::u16string(member));  // DISP_E_UNKNOWNNAME
}
Error Mismatch() { return Fail(kTypeMismatch, u"Type mismatch."); }

std::u16string Str(const Value& v) {
    if (const auto* s = v.As<std::u16string>()) return *s;
    if (const auto* b = v.As<bool>()) return *b ? u"true" : u"false";
    if (const auto* i = v.As<std::int16_t>()) { std::string n = std::to_string(*i); return {n.begin(), n.end()}; }
    if (const auto* i = v.As<std::int32_t>()) { std::string n = std::to_string(*i) + "L"; return {n.begin(), n.end()}; }
    return u"?";
}

// An object without members; each class below answers the members it has.
class Refuses : public com::Object {
public:
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override { return UnknownMember(m); }
    Result<Value> Put(std::u16string_view m, const Value&) override { return UnknownMember(m); }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>&, const std::vector<com::NamedArgument>&) override {
        return UnknownMember(m);
    }
    Result<std::vector<Value>> Enumerate() override { return UnknownMember(u"_NewEnum"); }
};

// A selection of entities enumerable over those not deleted, as a for-each over an AutoCAD collection.
Result<std::vector<Value>> Items(const std::vector<EntityPtr>& entities);

class EntityObject final : public Refuses {
public:
    explicit EntityObject(EntityPtr e) : e_(std::move(e)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>& args) override {
        if (e_->deleted) return Fail(kObjectErased, u"Object was erased");
        if (Is(m, u"ObjectName")) {
            if (e_->type == u"TEXT") return Value(u"AcDbText");
            if (e_->type == u"MTEXT") return Value(u"AcDbMText");
            if (e_->type == u"INSERT") return Value(u"AcDbBlockReference");
            if (e_->type == u"ATTRIB") return Value(u"AcDbAttribute");
            return Value(u"AcDbLine");
        }
        if (Is(m, u"Handle")) return Value(e_->handle);
        if (Is(m, u"Layer")) return Value(e_->layer);
        if (e_->type == u"INSERT") {
            if (Is(m, u"Name")) return Value(e_->block);
            if (Is(m, u"HasAttributes")) return Value(!e_->attributes.empty());
        } else if (e_->type == u"TEXT" || e_->type == u"MTEXT" || e_->type == u"ATTRIB") {
            if (e_->type == u"ATTRIB" && Is(m, u"TagString")) return Value(e_->tag);
            if (Is(m, u"TextString")) return Value(e_->text);
            if (Is(m, u"InsertionPoint")) return Value(e_->point);
            if (Is(m, u"Rotation")) return Value(e_->rotation);
        }
        return UnknownMember(m);
    }
    Result<Value> Put(std::u16string_view m, const Value& v) override {
        if (e_->deleted) return Fail(kObjectErased, u"Object was erased");
        if (!Is(m, u"TextString") || (e_->type != u"TEXT" && e_->type != u"MTEXT" && e_->type != u"ATTRIB"))
            return UnknownMember(m);
        const auto* s = v.As<std::u16string>();
        if (!s) return Mismatch();
        e_->text = *s;
        return Value();
    }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (e_->deleted) return Fail(kObjectErased, u"Object was erased");
        // GetAttributes gives a variant array of the reference's attribute references.
        if (e_->type == u"INSERT" && Is(m, u"GetAttributes")) {
            std::vector<Value> out;
            for (const EntityPtr& a : e_->attributes)
                if (!a->deleted) out.emplace_back(ObjectPtr(std::make_shared<EntityObject>(a)));
            return Value(std::move(out));
        }
        if (!Is(m, u"Delete")) return UnknownMember(m);
        e_->deleted = true;
        return Value();
    }

private:
    EntityPtr e_;
};

Result<std::vector<Value>> Items(const std::vector<EntityPtr>& entities) {
    std::vector<Value> out;
    for (const EntityPtr& e : entities)
        if (!e->deleted) out.emplace_back(ObjectPtr(std::make_shared<EntityObject>(e)));
    return out;
}

// Shared by the objects of one open document: closing it ends every call on them.
struct DocState {
    std::u16string path;
    Drawing* drawing = nullptr;
    bool readOnly = false;
    bool closed = false;
    std::vector<std::u16string> setNames;
};
using DocStatePtr = std::shared_ptr<DocState>;

Error Closed() { return Fail(-2147418113, u"The document was closed"); }  // E_UNEXPECTED

class SelectionSetObject final : public Refuses {
public:
    explicit SelectionSetObject(DocStatePtr d) : d_(std::move(d)) {}
    // Select(Mode, Point1, Point2, FilterType, FilterData), only mode 5 ("all").
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (d_->closed) return Closed();
        if (!Is(m, u"Select")) return UnknownMember(m);
        if (args.size() != 5 || !args[0].Is<std::int16_t>() || !args[1].Is<Missing>() || !args[2].Is<Missing>())
            return Mismatch();
        if (*args[0].As<std::int16_t>() != 5) return Fail(-2147024809, u"Invalid argument Mode");
        const auto* types = args[3].As<std::vector<std::int16_t>>();
        const auto* data = args[4].As<std::vector<Value>>();
        if (!types || !data || types->size() != data->size()) return Fail(-2147024809, u"Invalid argument FilterType");
        selected_.clear();
        for (const EntityPtr& e : d_->drawing->entities) {
            bool passes = !e->deleted;
            for (std::size_t i = 0; i < types->size() && passes; ++i) {
                const Value& v = (*data)[i];
                switch ((*types)[i]) {
                    case 0: passes = v.Is<std::u16string>() && Upper(*v.As<std::u16string>()) == e->type; break;
                    case 2: passes = v.Is<std::u16string>() && Upper(*v.As<std::u16string>()) == Upper(e->block); break;
                    case 67: passes = v.Is<std::int16_t>() && (*v.As<std::int16_t>() == 1) == e->paper; break;
                    default: return Fail(-2147024809, u"Invalid argument FilterType");
                }
            }
            if (passes) selected_.push_back(e);
        }
        return Value();
    }
    Result<std::vector<Value>> Enumerate() override {
        if (d_->closed) return Closed();
        return Items(selected_);
    }

private:
    DocStatePtr d_;
    std::vector<EntityPtr> selected_;
};

class SelectionSetsObject final : public Refuses {
public:
    explicit SelectionSetsObject(DocStatePtr d) : d_(std::move(d)) {}
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (d_->closed) return Closed();
        if (!Is(m, u"Add")) return UnknownMember(m);
        if (args.size() != 1 || !args[0].Is<std::u16string>()) return Mismatch();
        const std::u16string name = Upper(*args[0].As<std::u16string>());
        if (std::find(d_->setNames.begin(), d_->setNames.end(), name) != d_->setNames.end())
            return Fail(kDuplicateName, u"Duplicate record name");
        d_->setNames.push_back(name);
        return Value(ObjectPtr(std::make_shared<SelectionSetObject>(d_)));
    }

private:
    DocStatePtr d_;
};

class BlockObject final : public Refuses {
public:
    BlockObject(DocStatePtr d, std::vector<EntityPtr>* items) : d_(std::move(d)), items_(items) {}
    Result<std::vector<Value>> Enumerate() override {
        if (d_->closed) return Closed();
        return Items(*items_);
    }

private:
    DocStatePtr d_;
    std::vector<EntityPtr>* items_;
};

class BlocksObject final : public Refuses {
public:
    explicit BlocksObject(DocStatePtr d) : d_(std::move(d)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>& args) override {
        if (d_->closed) return Closed();
        if (!Is(m, u"Item")) return UnknownMember(m);
        if (args.size() != 1 || !args[0].Is<std::u16string>()) return Mismatch();
        for (auto& [name, items] : d_->drawing->blocks)
            if (Upper(name) == Upper(*args[0].As<std::u16string>()))
                return Value(ObjectPtr(std::make_shared<BlockObject>(d_, &items)));
        return Fail(kKeyNotFound, u"Key not found");
    }

private:
    DocStatePtr d_;
};

struct AppState {
    Server* server = nullptr;
    std::vector<DocStatePtr> open;
    bool quit = false;
    void Log(std::u16string call) { server->calls.push_back(std::move(call)); }
};
using AppStatePtr = std::shared_ptr<AppState>;

class DocumentObject final : public Refuses {
public:
    DocumentObject(AppStatePtr app, DocStatePtr d) : app_(std::move(app)), d_(std::move(d)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override {
        if (d_->closed) return Closed();
        if (Is(m, u"FullName")) return Value(d_->path);
        if (Is(m, u"SelectionSets")) return Value(ObjectPtr(std::make_shared<SelectionSetsObject>(d_)));
        if (Is(m, u"Blocks")) return Value(ObjectPtr(std::make_shared<BlocksObject>(d_)));
        return UnknownMember(m);
    }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (d_->closed) return Closed();
        if (Is(m, u"Close")) {
            if (args.size() > 1 || (args.size() == 1 && !args[0].Is<bool>())) return Mismatch();
            const bool save = args.empty() || *args[0].As<bool>();
            if (save) {
                if (d_->readOnly) return Fail(-2145386448, u"Drawing is read-only");
                d_->drawing->savedFormats.push_back(0);
            }
            Close();
            app_->Log(u"Close(" + Str(Value(save)) + u")");
            return Value();
        }
        if (Is(m, u"SaveAs")) {
            if (args.size() != 2 || !args[0].Is<std::u16string>() || !args[1].Is<std::int16_t>()) return Mismatch();
            if (d_->readOnly) return Fail(-2145386448, u"Drawing is read-only");
            if (*args[0].As<std::u16string>() != d_->path) return Fail(-2147024809, u"Another path");
            d_->drawing->savedFormats.push_back(*args[1].As<std::int16_t>());
            app_->Log(u"SaveAs(" + Str(args[0]) + u"," + Str(args[1]) + u")");
            return Value();
        }
        return UnknownMember(m);
    }

private:
    void Close() {
        d_->closed = true;
        auto& open = app_->open;
        open.erase(std::remove(open.begin(), open.end(), d_), open.end());
    }
    AppStatePtr app_;
    DocStatePtr d_;
};

class DocumentsObject final : public Refuses {
public:
    explicit DocumentsObject(AppStatePtr app) : app_(std::move(app)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>& args) override {
        if (Is(m, u"Count")) return Value(static_cast<std::int32_t>(app_->open.size()));
        if (Is(m, u"Item")) {
            if (args.size() != 1 || !args[0].Is<std::int16_t>()) return Mismatch();
            const std::int16_t i = *args[0].As<std::int16_t>();
            if (i < 0 || i >= static_cast<int>(app_->open.size())) return Fail(-2147024809, u"Invalid index");
            return Value(ObjectPtr(std::make_shared<DocumentObject>(app_, app_->open[i])));
        }
        return UnknownMember(m);
    }
    // Open(Name [, ReadOnly] [, Password]).
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>& named) override {
        if (!Is(m, u"Open")) return UnknownMember(m);
        if (args.size() != 1 || !args[0].Is<std::u16string>()) return Mismatch();
        std::u16string call = u"Open(" + *args[0].As<std::u16string>();
        bool readOnly = false;
        for (const com::NamedArgument& a : named) {
            if (Is(a.name, u"ReadOnly") && a.value.Is<bool>()) readOnly = *a.value.As<bool>();
            else if (!Is(a.name, u"Password") || !a.value.Is<std::u16string>()) return Mismatch();
            call += u"," + a.name + u"=" + Str(a.value);
        }
        app_->Log(call + u")");
        auto found = app_->server->drawings.find(*args[0].As<std::u16string>());
        if (found == app_->server->drawings.end()) return Fail(kOpenFailed, u"Error opening drawing");
        for (const DocStatePtr& d : app_->open)
            if (d->path == found->first) return Fail(kOpenFailed, u"The drawing is already open");
        ++found->second.opens;
        auto doc = std::make_shared<DocState>(DocState{found->first, &found->second, readOnly, false, {}});
        app_->open.push_back(doc);
        return Value(ObjectPtr(std::make_shared<DocumentObject>(app_, doc)));
    }
    Result<std::vector<Value>> Enumerate() override {
        std::vector<Value> out;
        for (const DocStatePtr& d : app_->open) out.emplace_back(ObjectPtr(std::make_shared<DocumentObject>(app_, d)));
        return out;
    }

private:
    AppStatePtr app_;
};

// Preferences.OpenSave and Preferences.System: properties that record what they are set to.
class SettingsObject final : public Refuses {
public:
    SettingsObject(AppStatePtr app, std::u16string group, std::vector<std::u16string> names)
        : app_(std::move(app)), group_(std::move(group)), names_(std::move(names)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>& args) override {
        if (Is(m, u"OpenSave") && group_.empty())
            return Value(ObjectPtr(std::make_shared<SettingsObject>(app_, u"OpenSave", std::vector<std::u16string>{u"XrefDemandLoad"})));
        if (Is(m, u"System") && group_.empty())
            return Value(ObjectPtr(std::make_shared<SettingsObject>(
                app_, u"System", std::vector<std::u16string>{u"EnableStartupDialog", u"ShowWarningMessages"})));
        return UnknownMember(m);
    }
    Result<Value> Put(std::u16string_view m, const Value& v) override {
        for (const std::u16string& name : names_) {
            if (!Is(m, name)) continue;
            // XrefDemandLoad is an enumeration (a 16-bit integer), the others are booleans.
            if (name == u"XrefDemandLoad" ? !v.Is<std::int16_t>() : !v.Is<bool>()) return Mismatch();
            app_->Log(group_ + u"." + name + u"=" + Str(v));
            return Value();
        }
        return UnknownMember(m);
    }

private:
    AppStatePtr app_;
    std::u16string group_;
    std::vector<std::u16string> names_;
};

class ApplicationObject final : public Refuses {
public:
    explicit ApplicationObject(AppStatePtr app) : app_(std::move(app)) {}
    Result<Value> Get(std::u16string_view m, const std::vector<Value>&) override {
        if (app_->quit) return Fail(-2147023174, u"The RPC server is unavailable.");
        if (Is(m, u"Documents")) return Value(ObjectPtr(std::make_shared<DocumentsObject>(app_)));
        if (Is(m, u"Preferences"))
            return Value(ObjectPtr(std::make_shared<SettingsObject>(app_, u"", std::vector<std::u16string>{})));
        return UnknownMember(m);
    }
    Result<Value> Put(std::u16string_view m, const Value& v) override {
        if (app_->quit) return Fail(-2147023174, u"The RPC server is unavailable.");
        if (Is(m, u"WindowState") ? !v.Is<std::int16_t>() : Is(m, u"Visible") ? !v.Is<bool>() : true)
            return Is(m, u"WindowState") || Is(m, u"Visible") ? Mismatch() : UnknownMember(m);
        app_->Log(std::u16string(m) + u"=" + Str(v));
        return Value();
    }
    Result<Value> Call(std::u16string_view m, const std::vector<Value>& args,
                       const std::vector<com::NamedArgument>&) override {
        if (app_->quit) return Fail(-2147023174, u"The RPC server is unavailable.");
        if (!Is(m, u"Quit")) return UnknownMember(m);
        app_->quit = true;
        app_->server->running = false;
        app_->Log(u"Quit");
        return Value();
    }

private:
    AppStatePtr app_;
};

}  // namespace

EntityPtr Drawing::Add(std::u16string type, std::u16string text, std::u16string handle, bool paper) {
    auto e = std::make_shared<Entity>();
    e->type = std::move(type);
    e->text = std::move(text);
    e->handle = std::move(handle);
    e->paper = paper;
    entities.push_back(e);
    return e;
}

EntityPtr Drawing::AddToBlock(const std::u16string& block, std::u16string type, std::u16string text,
                              std::u16string handle) {
    auto e = std::make_shared<Entity>();
    e->type = std::move(type);
    e->text = std::move(text);
    e->handle = std::move(handle);
    blocks[block].push_back(e);
    return e;
}

bool Server::IsRegistered(std::u16string_view progId) { return registered && progId == u"AutoCAD.Application"; }

Result<ObjectPtr> Server::Create(std::u16string_view progId) {
    if (!IsRegistered(progId)) return Fail(-2147221005, u"Invalid class string");  // CO_E_CLASSSTRING
    if (createFails) return Fail(-2147467259, u"Unspecified error");
    auto app = std::make_shared<AppState>();
    app->server = this;
    ++instances;
    running = true;
    return ObjectPtr(std::make_shared<ApplicationObject>(app));
}

Result<ObjectPtr> Server::GetActive(std::u16string_view progId) {
    if (!IsRegistered(progId)) return Fail(-2147221005, u"Invalid class string");
    if (!running) return ObjectPtr();  // none runs: not an error
    auto app = std::make_shared<AppState>();
    app->server = this;
    return ObjectPtr(std::make_shared<ApplicationObject>(app));
}

bool Server::Called(std::u16string_view call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

}  // namespace fakeacad
