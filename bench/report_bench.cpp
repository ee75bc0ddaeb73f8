// The engines on an open drawing: the text report of 100,000 texts, and a modification template over a
// drawing's block texts (without the file save, which dxf_bench times).

#include "bench_util.h"
#include "host/cautocad.h"
#include "host/dxf/dxf_host.h"
#include "host/text_files.h"

#include <QTemporaryDir>

namespace {

using namespace qln;
using namespace qln::bench;

// Open the drawing read-only and write its report.
void BM_Report100kTexts(benchmark::State& state) {
    const QString drawing = DataPath("texts-100k.dxf");
    if (!QFile::exists(drawing)) {
        state.SkipWithError("texts-100k.dxf missing: run bench/gen_drawings.py");
        return;
    }
    QTemporaryDir dir;
    ProgramState programState;
    QuietFrontend frontend;
    cAutoCAD session(dxf::MakeDxfHost(), programState, frontend);
    session.OpenAutoCAD();
    const QString page = dir.filePath(QStringLiteral("attr.htm"));
    // The report adds its selection sets under fixed names, so each one needs the drawing opened afresh.
    for (auto _ : state) {
        if (session.OpenDrawing(drawing, true) != 1) {
            state.SkipWithError("open failed");
            return;
        }
        session.CreateArray(page, drawing);
        session.CloseDrawing(false);
    }
    state.counters["page_MB"] = double(QFileInfo(page).size()) / (1 << 20);
    session.CloseAutoCAD();
}
BENCHMARK(BM_Report100kTexts)->Unit(benchmark::kMillisecond);

// sd, f, and p over the default selection (the texts in every block referenced), on a drawing opened
// afresh each time and closed unsaved.
void BM_ModifyTemplate(benchmark::State& state) {
    const QString drawing = DataPath(SizeName(state.range(0)));
    if (!QFile::exists(drawing)) {
        state.SkipWithError("drawing missing: run bench/gen_drawings.py");
        return;
    }
    QTemporaryDir dir;
    const QString templ = dir.filePath(QStringLiteral("t.txt"));
    {
        QFile f(templ);
        f.open(QIODevice::WriteOnly);
        f.write("*INPUT\r\n*COMMANDS\r\nsd,OBSOLETE\r\nf,colour,color\r\np\r\n");
    }
    ProgramState programState;
    QuietFrontend frontend;
    cAutoCAD session(dxf::MakeDxfHost(), programState, frontend);
    session.OpenAutoCAD();
    QString err;
    if (session.PrepTemplate(templ, err) != 1) {
        state.SkipWithError("template not read");
        return;
    }
    for (auto _ : state) {
        if (session.OpenDrawing(drawing, true) != 1) {
            state.SkipWithError("open failed");
            return;
        }
        QString e;
        benchmark::DoNotOptimize(session.GetAttributes(e, QStringLiteral(","), nullptr));
        session.CloseDrawing(false);
    }
    session.CloseAutoCAD();
}
BENCHMARK(BM_ModifyTemplate)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
