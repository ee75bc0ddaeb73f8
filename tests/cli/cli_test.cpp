// qln-cli as a process: exit statuses, standard output and standard error, files written.

#include "host/com/system_server.h"
#include "support/files.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using testhost::ReadFile;
using testhost::WriteFile;

struct Outcome {
    int exit = -1;
    QString out;
    QString err;
};

// A small R12 drawing: loose text in model space, one text per entry (layer, text).
QByteArray Drawing(const QList<QPair<QString, QString>>& texts) {
    QByteArray dxf = "0\nSECTION\n2\nENTITIES\n";
    double y = 0;
    for (const auto& [layer, text] : texts) {
        dxf += "0\nTEXT\n8\n" + layer.toUtf8() + "\n10\n1.5\n20\n" + QByteArray::number(y) + "\n30\n0.0\n40\n2.5\n1\n" +
               text.toUtf8() + "\n";
        y += 10;
    }
    return dxf + "0\nENDSEC\n0\nEOF\n";
}

class CliTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString dir;

    void SetUp() override { dir = tmp.path() + "/"; }

    Outcome Cli(const QStringList& args, const QString& workDir = QString()) {
        QProcess p;
        p.setWorkingDirectory(workDir.isEmpty() ? dir : workDir);
        // The run journals go to the test's own per-user data folder.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dir + "xdg");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QLN_CLI_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        // Standard output is the same bytes on every platform; standard error has the platform's line ends.
        const QString err = QString::fromUtf8(p.readAllStandardError()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), err};
    }
    QString Template(const QByteArray& body) {
        EXPECT_TRUE(WriteFile(dir + "t.txt", body));
        return dir + "t.txt";
    }
    QStringList Lines(const QString& path) {
        QStringList lines = QString::fromUtf8(ReadFile(path)).split("\r\n");
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }
};

TEST_F(CliTest, UsageVersionAndUnknownCommands) {
    Outcome o = Cli({"--version"});
    EXPECT_EQ(o.exit, 0);
    EXPECT_TRUE(o.out.startsWith("qln-cli ")) << o.out.toStdString();
    // A build runs as a portable copy: it keeps its files beside the executable.
    EXPECT_EQ(o.out.section('\n', 1, 1),
              "Portable: program folder " + QDir::toNativeSeparators(QFileInfo(QLN_CLI_PATH).absolutePath()) +
                  "; logs and reports there too");
    EXPECT_EQ(Cli({"find", "--version"}).out, o.out);
    o = Cli({});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("usage: qln-cli <command>"));
    o = Cli({"frobnicate"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("unknown command 'frobnicate'"));
    o = Cli({"modify", "--help"});
    EXPECT_EQ(o.exit, 0);
    EXPECT_TRUE(o.out.contains("--template")) << o.out.toStdString();
    o = Cli({"find", "--no-such-option", "x", "y"});
    EXPECT_EQ(o.exit, 2);
    o = Cli({"report", "--host", "acad", "a.dxf"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("unknown host 'acad'"));
    // AutoCAD is reached only through Windows' automation: asking for it elsewhere cannot start a host.
    if (!com::MakeSystemServer()) {
        o = Cli({"report", "--host", "AutoCAD", "a.dwg"});
        EXPECT_EQ(o.exit, 3);
        EXPECT_TRUE(o.err.contains("AutoCAD is reached only on Windows")) << o.err.toStdString();
    }

    // The command list shows each command's usage line as its --help does, within 100 columns.
    const QString usage = Cli({"help"}).out;
    for (const QString& line : usage.split('\n')) EXPECT_LE(line.size(), 100) << line.toStdString();
    const QString unwrapped = QString(usage).replace(QRegularExpression("\n {10}"), " ");
    for (const QString command : {"modify", "run", "find", "report"}) {
        const QString synopsis = Cli({command, "--help"}).out.section('\n', 0, 0).section(' ', 3);
        EXPECT_TRUE(unwrapped.contains("\n  " + command.leftJustified(8) + synopsis + ' ')) << synopsis.toStdString();
    }
}

// What the batch run does with the drawings is tested in tests/runs; here, what the tool hands it and
// how it reports back.
TEST_F(CliTest, ModifyTakesThePathsAsTypedAndItsOptions) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "a colour note"}})));
    ASSERT_TRUE(WriteFile(dir + "sub/B.dxf", Drawing({{"0", "colour"}})));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nf;colour;color\r\n");
    const Outcome o = Cli({"modify", "--template", tpl, "--delimiter", ";", "--log-dir", dir + "logs", "a.dxf",
                           dir + "sub/B.dxf"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    EXPECT_TRUE(o.out.isEmpty());
    const QStringList err = o.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(err.size(), 5) << o.err.toStdString();
    EXPECT_EQ(err[0], "Modification in process...");
    EXPECT_EQ(err[1], "Processing a.dxf...");  // the path as typed
    EXPECT_EQ(err[2], "Processing " + dir + "sub/B.dxf...");
    EXPECT_TRUE(err[3].startsWith("Text for 2 file(s) modified in "));
    EXPECT_TRUE(err[4].startsWith("Journal ")) << err[4].toStdString();

    EXPECT_TRUE(ReadFile(dir + "a.dxf").contains("\n1\na color note\n"));
    const QStringList audit = Lines(dir + "logs/audit.log");
    EXPECT_TRUE(audit.contains("Drawing: a.dxf"));
    EXPECT_TRUE(audit.contains("Drawing: " + dir + "sub/B.dxf"));
    EXPECT_FALSE(QFileInfo::exists(dir + "logs/err.log"));
}

TEST_F(CliTest, DryRunThenRunThenUndo) {
    const QByteArray original = Drawing({{"0", "colour"}});
    ASSERT_TRUE(WriteFile(dir + "a.dxf", original));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nu\r\n");
    Outcome o = Cli({"modify", "--dry-run", "--template", tpl, "--log-dir", "logs", "a.dxf"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    EXPECT_TRUE(o.out.startsWith("Preview: these changes are not saved.\r\n")) << o.out.toStdString();
    EXPECT_TRUE(o.out.contains("Upper cased single line text object with text 'colour'")) << o.out.toStdString();
    EXPECT_TRUE(o.err.contains("Preview: text for 1 of 1 file(s) would be modified (1 text(s))"));
    EXPECT_EQ(ReadFile(dir + "a.dxf"), original);
    EXPECT_FALSE(QFileInfo::exists(dir + "logs/audit.log"));
    EXPECT_EQ(Cli({"modify", "--audit", "x.txt", "--template", tpl, "a.dxf"}).exit, 2);  // --audit needs --dry-run

    o = Cli({"modify", "--template", tpl, "--log-dir", "logs", "a.dxf"});
    ASSERT_EQ(o.exit, 0);
    const QString id = QRegularExpression("Journal (\\S+):").match(o.err).captured(1);
    ASSERT_FALSE(id.isEmpty()) << o.err.toStdString();
    o = Cli({"runs"});
    EXPECT_TRUE(o.out.contains(QRegularExpression("\n" + id + "\tmodify\t1\t1\t"))) << o.out.toStdString();
    o = Cli({"undo", "--log-dir", "logs"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    EXPECT_EQ(ReadFile(dir + "a.dxf"), original);
    EXPECT_EQ(Cli({"undo", "no-such-run"}).exit, 2);
}

TEST_F(CliTest, ModifyFailuresAndBadUsage) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "text"}})));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nu\r\n");
    Outcome o = Cli({"modify", "--template", tpl, "--no-audit", "--log-dir", "logs", "gone.dxf", "a.dxf"});
    EXPECT_EQ(o.exit, 1);
    QStringList err = Lines(dir + "logs/err.log");
    ASSERT_EQ(err.size(), 1);
    EXPECT_TRUE(err[0].endsWith("  Drawing: gone.dxf  Error: File GONE.DXF not found."));  // the name in upper case
    EXPECT_TRUE(o.err.contains("Text for 1 file(s) modified in "));
    EXPECT_TRUE(o.err.contains(QRegularExpression("\nErrors are listed in \\S.*[/\\\\]logs[/\\\\]err.log\n"))) << o.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir + "logs/audit.log"));

    o = Cli({"modify", "--template", Template("no input section\r\n"), "--log-dir", "logs", "a.dxf"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("No text modified. Template file requires '*INPUT'."));
    EXPECT_EQ(Cli({"modify", "--template", tpl}).exit, 2);                        // no drawing
    EXPECT_EQ(Cli({"modify", "a.dxf"}).exit, 2);                                  // no template
    EXPECT_EQ(Cli({"modify", "--template", tpl, "--delimiter", ";;", "a.dxf"}).exit, 2);
#ifndef _WIN32
    // A template that is a device or a FIFO is refused at once, never read (nor waited on). Windows
    // has neither FIFOs nor /dev.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "fifo.txt").constData(), 0600), 0);
    for (const QString& special : {QStringLiteral("/dev/zero"), dir + "fifo.txt"}) {
        o = Cli({"modify", "--template", special, "--log-dir", "logs", "a.dxf"});
        EXPECT_EQ(o.exit, 2);
        EXPECT_TRUE(o.err.contains("No text modified. Unable to open template file '" + special + "'.")) << o.err.toStdString();
    }
#endif
    o = Cli({"modify", "--template", tpl, "*.dxf"});  // a pattern the shell did not expand
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("is a pattern")) << o.err.toStdString();
}

TEST_F(CliTest, ModifyLosesNothingWhenTheLogsOrTheDiskFail) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "text"}})));
    ASSERT_TRUE(WriteFile(dir + "broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\n"));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nu\r\n");

    // No audit log to append to: refused before anything is changed.
    ASSERT_TRUE(QDir().mkpath(dir + "logs/audit.log"));
    Outcome o = Cli({"modify", "--template", tpl, "--log-dir", "logs", "a.dxf"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("No text modified. Unable to open the log file '" + QDir::toNativeSeparators(dir + "logs/audit.log") +
                               "' for writing: ")) << o.err.toStdString();
    EXPECT_FALSE(o.err.split('\n').filter("Unable to open the log file").value(0).endsWith("..")) << o.err.toStdString();
    EXPECT_TRUE(ReadFile(dir + "a.dxf").contains("\ntext\n"));
    ASSERT_TRUE(QDir(dir + "logs/audit.log").removeRecursively());

    // An audit log on a full disk: the changes are made, and the failure is said and ends the run with 1.
    // Why a drawing was refused is said on standard error as in err.log. (Windows has no device that is
    // always full.)
    if (!QFileInfo::exists("/dev/full")) return;
    ASSERT_TRUE(QFile::link("/dev/full", dir + "logs/audit.log"));
    o = Cli({"modify", "--template", tpl, "--log-dir", "logs", "a.dxf", "broken.dxf"});
    EXPECT_EQ(o.exit, 1);
    EXPECT_TRUE(o.err.contains("qln-cli: Writing the log file '" + dir + "logs/audit.log' failed: No space left on device.\n"))
        << o.err.toStdString();
    const QString refusal = "Drawing: broken.dxf  Error: Error opening file BROKEN.DXF. Cannot open broken.dxf: ";
    EXPECT_TRUE(o.err.contains("qln-cli: " + refusal)) << o.err.toStdString();
    EXPECT_TRUE(Lines(dir + "logs/err.log").value(0).contains(refusal));
    EXPECT_TRUE(ReadFile(dir + "a.dxf").contains("\nTEXT\n"));
}

// A real small file system, full during the save: a tmpfs in a user and mount namespace of its own.
TEST_F(CliTest, ModifyOnAFullFileSystemKeepsTheDrawing) {
    const QString unshare = QStandardPaths::findExecutable("unshare");
    if (unshare.isEmpty()) GTEST_SKIP() << "no 'unshare' to make a small file system";
    QProcess probe;
    probe.start(unshare, {"-rm", "sh", "-c", "mount -t tmpfs -o size=64k tmpfs " + dir});
    if (!probe.waitForFinished(20000) || probe.exitCode() != 0)
        GTEST_SKIP() << "this machine allows no tmpfs in a user namespace: " << probe.readAllStandardError().toStdString();

    QList<QPair<QString, QString>> texts;
    for (int i = 0; i < 300; ++i) texts.append({"0", QStringLiteral("note number %1").arg(i)});
    const QByteArray drawing = Drawing(texts);
    ASSERT_TRUE(WriteFile(dir + "original.dxf", drawing));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nu\r\n");
    QDir().mkpath(dir + "small");
    // Fill the small file system, then free 8 KB: the changed drawing's first part fits, the rest does not.
    const QString script = QStringLiteral(
        "set -e; mount -t tmpfs -o size=128k tmpfs small; cp original.dxf small/a.dxf; "
        "dd if=/dev/zero of=small/fill bs=1k 2>/dev/null || true; truncate -s -8K small/fill; "
        "set +e; '%1' modify --template '%2' --log-dir logs small/a.dxf; echo \"exit=$?\"; "
        "cmp -s small/a.dxf original.dxf && echo unchanged; ls -A small")
        .arg(QStringLiteral(QLN_CLI_PATH), tpl);
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(unshare, {"-rm", "sh", "-c", script});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(out.contains("exit=1\n")) << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains("unchanged\n")) << out.toStdString();
    EXPECT_TRUE(out.endsWith("a.dxf\nfill\n")) << out.toStdString();  // no temporary file left behind
    EXPECT_TRUE(err.contains("Error saving file A.DXF.")) << err.toStdString();
    EXPECT_TRUE(Lines(dir + "logs/err.log").value(0).endsWith("failed: No space left on device"))
        << Lines(dir + "logs/err.log").join("\n").toStdString();
    EXPECT_EQ(Lines(dir + "logs/audit.log").last(), "Not saved.");
}

TEST_F(CliTest, RunExitStatuses) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "first"}})));
    ASSERT_TRUE(WriteFile(dir + "b.dxf", Drawing({{"0", "second"}})));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nu\r\n");
    ASSERT_TRUE(WriteFile(dir + "list.dlf", ("' upper-case a, then stop\r\n" + dir + "a.dxf," + tpl + "\r\n  end \r\n" +
                                             dir + "b.dxf," + tpl + "\r\n")
                                                .toUtf8()));
    Outcome o = Cli({"run", "--log-dir", "logs", "list.dlf"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    EXPECT_TRUE(ReadFile(dir + "a.dxf").contains("\n1\nFIRST\n"));
    EXPECT_TRUE(ReadFile(dir + "b.dxf").contains("\n1\nsecond\n"));  // after the end

    // A failed task before the end: the error mark decides.
    ASSERT_TRUE(WriteFile(dir + "fail.dlf", ("gone.dxf," + tpl + "\r\nEND\r\n").toUtf8()));
    o = Cli({"run", "--log-dir", "logs", "fail.dlf"});
    EXPECT_EQ(o.exit, 1) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains("DWG file not found."));
    EXPECT_TRUE(Lines(dir + "logs/err.log").value(0).endsWith("  Drawing: gone.dxf  Error: DWG file not found."));

    o = Cli({"run", "none.dlf"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("Passed file 'none.dlf' does not exist."));
}

TEST_F(CliTest, FindWritesRowsACsvReaderSplitsIntoTenFields) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"NOTES", "plain room"}, {"x,y", "room \"12\", east"}})));
    ASSERT_TRUE(WriteFile(dir + "b.dxf", Drawing({{"0", "nothing"}})));
    Outcome o = Cli({"find", "--quiet", "--blocks", "*MODEL_SPACE", "ROOM", dir + "*.DXF"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    EXPECT_TRUE(o.err.isEmpty());
    const QStringList rows = o.out.split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3) << o.out.toStdString();
    EXPECT_EQ(rows[0], "Drawing,Space,Block,Layer,Rotation,Handle,X,Y,Z,Text");

    const QString python = testhost::EzdxfPython().isEmpty() ? QStandardPaths::findExecutable("python3")
                                                             : testhost::EzdxfPython();
    if (python.isEmpty()) GTEST_SKIP() << "no Python for the CSV check";
    ASSERT_TRUE(WriteFile(dir + "hits.csv", o.out.toUtf8()));
    QProcess py;
    py.start(python, {"-c", "import csv,sys\nrows=list(csv.reader(open(sys.argv[1],newline='')))\n"
                            "print(len(rows), sorted(set(len(r) for r in rows)), rows[2][3], rows[2][9])",
                      dir + "hits.csv"});
    ASSERT_TRUE(py.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(py.readAllStandardOutput()).trimmed(), "3 [10] x,y room \"12\", east");
}

TEST_F(CliTest, FindWithoutHitsAndRefusals) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "nothing"}})));
    Outcome o = Cli({"find", "--blocks", "*MODEL_SPACE", "room", dir + "*.dxf"});
    EXPECT_EQ(o.exit, 1);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_TRUE(o.err.contains("0 hits in 0 files in "));

    o = Cli({"find", "  ", dir + "*.dxf"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("Enter text phrase to search for."));
    o = Cli({"find", "room", " "});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("Enter folder."));
    EXPECT_EQ(Cli({"find", "--space", "model", "room", dir + "*.dxf"}).exit, 2);
}

TEST_F(CliTest, FindRowsAreTheSameForAnyNumberOfJobs) {
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(WriteFile(dir + QStringLiteral("d%1.dxf").arg(i), Drawing({{"0", "room " + QString::number(i)}, {"0", "hall"}, {"1", "Room"}})));
    const Outcome one = Cli({"find", "--quiet", "--blocks", "*MODEL_SPACE", "--jobs", "1", "room", dir + "*.dxf"});
    const Outcome three = Cli({"find", "--quiet", "--blocks", "*MODEL_SPACE", "--jobs", "3", "--include-criteria", "room", dir + "*.dxf"});
    EXPECT_EQ(one.exit, 0);
    EXPECT_EQ(one.out.count("\r\n"), 1 + 2 * 9);
    // The criteria once, before the header that comes with the first rows.
    EXPECT_TRUE(three.out.startsWith("*** Search Criteria ***"));
    EXPECT_EQ(three.out.count("*** Search Criteria ***"), 1);
    EXPECT_EQ(three.out.mid(three.out.indexOf("Drawing,Space")), one.out);
    for (const char* bad : {"0", "x", "-2"})
        EXPECT_EQ(Cli({"find", "--jobs", bad, "room", dir + "*.dxf"}).exit, 2) << bad;
}

TEST_F(CliTest, FindToAFileWithTheCriteria) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "room"}})));
    const Outcome o = Cli({"find", "--quiet", "--blocks", "*MODEL_SPACE", "--delimiter", ";", "--no-path",
                           "--include-criteria", "--output", "out.txt", "room", dir + "a.dxf"});
    EXPECT_EQ(o.exit, 0);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(Lines(dir + "out.txt"),
              (QStringList{"*** Search Criteria ***", "Space: Both", "Blocks: *MODEL_SPACE", "Layers: *",
                           "Search Text: room", "Folder Spec: " + dir + "a.dxf",
                           "Match Case: N   Whole Word: N   Multiple Line Text: N   Delimiter: ;", "",
                           "Drawing;Space;Block;Layer;Rotation;Handle;X;Y;Z;Text",
                           "a.dxf;Model;*MODEL_SPACE;0;0;;1.5;0;0;room"}));
}

TEST_F(CliTest, ReportWritesThePageWhereAsked) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "one"}, {"0", "two"}})));
    Outcome o = Cli({"report", "--output", "page.htm", "a.dxf"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    const QString page = QString::fromUtf8(ReadFile(dir + "page.htm"));
    EXPECT_TRUE(page.contains("<TITLE>\r\n2 single line text objects in a.dxf\r\n</TITLE>"));  // as typed
    EXPECT_TRUE(o.err.contains("Page: " + dir + "page.htm"));

    o = Cli({"report", "--output", "page2.htm", "gone.dxf"});
    EXPECT_EQ(o.exit, 1);
    EXPECT_TRUE(o.err.contains("File GONE.DXF not found."));
    EXPECT_FALSE(QFileInfo::exists(dir + "page2.htm"));
}

TEST_F(CliTest, ProgressBarOnlyOnATerminal) {
    ASSERT_TRUE(WriteFile(dir + "a.dxf", Drawing({{"0", "x"}})));
    const QString tpl = Template("*INPUT\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nu\r\n");
    const Outcome piped = Cli({"modify", "--template", tpl, "--log-dir", "logs", "a.dxf"});
    EXPECT_FALSE(piped.err.contains("\033[K"));

    const QString script = QStandardPaths::findExecutable("script");
    if (script.isEmpty()) GTEST_SKIP() << "no 'script' to give the tool a terminal";
    QProcess p;
    p.setWorkingDirectory(dir);
    const QString command = QStringLiteral("'%1' modify --template '%2' --log-dir logs a.dxf").arg(QLN_CLI_PATH, tpl);
    p.start(script, {"-qec", command, "/dev/null"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString shown = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(shown.contains("\033[K")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("] 0/1 Processing a.dxf...")) << shown.toStdString();
    // What is going on now stays in the bar; the summary gets a line of its own.
    QStringList lines;
    for (const QString& line : shown.split('\n')) lines << line.section("\033[K", -1).remove('\r');
    EXPECT_FALSE(lines.contains("Modification in process...")) << shown.toStdString();
    EXPECT_FALSE(lines.contains("Processing a.dxf..."));
    EXPECT_EQ(lines.filter(QRegularExpression("^Text for 1 file\\(s\\) modified in ")).size(), 1);
}


// An R12 drawing with one reference of the block TB carrying the attribute SHEET = A-101.
QByteArray TitleBlockDrawing() {
    return "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nTB\n70\n2\n10\n0\n20\n0\n30\n0\n"
           "0\nATTDEF\n8\n0\n10\n0\n20\n0\n30\n0\n40\n2.5\n1\n\n3\nSheet\n2\nSHEET\n70\n0\n0\nENDBLK\n8\n0\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n0\nINSERT\n8\n0\n66\n1\n2\nTB\n10\n5\n20\n5\n30\n0\n"
           "0\nATTRIB\n8\nTITLE\n10\n6\n20\n7\n30\n0\n40\n2.5\n1\nA-101\n2\nSHEET\n70\n0\n0\nSEQEND\n8\n0\n0\nENDSEC\n0\nEOF\n";
}

TEST_F(CliTest, AttributesInFindAndReportAndARefusedPattern) {
    ASSERT_TRUE(WriteFile(dir + "tb.dxf", TitleBlockDrawing()));
    Outcome o = Cli({"find", "--attributes", "SHEET", "--no-path", "A-1", "tb.dxf"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, "Drawing,Space,Block,Layer,Rotation,Handle,X,Y,Z,Text\r\ntb.dxf,Model,TB,TITLE,0,,6,7,0,A-101\r\n");
    EXPECT_EQ(Cli({"find", "A-1", "tb.dxf"}).exit, 1);  // without --attributes: no hit

    o = Cli({"report", "--attributes", "--output", "page.htm", "tb.dxf"});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    const QString page = QString::fromUtf8(ReadFile(dir + "page.htm"));
    EXPECT_TRUE(page.contains("<TITLE>\r\n0 single line text objects and 1 attributes in tb.dxf\r\n")) << page.toStdString();
    EXPECT_TRUE(page.contains("<TD>A-101</TD>"));

    // A pattern that does not compile: nothing is modified, and err.log says why.
    o = Cli({"modify", "--template", Template("*INPUT\r\n*COMMANDS\r\ng,(A,B\r\n"), "--log-dir", "logs", "tb.dxf"});
    EXPECT_EQ(o.exit, 2);
    EXPECT_TRUE(o.err.contains("No text modified. Template file has an invalid regular expression on line 3: "
                               "missing closing parenthesis."))
        << o.err.toStdString();
    const QStringList err = Lines(dir + "logs/err.log");
    ASSERT_EQ(err.size(), 1);
    EXPECT_TRUE(err[0].endsWith("Error: Template file has an invalid regular expression on line 3: missing closing parenthesis."));
}

}  // namespace
