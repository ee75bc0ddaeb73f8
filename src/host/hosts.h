#pragma once
// The CAD hosts this program can drive and how one is chosen: AutoCAD through its automation
// interface (Windows), or the built-in DXF host (everywhere).
//
//   auto chosen = qln::ChooseHost(qln::HostKindFromName(setting));   // nullopt: the machine's default
//   if (!chosen) show chosen.error().description; else cAutoCAD session(*chosen, state, frontend);
//
// Both programs call these; the window's Host setting stores HostName() of the choice (empty for the
// default) and lists HostChoices().

#include "host/automation.h"
#include "host/com/com_object.h"

#include <QString>

#include <optional>
#include <vector>

namespace qln {

enum class HostKind { kAutoCad, kDxf };

// The error number of a host that cannot be reached on this machine (VB's "ActiveX component can't
// create object").
inline constexpr long kHostUnavailable = 429;

// How the command line and the settings name a host: "autocad", "dxf".
QString HostName(HostKind kind);
// The host of a name, ignoring case; nothing for an empty or unknown name.
std::optional<HostKind> HostKindFromName(const QString& name);

// The host of that kind, or a kHostUnavailable error whose description says why it cannot be had
// here (AutoCAD off Windows, or not installed).
host::Result<host::ApplicationClassPtr> MakeHost(HostKind kind);

// The requested host, or without a request the machine's default: AutoCAD where AutoCAD.Application is
// registered (only Windows has it), the DXF host elsewhere.
host::Result<host::ApplicationClassPtr> ChooseHost(std::optional<HostKind> requested);

// The same over a given automation server (null: none, as off Windows), for tests.
host::Result<host::ApplicationClassPtr> ChooseHost(std::optional<HostKind> requested,
                                                    std::shared_ptr<com::Server> server);

// One entry of a list of hosts to choose from (the window's Host setting).
struct HostChoice {
    HostKind kind;
    QString name;        // HostName(kind)
    QString label;       // "AutoCAD", "DXF (built-in)"
    bool available;      // MakeHost(kind) would succeed here
};
std::vector<HostChoice> HostChoices();

}  // namespace qln
