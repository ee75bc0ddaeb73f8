// The command language on one text object: recognition, tests and effects of every code, the audit
// wording for both text types, the pipeline, and host failures in the middle of a list.

#include "host/text_files.h"
#include "modify/commands.h"
#include "support/test_host.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace qln;
using testhost::TestEntity;
using testhost::TestHost;

namespace {

// Runs command lists on objects of an in-memory drawing, with an audit log in memory.
class CommandStep : public ::testing::Test {
protected:
    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();
    testhost::TestDrawing& dwg = host->AddDrawing(QStringLiteral("/d/a.dwg"));
    QBuffer log;
    LineWriter audit{&log};
    host::PendingError pending;
    bool modified = false;

    void SetUp() override { log.open(QIODevice::WriteOnly); }

    TestEntity& Text(const QString& text, bool mtext = false) { return dwg.AddText("MODEL", text, mtext); }

    void Run(TestEntity& object, const QStringList& lines, bool mtext = false, const QString& delimiter = ",") {
        RunCommands(object, RecogniseCommands(lines, delimiter), mtext, &audit, pending, modified);
    }

    // The audit lines written so far; every line must end with CR LF.
    QStringList AuditLines() {
        const QString all = QString::fromUtf8(log.data());
        if (all.isEmpty()) return {};
        EXPECT_TRUE(all.endsWith("\r\n"));
        QStringList lines = all.split("\r\n");
        lines.removeLast();
        return lines;
    }
};

// The code a line is recognised as ("d," for the prefixed d), or "-" when none.
QString CodeOf(const QString& line, const QString& delimiter = ",") {
    const auto c = RecogniseCommand(line, delimiter);
    if (!c) return QStringLiteral("-");
    const QString code = QString::fromUtf16(c->row->code);
    return c->row->argument == CommandRow::Argument::None ? code : code + delimiter;
}

TEST(CommandRecognition, CodesIgnoreCaseTheDelimiterIsExact) {
    EXPECT_EQ(CodeOf("P"), "p");
    EXPECT_EQ(CodeOf("p"), "p");
    EXPECT_EQ(CodeOf("F,x,y"), "f,");
    EXPECT_EQ(CodeOf("SD,x"), "sd,");
    EXPECT_EQ(CodeOf("d"), "d");
    EXPECT_EQ(CodeOf("d,x"), "d,");
    EXPECT_EQ(CodeOf("c"), "c");
    EXPECT_EQ(CodeOf("C,x"), "c,");
    EXPECT_EQ(CodeOf("sx,"), "sx,");
    // Not commands: a tab before the code (only spaces are trimmed), a note after it, a space instead
    // of the delimiter, an unknown code, a bare prefix without its delimiter.
    EXPECT_EQ(CodeOf("\tp"), "-");
    EXPECT_EQ(CodeOf("p 'proper case"), "-");
    EXPECT_EQ(CodeOf("f x y"), "-");
    EXPECT_EQ(CodeOf("q,x"), "-");
    EXPECT_EQ(CodeOf("sf"), "-");
    EXPECT_EQ(CodeOf("pp"), "-");

    // A template written for "," run with ";": only its one-letter commands are recognised.
    EXPECT_EQ(CodeOf("f,a,b", ";"), "-");
    EXPECT_EQ(CodeOf("u", ";"), "u");
    EXPECT_EQ(CodeOf("sf;a;b", ";"), "sf;");
    // The line's prefix is lower-cased and the delimiter is not: an upper-case letter never matches.
    EXPECT_EQ(CodeOf("fXaXb", "X"), "-");
    EXPECT_EQ(CodeOf("fxaxb", "X"), "-");
    EXPECT_EQ(CodeOf("FXaxb", "x"), "fx");
    // Without a delimiter only the one-letter commands exist.
    EXPECT_EQ(CodeOf("f,a", ""), "-");
    EXPECT_EQ(CodeOf("l", ""), "l");
}

TEST(CommandRecognition, ArgumentsSplitAtTheLastDelimiter) {
    auto f = RecogniseCommand("f,a,b,c", ",");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->find, "a,b");
    EXPECT_EQ(f->replacement, "c");

    // With the delimiter only in the prefix the find text is empty.
    for (const QString line : {"f,,x", "f,x"}) {
        auto empty = RecogniseCommand(line, ",");
        ASSERT_TRUE(empty) << line.toStdString();
        EXPECT_TRUE(empty->find.isEmpty());
        EXPECT_EQ(empty->replacement, "x");
    }
    auto trailing = RecogniseCommand("a,abc,", ",");
    EXPECT_EQ(trailing->find, "abc");
    EXPECT_EQ(trailing->replacement, "");

    // Single arguments keep every further delimiter.
    auto r = RecogniseCommand("R,a,b", ",");
    EXPECT_EQ(r->replacement, "a,b");
    auto sd = RecogniseCommand("sd,x,y", ",");
    EXPECT_EQ(sd->find, "x,y");
    // Case of the arguments is kept.
    EXPECT_EQ(RecogniseCommand("SF;Abc;XyZ", ";")->replacement, "XyZ");

    EXPECT_EQ(RecogniseCommands({"p", "bogus", "f,a,b", "U"}, ",").size(), 3u);
}

TEST(TextConversions, ProperCase) {
    EXPECT_EQ(ProperCase("hello wORLD"), "Hello World");
    // Only blanks start a word: punctuation and digits do not.
    EXPECT_EQ(ProperCase("foo-bar o'neil (note) 2nd"), "Foo-bar O'neil (note) 2nd");
    EXPECT_EQ(ProperCase(QString("a\tb\nc\vd\fe\rf") + QChar(0) + "g  h"),
              QString("A\tB\nC\vD\fE\rF") + QChar(0) + "G  H");
    EXPECT_EQ(ProperCase(""), "");
    EXPECT_EQ(ProperCase("\u00e9COLE \u00c9T\u00c9"), "\u00c9cole \u00c9t\u00e9");
    // A first character outside the basic plane is one character (a surrogate pair): 𐐨 -> 𐐀.
    EXPECT_EQ(ProperCase("\U00010428\U00010400 x"), "\U00010400\U00010428 X");
    // Multiple-line formatting codes are converted with the text.
    EXPECT_EQ(ProperCase("\\PLINE ONE"), "\\pline One");
}

TEST(TextConversions, ReplaceOccurrencesLeftToRightWithoutRescanning) {
    EXPECT_EQ(ReplaceOccurrences("aaaa", "aa", "a", Qt::CaseSensitive), "aa");
    EXPECT_EQ(ReplaceOccurrences("aaa", "aa", "b", Qt::CaseSensitive), "ba");
    EXPECT_EQ(ReplaceOccurrences("abab", "ab", "abab", Qt::CaseSensitive), "abababab");
    EXPECT_EQ(ReplaceOccurrences("ABC abc aBc", "abc", "x", Qt::CaseInsensitive), "x x x");
    EXPECT_EQ(ReplaceOccurrences("ABC abc", "abc", "x", Qt::CaseSensitive), "ABC x");
    EXPECT_EQ(ReplaceOccurrences("abc", "", "x", Qt::CaseInsensitive), "abc");
    // Ignoring case is Unicode-aware.
    EXPECT_EQ(ReplaceOccurrences("CAF\u00c9 caf\u00e9", "caf\u00e9", "bar", Qt::CaseInsensitive), "bar bar");
}

// Whether each command applies to a text, and what it leaves: the text, or "<deleted>".
TEST_F(CommandStep, EveryCodeTestAndEffect) {
    struct Case {
        const char* command;
        QString text;
        bool applies;
        QString result;
    };
    const QString deleted = "<deleted>";
    const std::vector<Case> cases = {
        {"p", "hello WORLD", true, "Hello World"},
        {"u", "stra\u00dfe", true, "STRASSE"},
        {"l", "\u00c0\u00c9\u00ce \\P", true, "\u00e0\u00e9\u00ee \\p"},
        {"d", "", true, deleted},
        {"c", "abc", true, ""},
        {"f,abc,X", "ABC abc", true, "X X"},
        {"f,abc,X", "ab c", false, "ab c"},
        {"sf,abc,X", "ABC abc", true, "ABC X"},
        {"sf,Abc,X", "abc", false, "abc"},
        {"w,ab,Z", "xxABxx", true, "Z"},
        {"sw,ab,Z", "xxABxx", false, "xxABxx"},
        {"sw,AB,Z", "xxABxx", true, "Z"},
        {"r,a,b", "anything", true, "a,b"},
        {"r,x", "", true, "x"},
        {"a,abc,Z", "ABC", true, "Z"},
        {"a,abc,Z", "abcd", false, "abcd"},
        {"sa,abc,Z", "ABC", false, "ABC"},
        {"sa,abc,Z", "abc", true, "Z"},
        {"d,ab", "xABx", true, deleted},
        {"d,ab", "a b", false, "a b"},
        {"sd,Abc", "abc", false, "abc"},
        {"sd,Abc", "xAbcx", true, deleted},
        {"z,abc", "ABC", true, deleted},
        {"z,abc", "abcd", false, "abcd"},
        {"sz,abc", "ABC", false, "ABC"},
        {"sz,abc", "abc", true, deleted},
        {"c,ab", "xABx", true, ""},
        {"sc,ab", "xABx", false, "xABx"},
        {"x,abc", "ABC", true, ""},
        {"x,abc", "ABC ", false, "ABC "},
        {"sx,abc", "ABC", false, "ABC"},
        {"sx,abc", "abc", true, ""},
        // Case folding is Unicode-aware.
        {"z,\u00e9t\u00e9", "\u00c9T\u00c9", true, deleted},
        {"sz,\u00e9t\u00e9", "\u00c9T\u00c9", false, "\u00c9T\u00c9"},
        // Empty find texts and arguments: contained in every non-empty text, equal only to the empty one.
        {"f,,x", "abc", true, "abc"},
        {"f,x", "", false, ""},
        {"sf,,x", "abc", true, "abc"},
        {"w,,Z", "abc", true, "Z"},
        {"w,,Z", "", false, ""},
        {"sw,,Z", "abc", true, "Z"},
        {"d,", "abc", true, deleted},
        {"d,", "", false, ""},
        {"sd,", "abc", true, deleted},
        {"c,", "abc", true, ""},
        {"sc,", "", false, ""},
        {"a,,Z", "", true, "Z"},
        {"a,,Z", "abc", false, "abc"},
        {"sa,,Z", "", true, "Z"},
        {"z,", "", true, deleted},
        {"z,", "a", false, "a"},
        {"sz,", "", true, deleted},
        {"x,", "", true, ""},
        {"sx,", "a", false, "a"},
        // Unrecognised lines do nothing.
        {"f abc X", "abc", false, "abc"},
        {"P 'note", "abc", false, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " on '" + c.text.toStdString() + "'");
        TestEntity& object = Text(c.text);
        modified = false;
        Run(object, {QString::fromUtf8(c.command)});
        EXPECT_EQ(modified, c.applies);
        EXPECT_EQ(object.deleted ? deleted : object.text, c.result);
    }
    // An empty find text "found" by f leaves the text as it was, without writing it back (the cases
    // above did write texts, so the call log names the member this way).
    ASSERT_FALSE(host->CallsTo("SetTextString[").isEmpty());
    TestEntity& same = Text("abc");
    host->calls.clear();
    Run(same, {"f,,x"});
    EXPECT_TRUE(host->CallsTo("SetTextString[").isEmpty());
}

TEST_F(CommandStep, AuditWordingForSingleLineText) {
    struct Case {
        const char* command;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"p", "Proper cased single line text object with text 'abc,Def' (Handle: %1)"},
        {"u", "Upper cased single line text object with text 'abc,Def' (Handle: %1)"},
        {"l", "Lower cased single line text object with text 'abc,Def' (Handle: %1)"},
        {"d", "Deleted single line text object with text 'abc,Def' (Handle: %1)"},
        {"d,c,D", "Deleted single line text object with text 'abc,Def' (Handle: %1)"},
        {"sd,c,D", "Deleted single line text object with text 'abc,Def' (Handle: %1)"},
        {"z,ABC,DEF", "Deleted single line text object with text 'abc,Def' (Handle: %1)"},
        {"sz,abc,Def", "Deleted single line text object with text 'abc,Def' (Handle: %1)"},
        {"c", "Cleared single line text object with handle %1 and text 'abc,Def'"},
        {"c,B", "Cleared single line text object with text 'abc,Def' (Handle: %1)"},
        {"sc,b", "Cleared single line text object with text 'abc,Def' (Handle: %1)"},
        {"x,ABC,def", "Cleared single line text object with text 'abc,Def' (Handle: %1)"},
        {"sx,abc,Def", "Cleared single line text object with text 'abc,Def' (Handle: %1)"},
        {"f,C,D,x", "Found 'C,D' in 'abc,Def' and replaced with 'x'"},
        {"sf,c,x", "Found 'c' in 'abc,Def' and replaced with 'x'"},
        {"w,B,Whole", "Found 'B' in 'abc,Def' and replaced with 'Whole'"},
        {"sw,,Whole", "Found '' in 'abc,Def' and replaced with 'Whole'"},
        {"r,n,m", "Replaced 'abc,Def' with 'n,m'"},
        {"a,ABC,DEF,new", "Found 'ABC,DEF' (Handle: %1) and replaced with 'new'"},
        {"sa,abc,Def,new", "Found 'abc,Def' (Handle: %1) and replaced with 'new'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        log.buffer().clear();
        log.seek(0);
        TestEntity& object = Text("abc,Def");
        Run(object, {QString::fromUtf8(c.command)});
        EXPECT_EQ(AuditLines(), QStringList{QString::fromUtf8(c.line).arg(object.handle)});
    }
}

TEST_F(CommandStep, AuditWordingForMultipleLineText) {
    struct Case {
        const char* command;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"p", "Proper cased multiple line text object with handle %1"},
        {"u", "Upper cased multiple line text object with handle %1"},
        {"l", "Lower cased multiple line text object with handle %1"},
        {"d", "Deleted multiple line text object with handle %1"},
        {"sd,\\P", "Deleted multiple line text object with handle %1"},
        {"z,ONE\\PTWO", "Deleted multiple line text object with handle %1"},
        {"c", "Cleared multiple line text object with handle %1"},
        {"c,one", "Cleared multiple line text object with handle %1"},
        {"sx,one\\PTwo", "Cleared multiple line text object with handle %1"},
        {"f,one,1", "Found Handle: %1 and replaced with '1'"},
        {"sw,Two,2", "Found Handle: %1 and replaced with '2'"},
        {"r,n,m", "Found Handle: %1 and replaced with 'n,m'"},
        {"a,ONE\\PTWO,new", "Found 'ONE\\PTWO' (Handle: %1) and replaced with 'new'"},
        {"sa,one\\PTwo,new", "Found 'one\\PTwo' (Handle: %1) and replaced with 'new'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        log.buffer().clear();
        log.seek(0);
        TestEntity& object = Text("one\\PTwo", /*mtext=*/true);
        Run(object, {QString::fromUtf8(c.command)}, /*mtext=*/true);
        EXPECT_EQ(AuditLines(), QStringList{QString::fromUtf8(c.line).arg(object.handle)});
    }
}

TEST_F(CommandStep, RegularExpressionsReplaceEveryMatchWithCapturedGroups) {
    EXPECT_EQ(CodeOf("G,a,b"), "g,");
    EXPECT_EQ(CodeOf("sg,a,b"), "sg,");
    EXPECT_EQ(CodeOf("g a"), "-");

    TestEntity& sheet = Text("Sheet a-101 of A-199");
    Run(sheet, {"g,([a-z])-1(\\d\\d),\\1-2\\2"});
    EXPECT_EQ(sheet.text, "Sheet a-201 of A-299");
    // Exact case: only the upper-case A matches; \0 and \x stay literal, a group that took no part is empty.
    Run(sheet, {"sg,(A)-(2)(x)?,\\3[\\1\\0\\x]"});
    EXPECT_EQ(sheet.text, "Sheet a-201 of [A\\0\\x]99");
    // A pattern may hold the delimiter; the replacement is what follows the last one. Unicode letters
    // fold case.
    TestEntity& word = Text(QString::fromUtf8("ÉTÉ, été"));
    Run(word, {QString::fromUtf8("g,(é)t(é), ?,\\2")});
    EXPECT_EQ(word.text, QString::fromUtf8("Éété"));

    // A pattern that matches the empty string inserts once per position and ends.
    TestEntity& empty = Text("ab");
    Run(empty, {"g,x*,-"});
    EXPECT_EQ(empty.text, "-a-b-");
    // The empty pattern behaves like f's empty find text: it applies and changes nothing.
    TestEntity& same = Text("ab");
    Run(same, {"g,,x"});
    EXPECT_EQ(same.text, "ab");
    // No match: nothing applies.
    const int before = AuditLines().size();
    TestEntity& none = Text("ab");
    Run(none, {"sg,A,x"});
    EXPECT_EQ(AuditLines().size(), before);

    // Audit lines name the pattern, the old text and the whole new text.
    const QStringList lines = AuditLines();
    EXPECT_EQ(lines[0], "Found '([a-z])-1(\\d\\d)' in 'Sheet a-101 of A-199' and replaced with 'Sheet a-201 of A-299'");
    EXPECT_EQ(lines[3], "Found 'x*' in 'ab' and replaced with '-a-b-'");
    TestEntity& mtext = Text("one\\Ptwo", /*mtext=*/true);
    Run(mtext, {"g,o(n)e,\\1"}, /*mtext=*/true);
    EXPECT_EQ(AuditLines().last(), "Found Handle: " + mtext.handle + " and replaced with 'n\\Ptwo'");
}

TEST_F(CommandStep, AttributeAuditLinesAddTheTagInSingleLineWording) {
    TestEntity& reference = dwg.AddInsert("TB");
    TestEntity& rev = reference.AddAttribute("REV", "a");
    const QString tag = "REV";
    const QString h = rev.handle;
    auto run = [&](const QString& line, const QString& before) {
        rev.text = before;
        rev.deleted = false;
        RunCommands(rev, RecogniseCommands({line}, ","), /*blnMText=*/true, &audit, pending, modified, &tag);
    };
    run("u", "a");
    run("c", "b");
    run("x,c", "c");
    run("f,d,e", "d");
    run("g,(f),\\1\\1", "f");
    run("r,h", "g");
    run("a,i,j", "i");
    run("d", "k");
    EXPECT_EQ(AuditLines(), (QStringList{
                                "Upper cased single line text object with text 'a' (Handle: " + h + ", Tag: REV)",
                                "Cleared single line text object with handle " + h + " and text 'b' (Tag: REV)",
                                "Cleared single line text object with text 'c' (Handle: " + h + ", Tag: REV)",
                                "Found 'd' in 'd' and replaced with 'e' (Handle: " + h + ", Tag: REV)",
                                "Found '(f)' in 'f' and replaced with 'ff' (Handle: " + h + ", Tag: REV)",
                                "Replaced 'g' with 'h' (Handle: " + h + ", Tag: REV)",
                                "Found 'i' (Handle: " + h + ", Tag: REV) and replaced with 'j'",
                                "Deleted single line text object with text 'k' (Handle: " + h + ", Tag: REV)",
                            }));
}

TEST_F(CommandStep, TheListIsAPipeline) {
    TestEntity& forward = Text("abc def");
    Run(forward, {"p", "sf,Abc,X"});
    EXPECT_EQ(forward.text, "X Def");
    EXPECT_EQ(AuditLines(), (QStringList{"Proper cased single line text object with text 'abc def' (Handle: " +
                                             forward.handle + ")",
                                         "Found 'Abc' in 'Abc Def' and replaced with 'X'"}));

    log.buffer().clear();
    log.seek(0);
    TestEntity& backward = Text("abc def");
    Run(backward, {"sf,Abc,X", "p"});
    EXPECT_EQ(backward.text, "Abc Def");
    EXPECT_EQ(AuditLines().size(), 1);
}

TEST_F(CommandStep, NothingHappensToADeletedObject) {
    TestEntity& object = Text("abc");
    Run(object, {"d", "p", "r,new", "z,abc"});
    EXPECT_TRUE(object.deleted);
    EXPECT_EQ(object.text, "abc");
    EXPECT_EQ(AuditLines(), QStringList{"Deleted single line text object with text 'abc' (Handle: " + object.handle + ")"});
    EXPECT_TRUE(modified);
}

TEST_F(CommandStep, AFailingHostCallSkipsItsStepAndTheListGoesOn) {
    // Writing the text fails for the first command: that change is not recorded as made (the audit log
    // gives the host's reason), and the next command works on the unchanged text.
    TestEntity& a = Text("abc");
    host->FailNext("SetTextString");
    Run(a, {"u", "f,b,X"});
    EXPECT_EQ(a.text, "aXc");
    EXPECT_EQ(AuditLines(), (QStringList{"Error: Injected failure", "Found 'b' in 'abc' and replaced with 'X'"}));
    EXPECT_TRUE(modified);
    EXPECT_TRUE(pending.IsSet());

    // The text cannot be read for the first command: it is skipped, the second applies.
    log.buffer().clear();
    log.seek(0);
    TestEntity& b = Text("abc");
    host->FailNext("TextString");
    Run(b, {"u", "r,new"});
    EXPECT_EQ(b.text, "new");
    EXPECT_EQ(AuditLines(), QStringList{"Replaced 'abc' with 'new'"});

    // The handle cannot be read: that audit line is left out, the change is still made.
    log.buffer().clear();
    log.seek(0);
    TestEntity& c = Text("abc");
    host->FailNext("Handle");
    Run(c, {"u", "l"});
    EXPECT_EQ(c.text, "abc");
    EXPECT_EQ(AuditLines(), QStringList{"Lower cased single line text object with text 'ABC' (Handle: " + c.handle + ")"});
    // A line that does not quote the handle does not depend on it.
    log.buffer().clear();
    log.seek(0);
    host->FailNext("Handle");
    Run(c, {"f,b,x"});
    EXPECT_EQ(AuditLines(), QStringList{"Found 'b' in 'abc' and replaced with 'x'"});

    // Deleting fails: no deletion is recorded, and the object is still there for the next command.
    log.buffer().clear();
    log.seek(0);
    TestEntity& d = Text("abc");
    host->FailNext("Delete");
    Run(d, {"d", "u"});
    EXPECT_FALSE(d.deleted);
    EXPECT_EQ(d.text, "ABC");
    EXPECT_EQ(AuditLines(), (QStringList{"Error: Injected failure",
                                         "Upper cased single line text object with text 'abc' (Handle: " + d.handle + ")"}));

    // When every change is refused nothing counts as modified.
    log.buffer().clear();
    log.seek(0);
    modified = false;
    TestEntity& e = Text("abc");
    e.failing = QStringList{"SetTextString", "Delete"};
    Run(e, {"u", "r,x", "sd,b"});
    EXPECT_FALSE(modified);
    EXPECT_EQ(AuditLines(), QStringList(3, "Error: Injected failure"));
    EXPECT_EQ(e.text, "abc");
}

}  // namespace
