#pragma once
// The CAD host the desktop program drives, as the "Host/Kind" setting names it: "auto" (AutoCAD where
// it is installed, the DXF host elsewhere), "autocad" or "dxf". Read once at start-up; a change in the
// Tools menu takes effect at the next start.

#include "host/automation.h"

#include <QString>

class QSettings;

namespace qln {

struct StartupHost {
    host::ApplicationClassPtr hostClass;  // never null: the DXF host when the chosen one is not to be had
    QString problem;                      // why the chosen host is not used; empty when it is
};

// The host of the stored setting. An unknown value counts as "auto"; a host that cannot be had here
// gives way to the built-in DXF host, with the reason.
StartupHost HostFromSettings(const QSettings& store);

}  // namespace qln
