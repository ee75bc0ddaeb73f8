#include "host/dxf/dxf_host.h"

#include "host/dxf/dxf_drawing.h"
#include "host/file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

namespace qln::dxf {

using host::Error;
using host::Result;
using host::Status;

QString LockFileFor(const QString& drawingPath) {
    const QFileInfo fi(drawingPath);
    return fi.absoluteDir().filePath(QStringLiteral(".") + fi.fileName() + QStringLiteral(".qln-lock"));
}

QString BackupFileFor(const QString& drawingPath) {
    return QFileInfo(drawingPath).absoluteFilePath() + QStringLiteral(".bak");
}

bool IsDxfSideFile(const QString& fileName) {
    // NAME.dxf.bak, and the hidden .NAME.qln-lock, .NAME.qln-new, .NAME.qln-bak.
    return fileName.endsWith(QStringLiteral(".dxf.bak"), Qt::CaseInsensitive) ||
           (fileName.startsWith(u'.') && (fileName.endsWith(QStringLiteral(".qln-lock")) ||
                                          fileName.endsWith(QStringLiteral(".qln-new")) ||
                                          fileName.endsWith(QStringLiteral(".qln-bak"))));
}

QString VersionForSaveFormat(std::int16_t format) {
    switch (format) {
        case host::kR13: return QStringLiteral("AC1012");
        case host::kR14: return QStringLiteral("AC1014");
        case host::k2000: return QStringLiteral("AC1015");
        case host::k2004: return QStringLiteral("AC1018");
        case host::k2007: return QStringLiteral("AC1021");
        default: return {};
    }
}

namespace {

QString ReleaseName(const QString& version) {
    static const struct {
        const char* version;
        const char* release;
    } names[] = {{"AC1006", "Release 10"}, {"AC1009", "Release 12"}, {"AC1012", "Release 13"}, {"AC1014", "Release 14"},
                 {"AC1015", "AutoCAD 2000"}, {"AC1018", "AutoCAD 2004"}, {"AC1021", "AutoCAD 2007"},
                 {"AC1024", "AutoCAD 2010"}, {"AC1027", "AutoCAD 2013"}, {"AC1032", "AutoCAD 2018"}};
    for (const auto& n : names)
        if (version == QLatin1String(n.version)) return version + QStringLiteral(" (") + QLatin1String(n.release) + u')';
    return version;
}

// The file a path reaches (through symbolic links), or the absolute path of one that does not exist yet:
// locks and backups belong to the file, whatever path reached it. Worked out once per opening.
QString RealPath(const QFileInfo& fi) {
    const QString real = fi.canonicalFilePath();
    return real.isEmpty() ? fi.absoluteFilePath() : real;
}

Error Closed() { return {host::kHostFailure, QStringLiteral("The drawing has been closed")}; }
Error Erased() { return {host::kObjectDeleted, QStringLiteral("Object was erased")}; }
Error Quitted() { return {host::kHostFailure, QStringLiteral("The DXF host has quit")}; }

struct AppState;

// One open drawing; entities, selection sets and blocks keep it alive and see when it closes.
struct DocState {
    QString path;                   // absolute, as opened
    QString real;                   // the file it reaches: lock, temporary file and backup go beside it
    platform::FileIdentity id;      // for "already open", whatever name reached it
    platform::FileStatus status;    // as opened: owner, group and permissions a save keeps
    bool readOnly = false;
    bool closed = false;
    std::unique_ptr<Drawing> drawing;
    fileio::LockedFile lock;        // read-write documents only
    QStringList selectionSets;
    QString warning;
};
using DocStatePtr = std::shared_ptr<DocState>;

// ---- entities --------------------------------------------------------------------------------------------

class DxfEntity final : public host::Entity {
public:
    DxfEntity(DocStatePtr doc, std::uint32_t index) : doc_(std::move(doc)), e_(index) {}

    Result<QString> ObjectName() override {
        if (auto err = Check()) return *err;
        return d().ObjectName(e_);
    }
    Result<QString> TextString() override {
        if (auto err = Check()) return *err;
        return d().TextString(e_);
    }
    Status SetTextString(const QString& text) override {
        if (auto err = Check()) return *err;
        return d().SetTextString(e_, text);
    }
    Result<QString> Handle() override {
        if (auto err = Check()) return *err;
        return d().Handle(e_);
    }
    Result<QString> Layer() override {
        if (auto err = Check()) return *err;
        return d().Layer(e_);
    }
    Result<host::Point3> InsertionPoint() override {
        if (auto err = Check()) return *err;
        return d().InsertionPoint(e_);
    }
    Result<double> Rotation() override {
        if (auto err = Check()) return *err;
        return d().Rotation(e_);
    }
    Status Delete() override {
        if (auto err = Check()) return *err;
        return d().Delete(e_);
    }
    Result<QString> Name() override {
        if (auto err = Check()) return *err;
        return d().Name(e_);
    }
    Result<bool> HasAttributes() override {
        if (auto err = Check()) return *err;
        auto attributes = d().Attributes(e_);
        if (!attributes) return attributes.error();
        return !attributes->empty();
    }
    Result<std::vector<host::EntityPtr>> GetAttributes() override;
    Result<QString> TagString() override {
        if (auto err = Check()) return *err;
        return d().TagString(e_);
    }

private:
    std::optional<Error> Check() const {
        if (doc_->closed) return Closed();
        if (d().IsDeleted(e_)) return Erased();
        return std::nullopt;
    }
    Drawing& d() const { return *doc_->drawing; }

    DocStatePtr doc_;
    std::uint32_t e_;
};

std::vector<host::EntityPtr> MakeEntities(const DocStatePtr& doc, const std::vector<std::uint32_t>& indexes) {
    std::vector<host::EntityPtr> out;
    out.reserve(indexes.size());
    for (std::uint32_t e : indexes)
        if (!doc->drawing->IsDeleted(e)) out.push_back(std::make_shared<DxfEntity>(doc, e));
    return out;
}

Result<std::vector<host::EntityPtr>> DxfEntity::GetAttributes() {
    if (auto err = Check()) return *err;
    auto attributes = d().Attributes(e_);
    if (!attributes) return attributes.error();
    return MakeEntities(doc_, *attributes);
}

// ---- selection sets --------------------------------------------------------------------------------------

// One entry of a selection filter, made ready once for every entity it is tried on. A text value may list
// several names separated by commas ("TEXT,MTEXT"); names are compared ignoring case.
struct FilterEntry {
    std::int16_t code = 0;
    bool isText = false;
    QStringList names;
    std::vector<QByteArray> types;  // code 0: the names as bytes, upper case
    std::optional<long> number;

    FilterEntry(std::int16_t c, const host::Variant& value) : code(c) {
        if (const auto* n = std::get_if<std::int16_t>(&value)) {
            number = *n;
            return;
        }
        const QString& text = std::get<QString>(value);
        isText = true;
        for (const QString& item : text.split(u',')) {
            names << item.trimmed();
            types.push_back(item.trimmed().toLatin1().toUpper());
        }
        bool ok = false;
        const long v = text.trimmed().toLong(&ok);
        if (ok) number = v;
    }

    bool Named(const QString& value) const {
        for (const QString& n : names)
            if (value.compare(n, Qt::CaseInsensitive) == 0) return true;
        return false;
    }

    bool Passes(const Drawing& d, std::uint32_t e) const {
        switch (code) {
            case 0: {
                if (!isText) return false;
                const QByteArrayView type = d.Type(e);
                for (const QByteArray& t : types)
                    if (t.size() == type.size() && qstrnicmp(t.constData(), type.data(), t.size()) == 0) return true;
                return false;
            }
            case 67: return number && *number == (d.Entity(e).space == Space::Paper ? 1 : 0);
            case 8: return isText && Named(d.Layer(e));
            default:
                if (!d.HasValue(e, code)) return false;
                if (isText) return Named(d.Value(e, code).trimmed());
                return number && d.Value(e, code).trimmed().toLong() == *number;
        }
    }
};

class DxfSelectionSet final : public host::SelectionSet {
public:
    explicit DxfSelectionSet(DocStatePtr doc) : doc_(std::move(doc)) {}

    Status Select(std::int16_t mode, const std::vector<std::int16_t>& types,
                  const std::vector<host::Variant>& data) override {
        if (doc_->closed) return Closed();
        if (mode != host::kSelectAll)
            return Error{host::kInvalidArgument, QStringLiteral("Selection mode %1 is not supported: the DXF host selects all (5) only").arg(mode)};
        if (types.size() != data.size())
            return Error{host::kInvalidArgument, QStringLiteral("The filter has %1 group codes but %2 values").arg(types.size()).arg(data.size())};
        const Drawing& d = *doc_->drawing;
        std::vector<FilterEntry> filter;
        for (size_t i = 0; i < types.size(); ++i) filter.emplace_back(types[i], data[i]);
        std::vector<std::uint32_t> selected;
        for (std::uint32_t e = 0; e < d.EntityCount(); ++e) {
            if (d.Entity(e).space == Space::None || d.IsDeleted(e)) continue;
            bool pass = true;
            for (size_t i = 0; i < filter.size() && pass; ++i) pass = filter[i].Passes(d, e);
            if (pass) selected.push_back(e);
        }
        // Selecting again adds to the set, as the CAD host does (both lists are in file order).
        std::vector<std::uint32_t> merged;
        merged.reserve(items_.size() + selected.size());
        std::set_union(items_.begin(), items_.end(), selected.begin(), selected.end(), std::back_inserter(merged));
        items_ = std::move(merged);
        return {};
    }

    Result<std::vector<host::EntityPtr>> Items() override {
        if (doc_->closed) return Closed();
        return MakeEntities(doc_, items_);
    }

private:
    DocStatePtr doc_;
    std::vector<std::uint32_t> items_;
};

class DxfSelectionSets final : public host::SelectionSets {
public:
    explicit DxfSelectionSets(DocStatePtr doc) : doc_(std::move(doc)) {}
    Result<host::SelectionSetPtr> Add(const QString& name) override {
        if (doc_->closed) return Closed();
        if (doc_->selectionSets.contains(name, Qt::CaseInsensitive))
            return Error{host::kAlreadyExists, QStringLiteral("Duplicate record name")};
        doc_->selectionSets.append(name);
        return host::SelectionSetPtr(std::make_shared<DxfSelectionSet>(doc_));
    }

private:
    DocStatePtr doc_;
};

// ---- block definitions -----------------------------------------------------------------------------------

class DxfBlock final : public host::Block {
public:
    DxfBlock(DocStatePtr doc, std::vector<std::uint32_t> entities) : doc_(std::move(doc)), entities_(std::move(entities)) {}
    Result<std::vector<host::EntityPtr>> Items() override {
        if (doc_->closed) return Closed();
        return MakeEntities(doc_, entities_);
    }

private:
    DocStatePtr doc_;
    std::vector<std::uint32_t> entities_;
};

// ---- documents -------------------------------------------------------------------------------------------

struct AppState {
    std::vector<std::shared_ptr<class DxfDocument>> documents;
    fileio::FolderSyncs folderSyncs;  // folders of saved drawings, synced at quit
    bool quit = false;
    void Forget(const DxfDocument* doc);
};

// Save `drawing` over `target` (its real path), keeping the previous file as its backup; `previous` is
// the file replaced (none for a new one), `like` the file whose owner and permissions a new one takes.
// The new file is handed to `lock` and stays locked.
Status WriteDrawing(const Drawing& drawing, const QString& target, const platform::FileStatus* previous,
                    const platform::FileStatus& like, fileio::LockedFile& lock, AppState* app, QString& warning) {
    fileio::SaveRequest request;
    request.target = target;
    request.backup = previous ? BackupFileFor(target) : QString();
    request.previous = previous;
    request.like = &like;
    request.keepLocked = true;
    if (previous) request.lockedTarget = &lock;
    auto saved = fileio::SaveReplacing(request, [&](QIODevice& out) { return drawing.Write(out); });
    if (!saved)
        return Error{saved.error().number, QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(target), saved.error().description)};
    lock.Adopt(std::move(saved->locked), saved->status, LockFileFor(target));
    if (app) app->folderSyncs.Note(QFileInfo(target).path());
    if (!saved->warnings.isEmpty()) {
        if (!warning.isEmpty()) warning += u' ';
        warning += saved->warnings.join(u' ');
    }
    return {};
}

class DxfDocument final : public host::Document {
public:
    DxfDocument(std::shared_ptr<AppState> app, DocStatePtr doc) : app_(std::move(app)), doc_(std::move(doc)) {}

    const DocState& State() const { return *doc_; }

    Status Close(bool saveChanges) override {
        if (doc_->closed) return Closed();
        if (saveChanges) {
            if (auto s = Save(doc_->path, std::nullopt); !s) return s;
        }
        Release();
        return {};
    }

    Status SaveAs(const QString& fullName, std::int16_t format) override {
        if (doc_->closed) return Closed();
        return Save(QFileInfo(fullName).absoluteFilePath(), format);
    }

    Result<QString> FullName() override {
        if (doc_->closed) return Closed();
        return QDir::toNativeSeparators(doc_->path);
    }

    Result<host::SelectionSetsPtr> SelectionSets() override {
        if (doc_->closed) return Closed();
        return host::SelectionSetsPtr(std::make_shared<DxfSelectionSets>(doc_));
    }

    Result<host::BlockPtr> Blocks(const QString& name) override {
        if (doc_->closed) return Closed();
        const Drawing& d = *doc_->drawing;
        const int b = d.FindBlock(name.trimmed());
        std::vector<std::uint32_t> entities;
        if (name.trimmed().compare(u"*Model_Space", Qt::CaseInsensitive) == 0) {
            entities = d.SpaceEntities(Space::Model);
        } else if (name.trimmed().compare(u"*Paper_Space", Qt::CaseInsensitive) == 0) {
            // The active layout: paper-space entities of the ENTITIES section and its block definition.
            for (std::uint32_t e : d.SpaceEntities(Space::Paper))
                if (d.Entity(e).block < 0 || d.Entity(e).block == b) entities.push_back(e);
        } else if (b < 0) {
            return Error{host::kKeyNotFound, QStringLiteral("Key not found")};
        } else if (!(d.Block(b).flags & (4 | 8))) {  // an external reference has no entities here
            for (std::uint32_t e = d.Block(b).firstEntity; e < d.Block(b).endEntity; ++e) entities.push_back(e);
        }
        return host::BlockPtr(std::make_shared<DxfBlock>(doc_, std::move(entities)));
    }

    QString TakeWarning() override { return std::exchange(doc_->warning, QString()); }

    // Close without saving: the lock goes, and everything reached through the document fails from now on.
    void Release() {
        doc_->closed = true;
        doc_->lock.Release();
        doc_->drawing.reset();
        if (auto app = app_.lock()) app->Forget(this);
    }

private:
    // Save to `path` in the drawing's own version. `format` is the version asked for, if any.
    Status Save(const QString& path, std::optional<std::int16_t> format) {
        Drawing& d = *doc_->drawing;
        const QString shown = QDir::toNativeSeparators(doc_->path);
        if (doc_->readOnly)
            return Error{host::kReadOnlyDocument, QStringLiteral("%1 was opened read-only and cannot be saved").arg(shown)};
        QString warning;
        if (format) {
            const QString asked = VersionForSaveFormat(*format);
            if (asked.isEmpty()) {
                warning = QStringLiteral("%1 was saved in its own version %2: the save format code %3 names no DXF version.")
                              .arg(shown, ReleaseName(d.Version())).arg(*format);
            } else if (asked != d.Version()) {
                warning = QStringLiteral("%1 was saved in its own version %2, not in %3 as asked: the DXF host cannot convert drawings between DXF versions.")
                              .arg(shown, ReleaseName(d.Version()), ReleaseName(asked));
            }
        }
        const bool samePath = path == doc_->path || RealPath(QFileInfo(path)) == doc_->real;
        auto app = app_.lock();
        if (samePath) {
            if (d.IsDirty()) {
                const platform::FileStatus previous = doc_->lock.Status();
                if (auto s = WriteDrawing(d, doc_->real, &previous, previous, doc_->lock, app.get(), warning); !s) return s;
                doc_->id = doc_->lock.Status().id;
                d.MarkSaved();
            }
        } else {
            // Saved under another name: the document goes on as that file, locked in its place. A file
            // there is locked (and must be a drawing's: regular, not write-protected) before it is replaced.
            const QString target = RealPath(QFileInfo(path));
            const QString shownTarget = QDir::toNativeSeparators(path);
            platform::FileStatus there;
            platform::StatPath(target, there);
            fileio::LockedFile lock;
            if (there.kind != platform::FileKind::Missing) {
                auto locked = fileio::LockedFile::Open(target, LockFileFor(target), -1);
                if (!locked) return Error{locked.error().number, QStringLiteral("Cannot save %1: %2").arg(shownTarget, locked.error().description)};
                lock = std::move(locked.value());
            }
            const platform::FileStatus previous = lock.Status();
            if (auto s = WriteDrawing(d, target, there.kind == platform::FileKind::Missing ? nullptr : &previous,
                                      doc_->lock.Status(), lock, app.get(), warning);
                !s)
                return s;
            d.MarkSaved();
            doc_->lock = std::move(lock);
            doc_->path = path;
            doc_->real = target;
            doc_->id = doc_->lock.Status().id;
        }
        if (!warning.isEmpty()) doc_->warning = warning;
        return {};
    }

    std::weak_ptr<AppState> app_;
    DocStatePtr doc_;
};

void AppState::Forget(const DxfDocument* doc) {
    for (auto it = documents.begin(); it != documents.end(); ++it) {
        if (it->get() == doc) {
            documents.erase(it);
            return;
        }
    }
}

class DxfDocuments final : public host::Documents {
public:
    explicit DxfDocuments(std::shared_ptr<AppState> app) : app_(std::move(app)) {}

    Result<host::DocumentPtr> Open(const QString& path, std::optional<bool> readOnly,
                                   std::optional<QString> /*password: DXF drawings have none*/) override {
        if (app_->quit) return Quitted();
        const QString shown = QDir::toNativeSeparators(path);
        if (path.isEmpty()) return Error{host::kFileNotFound, QStringLiteral("No drawing was named")};
        const QFileInfo fi(path);
        auto doc = std::make_shared<DocState>();
        doc->path = fi.absoluteFilePath();
        doc->real = RealPath(fi);
        doc->readOnly = readOnly.value_or(false);
        const std::int64_t limit = fileio::Limits().drawing;
        // Nothing but a regular file of a bounded size is opened (not a FIFO, a device, a folder), and
        // nothing is made beside anything else.
        auto checked = fileio::CheckReadable(doc->real, limit);
        if (!checked) return Error{checked.error().number, QStringLiteral("Cannot open %1: %2").arg(shown, checked.error().description)};
        for (const auto& open : app_->documents) {
            if (open->State().id == checked->id)
                return Error{host::kHostFailure, QStringLiteral("Cannot open %1: the drawing is already open").arg(shown)};
        }
        QByteArray bytes;
        if (doc->readOnly) {
            auto read = fileio::ReadWhole(doc->real, limit, &doc->status);
            if (!read) return Error{read.error().number, QStringLiteral("Cannot open %1: %2").arg(shown, read.error().description)};
            bytes = std::move(read.value());
        } else {
            auto locked = fileio::LockedFile::Open(doc->real, LockFileFor(doc->real), limit);
            if (!locked) {
                return Error{locked.error().number,
                             QStringLiteral("Cannot open %1 for writing: %2").arg(shown, locked.error().description)};
            }
            doc->lock = std::move(locked.value());
            doc->status = doc->lock.Status();
            bytes = doc->lock.TakeBytes();
        }
        doc->id = doc->status.id;
        auto drawing = Drawing::Load(std::move(bytes));
        if (!drawing) {
            return Error{drawing.error().number,
                         QStringLiteral("Cannot open %1: %2").arg(shown, drawing.error().description)};
        }
        doc->drawing = std::move(drawing.value());
        auto document = std::make_shared<DxfDocument>(app_, doc);
        app_->documents.push_back(document);
        return host::DocumentPtr(document);
    }

    Result<std::int16_t> Count() override {
        if (app_->quit) return Quitted();
        return static_cast<std::int16_t>(app_->documents.size());
    }

    Result<host::DocumentPtr> Item(std::int16_t index) override {
        if (app_->quit) return Quitted();
        if (index < 0 || size_t(index) >= app_->documents.size())
            return Error{host::kKeyNotFound, QStringLiteral("Invalid index %1: %2 drawing(s) open").arg(index).arg(app_->documents.size())};
        return host::DocumentPtr(app_->documents[size_t(index)]);
    }

private:
    std::shared_ptr<AppState> app_;
};

// ---- the application -------------------------------------------------------------------------------------

// The DXF host has no window and no settings: these succeed and change nothing.
class DxfPreferences final : public host::Preferences {
public:
    Status SetOpenSaveXrefDemandLoad(std::int16_t) override { return {}; }
    Status SetSystemEnableStartupDialog(bool) override { return {}; }
    Status SetSystemShowWarningMessages(bool) override { return {}; }
};

class DxfApplication final : public host::Application {
public:
    ~DxfApplication() override { Quit().ok(); }
    Status SetWindowState(std::int16_t) override { return {}; }
    Status SetVisible(bool) override { return {}; }
    Result<host::PreferencesPtr> Preferences() override {
        if (state_->quit) return Quitted();
        return host::PreferencesPtr(std::make_shared<DxfPreferences>());
    }
    Result<host::DocumentsPtr> Documents() override {
        if (state_->quit) return Quitted();
        return host::DocumentsPtr(std::make_shared<DxfDocuments>(state_));
    }
    Status Quit() override {
        // Every drawing still open is closed unsaved.
        const auto open = state_->documents;
        for (const auto& doc : open) doc->Release();
        state_->documents.clear();
        // The renames of the saves reach the disk once per folder.
        state_->folderSyncs.SyncAll();
        state_->quit = true;
        return {};
    }

private:
    std::shared_ptr<AppState> state_ = std::make_shared<AppState>();
};

class DxfHostClass final : public host::ApplicationClass {
public:
    Result<host::ApplicationPtr> CreateInstance() override { return host::ApplicationPtr(std::make_shared<DxfApplication>()); }
    Result<host::ApplicationPtr> GetRunningInstance() override {
        return Error{429, QStringLiteral("ActiveX component can't create object: the DXF host has no running instance")};
    }
    QString DrawingExtension() const override { return QStringLiteral(".dxf"); }
    // No CAD program starts: the host reads and writes the drawings itself.
    QString StartStatus(host::StartStep step) const override {
        switch (step) {
            case host::StartStep::kStarting: return QStringLiteral("Opening drawings with the DXF host...");
            case host::StartStep::kStarted: return QStringLiteral("DXF host ready");
            case host::StartStep::kCannotStart: break;
        }
        return QStringLiteral("Unable to start the DXF host");
    }
    // A save keeps the previous file as NAME.bak: a second name of that file, or a copy of it.
    QString SaveBackupFor(const QString& drawing) const override { return BackupFileFor(RealPath(QFileInfo(drawing))); }
    bool IsSideFile(const QString& fileName) const override { return IsDxfSideFile(fileName); }
    bool InProcess() const override { return true; }
};

}  // namespace

host::ApplicationClassPtr MakeDxfHost() { return std::make_shared<DxfHostClass>(); }

}  // namespace qln::dxf
