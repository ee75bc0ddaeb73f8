// Reading template files: status codes and messages, key recognition, list normalisation, commands.

#include "host/cautocad.h"
#include "support/files.h"
#include "support/test_host.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using qln::cAutoCAD;

namespace {

class TemplateTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    qln::ProgramState state;
    qln::NullFrontend ui;
    cAutoCAD session{std::make_shared<testhost::TestHost>(), state, ui};
    QString err;

    QString Write(const QByteArray& text, const QString& name = "t.txt") {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testhost::WriteFile(path, text));
        return path;
    }
    std::int16_t Parse(const QByteArray& text) {
        err.clear();
        return session.PrepTemplate(Write(text), err);
    }
};

TEST_F(TemplateTest, ReadsTheExampleTemplate) {
    const QByteArray text =
        "notes before the section are ignored\r\n*INPUT\r\nSTYLE: Single\r\nSPACE: Model\r\nBLOCK: *Model_Space\r\n"
        "LAYER: Notes, Title\r\n*COMMANDS\r\n' comments start with an apostrophe\r\np\r\nf,colour,color\r\n";
    err = "untouched";
    EXPECT_EQ(session.PrepTemplate(Write(text), err), 1);
    EXPECT_EQ(err, "untouched");
    EXPECT_EQ(session.strTextType, "SINGLE");
    EXPECT_EQ(session.strSpaces, "MODEL");
    EXPECT_EQ(session.strBlocks, " *MODEL_SPACE ");
    EXPECT_EQ(session.strLayers, " NOTES  TITLE ");
    EXPECT_EQ(session.strVersion, "0");
    EXPECT_EQ(session.strCommands, (QStringList{"p", "f,colour,color"}));
}

TEST_F(TemplateTest, StatusCodesAndMessages) {
    EXPECT_EQ(session.PrepTemplate(dir.filePath("missing.txt"), err), 0);
    EXPECT_EQ(err, "Unable to open template file '" + dir.filePath("missing.txt") + "'.");
    // A folder (as when no template item was chosen and the path ends in a separator) cannot be opened.
    EXPECT_EQ(session.PrepTemplate(dir.path() + "/", err), 0);

    EXPECT_EQ(Parse(""), -1);
    EXPECT_EQ(err, "Template file requires '*INPUT'.");
    EXPECT_EQ(Parse("*INPU\r\n*COMMANDS\r\np\r\n"), -1);

    EXPECT_EQ(Parse("*INPUT\r\nSTYLE: single\r\n"), -2);
    EXPECT_EQ(err, "Template file requires '*COMMANDS'.");
    EXPECT_EQ(Parse("*INPUT\r\n"), -2);

    EXPECT_EQ(Parse("*INPUT\r\n*COMMANDS\r\n' only a comment\r\n   \r\n\r\n"), -3);
    EXPECT_EQ(err, "Template file requires attribute tags.");
}

TEST_F(TemplateTest, InputIsRecognisedTrimmedInAnyCaseButCommandsOnlyExactly) {
    EXPECT_EQ(Parse("  *input  \r\n*COMMANDS\r\nu\r\n"), 1);
    // Lower case or a leading space does not end the section...
    EXPECT_EQ(Parse("*INPUT\r\n*commands\r\nu\r\n"), -2);
    EXPECT_EQ(Parse("*INPUT\r\n *COMMANDS\r\nu\r\n"), -2);
    // ...but as the file's last line it passes the check and finds no commands.
    EXPECT_EQ(Parse("*INPUT\r\n *COMMANDS\r\n"), -3);
    EXPECT_EQ(Parse("*INPUT\r\n*commands"), -3);
}

TEST_F(TemplateTest, KeysAreRecognisedAtTheStartOnlyAndTheLastValueWins) {
    ASSERT_EQ(Parse("*INPUT\r\nSTYLE : mtext\r\n  space:paper  \r\nLAYER:a\r\nlayer: b,c\r\nVERSION: 2004\r\n"
                    "note: SPACE: MODEL\r\nBLOCK:\r\n*COMMANDS\r\nu\r\n"),
              1);
    EXPECT_EQ(session.strTextType, "Single");  // a blank before the colon: not the key
    EXPECT_EQ(session.strSpaces, "PAPER");
    EXPECT_EQ(session.strLayers, " B C ");
    EXPECT_EQ(session.strVersion, "2004");
    EXPECT_EQ(session.strBlocks, "  ");  // empty value: two spaces, matching nothing
}

TEST_F(TemplateTest, NameListsAreNormalised) {
    ASSERT_EQ(Parse("*INPUT\r\nLAYER: a,b\r\nBLOCK: title\r\n*COMMANDS\r\nu\r\n"), 1);
    EXPECT_EQ(session.strLayers, " A B ");
    EXPECT_EQ(session.strBlocks, " TITLE ");
    ASSERT_EQ(Parse("*INPUT\r\nLAYER: *\r\nBLOCK:  A , B \r\n*COMMANDS\r\nu\r\n"), 1);
    EXPECT_EQ(session.strLayers, "*");
    EXPECT_EQ(session.strBlocks, " A   B ");
    // Tabs are not trimmed: they stay part of the value.
    ASSERT_EQ(Parse("*INPUT\r\nSPACE:\tMODEL\r\n*COMMANDS\r\nu\r\n"), 1);
    EXPECT_EQ(session.strSpaces, "\tMODEL");
}

TEST_F(TemplateTest, CommandsAreTrimmedOfSpacesOnlyWithCommentsAndBlanksDropped) {
    ASSERT_EQ(Parse("*INPUT\r\n*COMMANDS\r\n   ' indented comment\r\n  P  \r\n\r\np ' with a note\r\n"
                    "\tu\r\nF,a b,c\r\n"),
              1);
    EXPECT_EQ(session.strCommands, (QStringList{"P", "p ' with a note", "\tu", "F,a b,c"}));
}

TEST_F(TemplateTest, AcceptsEveryLineEndAndAByteOrderMark) {
    EXPECT_EQ(Parse("\xEF\xBB\xBF*INPUT\nLAYER: x\n*COMMANDS\nu\nl\n"), 1);
    EXPECT_EQ(session.strLayers, " X ");
    EXPECT_EQ(session.strCommands, (QStringList{"u", "l"}));
    EXPECT_EQ(Parse("*INPUT\rSPACE: PAPER\r*COMMANDS\rp"), 1);
    EXPECT_EQ(session.strSpaces, "PAPER");
    EXPECT_EQ(session.strCommands, QStringList{"p"});
}

TEST_F(TemplateTest, NonAsciiTextIsReadAndUpperCasedCharacterByCharacter) {
    // "ß" has no one-character upper case: it stays, so the layer "Straße" can still be matched.
    // Written in the system's 8-bit code page, as templates are read.
    ASSERT_EQ(Parse(QString::fromUtf8("*INPUT\r\nLAYER: Straße, Été\r\nBLOCK: Maß\r\n*COMMANDS\r\nf,façade,Fassade\r\n").toLocal8Bit()), 1);
    EXPECT_EQ(session.strLayers, QString::fromUtf8(" STRAßE  ÉTÉ "));
    EXPECT_EQ(session.strBlocks, QString::fromUtf8(" MAß "));
    EXPECT_EQ(session.strCommands, QStringList{QString::fromUtf8("f,façade,Fassade")});
}

TEST_F(TemplateTest, SettingsSurviveAFailureBeforeInputButCommandsDoNot) {
    ASSERT_EQ(Parse("*INPUT\r\nSPACE: PAPER\r\nVERSION: 2000\r\n*COMMANDS\r\nu\r\n"), 1);
    EXPECT_EQ(Parse("no input here\r\n"), -1);
    EXPECT_TRUE(session.strCommands.isEmpty());
    EXPECT_EQ(session.strSpaces, "PAPER");
    EXPECT_EQ(session.strVersion, "2000");

    EXPECT_EQ(session.PrepTemplate(dir.filePath("missing.txt"), err), 0);
    EXPECT_EQ(session.strVersion, "2000");

    // Once *INPUT is found the defaults come back, even if the template then fails.
    EXPECT_EQ(Parse("*INPUT\r\n"), -2);
    EXPECT_EQ(session.strSpaces, "*");
    EXPECT_EQ(session.strVersion, "0");
    EXPECT_EQ(session.strTextType, "Single");
}

TEST_F(TemplateTest, StoresAtMost32768Commands) {
    QByteArray text = "*INPUT\r\n*COMMANDS\r\n";
    for (int i = 0; i < 32800; ++i) text += "u\r\n";
    ASSERT_EQ(Parse(text), 1);
    EXPECT_EQ(session.strCommands.size(), 32768);
}

}  // namespace

TEST_F(TemplateTest, AttributeTagsAreANameListAndAbsentWithoutTheKey) {
    EXPECT_EQ(Parse("*INPUT\r\n*COMMANDS\r\np\r\n"), 1);
    EXPECT_EQ(session.strAttributes, "");
    EXPECT_EQ(Parse("*INPUT\r\n attributes: rev, Date\r\n*COMMANDS\r\np\r\n"), 1);
    EXPECT_EQ(session.strAttributes, " REV  DATE ");
    EXPECT_EQ(Parse("*INPUT\r\nATTRIBUTES: *\r\n*COMMANDS\r\np\r\n"), 1);
    EXPECT_EQ(session.strAttributes, "*");
    // Present but empty: a list that names no tag, not the absent key.
    EXPECT_EQ(Parse("*INPUT\r\nATTRIBUTES:\r\n*COMMANDS\r\np\r\n"), 1);
    EXPECT_EQ(session.strAttributes, "  ");
    // The next template without the key starts afresh.
    EXPECT_EQ(Parse("*INPUT\r\n*COMMANDS\r\np\r\n"), 1);
    EXPECT_EQ(session.strAttributes, "");
}

TEST_F(TemplateTest, ARegularExpressionThatDoesNotCompileRefusesTheTemplate) {
    const QByteArray text = "note\r\n*INPUT\r\n*COMMANDS\r\n' a comment\r\np\r\n\r\ng,(unclosed,x\r\n";
    EXPECT_EQ(Parse(text), -4);
    EXPECT_EQ(err, "Template file has an invalid regular expression on line 7: missing closing parenthesis.");
    EXPECT_TRUE(session.strCommands.isEmpty());
    EXPECT_EQ(Parse("*INPUT\r\n*COMMANDS\r\nSG,a[,x\r\n"), -4);
    EXPECT_TRUE(err.startsWith("Template file has an invalid regular expression on line 3: ")) << err.toStdString();

    // Only lines that are g or sg commands with the run's delimiter are patterns: with ";" the line
    // above is no command and the template is read as it always was.
    err.clear();
    EXPECT_EQ(session.PrepTemplate(Write(text), err, ";"), 1);
    EXPECT_EQ(session.strCommands, (QStringList{"p", "g,(unclosed,x"}));
    EXPECT_EQ(Parse("*INPUT\r\n*COMMANDS\r\ng,(a)|b,\\1\r\nf,(,x\r\n"), 1);
}
