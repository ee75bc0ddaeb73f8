#pragma once
// What the windows of qln share and what tests replace: the program-wide state, the settings store,
// the dialogs, the desktop services, the program folder, the host's drawing extension, the machine's
// drives and screen size, and the host that opens the drawings.

#include "app/desktop.h"
#include "app/dialogs.h"
#include "host/automation.h"
#include "host/program_state.h"

#include <QRect>
#include <QSettings>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

namespace qln {

struct WindowContext {
    ProgramState& state;
    // The "QLN" store; its keys are those of window_settings.h.
    QSettings& settings;
    Dialogs& dialogs;
    Desktop& desktop;
    // The folder of the executable (audit.log, err.log, faq.fil, attr.htm; default folders).
    QString programFolder;
    // The extension of the host's drawings: the default drawing pattern is "*" + this.
    QString drawingExtension = QStringLiteral(".dxf");
    // The drives the drive lists offer; empty means the machine's (MachineDrives()).
    std::function<QStringList()> drives;
    // The screen size in pixels; empty means the main window's screen.
    std::function<QSize()> screenSize;
    // The CAD host that the windows' runs open drawings with. Its extension is the one above; a host
    // chosen at start-up is handed in here.
    host::ApplicationClassPtr hostClass = nullptr;
    // The free area of the screen (without task bars) the windows must fit in; empty means the
    // window's screen.
    std::function<QRect()> availableGeometry;
};

// The machine's drives, sorted by name: on Windows the drive letters ("c:"), elsewhere the root folder
// of every mounted volume ("/", "/home", "/media/usb", ...), the file-system root always among them.
QStringList MachineDrives();

}  // namespace qln
