// The main window opens the Find Text and File Specifications windows.

#include "app/search/search_windows.h"

#include "app/main_window.h"
#include "app/search/file_spec_window.h"
#include "app/search/find_window.h"

namespace qln {

void ConnectSearchWindows(Form1& mainWindow) {
    Form1* main = &mainWindow;
    QObject::connect(main, &Form1::findTextRequested, main, [main] {
        Form5 window(main->Context(), main);
        window.exec();
    });
    QObject::connect(main, &Form1::fileSpecificationsRequested, main, [main] {
        Form4 window(main->Context(), *main);
        window.exec();
    });
}

}  // namespace qln
