#include "support/test_host.h"

#include <QDir>

#include <utility>

namespace testhost {

using host::Result;
using host::Status;

namespace {

QString Arg(const std::optional<bool>& b) { return b ? QString::number(*b ? 1 : 0) : QStringLiteral("-"); }

Error Deleted() { return {host::kObjectDeleted, QStringLiteral("Object was erased")}; }

}  // namespace

// ---- entities -----------------------------------------------------------------------------------------

std::optional<Error> TestEntity::Check(const char* member) {
    const QString m = QString::fromLatin1(member);
    if (host) {
        host->Log(m + u'[' + handle + u']');
        if (auto e = host->Take(m)) return e;
    }
    if (failing.contains(m)) return TestHost::DefaultError();
    if (deleted) return Deleted();
    return std::nullopt;
}

Result<QString> TestEntity::ObjectName() {
    if (auto e = Check("ObjectName")) return *e;
    if (type.compare(u"TEXT", Qt::CaseInsensitive) == 0) return QStringLiteral("AcDbText");
    if (type.compare(u"MTEXT", Qt::CaseInsensitive) == 0) return QStringLiteral("AcDbMText");
    if (type.compare(u"INSERT", Qt::CaseInsensitive) == 0) return QStringLiteral("AcDbBlockReference");
    if (type.compare(u"ATTDEF", Qt::CaseInsensitive) == 0) return QStringLiteral("AcDbAttributeDefinition");
    if (type.compare(u"ATTRIB", Qt::CaseInsensitive) == 0) return QStringLiteral("AcDbAttribute");
    return QStringLiteral("AcDb") + type.left(1).toUpper() + type.mid(1).toLower();
}

Result<QString> TestEntity::TextString() {
    if (auto e = Check("TextString")) return *e;
    return text;
}

Status TestEntity::SetTextString(const QString& value) {
    if (auto e = Check("SetTextString")) return *e;
    text = value;
    return {};
}

Result<QString> TestEntity::Handle() {
    if (auto e = Check("Handle")) return *e;
    return handle;
}

Result<QString> TestEntity::Layer() {
    if (auto e = Check("Layer")) return *e;
    return layer;
}

Result<Point3> TestEntity::InsertionPoint() {
    if (auto e = Check("InsertionPoint")) return *e;
    return point;
}

Result<double> TestEntity::Rotation() {
    if (auto e = Check("Rotation")) return *e;
    return rotation;
}

Status TestEntity::Delete() {
    if (auto e = Check("Delete")) return *e;
    deleted = true;
    return {};
}

Result<QString> TestEntity::Name() {
    if (auto e = Check("Name")) return *e;
    if (type.compare(u"INSERT", Qt::CaseInsensitive) != 0) return Error{host::kHostFailure, QStringLiteral("No Name")};
    return name;
}

Result<bool> TestEntity::HasAttributes() {
    if (auto e = Check("HasAttributes")) return *e;
    if (type.compare(u"INSERT", Qt::CaseInsensitive) != 0) return Error{host::kHostFailure, QStringLiteral("No HasAttributes")};
    for (const auto& a : attributes)
        if (!a->deleted) return true;
    return false;
}

Result<std::vector<host::EntityPtr>> TestEntity::GetAttributes() {
    if (auto e = Check("GetAttributes")) return *e;
    if (type.compare(u"INSERT", Qt::CaseInsensitive) != 0) return Error{host::kHostFailure, QStringLiteral("No GetAttributes")};
    std::vector<host::EntityPtr> out;
    for (const auto& a : attributes)
        if (!a->deleted) out.push_back(a);
    return out;
}

Result<QString> TestEntity::TagString() {
    if (auto e = Check("TagString")) return *e;
    if (type.compare(u"ATTRIB", Qt::CaseInsensitive) != 0) return Error{host::kHostFailure, QStringLiteral("No TagString")};
    return tag;
}

TestEntity& TestEntity::AddAttribute(const QString& attributeTag, const QString& value) {
    auto a = std::make_shared<TestEntity>();
    a->type = QStringLiteral("ATTRIB");
    a->tag = attributeTag;
    a->text = value;
    a->host = host;
    // Handles follow the reference's: "1A0" gets "1A0.1", "1A0.2", ...
    a->handle = handle + u'.' + QString::number(attributes.size() + 1);
    attributes.push_back(a);
    return *a;
}

TestEntityPtr MakeText(const QString& text, const QString& layer, bool mtext) {
    auto e = std::make_shared<TestEntity>();
    e->type = mtext ? QStringLiteral("MTEXT") : QStringLiteral("TEXT");
    e->text = text;
    e->layer = layer;
    return e;
}

// ---- drawings -----------------------------------------------------------------------------------------

TestEntity& TestDrawing::AddText(const QString& space, const QString& text, bool mtext) {
    auto e = MakeText(text, QStringLiteral("0"), mtext);
    e->paper = space.compare(u"PAPER", Qt::CaseInsensitive) == 0;
    e->handle = QString::number(nextHandle++, 16).toUpper();
    e->host = host;
    entities.push_back(e);
    return *e;
}

TestEntity& TestDrawing::AddInsert(const QString& block, bool paper) {
    auto e = std::make_shared<TestEntity>();
    e->type = QStringLiteral("INSERT");
    e->name = block;
    e->paper = paper;
    e->handle = QString::number(nextHandle++, 16).toUpper();
    e->host = host;
    entities.push_back(e);
    return *e;
}

std::vector<TestEntityPtr>& TestDrawing::AddBlock(const QString& name) { return blocks[name.toUpper()]; }

TestEntity& TestDrawing::AddToBlock(const QString& block, const QString& text, bool mtext) {
    auto e = MakeText(text, QStringLiteral("0"), mtext);
    e->handle = QString::number(nextHandle++, 16).toUpper();
    e->host = host;
    blocks[block.toUpper()].push_back(e);
    return *e;
}

// ---- host objects -------------------------------------------------------------------------------------

namespace {

class TestSelectionSet final : public host::SelectionSet {
public:
    TestSelectionSet(TestHost* host, TestDrawing* drawing, QString name)
        : host_(host), drawing_(drawing), name_(std::move(name)) {}

    Status Select(std::int16_t mode, const std::vector<std::int16_t>& types,
                  const std::vector<host::Variant>& data) override {
        QStringList filter;
        for (size_t i = 0; i < types.size() && i < data.size(); ++i) {
            const host::Variant& v = data[i];
            filter << QString::number(types[i]) + u'=' +
                          (std::holds_alternative<QString>(v) ? std::get<QString>(v)
                                                              : QString::number(std::get<std::int16_t>(v)));
        }
        host_->Log(QStringLiteral("Select(%1,%2,%3)").arg(name_).arg(mode).arg(filter.join(u';')));
        if (auto e = host_->Take(QStringLiteral("Select"))) return *e;
        if (types.size() != data.size()) return Error{host::kInvalidArgument, QStringLiteral("Invalid argument")};
        items_.clear();
        for (const TestEntityPtr& e : drawing_->entities) {
            if (!e) {
                items_.push_back(nullptr);
                continue;
            }
            if (e->deleted) continue;
            bool pass = true;
            for (size_t i = 0; i < types.size() && pass; ++i) {
                const host::Variant& v = data[i];
                switch (types[i]) {
                    case 0:
                        pass = std::holds_alternative<QString>(v) &&
                               e->type.compare(std::get<QString>(v), Qt::CaseInsensitive) == 0;
                        break;
                    case 67: {
                        const int want = std::holds_alternative<std::int16_t>(v) ? std::get<std::int16_t>(v)
                                                                                 : std::get<QString>(v).toInt();
                        pass = (e->paper ? 1 : 0) == want;
                        break;
                    }
                    case 2:
                        pass = std::holds_alternative<QString>(v) &&
                               e->name.compare(std::get<QString>(v), Qt::CaseInsensitive) == 0;
                        break;
                    default:
                        pass = false;
                }
            }
            if (pass) items_.push_back(e);
        }
        return {};
    }

    Result<std::vector<host::EntityPtr>> Items() override {
        host_->Log(QStringLiteral("Items(%1)").arg(name_));
        if (auto e = host_->Take(QStringLiteral("Items"))) return *e;
        std::vector<host::EntityPtr> out(items_.begin(), items_.end());
        return out;
    }

private:
    TestHost* host_;
    TestDrawing* drawing_;
    QString name_;
    std::vector<TestEntityPtr> items_;
};

class TestSelectionSets final : public host::SelectionSets {
public:
    TestSelectionSets(TestHost* host, TestDrawing* drawing, QStringList* names)
        : host_(host), drawing_(drawing), names_(names) {}
    Result<host::SelectionSetPtr> Add(const QString& name) override {
        host_->Log(QStringLiteral("SelectionSets.Add(%1)").arg(name));
        if (auto e = host_->Take(QStringLiteral("Add"))) return *e;
        if (names_->contains(name, Qt::CaseInsensitive))
            return Error{host::kAlreadyExists, QStringLiteral("Duplicate record name")};
        names_->append(name);
        return host::SelectionSetPtr(std::make_shared<TestSelectionSet>(host_, drawing_, name));
    }

private:
    TestHost* host_;
    TestDrawing* drawing_;
    QStringList* names_;
};

class TestBlock final : public host::Block {
public:
    TestBlock(TestHost* host, std::vector<TestEntityPtr>* entities, QString name)
        : host_(host), entities_(entities), name_(std::move(name)) {}
    Result<std::vector<host::EntityPtr>> Items() override {
        host_->Log(QStringLiteral("Block.Items(%1)").arg(name_));
        if (auto e = host_->Take(QStringLiteral("Block.Items"))) return *e;
        std::vector<host::EntityPtr> out;
        for (const TestEntityPtr& e : *entities_)
            if (!e->deleted) out.push_back(e);
        return out;
    }

private:
    TestHost* host_;
    std::vector<TestEntityPtr>* entities_;
    QString name_;
};

class TestDocument final : public host::Document {
public:
    TestDocument(TestHost* host, TestDrawing* drawing, QString path, bool readOnly)
        : host_(host), drawing_(drawing), path_(std::move(path)), readOnly_(readOnly) {}

    Status Close(bool saveChanges) override {
        host_->Log(QStringLiteral("Close(%1,%2)").arg(path_).arg(saveChanges ? 1 : 0));
        if (auto e = host_->Take(QStringLiteral("Close"))) return *e;
        if (saveChanges) {
            if (readOnly_) return Error{host::kReadOnlyDocument, QStringLiteral("Drawing is read-only")};
            drawing_->saves++;
        }
        Forget();
        return {};
    }

    Status SaveAs(const QString& fullName, std::int16_t format) override {
        host_->Log(QStringLiteral("SaveAs(%1,%2)").arg(fullName).arg(format));
        if (auto e = host_->Take(QStringLiteral("SaveAs"))) return *e;
        if (readOnly_) return Error{host::kReadOnlyDocument, QStringLiteral("Drawing is read-only")};
        drawing_->saves++;
        drawing_->savedFormat = format;
        warning_ = drawing_->saveAsWarning;
        return {};
    }

    QString TakeWarning() override { return std::exchange(warning_, QString()); }

    Result<QString> FullName() override {
        host_->Log(QStringLiteral("FullName"));
        if (auto e = host_->Take(QStringLiteral("FullName"))) return *e;
        return path_;
    }

    Result<host::SelectionSetsPtr> SelectionSets() override {
        if (auto e = host_->Take(QStringLiteral("SelectionSets"))) return *e;
        return host::SelectionSetsPtr(std::make_shared<TestSelectionSets>(host_, drawing_, &setNames_));
    }

    Result<host::BlockPtr> Blocks(const QString& name) override {
        host_->Log(QStringLiteral("Blocks(%1)").arg(name));
        if (auto e = host_->Take(QStringLiteral("Blocks"))) return *e;
        auto it = drawing_->blocks.find(name.toUpper());
        if (it == drawing_->blocks.end()) return Error{host::kKeyNotFound, QStringLiteral("Key not found")};
        return host::BlockPtr(std::make_shared<TestBlock>(host_, &it.value(), name));
    }

private:
    void Forget() {
        auto& open = host_->open;
        for (auto it = open.begin(); it != open.end(); ++it) {
            if (it->document.get() == this) {
                open.erase(it);
                return;
            }
        }
    }

    TestHost* host_;
    TestDrawing* drawing_;
    QString path_;
    bool readOnly_;
    QStringList setNames_;
    QString warning_;
};

class TestDocuments final : public host::Documents {
public:
    explicit TestDocuments(TestHost* host) : host_(host) {}

    Result<host::DocumentPtr> Open(const QString& path, std::optional<bool> readOnly,
                                   std::optional<QString> password) override {
        host_->Log(QStringLiteral("Open(%1,ReadOnly=%2,Password=%3)")
                       .arg(path, Arg(readOnly), password ? *password : QStringLiteral("-")));
        if (auto e = host_->Take(QStringLiteral("Open"))) return *e;
        TestDrawing* drawing = host_->Drawing(path);
        if (!drawing) return Error{host::kFileNotFound, QStringLiteral("Error opening ") + path};
        for (const auto& o : host_->open)
            if (o.path == path) return Error{host::kHostFailure, QStringLiteral("Drawing is already open")};
        auto doc = std::make_shared<TestDocument>(host_, drawing, path, readOnly.value_or(false));
        host_->open.push_back({path, readOnly.value_or(false), doc});
        return host::DocumentPtr(doc);
    }

    Result<std::int16_t> Count() override {
        host_->Log(QStringLiteral("Count"));
        if (auto e = host_->Take(QStringLiteral("Count"))) return *e;
        return static_cast<std::int16_t>(host_->open.size());
    }

    Result<host::DocumentPtr> Item(std::int16_t index) override {
        if (auto e = host_->Take(QStringLiteral("Item"))) return *e;
        if (index < 0 || index >= static_cast<int>(host_->open.size()))
            return Error{host::kKeyNotFound, QStringLiteral("Invalid index")};
        return host_->open[static_cast<size_t>(index)].document;
    }

private:
    TestHost* host_;
};

class TestPreferences final : public host::Preferences {
public:
    explicit TestPreferences(TestHost* host) : host_(host) {}
    Status SetOpenSaveXrefDemandLoad(std::int16_t v) override { return Set("XrefDemandLoad", v); }
    Status SetSystemEnableStartupDialog(bool v) override { return Set("EnableStartupDialog", v); }
    Status SetSystemShowWarningMessages(bool v) override { return Set("ShowWarningMessages", v); }

private:
    Status Set(const char* what, int v) {
        const QString m = QString::fromLatin1(what);
        host_->Log(m + u'=' + QString::number(v));
        if (auto e = host_->Take(m)) return *e;
        return {};
    }
    TestHost* host_;
};

class TestApplication final : public host::Application {
public:
    explicit TestApplication(TestHost* host) : host_(host) {}
    Status SetWindowState(std::int16_t state) override {
        host_->Log(QStringLiteral("WindowState=%1").arg(state));
        if (auto e = host_->Take(QStringLiteral("WindowState"))) return *e;
        return {};
    }
    Status SetVisible(bool visible) override {
        host_->Log(QStringLiteral("Visible=%1").arg(visible ? 1 : 0));
        if (auto e = host_->Take(QStringLiteral("Visible"))) return *e;
        return {};
    }
    Result<host::PreferencesPtr> Preferences() override {
        if (auto e = host_->Take(QStringLiteral("Preferences"))) return *e;
        return host::PreferencesPtr(std::make_shared<TestPreferences>(host_));
    }
    Result<host::DocumentsPtr> Documents() override {
        if (auto e = host_->Take(QStringLiteral("Documents"))) return *e;
        return host::DocumentsPtr(std::make_shared<TestDocuments>(host_));
    }
    Status Quit() override {
        host_->Log(QStringLiteral("Quit"));
        if (auto e = host_->Take(QStringLiteral("Quit"))) return *e;
        host_->running = false;
        return {};
    }

private:
    TestHost* host_;
};

}  // namespace

// ---- the host -----------------------------------------------------------------------------------------

// A CAD host on Windows reaches a drawing by either separator.
TestDrawing& TestHost::AddDrawing(const QString& path) {
    TestDrawing& d = drawings[QDir::fromNativeSeparators(path)];
    d.path = path;
    d.host = this;
    return d;
}

TestDrawing* TestHost::Drawing(const QString& path) {
    auto it = drawings.find(QDir::fromNativeSeparators(path));
    return it == drawings.end() ? nullptr : &it->second;
}

void TestHost::FailNext(const QString& member, int times, Error error) {
    failNext_[member] += times;
    failError_[member] = std::move(error);
}

void TestHost::FailAlways(const QString& member, Error error) {
    failAlways_[member] = true;
    failError_[member] = std::move(error);
}

std::optional<Error> TestHost::Take(const QString& member) {
    if (failAlways_.value(member)) return failError_.value(member);
    auto it = failNext_.find(member);
    if (it != failNext_.end() && it.value() > 0) {
        --it.value();
        return failError_.value(member);
    }
    return std::nullopt;
}

QStringList TestHost::CallsTo(const QString& member) const {
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(member)) out << c;
    return out;
}

host::Result<host::ApplicationPtr> TestHost::CreateInstance() {
    Log(QStringLiteral("CreateInstance"));
    if (auto e = Take(QStringLiteral("CreateInstance"))) return *e;
    ++instances;
    running = true;
    application_ = std::make_shared<TestApplication>(this);
    return application_;
}

host::Result<host::ApplicationPtr> TestHost::GetRunningInstance() {
    Log(QStringLiteral("GetRunningInstance"));
    if (auto e = Take(QStringLiteral("GetRunningInstance"))) return *e;
    if (!runningInstanceAvailable || !running || !application_)
        return Error{429, QStringLiteral("ActiveX component can't create object")};
    return application_;
}

}  // namespace testhost
