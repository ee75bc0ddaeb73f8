#include "cli/cli_frontend.h"

#include "host/platform.h"
#include "host/text_files.h"

#include <QProcess>

namespace qln::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr int kLineWidth = 100;

}  // namespace

CliFrontend::CliFrontend() : terminal_(platform::IsTerminal(platform::StandardStream::Error)) {}

void CliFrontend::PrintLine(const QString& text) {
    ClearBar();
    // Names and texts from drawings and templates may hold escape sequences: shown, never acted on.
    platform::WriteText(platform::StandardStream::Error, VisibleControls(text) + u'\n');
    std::fflush(stderr);
    if (terminal_ && total_ != 0) DrawBar();
}

void CliFrontend::SetStatus(const QString& text) { ShowStatus(text, /*transient=*/false); }

void CliFrontend::SetTransientStatus(const QString& text) { ShowStatus(text, /*transient=*/true); }

void CliFrontend::ShowStatus(const QString& text, bool transient) {
    lastStatus_ = text;
    lastPrinted_ = false;
    if (quiet_) return;
    if (terminal_ && transient) {
        // What is going on now goes into the progress line; it needs no line of its own.
        item_ = text;
        DrawBar();
        return;
    }
    PrintLine(text);
    lastPrinted_ = true;
}

void CliFrontend::MessageBox(Icon icon, const QString& title, const QString& text, bool) {
    QString flat = text;
    flat.replace(u'\n', u' ');
    Error(title.isEmpty() ? flat : title + QStringLiteral(": ") + flat);
}

bool CliFrontend::OpenWithDefaultProgram(const QString& path) {
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("cmd"), {QStringLiteral("/c"), QStringLiteral("start"), QString(), path});
#elif defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("open"), {path});
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
#endif
}

void CliFrontend::Progress(int done, int total, const QString& item) {
    if (total > 0 && done >= total) {
        // The run is through its items: the bar goes, and the summary that follows stands alone.
        total_ = 0;
        ClearBar();
        return;
    }
    done_ = done;
    total_ = total;
    if (!item.isEmpty()) item_ = item;
    if (!quiet_ && terminal_) DrawBar();
}

void CliFrontend::DrawBar() {
    if (quiet_ || !terminal_) return;
    QString line;
    if (total_ > 0) {
        const int filled = static_cast<int>(static_cast<long long>(kBarWidth) * std::min(done_, total_) / total_);
        line = u'[' + QString(filled, u'#') + QString(kBarWidth - filled, u'.') + QStringLiteral("] ") +
               QString::number(done_) + u'/' + QString::number(total_);
    } else {
        line = u'[' + QString::number(done_) + u']';
    }
    if (!item_.isEmpty()) line += u' ' + item_;
    if (line.size() > kLineWidth) line = line.left(kLineWidth - 3) + QStringLiteral("...");
    platform::WriteText(platform::StandardStream::Error, QStringLiteral("\r\033[K") + line);
    std::fflush(stderr);
    barShown_ = true;
}

void CliFrontend::ClearBar() {
    if (!barShown_) return;
    platform::WriteText(platform::StandardStream::Error, QStringLiteral("\r\033[K"));
    std::fflush(stderr);
    barShown_ = false;
}

void CliFrontend::Finish() {
    total_ = 0;
    ClearBar();
    if (!quiet_ && !lastPrinted_ && !lastStatus_.isEmpty()) PrintLine(lastStatus_);
    lastPrinted_ = true;
}

void CliFrontend::Say(const QString& text) {
    if (!quiet_) PrintLine(text);
}

void CliFrontend::Error(const QString& text) {
    PrintLine(QStringLiteral("qln-cli: ") + text);
}

}  // namespace qln::cli
