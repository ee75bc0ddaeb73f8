#pragma once
// The command-line tool's frontend: status texts on standard error, one per line; while standard error
// is a terminal, a progress bar on one line instead, showing the transient status texts, with the
// lasting ones printed above it.

#include "host/frontend.h"

#include <QString>

#include <cstdio>

namespace qln::cli {

class CliFrontend final : public Frontend {
public:
    CliFrontend();

    void SetQuiet(bool quiet) { quiet_ = quiet; }
    // Force or forbid the progress bar (tests); by default it follows isatty(stderr).
    void SetTerminal(bool terminal) { terminal_ = terminal; }

    void SetStatus(const QString& text) override;
    void SetTransientStatus(const QString& text) override;
    void MessageBox(Icon icon, const QString& title, const QString& text, bool systemModal) override;
    void Beep() override {}
    void SetBusy(bool) override {}
    void ProcessEvents() override {}
    bool OpenWithDefaultProgram(const QString& path) override;
    void Progress(int done, int total, const QString& item) override;
    void FailureLogged(const QString& line) override { Error(line); }

    // End the progress line, leaving the last status as an ordinary line.
    void Finish();
    // A line of the tool's own (not a status text), always shown unless quiet.
    void Say(const QString& text);
    // An error line, shown even when quiet.
    void Error(const QString& text);

    QString LastStatus() const { return lastStatus_; }

private:
    void ShowStatus(const QString& text, bool transient);
    void DrawBar();
    void ClearBar();
    void PrintLine(const QString& text);

    bool quiet_ = false;
    bool terminal_ = false;
    bool barShown_ = false;
    int done_ = 0;
    int total_ = 0;
    QString item_;
    QString lastStatus_;
    bool lastPrinted_ = true;
};

}  // namespace qln::cli
