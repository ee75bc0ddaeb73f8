// The calls of the operating system behind host/platform.h.

#include "host/platform.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Platform, HardLinkIsASecondNameOfTheSameFile) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a"), b = dir.filePath("b"), c = dir.filePath("c");
    ASSERT_TRUE(testhost::WriteFile(a, "one"));
    ASSERT_TRUE(qln::platform::MakeHardLink(a, b));
    QFile appended(b);
    ASSERT_TRUE(appended.open(QIODevice::Append));
    appended.write(" two");
    appended.close();
    EXPECT_EQ(testhost::ReadFile(a), "one two");

    // An existing name is left alone, and a missing file has no second name.
    ASSERT_TRUE(testhost::WriteFile(c, "other"));
    EXPECT_FALSE(qln::platform::MakeHardLink(a, c));
    EXPECT_EQ(testhost::ReadFile(c), "other");
    EXPECT_FALSE(qln::platform::MakeHardLink(dir.filePath("none"), dir.filePath("d")));
    EXPECT_FALSE(QFile::exists(dir.filePath("d")));
}

