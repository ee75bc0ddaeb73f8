// The file layer: saves that fail at any step keep the old file, saves that succeed keep what the file
// was to its users, reads take regular files of a bounded size only, locks belong to the file.

#include "host/file_io.h"
#include "support/fault_injection.h"
#include "support/files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

using qln::fileio::Step;
using qln::platform::FileStatus;

namespace {

FileStatus StatusOf(const QString& path) {
    FileStatus st;
    EXPECT_TRUE(qln::platform::StatPath(path, st));
    return st;
}

QStringList Names(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

host::Result<qln::fileio::SaveOutcome> Save(const QString& target, const FileStatus& previous, const QByteArray& bytes) {
    qln::fileio::SaveRequest request;
    request.target = target;
    request.backup = target + ".bak";
    request.previous = &previous;
    return qln::fileio::SaveReplacing(request, [&](QIODevice& out) -> host::Status {
        // In pieces, as the drawing writer splices unchanged and changed bytes.
        for (qsizetype at = 0; at < bytes.size(); at += 1000)
            if (out.write(bytes.mid(at, 1000)) < 0) return host::Error{host::kPathAccessError, out.errorString()};
        return {};
    });
}

}  // namespace

TEST(FileIo, AFailureAtAnyStepBeforeTheReplacingRenameKeepsTheOldFileAndSaysWhy) {
    const QByteArray old = "the drawing as it was\n", fresh = QByteArray(5000, 'n');
    const struct {
        const char* name;
        std::function<void(testhost::Faults&)> arrange;
        const char* says;
    } cases[] = {
        {"disk full after short writes", [](auto& f) { f.ShortWrites(100, "No space left on device"); },
         "failed: No space left on device"},
        {"write error", [](auto& f) { f.Fail(Step::Write, "Input/output error"); }, "failed: Input/output error"},
        {"sync error", [](auto& f) { f.Fail(Step::Sync, "Input/output error"); }, "to the disk failed: Input/output error"},
        {"close error", [](auto& f) { f.Fail(Step::Close, "Input/output error"); }, "failed: Input/output error"},
        {"rename error", [](auto& f) { f.Fail(Step::Rename, "Read-only file system"); }, "could not be replaced: Read-only file system"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath("a.dxf");
        ASSERT_TRUE(testhost::WriteFile(target, old));
        ASSERT_TRUE(testhost::WriteFile(target + ".bak", "the backup before"));
        const FileStatus previous = StatusOf(target);
        testhost::Faults faults;
        c.arrange(faults);
        const auto saved = Save(target, previous, fresh);
        ASSERT_FALSE(saved.ok()) << c.name;
        EXPECT_TRUE(saved.error().description.contains(QLatin1String(c.says))) << c.name << ": " << saved.error().description.toStdString();
        EXPECT_EQ(testhost::ReadFile(target), old) << c.name;
        EXPECT_EQ(testhost::ReadFile(target + ".bak"), "the backup before") << c.name;
        EXPECT_EQ(Names(dir), (QStringList{"a.dxf", "a.dxf.bak"})) << c.name;  // no temporary file left
    }

    // Writes the system cuts short are carried on until everything is written.
    QTemporaryDir dir;
    const QString target = dir.filePath("a.dxf");
    ASSERT_TRUE(testhost::WriteFile(target, old));
    testhost::Faults faults;
    faults.Pieces(333);
    auto saved = Save(target, StatusOf(target), fresh);
    ASSERT_TRUE(saved.ok()) << saved.error().description.toStdString();
    EXPECT_TRUE(saved->warnings.isEmpty());
    EXPECT_GE(faults.writes, 16);
    EXPECT_EQ(testhost::ReadFile(target), fresh);
    EXPECT_EQ(testhost::ReadFile(target + ".bak"), old);
    EXPECT_EQ(Names(dir), (QStringList{"a.dxf", "a.dxf.bak"}));
}

TEST(FileIo, ASavedFileKeepsItsOwnerGroupAndModeAndASplitLinkIsReported) {
    QTemporaryDir dir;
    const QString target = dir.filePath("a.dxf"), other = dir.filePath("other-name.dxf");
    ASSERT_TRUE(testhost::WriteFile(target, "old"));
#ifndef _WIN32
    // Windows files have no POSIX owner, group or mode: the folder's access control lists decide.
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    const bool administrator = ::geteuid() == 0;
    if (administrator) ASSERT_EQ(::chown(QFile::encodeName(target).constData(), 4321, 4322), 0);
#endif
    ASSERT_TRUE(qln::platform::MakeHardLink(target, other));

    auto saved = Save(target, StatusOf(target), "new");
    ASSERT_TRUE(saved.ok()) << saved.error().description.toStdString();
#ifndef _WIN32
    const FileStatus now = StatusOf(target);
    EXPECT_EQ(now.mode, 0640u);
    if (administrator) {
        EXPECT_EQ(now.owner, 4321u);
        EXPECT_EQ(now.group, 4322u);
    }
#endif
    EXPECT_EQ(testhost::ReadFile(target), "new");
    EXPECT_EQ(testhost::ReadFile(target + ".bak"), "old");
    // The other name still reaches the previous file, and the save says so.
    EXPECT_EQ(testhost::ReadFile(other), "old");
    ASSERT_EQ(saved->warnings.size(), 1);
    EXPECT_TRUE(saved->warnings[0].contains(u"1 other name(s) (hard links)")) << saved->warnings[0].toStdString();

    // Where hard links cannot be made, the previous file itself becomes the backup; nothing else is split.
    testhost::Faults faults;
    faults.Fail(Step::Link, "Operation not permitted");
    auto again = Save(target, StatusOf(target), "newer");
    ASSERT_TRUE(again.ok()) << again.error().description.toStdString();
    EXPECT_TRUE(again->warnings.isEmpty()) << again->warnings.join(u' ').toStdString();
    EXPECT_EQ(testhost::ReadFile(target), "newer");
    EXPECT_EQ(testhost::ReadFile(target + ".bak"), "new");
}

TEST(FileIo, OnlyRegularFilesOfABoundedSizeAreRead) {
    QTemporaryDir dir;
    const QString big = dir.filePath("big"), small = dir.filePath("small");
    ASSERT_TRUE(testhost::WriteFile(big, QByteArray(3 * 1024 * 1024, 'x')));
    ASSERT_TRUE(testhost::WriteFile(small, "exactly this"));
    std::vector<std::pair<QString, const char*>> refused = {
        {dir.filePath("none"), "the file does not exist"},
        {dir.filePath("none/deeper"), "the file does not exist"},
        {dir.path(), "it is a folder, not a file"},
        {big, "it is 3 MB, larger than the 1 MB allowed"},
    };
#ifdef _WIN32
    refused.push_back({QStringLiteral("NUL"), "it is a character device, not a regular file"});
#else
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    refused.push_back({fifo, "it is a FIFO (named pipe), not a regular file"});
    refused.push_back({"/dev/zero", "it is a character device, not a regular file"});
#endif
    QElapsedTimer clock;
    clock.start();
    for (const auto& [path, says] : refused) {
        const auto read = qln::fileio::ReadRegularFile(path, 1024 * 1024);
        ASSERT_FALSE(read.ok()) << path.toStdString();
        EXPECT_EQ(read.error().description, QLatin1String(says));
    }
    EXPECT_LT(clock.elapsed(), 5000);  // the FIFO was never opened: nothing waited for a writer
    EXPECT_EQ(*qln::fileio::ReadRegularFile(small, 12), "exactly this");
    EXPECT_FALSE(qln::fileio::ReadRegularFile(small, 11).ok());
}

TEST(FileIo, TheLockBelongsToTheFileWhateverNameReachesIt) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.dxf"), b = dir.filePath("b.dxf");
    const QString infoA = dir.filePath(".a.dxf.qln-lock"), infoB = dir.filePath(".b.dxf.qln-lock");
    ASSERT_TRUE(testhost::WriteFile(a, "drawing"));
    ASSERT_TRUE(qln::platform::MakeHardLink(a, b));
    // What a run killed before it wrote its lock information leaves: it blocks nothing.
    ASSERT_TRUE(testhost::WriteFile(infoA, ""));

    auto first = qln::fileio::LockedFile::Open(a, infoA, 1024);
    ASSERT_TRUE(first.ok()) << first.error().description.toStdString();
    EXPECT_EQ(first->TakeBytes(), "drawing");
    const auto info = qln::fileio::ReadLockInfo(infoA);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pid, qln::platform::CurrentProcessId());

    // The other name is the same file: refused, naming who holds it (found through the system's lock
    // table, as this name has no lock information beside it; Windows has no such table).
    auto second = qln::fileio::LockedFile::Open(b, infoB, 1024);
    ASSERT_FALSE(second.ok());
#ifdef _WIN32
    EXPECT_EQ(second.error().description, QStringLiteral("it is already open for writing by another program"));
#else
    EXPECT_EQ(second.error().description,
              QStringLiteral("it is already open for writing by process %1").arg(qln::platform::CurrentProcessId()));
#endif
    auto same = qln::fileio::LockedFile::Open(a, infoA, 1024);
    ASSERT_FALSE(same.ok());
    EXPECT_EQ(same.error().description, QStringLiteral("it is already open for writing by process %1 since %2")
                                            .arg(qln::platform::CurrentProcessId())
                                            .arg(info->since));

    first->Release();
    EXPECT_FALSE(QFileInfo::exists(infoA));
    EXPECT_TRUE(qln::fileio::LockedFile::Open(b, infoB, 1024).ok());
    EXPECT_FALSE(QFileInfo::exists(infoB));  // gone with the lock

    // A write-protected file is not opened for writing, whoever asks (an administrator too).
    ASSERT_EQ(::chmod(QFile::encodeName(a).constData(), 0444), 0);
    auto protectedFile = qln::fileio::LockedFile::Open(a, infoA, 1024);
    ASSERT_FALSE(protectedFile.ok());
    EXPECT_EQ(protectedFile.error().description, "the file is write-protected");
}
