#pragma once
// The main window's ways into the search windows: cmdOpen opens the Find Text window and Command9
// the File Specifications window, each modal over the main window.

namespace qln {

class Form1;

void ConnectSearchWindows(Form1& mainWindow);

}  // namespace qln
