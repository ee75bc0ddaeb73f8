#pragma once
// The CAD host's automation interface: exactly the members this program calls, named after them.
//
// The interface is shaped so that it can be realised over COM late binding as well as by the built-in
// DXF host: values are plain (strings, numbers, three-element points), objects are reference-counted
// handles, collections are enumerated in host order, and every call either succeeds or fails with an
// error number and description (host::Error). Nothing here throws.

#include "host/result.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace host {

using Point3 = std::array<double, 3>;

// A filter value of a selection: a text (entity type, block name) or a 16-bit integer (space flag).
using Variant = std::variant<QString, std::int16_t>;

class Entity;
class SelectionSet;
class SelectionSets;
class Block;
class Document;
class Documents;
class Preferences;
class Application;

using EntityPtr = std::shared_ptr<Entity>;
using SelectionSetPtr = std::shared_ptr<SelectionSet>;
using SelectionSetsPtr = std::shared_ptr<SelectionSets>;
using BlockPtr = std::shared_ptr<Block>;
using DocumentPtr = std::shared_ptr<Document>;
using DocumentsPtr = std::shared_ptr<Documents>;
using PreferencesPtr = std::shared_ptr<Preferences>;
using ApplicationPtr = std::shared_ptr<Application>;

// A text object (single-line or multiple-line), a block reference, an attribute reference, or any other
// drawing entity.
class Entity {
public:
    virtual ~Entity() = default;
    virtual Result<QString> ObjectName() = 0;           // "AcDbText", "AcDbMText", "AcDbBlockReference", ...
    virtual Result<QString> TextString() = 0;
    virtual Status SetTextString(const QString& text) = 0;
    virtual Result<QString> Handle() = 0;
    virtual Result<QString> Layer() = 0;
    virtual Result<Point3> InsertionPoint() = 0;        // world coordinates
    virtual Result<double> Rotation() = 0;              // radians
    virtual Status Delete() = 0;
    virtual Result<QString> Name() = 0;                 // block reference: the referenced block's name
    // Block reference: whether it carries attributes, and its attribute references in host order (they
    // belong to the reference, not to the block definition). Text, handle, layer, point and rotation of
    // an attribute reference are read as for text.
    virtual Result<bool> HasAttributes() = 0;
    virtual Result<std::vector<EntityPtr>> GetAttributes() = 0;
    virtual Result<QString> TagString() = 0;            // attribute reference: its tag
};

// Selection mode "all entities of the drawing that pass the filter".
inline constexpr std::int16_t kSelectAll = 5;

class SelectionSet {
public:
    virtual ~SelectionSet() = default;
    // Select(mode, point1, point2, filterType, filterData); the engines always omit the two points.
    virtual Status Select(std::int16_t mode, const std::vector<std::int16_t>& filterType,
                          const std::vector<Variant>& filterData) = 0;
    // For-each over the set: each selected entity once, in host order.
    virtual Result<std::vector<EntityPtr>> Items() = 0;
};

class SelectionSets {
public:
    virtual ~SelectionSets() = default;
    virtual Result<SelectionSetPtr> Add(const QString& name) = 0;
};

// A block definition, enumerable over its entities.
class Block {
public:
    virtual ~Block() = default;
    virtual Result<std::vector<EntityPtr>> Items() = 0;
};

// DWG format codes of Document::SaveAs.
enum SaveFormat : std::int16_t {
    kR13 = 4,
    kR14 = 8,
    k2000 = 12,
    k2004 = 24,
    k2007 = 36,
};

class Document {
public:
    virtual ~Document() = default;
    virtual Status Close(bool saveChanges) = 0;
    virtual Status SaveAs(const QString& fullName, std::int16_t format) = 0;
    virtual Result<QString> FullName() = 0;
    virtual Result<SelectionSetsPtr> SelectionSets() = 0;
    virtual Result<BlockPtr> Blocks(const QString& name) = 0;

    // Not an automation member: a host that carried out a request only in part (the DXF host saving in
    // the drawing's own version when asked for another) leaves a warning here for the session to pick
    // up. Taking it empties it. A host that never does so keeps the default.
    virtual QString TakeWarning() { return {}; }
};

class Documents {
public:
    virtual ~Documents() = default;
    // Open(path [, ReadOnly] [, Password]): the three argument forms of the CAD host.
    virtual Result<DocumentPtr> Open(const QString& path, std::optional<bool> readOnly = std::nullopt,
                                     std::optional<QString> password = std::nullopt) = 0;
    virtual Result<std::int16_t> Count() = 0;
    virtual Result<DocumentPtr> Item(std::int16_t index) = 0;
};

// Application.Preferences: the three settings the session turns off or on.
class Preferences {
public:
    virtual ~Preferences() = default;
    virtual Status SetOpenSaveXrefDemandLoad(std::int16_t value) = 0;
    virtual Status SetSystemEnableStartupDialog(bool value) = 0;
    virtual Status SetSystemShowWarningMessages(bool value) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual Status SetWindowState(std::int16_t state) = 0;   // 2 = minimised
    virtual Status SetVisible(bool visible) = 0;
    virtual Result<PreferencesPtr> Preferences() = 0;
    virtual Result<DocumentsPtr> Documents() = 0;
    virtual Status Quit() = 0;
};

// The moments of starting a host that the runs show on the status line.
enum class StartStep {
    kStarting,     // before the session starts the host
    kStarted,      // the host is ready
    kCannotStart,  // it could not be started
};

// The application class of a host ("AutoCAD.Application"): how a session gets an application object.
class ApplicationClass {
public:
    virtual ~ApplicationClass() = default;
    virtual Result<ApplicationPtr> CreateInstance() = 0;       // start a new host
    virtual Result<ApplicationPtr> GetRunningInstance() = 0;   // attach to a running one, never start
    // The file extension of the host's drawings, with its dot (".dwg", ".dxf").
    virtual QString DrawingExtension() const = 0;
    // The status text of a moment of starting, in words that say what this host does ("Starting
    // AutoCAD..." where an AutoCAD starts).
    virtual QString StartStatus(StartStep step) const = 0;
    // The file in which a save of `drawing` leaves its previous version (the host's backup), or empty
    // when the host keeps none. A run journal links that file instead of copying every drawing before
    // it is saved; it compares the bytes, so a stale backup is never taken for the previous version.
    virtual QString SaveBackupFor(const QString& drawing) const { return {}; }
    // Whether a file name is one of the files the host keeps beside a drawing (its backup, lock or
    // temporary files) rather than a drawing: folder scans never take those.
    virtual bool IsSideFile(const QString& fileName) const { return false; }
    // Whether the host works on the files itself, in this process (the DXF host): its sessions are
    // independent, so several can work on different drawings at once, and a save keeps the previous
    // file itself (a second name of it, or the file renamed) as the backup. A host that is a program of
    // its own (AutoCAD) serves one session at a time.
    virtual bool InProcess() const { return false; }
};

using ApplicationClassPtr = std::shared_ptr<ApplicationClass>;

}  // namespace host
