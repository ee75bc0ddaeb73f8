#pragma once
// A temporary program folder with drawings and templates for the run tests. RunFolderFixture is the
// folder, the program state, the recording frontend, templates and logs; RunFixture adds the in-memory
// host, on which every drawing exists twice: as a file (the runs check that drawings exist before
// opening them) and as a drawing of the test host (which holds its text objects and records what the
// run did).

#include "host/program_state.h"
#include "support/files.h"
#include "support/recording_frontend.h"
#include "support/test_host.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testhost {

class RunFolderFixture : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString root;       // ends with a separator
    QString logs;
    qln::ProgramState state;
    RecordingFrontend ui;

    void SetUp() override {
        root = tmp.path() + "/";
        logs = root + "program/";
        QDir().mkpath(logs);
        state.programFolder = logs;
        state.logFolder = logs;
        state.journalFolder = root + "journals";
    }

    QString Template(const QString& name, const QByteArray& commands,
                     const QByteArray& input = "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n") {
        const QString path = root + "templates/" + name;
        EXPECT_TRUE(WriteFile(path, "*INPUT\r\n" + input + "*COMMANDS\r\n" + commands));
        return path;
    }

    QStringList Log(const char* name) const {
        const QByteArray bytes = ReadFile(logs + name);
        QStringList lines = QString::fromUtf8(bytes).split("\r\n");
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }
    bool LogExists(const char* name) const { return QFileInfo::exists(logs + name); }

    // A log line with its leading timestamp replaced by "<time>".
    static QString Untimed(const QString& line) {
        static const QRegularExpression stamp(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d [ap]m"));
        QString out = line;
        return out.replace(stamp, QStringLiteral("<time>"));
    }
    static QStringList Untimed(const QStringList& lines) {
        QStringList out;
        for (const QString& l : lines) out << Untimed(l);
        return out;
    }
};

class RunFixture : public RunFolderFixture {
protected:
    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();

    // A drawing file and its test-host twin with one loose model-space text.
    TestDrawing& Drawing(const QString& relative, const QString& text = "colour note") {
        const QString path = root + relative;
        EXPECT_TRUE(WriteFile(path, "0\nEOF\n"));
        TestDrawing& dwg = host->AddDrawing(path);
        dwg.AddText("MODEL", text);
        return dwg;
    }
};

}  // namespace testhost
