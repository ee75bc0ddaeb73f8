// Where the program keeps its files: beside the executable, or as an installed program.

#include "runs/program_folders.h"

#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qln;

namespace {

class ProgramFolders : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString dataHome;
    QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");

    void SetUp() override {
        dataHome = tmp.filePath("user-data");
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        // Windows has no such variable: there the per-user folder is the user's own, in AppData.
        if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
            dataHome = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    bool InUserData(const QString& path) const { return path == dataHome || path.startsWith(dataHome + u'/'); }
    void TearDown() override {
        if (savedDataHome.isNull()) qunsetenv("XDG_DATA_HOME");
        else qputenv("XDG_DATA_HOME", savedDataHome);
    }
    QString Folder(const QString& relative) {
        const QString path = tmp.filePath(relative);
        QDir().mkpath(path);
        return path;
    }
    static int Entries(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size();
    }
};

TEST_F(ProgramFolders, AnInstalledProgramReadsItsDataFolderAndWritesThePerUserFolder) {
    const QString bin = Folder("usr/bin");
    ASSERT_TRUE(testhost::WriteFile(tmp.filePath("usr/share/qln/faq.fil"), "FAQ"));
    ProgramState state;
    DecideProgramFolders(state, bin);
    EXPECT_EQ(state.layout, ProgramState::Layout::Installed);
    EXPECT_EQ(state.programFolder, tmp.filePath("usr/share/qln"));
    // Even though the installation could be written here, the logs go to the user's folder.
    EXPECT_TRUE(InUserData(state.LogFolder())) << state.LogFolder().toStdString();
    EXPECT_TRUE(QDir(state.LogFolder()).exists());
    EXPECT_FALSE(state.logFolderMoved);
    EXPECT_EQ(ProgramFoldersLine(state), "Installed: data in " + QDir::toNativeSeparators(state.programFolder) +
                                             "; logs and reports in " + QDir::toNativeSeparators(state.LogFolder()));
    EXPECT_EQ(Entries(bin), 0);

    // Without the FAQ in share/qln, or outside a bin folder, it is a portable copy.
    const QString other = Folder("opt/qln");
    ASSERT_TRUE(testhost::WriteFile(tmp.filePath("opt/share/qln/faq.fil"), "FAQ"));
    for (const QString& folder : {Folder("bare/bin"), other}) {
        ProgramState portable;
        DecideProgramFolders(portable, folder);
        EXPECT_EQ(portable.layout, ProgramState::Layout::Portable) << folder.toStdString();
        EXPECT_EQ(portable.programFolder, folder);
        EXPECT_EQ(portable.LogFolder(), folder);
        EXPECT_EQ(ProgramFoldersLine(portable),
                  "Portable: program folder " + QDir::toNativeSeparators(folder) + "; logs and reports there too");
        // Nothing is left behind by the write test.
        EXPECT_EQ(Entries(folder), 0);
    }
}

TEST_F(ProgramFolders, APortableCopyThatCannotWriteItsFolderLogsToThePerUserFolder) {
    // A program folder that cannot hold files (here: a path under a regular file, which even root cannot
    // write into).
    QFile(tmp.filePath("plain-file")).open(QIODevice::WriteOnly);
    const QString folder = tmp.filePath("plain-file/bin");
    ProgramState state;
    DecideProgramFolders(state, folder);
    EXPECT_EQ(state.layout, ProgramState::Layout::Portable);
    EXPECT_EQ(state.programFolder, folder);
    EXPECT_TRUE(state.logFolderMoved);
    EXPECT_TRUE(InUserData(state.LogFolder())) << state.LogFolder().toStdString();
    EXPECT_TRUE(QDir(state.LogFolder()).exists());
    EXPECT_TRUE(ProgramFoldersLine(state).endsWith("(the program folder cannot be written)"));
}

}  // namespace
