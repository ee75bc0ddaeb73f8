// The DXF host in process: indexing a drawing's bytes, changing one text, writing it back, and the whole
// open-change-save of a file through the host session.

#include "bench_util.h"
#include "host/cautocad.h"
#include "host/dxf/dxf_drawing.h"
#include "host/dxf/dxf_host.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace {

using namespace qln;
using namespace qln::bench;

void SetBytes(benchmark::State& state, qint64 bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = double(bytes) / (1 << 20);
}

// The pair index alone.
void BM_ParsePairs(benchmark::State& state) {
    const QByteArray bytes = ReadData(state, SizeName(state.range(0)));
    if (bytes.isEmpty()) return;
    for (auto _ : state) {
        auto f = dxf::DxfFile::Parse(bytes);
        benchmark::DoNotOptimize(f);
    }
    SetBytes(state, bytes.size());
}
BENCHMARK(BM_ParsePairs)->Arg(1)->Arg(5)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

// Pairs, sections, entities and blocks.
void BM_LoadDrawing(benchmark::State& state) {
    const QByteArray bytes = ReadData(state, SizeName(state.range(0)));
    if (bytes.isEmpty()) return;
    for (auto _ : state) {
        auto d = dxf::Drawing::Load(bytes);
        benchmark::DoNotOptimize(d);
    }
    SetBytes(state, bytes.size());
}
BENCHMARK(BM_LoadDrawing)->Arg(1)->Arg(5)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

// Load, change the last text of model space, write the drawing to memory.
void BM_ChangeOneTextInMemory(benchmark::State& state) {
    const QByteArray bytes = ReadData(state, SizeName(state.range(0)));
    if (bytes.isEmpty()) return;
    for (auto _ : state) {
        auto d = dxf::Drawing::Load(bytes);
        if (!d) {
            state.SkipWithError("drawing did not load");
            return;
        }
        dxf::Drawing& drawing = **d;
        std::uint32_t last = 0;
        for (std::uint32_t e : drawing.SpaceEntities(dxf::Space::Model))
            if (drawing.Type(e) == "TEXT") last = e;
        if (!drawing.SetTextString(last, QStringLiteral("changed"))) {
            state.SkipWithError("text not changed");
            return;
        }
        QByteArray out;
        out.reserve(bytes.size() + 64);
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        if (!drawing.Write(buffer)) state.SkipWithError("write failed");
        benchmark::DoNotOptimize(out.data());
    }
    SetBytes(state, bytes.size());
}
BENCHMARK(BM_ChangeOneTextInMemory)->Arg(1)->Arg(5)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

// The whole host path on a file: open read-write (lock), change one text, save (temporary file, backup,
// rename, fsync), close.
void BM_OpenChangeSaveFile(benchmark::State& state) {
    const QByteArray bytes = ReadData(state, SizeName(state.range(0)));
    if (bytes.isEmpty()) return;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.dxf"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    ProgramState programState;
    QuietFrontend frontend;
    cAutoCAD session(dxf::MakeDxfHost(), programState, frontend);
    session.OpenAutoCAD();
    session.strVersion = QStringLiteral("0");
    int n = 0;
    for (auto _ : state) {
        if (session.OpenDrawing(path) != 1) {
            state.SkipWithError("open failed");
            return;
        }
        auto sets = session.objDoc->SelectionSets();
        auto set = (*sets)->Add(QStringLiteral("T"));
        auto items = (*set)->Select(host::kSelectAll, {0}, {QStringLiteral("TEXT")}) ? (*set)->Items()
                                                                                    : host::Result<std::vector<host::EntityPtr>>(std::vector<host::EntityPtr>{});
        if (!items || items->empty() || !items->back()->SetTextString(QStringLiteral("changed %1").arg(++n))) {
            state.SkipWithError("no text changed");
            return;
        }
        if (session.CloseDrawing(true) != 1) {
            state.SkipWithError("save failed");
            return;
        }
    }
    session.CloseAutoCAD();
    SetBytes(state, bytes.size());
}
BENCHMARK(BM_OpenChangeSaveFile)->Arg(1)->Arg(5)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
