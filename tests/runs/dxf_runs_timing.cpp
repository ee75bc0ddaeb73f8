// Timing of the engines and a batch run on DXF drawings that ezdxf writes (not part of the test suite:
// run by hand on an optimised build, `build/tests/runs/qln_dxf_runs_timing [TEXTS] [DRAWINGS]`).
//
//  1. GetAttributes on one drawing with TEXTS single-line texts in model space (default 50,000): one
//     command that applies to one text in ten, with an audit log, and the save afterwards.
//  2. SearchAttributes on the same drawing for a phrase, next to `grep -c -i` for it over the file.
//  3. A batch modification run over DRAWINGS small drawings (default 200), and a search run over them.
// Generating the drawings (ezdxf) is not timed.

#include "runs/batch_run.h"
#include "runs/search_run.h"
#include "host/cautocad.h"
#include "host/dxf/dxf_host.h"
#include "host/text_files.h"
#include "support/files.h"
#include "support/recording_frontend.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool Ezdxf(const QStringList& args) {
    QProcess p;
    p.start(testhost::EzdxfPython(), QStringList{QStringLiteral(QLN_TEST_SOURCE_DIR "/support/dxf_fixtures.py")} + args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "ezdxf failed: %s\n", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

double Ms(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int texts = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int drawings = argc > 2 ? std::atoi(argv[2]) : 200;
    if (testhost::EzdxfPython().isEmpty()) {
        std::fprintf(stderr, "no Python with ezdxf\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.dxf"));
    if (!Ezdxf({QStringLiteral("many"), big, QString::number(texts)})) return 1;
    const QString tpl = dir.filePath(QStringLiteral("t.txt"));
    testhost::WriteFile(tpl, "*INPUT\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: L3\r\n*COMMANDS\r\nf,on sheet,ON SHEET\r\n");
    std::printf("drawing: %d texts, %.1f MB\n", texts, QFileInfo(big).size() / 1e6);

    auto dxf = qln::dxf::MakeDxfHost();
    qln::ProgramState state;
    testhost::RecordingFrontend ui;

    {
        qln::cAutoCAD s(dxf, state, ui);
        s.OpenAutoCAD();
        QString err;
        s.PrepTemplate(tpl, err);
        QElapsedTimer t;
        t.start();
        s.OpenDrawing(big, false);
        const double open = Ms(t);
        qln::LineWriter audit;
        audit.Open(dir.filePath(QStringLiteral("audit.log")), qln::LineWriter::Mode::Truncate);
        t.restart();
        const int result = s.GetAttributes(err, QStringLiteral(","), &audit);
        const double modify = Ms(t);
        audit.Close();
        t.restart();
        const int closed = s.CloseDrawing(true);
        const double save = Ms(t);
        s.CloseAutoCAD();
        std::printf("GetAttributes: open %.0f ms, GetAttributes %.0f ms (result %d, %d audit lines), save %.0f ms (%d)\n",
                    open, modify, result,
                    static_cast<int>(testhost::ReadFile(dir.filePath(QStringLiteral("audit.log"))).count('\n')), save,
                    closed);
    }
    {
        const QString phrase = QStringLiteral("number 4999");
        qln::cAutoCAD s(dxf, state, ui);
        s.OpenAutoCAD();
        QElapsedTimer t;
        t.start();
        s.OpenDrawing(big, true);
        const double open = Ms(t);
        std::int32_t hits = 0;
        t.restart();
        s.SearchAttributes(big, QStringLiteral("Model"), QStringLiteral("*MODEL_SPACE"), QStringLiteral("*"),
                           QStringLiteral(","), false, false, false, phrase, hits);
        const double search = Ms(t);
        s.CloseDrawing(false);
        s.CloseAutoCAD();
        QProcess grep;
        t.restart();
        grep.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("-i"), phrase, big});
        grep.waitForFinished(-1);
        const double grepMs = Ms(t);
        std::printf("SearchAttributes: open %.0f ms, search %.0f ms, %d hits; grep -c -i %.0f ms, %s lines\n", open,
                    search, hits, grepMs, grep.readAllStandardOutput().trimmed().constData());
    }
    {
        const QString folder = dir.filePath(QStringLiteral("many"));
        QDir().mkpath(folder);
        const QString one = dir.filePath(QStringLiteral("one.dxf"));
        if (!Ezdxf({QStringLiteral("many"), one, QStringLiteral("20")})) return 1;
        qln::BatchRunInput in;
        in.templatePath = tpl;
        for (int i = 0; i < drawings; ++i) {
            const QString name = QStringLiteral("d%1.dxf").arg(i, 3, 10, QLatin1Char('0'));
            QFile::copy(one, folder + u'/' + name);
            in.drawings.append({folder, name});
        }
        state.programFolder = state.logFolder = dir.path() + u'/';
        QElapsedTimer t;
        t.start();
        const auto result = qln::BatchRun(dxf, state, ui).Run(in);
        const double batch = Ms(t);
        std::printf("batch run: %d drawings (%.1f kB each), %d modified in %.0f ms (%.1f ms per drawing)\n", drawings,
                    QFileInfo(one).size() / 1e3, result.modified, batch, batch / drawings);
        qln::SearchCriteria criteria;
        criteria.blocks = QStringLiteral("*MODEL_SPACE");
        criteria.phrase = QStringLiteral("ON SHEET");
        criteria.fileSpec = folder + QStringLiteral("/*.dxf");
        t.restart();
        const auto found = qln::SearchRun(dxf, state, ui).Run(criteria);
        std::printf("search run: %d hits in %d files in %.0f ms\n", found.hits, found.files, Ms(t));
    }
    return 0;
}
