#include "host/hosts.h"

#include "host/com/com_host.h"
#include "host/com/system_server.h"
#include "host/dxf/dxf_host.h"

namespace qln {

namespace {

host::Error HostUnavailable(const QString& why) { return {kHostUnavailable, why}; }

host::Result<host::ApplicationClassPtr> MakeOver(HostKind kind, std::shared_ptr<com::Server> server) {
    if (kind == HostKind::kDxf) return dxf::MakeDxfHost();
    if (!server) return HostUnavailable(acad::NoAutomationText());
    if (!acad::AutoCadRegistered(server.get()))
        return HostUnavailable(QStringLiteral("AutoCAD is not installed on this machine "
                                              "(no AutoCAD.Application is registered)"));
    return acad::MakeAutoCadHost(std::move(server));
}

}  // namespace

QString HostName(HostKind kind) {
    return kind == HostKind::kAutoCad ? QStringLiteral("autocad") : QStringLiteral("dxf");
}

std::optional<HostKind> HostKindFromName(const QString& name) {
    for (HostKind kind : {HostKind::kAutoCad, HostKind::kDxf})
        if (name.compare(HostName(kind), Qt::CaseInsensitive) == 0) return kind;
    return std::nullopt;
}

host::Result<host::ApplicationClassPtr> MakeHost(HostKind kind) { return ChooseHost(kind); }

host::Result<host::ApplicationClassPtr> ChooseHost(std::optional<HostKind> requested,
                                                    std::shared_ptr<com::Server> server) {
    if (requested) return MakeOver(*requested, std::move(server));
    const HostKind kind = acad::AutoCadRegistered(server.get()) ? HostKind::kAutoCad : HostKind::kDxf;
    return MakeOver(kind, std::move(server));
}

host::Result<host::ApplicationClassPtr> ChooseHost(std::optional<HostKind> requested) {
    if (requested == HostKind::kDxf) return dxf::MakeDxfHost();
    return ChooseHost(requested, com::MakeSystemServer());
}

std::vector<HostChoice> HostChoices() {
    const bool acadHere = acad::AutoCadRegistered(com::MakeSystemServer().get());
    return {{HostKind::kAutoCad, HostName(HostKind::kAutoCad), QStringLiteral("AutoCAD"), acadHere},
            {HostKind::kDxf, HostName(HostKind::kDxf), QStringLiteral("DXF (built-in)"), true}};
}

}  // namespace qln
