// Paths as the runs see them: existence, file names, wildcard listings.

#include "runs/file_utils.h"
#include "support/files.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qln;

namespace {

class FileUtilsTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString dir;
    void SetUp() override {
        dir = tmp.path() + "/";
        for (const char* name : {"A100.dxf", "a200.DXF", "b.dxf", "notes.txt", ".hidden.dxf", "sub/c.dxf",
                                 "sub/deeper/A9.dxf", ".secret/x.dxf"})
            ASSERT_TRUE(testhost::WriteFile(dir + name, "x"));
    }
};

TEST_F(FileUtilsTest, ExistenceAsTheDirectoryListingSeesIt) {
    EXPECT_TRUE(FileExists(dir + "b.dxf"));
    EXPECT_TRUE(FileExists(dir + "sub"));          // a folder counts
    EXPECT_TRUE(FileExists(dir));                   // so does a path naming one with its separator
    EXPECT_FALSE(FileExists(dir + ".hidden.dxf")); // hidden files do not
    EXPECT_FALSE(FileExists(dir + "none.dxf"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(FileExists(dir + "*.DXF"));         // wildcards count when anything matches, any case
    EXPECT_TRUE(FileExists(dir + "s?b"));
    EXPECT_FALSE(FileExists(dir + "*.dwg"));
    EXPECT_FALSE(FileExists(dir + "*/b.dxf"));
}

TEST_F(FileUtilsTest, FileNameIsTheTextAfterTheLastSeparatorWhateverItsLength) {
    EXPECT_EQ(GetFileName("/dwg/plan.dxf"), "plan.dxf");
    EXPECT_EQ(GetFileName("plan.dxf"), "plan.dxf");
    EXPECT_EQ(GetFileName("/dwg/"), "");
    const QString longPath = "/" + QString(300, 'x') + "/" + QString(40, 'y') + ".dxf";
    EXPECT_EQ(GetFileName(longPath), QString(40, 'y') + ".dxf");
    EXPECT_EQ(FolderPart("/dwg/plan.dxf"), "/dwg/");
    EXPECT_EQ(FolderPart("plan.dxf"), "");
    EXPECT_EQ(JoinPath("/dwg", "a.dxf"), "/dwg/a.dxf");
    EXPECT_EQ(JoinPath("/", "a.dxf"), "/a.dxf");
}

TEST_F(FileUtilsTest, WildcardsMatchIgnoringCase) {
    EXPECT_TRUE(WildcardMatch("a*.dxf", "A100.DXF"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("file???.dxf", "file123.dxf"));
    EXPECT_FALSE(WildcardMatch("file???.dxf", "file12.dxf"));
    EXPECT_TRUE(WildcardMatch("*a*b*", "xxaYYbzz"));
    EXPECT_FALSE(WildcardMatch("*.dxf", "a.dxf.bak"));
    EXPECT_TRUE(WildcardMatch(QString::fromUtf8("É*"), QString::fromUtf8("été.dxf")));
}

TEST_F(FileUtilsTest, ListingsLeaveOutWhatTheyShould) {
    EXPECT_EQ(ListNames(dir, "*.dxf", Listing::NormalFiles), (QStringList{"A100.dxf", "a200.DXF", "b.dxf"}));
    EXPECT_EQ(ListNames(dir, "a*", Listing::AllFiles), (QStringList{"A100.dxf", "a200.DXF"}));
    EXPECT_TRUE(ListNames(dir, "*.dxf", Listing::AllFiles).contains(".hidden.dxf"));
    EXPECT_EQ(ListNames(dir, "*", Listing::Folders), QStringList{"sub"});
    EXPECT_TRUE(ListNames(dir + "missing/", "*", Listing::NormalFiles).isEmpty());
}

TEST_F(FileUtilsTest, FolderLinksAreNotListedAsFolders) {
    ASSERT_TRUE(QFile::link(dir + "sub", dir + "loop"));
    EXPECT_EQ(ListNames(dir, "*", Listing::Folders), QStringList{"sub"});
}

}  // namespace
