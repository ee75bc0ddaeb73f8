#pragma once
// What the runs and the session show the user, whoever realises it: the main window (status line,
// message boxes, pointer, event processing), the command-line tool (standard error, exit status), or
// a test recorder.

#include <QString>

namespace qln {

class Frontend {
public:
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Frontend() = default;

    // Replace the status line's text and repaint it at once.
    virtual void SetStatus(const QString& text) = 0;
    // A status text that only says what is going on now ("Processing X...", "Scanning ..."), soon
    // replaced by the next one. Where a lasting record of the texts is kept (the command-line tool on
    // a terminal) it may be shown in passing instead; by default it is an ordinary status text.
    virtual void SetTransientStatus(const QString& text) { SetStatus(text); }
    // A modal notice with one OK button. `systemModal` asks for a box above every window.
    virtual void MessageBox(Icon icon, const QString& title, const QString& text, bool systemModal = false) = 0;
    virtual void Beep() = 0;
    // The busy (hourglass) pointer on or off.
    virtual void SetBusy(bool busy) = 0;
    // Let pending window events be processed (the yield of the long loops).
    virtual void ProcessEvents() = 0;
    // Open a file with the program the desktop associates with its type; false when nothing opened it.
    virtual bool OpenWithDefaultProgram(const QString& path) = 0;
    // Progress of a long run: `done` of `total` items, total < 0 when it is not known in advance.
    // `item` names the item being worked on. Realisations that show no progress ignore it.
    virtual void Progress(int done, int total, const QString& item) {}
    // A failure a run has just written to err.log (the line without its timestamp). The command-line
    // tool shows it on standard error at once; the windows leave it to the log.
    virtual void FailureLogged(const QString& line) {}
};

// A frontend that shows nothing, for sessions created without one: they simply do not yield.
class NullFrontend final : public Frontend {
public:
    void SetStatus(const QString&) override {}
    void MessageBox(Icon, const QString&, const QString&, bool) override {}
    void Beep() override {}
    void SetBusy(bool) override {}
    void ProcessEvents() override {}
    bool OpenWithDefaultProgram(const QString&) override { return false; }
};

}  // namespace qln
