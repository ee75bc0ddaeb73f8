// Time and memory of the text report for a drawing of 100,000 text objects on the in-memory host.
// Not part of the normal run: start it with
//   qln_report_tests --gtest_also_run_disabled_tests --gtest_filter='*Measure*'

#include "host/cautocad.h"
#include "support/recording_frontend.h"
#include "support/test_host.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
long StatusKb(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

TEST(CreateArrayMeasure, DISABLED_HundredThousandTexts) {
    auto host = std::make_shared<testhost::TestHost>();
    auto& dwg = host->AddDrawing("/dwg/big.dwg");
    auto add = [](testhost::TestEntity& e, int i) {
        e.host = nullptr;  // no call log: measure the listing, not the test host's bookkeeping
        e.layer = QStringLiteral("LAYER-%1").arg(i % 40);
        e.point = {1000.0 + i * 0.37, 2000.0 - i * 1.13, 0.0};
        e.rotation = (i % 8) * 0.785398163397448;
    };
    for (int i = 0; i < 80000; ++i) add(dwg.AddText("MODEL", QStringLiteral("Room %1 - finished floor level & ceiling").arg(i)), i);
    for (int i = 0; i < 10000; ++i) add(dwg.AddText("PAPER", QStringLiteral("Sheet note %1").arg(i)), i);
    for (int i = 0; i < 100; ++i) add(dwg.AddToBlock("TITLE", QStringLiteral("Title field %1").arg(i)), i);
    for (int i = 0; i < 100; ++i) dwg.AddInsert("TITLE", i % 2 == 1).host = nullptr;

    qln::ProgramState state;
    qln::NullFrontend ui;
    qln::cAutoCAD session(host, state, ui);
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    ASSERT_EQ(session.OpenDrawing("/dwg/big.dwg", true), 1);
    QTemporaryDir dir;
    const QString page = dir.filePath("attr.htm");

    const long rssBefore = StatusKb("VmRSS");
    {
        QFile reset("/proc/self/clear_refs");  // "5" resets the peak resident size
        if (reset.open(QIODevice::WriteOnly)) reset.write("5");
    }
    const auto start = std::chrono::steady_clock::now();
    session.CreateArray(page, "/dwg/big.dwg");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = StatusKb("VmHWM");

    ASSERT_TRUE(QFileInfo::exists(page));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    EXPECT_TRUE(html.contains("<TITLE>\r\n100000 single line text objects in /dwg/big.dwg\r\n"));
    std::printf("100,000 rows: %.3f s, page %.1f MB, resident before %ld kB, peak during %ld kB (+%ld kB)\n", seconds,
                html.size() / 1e6, rssBefore, peak, peak - rssBefore);
}

}  // namespace
