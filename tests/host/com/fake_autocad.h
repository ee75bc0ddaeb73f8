#pragma once
// An in-memory automation server that behaves like AutoCAD's object model, for testing the AutoCAD host
// adaptor without Windows: Application -> Documents -> Document -> SelectionSets -> SelectionSet ->
// entities, and Blocks -> Block -> entities, every member reached by name.
//
// Like AutoCAD it is strict about what it is given and refuses what AutoCAD refuses: 16-bit integers
// where AutoCAD takes them, the two omitted points of Select, a selection set name already in use, a
// block name it does not have, and any call on an entity once it was deleted or on a closed document.

#include "host/com/com_object.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fakeacad {

struct Entity {
    std::u16string type;       // DXF type: "TEXT", "MTEXT", "INSERT", "ATTRIB", "LINE"
    std::u16string text;
    std::u16string handle;
    std::u16string layer = u"0";
    std::vector<double> point{0.0, 0.0, 0.0};
    double rotation = 0.0;
    std::u16string block;      // INSERT: the referenced block's name
    std::u16string tag;        // ATTRIB: its tag
    std::vector<std::shared_ptr<Entity>> attributes;  // INSERT: its attribute references, ATTRIB
    bool paper = false;
    bool deleted = false;
};
using EntityPtr = std::shared_ptr<Entity>;

struct Drawing {
    std::vector<EntityPtr> entities;                       // model and paper space, in drawing order
    std::map<std::u16string, std::vector<EntityPtr>> blocks;  // block definitions by name
    // What the host did with it.
    std::vector<int> savedFormats;   // SaveAs format codes, in order; 0 for a Close that saved
    int opens = 0;

    EntityPtr Add(std::u16string type, std::u16string text, std::u16string handle, bool paper = false);
    EntityPtr AddToBlock(const std::u16string& block, std::u16string type, std::u16string text,
                         std::u16string handle);
};

// The server (the "registry" and the "running object table") and the state of the one application.
class Server final : public com::Server {
public:
    bool registered = true;       // AutoCAD.Application is known
    bool running = false;         // an instance runs already (GetActive finds it)
    bool createFails = false;     // starting AutoCAD fails
    std::map<std::u16string, Drawing> drawings;  // by full path

    // Recorded by the application: "WindowState=2", "Visible=false", "OpenSave.XrefDemandLoad=1",
    // "Open(path,ReadOnly=true,Password=)", "Quit", ...
    std::vector<std::u16string> calls;
    int instances = 0;

    bool IsRegistered(std::u16string_view progId) override;
    com::Result<com::ObjectPtr> Create(std::u16string_view progId) override;
    com::Result<com::ObjectPtr> GetActive(std::u16string_view progId) override;

    bool Called(std::u16string_view call) const;
};

// The errors AutoCAD gives, by their numbers.
inline constexpr long kDuplicateName = -2145386405;   // "Duplicate record name"
inline constexpr long kKeyNotFound = -2145386476;     // "Key not found"
inline constexpr long kObjectErased = -2145386420;    // "Object was erased"
inline constexpr long kTypeMismatch = -2147352571;    // DISP_E_TYPEMISMATCH
inline constexpr long kOpenFailed = -2145320924;      // the file cannot be opened

}  // namespace fakeacad
