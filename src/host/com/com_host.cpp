// The AutoCAD host: each host:: class holds the automation object it stands for and reaches its members
// by name, as AutoCAD's automation model names them. Values are converted at this one edge: strings as
// UTF-16, 16-bit integers where AutoCAD takes them, points as arrays of three doubles.

#include "host/com/com_host.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace qln::acad {

using com::ObjectPtr;
using com::Value;
using host::Result;
using host::Status;

namespace {

// A value of another type than the member gives (VB's "Type mismatch").
constexpr long kTypeMismatch = 13;

std::u16string U16(const QString& s) { return s.toStdU16String(); }

host::Error Mismatch(std::u16string_view member, const char* wanted) {
    return {kTypeMismatch, QStringLiteral("Type mismatch: ") + QString::fromStdU16String(std::u16string(member)) +
                               QStringLiteral(" did not give ") + QLatin1String(wanted)};
}

Status ToStatus(const com::Result<Value>& result) {
    if (!result) return ToHostError(result.error());
    return {};
}

// The conversions of a member's value to what the interface gives.
Result<QString> AsString(std::u16string_view member, const com::Result<Value>& result) {
    if (!result) return ToHostError(result.error());
    if (const auto* s = (*result).As<std::u16string>()) return QString::fromStdU16String(*s);
    if ((*result).IsEmpty()) return QString();
    return Mismatch(member, "a text");
}

std::optional<long long> AsInteger(const Value& v) {
    if (const auto* i = v.As<std::int16_t>()) return *i;
    if (const auto* i = v.As<std::int32_t>()) return *i;
    return std::nullopt;
}

Result<double> AsDouble(std::u16string_view member, const com::Result<Value>& result) {
    if (!result) return ToHostError(result.error());
    if (const auto* d = (*result).As<double>()) return *d;
    if (auto i = AsInteger(*result)) return static_cast<double>(*i);
    return Mismatch(member, "a number");
}

// An object the member gives; an empty one is "object not set", as a call on it would be.
Result<ObjectPtr> AsObject(std::u16string_view member, const com::Result<Value>& result) {
    if (!result) return ToHostError(result.error());
    if (ObjectPtr o = (*result).AsObject()) return o;
    if ((*result).IsEmpty()) return host::ObjectNotSet();
    return Mismatch(member, "an object");
}

Result<ObjectPtr> GetObject(com::Object& object, std::u16string_view member) {
    return AsObject(member, object.Get(member));
}

// ---- Entities ---------------------------------------------------------------------------------------

class ComEntity final : public host::Entity {
public:
    explicit ComEntity(ObjectPtr object) : o_(std::move(object)) {}

    Result<QString> ObjectName() override { return AsString(u"ObjectName", o_->Get(u"ObjectName")); }
    Result<QString> TextString() override { return AsString(u"TextString", o_->Get(u"TextString")); }
    Status SetTextString(const QString& text) override { return ToStatus(o_->Put(u"TextString", Value(U16(text)))); }
    Result<QString> Handle() override { return AsString(u"Handle", o_->Get(u"Handle")); }
    Result<QString> Layer() override { return AsString(u"Layer", o_->Get(u"Layer")); }
    Result<host::Point3> InsertionPoint() override {
        auto result = o_->Get(u"InsertionPoint");
        if (!result) return ToHostError(result.error());
        host::Point3 point{};
        if (const auto* a = (*result).As<std::vector<double>>(); a && a->size() == point.size()) {
            std::copy(a->begin(), a->end(), point.begin());
            return point;
        }
        // Some servers give the coordinates as variants holding doubles.
        if (const auto* a = (*result).As<std::vector<Value>>(); a && a->size() == point.size()) {
            for (std::size_t i = 0; i < point.size(); ++i) {
                auto c = AsDouble(u"InsertionPoint", (*a)[i]);
                if (!c) return c.error();
                point[i] = *c;
            }
            return point;
        }
        return Mismatch(u"InsertionPoint", "three coordinates");
    }
    Result<double> Rotation() override { return AsDouble(u"Rotation", o_->Get(u"Rotation")); }
    Status Delete() override { return ToStatus(o_->Call(u"Delete")); }
    Result<QString> Name() override { return AsString(u"Name", o_->Get(u"Name")); }
    // A block reference's attributes: HasAttributes, then GetAttributes, which gives an array of the
    // attribute references in the reference's order.
    Result<bool> HasAttributes() override {
        auto result = o_->Get(u"HasAttributes");
        if (!result) return ToHostError(result.error());
        if (const auto* b = (*result).As<bool>()) return *b;
        if (auto i = AsInteger(*result)) return *i != 0;
        return Mismatch(u"HasAttributes", "a truth value");
    }
    Result<std::vector<host::EntityPtr>> GetAttributes() override;
    Result<QString> TagString() override { return AsString(u"TagString", o_->Get(u"TagString")); }

private:
    ObjectPtr o_;
};

// The items of a for-each over a collection, each an entity.
Result<std::vector<host::EntityPtr>> Entities(com::Object& collection) {
    auto items = collection.Enumerate();
    if (!items) return ToHostError(items.error());
    std::vector<host::EntityPtr> out;
    out.reserve(items->size());
    for (const Value& item : *items) {
        ObjectPtr object = item.AsObject();
        if (!object) return Mismatch(u"_NewEnum", "objects");
        out.push_back(std::make_shared<ComEntity>(std::move(object)));
    }
    return out;
}

Result<std::vector<host::EntityPtr>> ComEntity::GetAttributes() {
    auto result = o_->Call(u"GetAttributes");
    if (!result) return ToHostError(result.error());
    std::vector<host::EntityPtr> out;
    if ((*result).IsEmpty()) return out;
    const auto* items = (*result).As<std::vector<Value>>();
    if (!items) return Mismatch(u"GetAttributes", "an array of attribute references");
    out.reserve(items->size());
    for (const Value& item : *items) {
        ObjectPtr object = item.AsObject();
        if (!object) return Mismatch(u"GetAttributes", "attribute references");
        out.push_back(std::make_shared<ComEntity>(std::move(object)));
    }
    return out;
}

// ---- Selection sets and blocks ----------------------------------------------------------------------

class ComSelectionSet final : public host::SelectionSet {
public:
    explicit ComSelectionSet(ObjectPtr object) : o_(std::move(object)) {}

    // Select(Mode, Point1, Point2, FilterType, FilterData): the points left out, the filter types an
    // array of 16-bit integers and the data an array of variants.
    Status Select(std::int16_t mode, const std::vector<std::int16_t>& filterType,
                  const std::vector<host::Variant>& filterData) override {
        std::vector<Value> data;
        data.reserve(filterData.size());
        for (const host::Variant& v : filterData) {
            if (const auto* s = std::get_if<QString>(&v)) data.emplace_back(U16(*s));
            else data.emplace_back(std::get<std::int16_t>(v));
        }
        return ToStatus(o_->Call(u"Select", {Value(mode), Value(com::Missing{}), Value(com::Missing{}),
                                            Value(filterType), Value(std::move(data))}));
    }
    Result<std::vector<host::EntityPtr>> Items() override { return Entities(*o_); }

private:
    ObjectPtr o_;
};

class ComSelectionSets final : public host::SelectionSets {
public:
    explicit ComSelectionSets(ObjectPtr object) : o_(std::move(object)) {}
    Result<host::SelectionSetPtr> Add(const QString& name) override {
        auto set = AsObject(u"Add", o_->Call(u"Add", {Value(U16(name))}));
        if (!set) return set.error();
        return host::SelectionSetPtr(std::make_shared<ComSelectionSet>(std::move(*set)));
    }

private:
    ObjectPtr o_;
};

class ComBlock final : public host::Block {
public:
    explicit ComBlock(ObjectPtr object) : o_(std::move(object)) {}
    Result<std::vector<host::EntityPtr>> Items() override { return Entities(*o_); }

private:
    ObjectPtr o_;
};

// ---- Documents ----------------------------------------------------------------------------------------

class ComDocument final : public host::Document {
public:
    explicit ComDocument(ObjectPtr object) : o_(std::move(object)) {}

    Status Close(bool saveChanges) override { return ToStatus(o_->Call(u"Close", {Value(saveChanges)})); }
    Status SaveAs(const QString& fullName, std::int16_t format) override {
        return ToStatus(o_->Call(u"SaveAs", {Value(U16(fullName)), Value(format)}));
    }
    Result<QString> FullName() override { return AsString(u"FullName", o_->Get(u"FullName")); }
    Result<host::SelectionSetsPtr> SelectionSets() override {
        auto sets = GetObject(*o_, u"SelectionSets");
        if (!sets) return sets.error();
        return host::SelectionSetsPtr(std::make_shared<ComSelectionSets>(std::move(*sets)));
    }
    // Blocks.Item(name): the definition of that name; an unknown name fails in the host.
    Result<host::BlockPtr> Blocks(const QString& name) override {
        auto blocks = GetObject(*o_, u"Blocks");
        if (!blocks) return blocks.error();
        auto block = AsObject(u"Item", (*blocks)->Get(u"Item", {Value(U16(name))}));
        if (!block) return block.error();
        return host::BlockPtr(std::make_shared<ComBlock>(std::move(*block)));
    }

private:
    ObjectPtr o_;
};

class ComDocuments final : public host::Documents {
public:
    explicit ComDocuments(ObjectPtr object) : o_(std::move(object)) {}

    // Open(Name [, ReadOnly] [, Password]) with the optional arguments passed by name. AutoCAD is a
    // program of its own, whose current folder is not this one's: the path goes in full, with the
    // system's own separators, as AutoCAD gives it back in FullName.
    Result<host::DocumentPtr> Open(const QString& path, std::optional<bool> readOnly,
                                   std::optional<QString> password) override {
        std::vector<com::NamedArgument> named;
        if (readOnly) named.push_back({u"ReadOnly", Value(*readOnly)});
        if (password) named.push_back({u"Password", Value(U16(*password))});
        const QString full = QDir::toNativeSeparators(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
        auto doc = AsObject(u"Open", o_->Call(u"Open", {Value(U16(full))}, named));
        if (!doc) return doc.error();
        return host::DocumentPtr(std::make_shared<ComDocument>(std::move(*doc)));
    }
    Result<std::int16_t> Count() override {
        auto count = o_->Get(u"Count");
        if (!count) return ToHostError(count.error());
        const auto n = AsInteger(*count);
        if (!n || *n < 0) return Mismatch(u"Count", "a count");
        // More documents than a 16-bit index reaches cannot be walked; the reachable ones are.
        return static_cast<std::int16_t>(std::min<long long>(*n, std::numeric_limits<std::int16_t>::max()));
    }
    Result<host::DocumentPtr> Item(std::int16_t index) override {
        auto doc = AsObject(u"Item", o_->Get(u"Item", {Value(index)}));
        if (!doc) return doc.error();
        return host::DocumentPtr(std::make_shared<ComDocument>(std::move(*doc)));
    }

private:
    ObjectPtr o_;
};

// ---- Application ------------------------------------------------------------------------------------

// Preferences.OpenSave and Preferences.System: each setting is one property of one of the two.
class ComPreferences final : public host::Preferences {
public:
    explicit ComPreferences(ObjectPtr object) : o_(std::move(object)) {}

    Status SetOpenSaveXrefDemandLoad(std::int16_t value) override {
        return Set(u"OpenSave", u"XrefDemandLoad", Value(value));
    }
    Status SetSystemEnableStartupDialog(bool value) override {
        return Set(u"System", u"EnableStartupDialog", Value(value));
    }
    Status SetSystemShowWarningMessages(bool value) override {
        return Set(u"System", u"ShowWarningMessages", Value(value));
    }

private:
    Status Set(std::u16string_view group, std::u16string_view setting, const Value& value) {
        auto g = GetObject(*o_, group);
        if (!g) return g.error();
        return ToStatus((*g)->Put(setting, value));
    }
    ObjectPtr o_;
};

class ComApplication final : public host::Application {
public:
    explicit ComApplication(ObjectPtr object) : o_(std::move(object)) {}

    Status SetWindowState(std::int16_t state) override { return ToStatus(o_->Put(u"WindowState", Value(state))); }
    Status SetVisible(bool visible) override { return ToStatus(o_->Put(u"Visible", Value(visible))); }
    Result<host::PreferencesPtr> Preferences() override {
        auto prefs = GetObject(*o_, u"Preferences");
        if (!prefs) return prefs.error();
        return host::PreferencesPtr(std::make_shared<ComPreferences>(std::move(*prefs)));
    }
    Result<host::DocumentsPtr> Documents() override {
        auto docs = GetObject(*o_, u"Documents");
        if (!docs) return docs.error();
        return host::DocumentsPtr(std::make_shared<ComDocuments>(std::move(*docs)));
    }
    Status Quit() override { return ToStatus(o_->Call(u"Quit")); }

private:
    ObjectPtr o_;
};

class AutoCadHostClass final : public host::ApplicationClass {
public:
    explicit AutoCadHostClass(std::shared_ptr<com::Server> server) : server_(std::move(server)) {}

    Result<host::ApplicationPtr> CreateInstance() override {
        if (!server_) return NoServer();
        auto app = server_->Create(kAutoCadProgId);
        if (!app) return ToHostError(app.error());
        if (!*app) return host::ObjectNotSet();
        return host::ApplicationPtr(std::make_shared<ComApplication>(std::move(*app)));
    }
    // A running AutoCAD, or none (an empty reference, not an error) when none runs.
    Result<host::ApplicationPtr> GetRunningInstance() override {
        if (!server_) return NoServer();
        auto app = server_->GetActive(kAutoCadProgId);
        if (!app) return ToHostError(app.error());
        if (!*app) return host::ApplicationPtr();
        return host::ApplicationPtr(std::make_shared<ComApplication>(std::move(*app)));
    }
    QString DrawingExtension() const override { return QStringLiteral(".dwg"); }
    QString StartStatus(host::StartStep step) const override {
        switch (step) {
            case host::StartStep::kStarting: return QStringLiteral("Starting AutoCAD...");
            case host::StartStep::kStarted: return QStringLiteral("AutoCAD instantiated");
            case host::StartStep::kCannotStart: break;
        }
        return QStringLiteral("Unable to start AutoCAD");
    }

private:
    // VB's "ActiveX component can't create object", which starting an unreachable class gives.
    static host::Error NoServer() { return {429, NoAutomationText()}; }
    std::shared_ptr<com::Server> server_;
};

}  // namespace

host::Error ToHostError(const com::Error& error) {
    return {error.number, QString::fromStdU16String(error.description)};
}

QString NoAutomationText() {
    return QStringLiteral("AutoCAD is reached only on Windows, through its automation interface "
                          "(AutoCAD.Application); this system has the DXF host only");
}

host::ApplicationClassPtr MakeAutoCadHost(std::shared_ptr<com::Server> server) {
    return std::make_shared<AutoCadHostClass>(std::move(server));
}

bool AutoCadRegistered(com::Server* server) { return server && server->IsRegistered(kAutoCadProgId); }

}  // namespace qln::acad
