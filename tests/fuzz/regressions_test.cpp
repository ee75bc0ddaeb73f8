// Every input the fuzz target ever crashed on (tests/fuzz/regressions/<kind>/), run again through the
// same code in the normal build: each must now pass without a crash or a broken rule.

#include "fuzz_inputs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(FuzzRegressions, EveryInputOnceFoundRunsCleanly) {
    const QDir root(QStringLiteral(QLN_FUZZ_REGRESSIONS));
    int count = 0;
    for (const QString& kind : {QStringLiteral("dxf"), QStringLiteral("template"), QStringLiteral("list")}) {
        QDirIterator it(root.filePath(kind), QDir::Files);
        while (it.hasNext()) {
            QFile f(it.next());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
            if (f.fileName().endsWith(u".md")) continue;
            SCOPED_TRACE(f.fileName().toStdString());
            EXPECT_TRUE(qln::fuzz::RunInput(kind, f.readAll()));
            ++count;
        }
    }
    std::printf("%d inputs\n", count);
}

}  // namespace
