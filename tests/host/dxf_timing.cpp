// Times the DXF host on one drawing: open it read-write, change its first text, save and close it.
//   qln_dxf_timing DRAWING
// Prints the milliseconds of each step. Run it under /usr/bin/time -v for the peak memory.
#include "host/cautocad.h"
#include "host/dxf/dxf_host.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

class QuietFrontend final : public qln::Frontend {
public:
    void SetStatus(const QString&) override {}
    void MessageBox(Icon, const QString&, const QString& text, bool) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void Beep() override {}
    void SetBusy(bool) override {}
    void ProcessEvents() override {}
    bool OpenWithDefaultProgram(const QString&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qln_dxf_timing DRAWING\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    qln::ProgramState state;
    QuietFrontend frontend;
    qln::cAutoCAD session(qln::dxf::MakeDxfHost(), state, frontend);
    if (session.OpenAutoCAD() != 1) return 3;
    QElapsedTimer total, step;
    total.start();
    step.start();
    if (session.OpenDrawing(path) != 1) {
        std::fprintf(stderr, "%s\n", qPrintable(session.PendingError().description));
        return 1;
    }
    const qint64 open = step.restart();
    QString changed;
    for (const char* type : {"TEXT", "MTEXT"}) {
        auto sets = session.objDoc->SelectionSets();
        auto set = (*sets)->Add(QString::fromLatin1(type));
        if (!(*set)->Select(host::kSelectAll, {0}, {QString::fromLatin1(type)})) continue;
        auto items = (*set)->Items();
        if (!items || items->empty()) continue;
        const QString text = *items->front()->TextString();
        changed = text + QStringLiteral(" (changed)");
        if (!items->front()->SetTextString(changed)) return 1;
        break;
    }
    const qint64 change = step.restart();
    session.strVersion = QStringLiteral("0");
    const int closed = session.CloseDrawing(true);
    const qint64 save = step.restart();
    session.CloseAutoCAD();
    std::printf("open %lld ms, change %lld ms, save %lld ms, total %lld ms%s\n", open, change, save,
                total.elapsed(), changed.isEmpty() ? " (no text found)" : "");
    return closed == 1 ? 0 : 1;
}
