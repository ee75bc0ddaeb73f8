// Timing of GetAttributes on a large in-memory drawing (not part of the test suite: run by hand on an
// optimised build, `build/tests/modify/qln_modify_timing`). The in-memory host records every call it
// receives, so the numbers include that bookkeeping.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "support/files.h"
#include "support/test_host.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

constexpr int kObjects = 50000;

struct Outcome {
    qint64 milliseconds = 0;
    int deleted = 0;
    int changed = 0;
};

Outcome TimeRun(bool withAudit, bool inBlock) {
    auto host = std::make_shared<testhost::TestHost>();
    testhost::TestDrawing& dwg = host->AddDrawing(QStringLiteral("/d/big.dwg"));
    for (int i = 0; i < kObjects; ++i) {
        const QString text = QStringLiteral("note %1 the COLOUR of item %2").arg(i).arg(i % 10 == 0 ? "obsolete" : "kept");
        if (inBlock) dwg.AddToBlock(QStringLiteral("SHEET"), text);
        else dwg.AddText(QStringLiteral("MODEL"), text);
    }
    if (inBlock) dwg.AddInsert(QStringLiteral("SHEET"));

    QTemporaryDir dir;
    const QString templ = dir.filePath(QStringLiteral("t.txt"));
    EXPECT_TRUE(testhost::WriteFile(templ, QByteArray("*INPUT\r\nSPACE: MODEL\r\nBLOCK: ") +
                                               (inBlock ? "SHEET" : "*MODEL_SPACE") +
                                               "\r\n*COMMANDS\r\nf,colour,color\r\np\r\nsd,Obsolete\r\n"));
    qln::ProgramState state;
    qln::NullFrontend ui;
    qln::cAutoCAD session(host, state, ui);
    QString err;
    EXPECT_EQ(session.PrepTemplate(templ, err), 1);
    EXPECT_EQ(session.OpenAutoCAD(), 1);
    EXPECT_EQ(session.OpenDrawing(dwg.path), 1);

    qln::LineWriter audit;
    if (withAudit) {
        EXPECT_TRUE(audit.Open(dir.filePath(QStringLiteral("audit.log")), qln::LineWriter::Mode::Append));
    }

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(session.GetAttributes(err, QStringLiteral(","), withAudit ? &audit : nullptr), 1);
    audit.Close();
    Outcome out;
    out.milliseconds = timer.elapsed();

    const auto& objects = inBlock ? dwg.blocks[QStringLiteral("SHEET")] : dwg.entities;
    for (const auto& e : objects) {
        if (e->deleted) ++out.deleted;
        else if (e->text.startsWith(QStringLiteral("Note ")) && e->text.contains(QStringLiteral("Color"))) ++out.changed;
    }
    return out;
}

TEST(GetAttributesTiming, FiftyThousandTextObjects) {
    for (const bool inBlock : {false, true}) {
        for (const bool withAudit : {true, false}) {
            const Outcome o = TimeRun(withAudit, inBlock);
            EXPECT_EQ(o.deleted, kObjects / 10);
            EXPECT_EQ(o.changed, kObjects - kObjects / 10);
            std::printf("%d text objects (%s), f + p + sd, %s: %lld ms\n", kObjects,
                        inBlock ? "in one referenced block" : "loose in model space",
                        withAudit ? "audit log to a file" : "no audit log", static_cast<long long>(o.milliseconds));
        }
    }
}

}  // namespace
