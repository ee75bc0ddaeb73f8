#include "app/host_setting.h"

#include "app/window_settings.h"
#include "host/dxf/dxf_host.h"
#include "host/hosts.h"

namespace qln {

StartupHost HostFromSettings(const QSettings& store) {
    const QString name = ReadSetting(store, settings::kHost).trimmed();
    auto chosen = ChooseHost(HostKindFromName(name));
    if (chosen) return {*chosen, QString()};
    return {dxf::MakeDxfHost(), chosen.error().description};
}

}  // namespace qln
