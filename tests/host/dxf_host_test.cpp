// The DXF host through the automation interface and a cAutoCAD session, on drawings written by hand:
// documents, selection, blocks, entity members, text changes, deleting, saving and locking.

#include "support/dxf_test_util.h"
#include "host/file_io.h"
#include "host/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QOperatingSystemVersion>

#include <cmath>
#include <numbers>
#include <random>

#include <sys/stat.h>

using namespace dxftest;

namespace {

class DxfHostTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Session session;

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testhost::WriteFile(path, bytes));
        return path;
    }
    std::vector<host::EntityPtr> All(const QString& set, const QString& type) {
        return Select(session.Doc(), set, {0}, {type});
    }
};

// Two texts in model space, one in paper space (group 67), one in a layout block, a block with text.
QByteArray Sample() {
    const QByteArray blocks =
        Block("*Model_Space", {}) + Block("*Paper_Space", {}) +
        Block("*Paper_Space0", Text("30", "layout two", "P2", true)) +
        Block("Title", Text("40", "in title", "T") + Pairs({{0, "LINE"}, {5, "41"}, {100, "AcDbEntity"}, {8, "0"},
                                                            {100, "AcDbLine"}, {10, "0"}, {20, "0"}, {30, "0"},
                                                            {11, "1"}, {21, "1"}, {31, "0"}})) +
        Block("XREF", Text("50", "never seen"), 4);
    const QByteArray entities = Text("10", "first", "A") + Insert("11", "title") + Text("12", "paper", "P", true) +
                                Text("13", "second", "B") + Insert("14", "TITLE", true);
    return Drawing(entities, blocks);
}

TEST_F(DxfHostTest, DocumentsOpenCountItemAndClose) {
    const QString a = Write("a.dxf", Sample());
    const QString b = Write("b.dxf", Sample());
    EXPECT_FALSE(session.s.IsAcadUp());  // no running instance to attach to
    auto docs = session.s.objAcad->Documents();
    ASSERT_TRUE(docs.ok());
    // The three argument forms behave alike; the password is ignored.
    auto da = (*docs)->Open(a, false, QStringLiteral("secret"));
    ASSERT_TRUE(da.ok()) << da.error().description.toStdString();
    auto db = (*docs)->Open(b);
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(*(*docs)->Count(), 2);
    // The full name as the CAD host gives it: with the platform's separators.
    EXPECT_EQ(*(*(*docs)->Item(0))->FullName(), QDir::toNativeSeparators(QFileInfo(a).absoluteFilePath()));
    EXPECT_EQ(*(*(*docs)->Item(1))->FullName(), QDir::toNativeSeparators(QFileInfo(b).absoluteFilePath()));
    EXPECT_FALSE((*docs)->Item(2).ok());
    EXPECT_FALSE((*docs)->Item(-1).ok());

    // A path that is open already, also spelt another way, cannot be opened again.
    auto again = (*docs)->Open(dir.path() + QStringLiteral("/./a.dxf"), true);
    ASSERT_FALSE(again.ok());
    EXPECT_TRUE(again.error().description.contains(u"already open"));

    EXPECT_TRUE((*da)->Close(false).ok());
    EXPECT_EQ(*(*docs)->Count(), 1);
    EXPECT_FALSE((*da)->FullName().ok());  // a closed document answers nothing
    EXPECT_FALSE((*da)->Close(false).ok());
    EXPECT_TRUE(session.s.objAcad->SetWindowState(2).ok());
    EXPECT_TRUE(session.s.objAcad->SetVisible(false).ok());
    EXPECT_TRUE(session.s.objAcad->Quit().ok());
    EXPECT_FALSE(session.s.objAcad->Documents().ok());
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(b)));  // quitting closed b
}

TEST_F(DxfHostTest, SessionOpensAndClosesLikeTheCadHost) {
    const QString a = Write("a.dxf", Sample());
    EXPECT_EQ(session.s.OpenDrawing(a, true), 1);
    EXPECT_EQ(session.s.CloseDrawing(false), 1);
    EXPECT_EQ(session.s.OpenDrawing(dir.filePath("missing.dxf")), -2);
    EXPECT_TRUE(session.s.PendingError().description.contains(u"does not exist"));
    EXPECT_EQ(session.s.OpenDrawing(a), 1);
    session.s.strVersion = QStringLiteral("0");
    EXPECT_EQ(session.s.CloseDrawing(true), 1);  // nothing changed: nothing written
    EXPECT_EQ(testhost::ReadFile(a), Sample());
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::BackupFileFor(a)));
}

TEST_F(DxfHostTest, SelectsBySpaceTypeAndBlockNameInFileOrder) {
    ASSERT_EQ(session.s.OpenDrawing(Write("a.dxf", Sample())), 1);
    host::Document& doc = session.Doc();
    EXPECT_EQ(Texts(Select(doc, "MODEL", {0, 67}, {QStringLiteral("text"), std::int16_t(0)})),
              (QStringList{"first", "second"}));
    // Paper space: group 67 in ENTITIES and every entity of the layout blocks, in file order.
    EXPECT_EQ(Texts(Select(doc, "PAPER", {0, 67}, {QStringLiteral("TEXT"), std::int16_t(1)})),
              (QStringList{"layout two", "paper"}));
    auto inserts = Select(doc, "MODELBLOCKS", {0, 67}, {QStringLiteral("INSERT"), std::int16_t(0)});
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(*inserts[0]->Name(), "title");
    EXPECT_EQ(Select(doc, "ONE", {0, 67, 2}, {QStringLiteral("INSERT"), std::int16_t(1), QStringLiteral("Title")}).size(), 1u);
    EXPECT_TRUE(Select(doc, "NONE", {0, 67, 2}, {QStringLiteral("INSERT"), std::int16_t(0), QStringLiteral("Tit")}).empty());
    EXPECT_EQ(Select(doc, "LAYER", {0, 8}, {QStringLiteral("TEXT"), QStringLiteral("b")}).size(), 1u);
    EXPECT_EQ(Select(doc, "ANY", {}, {}).size(), 6u);  // block contents are not selected

    auto sets = doc.SelectionSets();
    EXPECT_FALSE((*sets)->Add(QStringLiteral("model")).ok());  // the name is taken (ignoring case)
    auto set = (*sets)->Add(QStringLiteral("X"));
    EXPECT_FALSE((*set)->Select(1, {0}, {QStringLiteral("TEXT")}).ok());
    EXPECT_FALSE((*set)->Select(5, {0, 67}, {QStringLiteral("TEXT")}).ok());
}

TEST_F(DxfHostTest, BlocksByNameIgnoringCase) {
    ASSERT_EQ(session.s.OpenDrawing(Write("a.dxf", Sample())), 1);
    host::Document& doc = session.Doc();
    auto title = doc.Blocks(QStringLiteral("TITLE"));
    ASSERT_TRUE(title.ok());
    auto items = (*title)->Items();
    ASSERT_EQ(items->size(), 2u);
    EXPECT_EQ(*(*items)[0]->ObjectName(), "AcDbText");
    EXPECT_EQ(*(*items)[1]->ObjectName(), "AcDbLine");
    EXPECT_EQ(*(*items)[0]->Layer(), "T");
    EXPECT_TRUE((*doc.Blocks(QStringLiteral("xref")))->Items()->empty());  // an external reference
    auto missing = doc.Blocks(QStringLiteral("nope"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number, host::kKeyNotFound);
    EXPECT_EQ(Texts(*(*doc.Blocks(QStringLiteral("*model_space")))->Items()), (QStringList{"first", "<Object doesn't support this property or method>", "second"}));
    EXPECT_EQ(Texts(*(*doc.Blocks(QStringLiteral("*Paper_Space")))->Items()).size(), 2);
}

TEST_F(DxfHostTest, EntityMembers) {
    const QByteArray entities =
        Text("1A", "plain") +
        Pairs({{0, "MTEXT"}, {5, "2B"}, {100, "AcDbEntity"}, {8, "Notes"}, {100, "AcDbMText"}, {10, "4"}, {20, "5"},
               {30, "6"}, {40, "1"}, {1, "multi"}, {50, "90"}}) +
        Pairs({{0, "MTEXT"}, {5, "2C"}, {8, "0"}, {100, "AcDbMText"}, {10, "0"}, {20, "0"}, {1, "dir"}, {50, "90"},
               {11, "0"}, {21, "-1"}, {31, "0"}}) +
        Pairs({{0, "TEXT"}, {5, "3d"}, {8, "0"}, {10, "1"}, {20, "2"}, {30, "3"}, {1, "r"}, {50, "-90"}}) +
        Pairs({{0, "SOLID"}, {5, "4E"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbTrace"}}) +
        Pairs({{0, "ARC"}, {5, "4F"}, {8, "0"}}) + Pairs({{0, "CUSTOMTHING"}, {5, "50"}, {8, "0"}});
    ASSERT_EQ(session.s.OpenDrawing(Write("a.dxf", Drawing(entities))), 1);
    auto all = Select(session.Doc(), "ALL", {}, {});
    ASSERT_EQ(all.size(), 7u);
    QStringList names;
    for (auto& e : all) names << *e->ObjectName();
    EXPECT_EQ(names, (QStringList{"AcDbText", "AcDbMText", "AcDbMText", "AcDbText", "AcDbSolid", "AcDbArc",
                                  "AcDbCustomthing"}));
    EXPECT_EQ(*all[0]->Handle(), "1A");
    EXPECT_EQ(*all[3]->Handle(), "3D");
    EXPECT_EQ(*all[1]->Layer(), "Notes");
    EXPECT_EQ(*all[0]->InsertionPoint(), (host::Point3{1.5, 2.5, 0}));
    EXPECT_EQ(*all[1]->InsertionPoint(), (host::Point3{4, 5, 6}));
    EXPECT_DOUBLE_EQ(*all[1]->Rotation(), std::numbers::pi / 2);  // degrees in the file
    EXPECT_DOUBLE_EQ(*all[2]->Rotation(), 1.5 * std::numbers::pi);  // the direction vector wins
    EXPECT_DOUBLE_EQ(*all[3]->Rotation(), 1.5 * std::numbers::pi);  // in [0, 2pi)
    EXPECT_EQ(*all[0]->Rotation(), 0.0);
    EXPECT_FALSE(all[0]->Name().ok());  // only block references have a name
    EXPECT_FALSE(all[4]->TextString().ok());
}

TEST_F(DxfHostTest, DrawingOfRelease12WithoutHandles) {
    // No header, no handles, DOS line ends (the other line ends: PairIndexFindsEveryPartOfOddlyWrittenPairs).
    const QByteArray r12 = Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "TEXT"}, {8, "0"}, {10, "1"}, {20, "1"},
                                  {40, "1"}, {1, "old"}, {0, "ENDSEC"}, {0, "EOF"}}, "\r\n");
    const QString path = Write("r12.dxf", r12);
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto texts = All("T", "TEXT");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(*texts[0]->Handle(), "");
    EXPECT_EQ(*texts[0]->ObjectName(), "AcDbText");
    EXPECT_EQ(*texts[0]->TextString(), "old");
    EXPECT_TRUE(texts[0]->SetTextString(QStringLiteral("new")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    QByteArray expected = r12;
    expected.replace("\r\nold\r\n", "\r\nnew\r\n");
    EXPECT_EQ(testhost::ReadFile(path), expected);
}

TEST_F(DxfHostTest, ChangedTextIsTheOnlyChangeInTheSavedFile) {
    // Odd spacing, CR LF line ends, a comment and data after EOF are all kept.
    QByteArray bytes = Drawing(Text("10", "one") + Text("11", "two"), {}, "AC1015", "ANSI_1252", {});
    bytes.replace("\n", "\r\n");
    bytes.replace("  8\r\n", "8   \r\n");
    bytes.prepend("999\r\ncomment\r\n");
    bytes.append("trailing junk\x01\x02");
    const QString path = Write("a.dxf", bytes);
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto texts = All("T", "TEXT");
    EXPECT_TRUE(texts[0]->SetTextString(QStringLiteral("one")).ok());  // the same text: no change
    EXPECT_TRUE(texts[1]->SetTextString(QStringLiteral("a^b\tc\nd")).ok());
    EXPECT_EQ(*texts[1]->TextString(), "a^b\tc\nd");
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    QByteArray expected = bytes;
    expected.replace("\r\ntwo\r\n", "\r\na^ b^Ic^Jd\r\n");
    EXPECT_EQ(testhost::ReadFile(path), expected);

    // Read back: the caret notation gives the characters again.
    ASSERT_EQ(session.s.OpenDrawing(path, true), 1);
    EXPECT_EQ(Texts(All("T", "TEXT")), (QStringList{"one", "a^b\tc\nd"}));
}

TEST_F(DxfHostTest, ChangedTextKeepsTheFormOfItsControlCharacters) {
    // Raw stays raw (a tab, a caret alone), caret notation stays caret notation; a line break is always
    // ^J, since it cannot stand in a line; a caret that would read as a pair is written "^ ".
    const QString path = Write("c.dxf", Drawing(Text("10", "raw\ttab 2^3") + Text("11", "caret^Itab^ x")));
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto texts = All("T", "TEXT");
    EXPECT_EQ(Texts(texts), (QStringList{"raw\ttab 2^3", "caret\ttab^x"}));
    EXPECT_TRUE(texts[0]->SetTextString(QStringLiteral("new\ttab 2^3 ^A\n")).ok());
    EXPECT_TRUE(texts[1]->SetTextString(QStringLiteral("new\ttab^x")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_EQ(ReadPairs(testhost::ReadFile(path)),
              ReadPairs(Drawing(Text("10", "new\ttab 2^3 ^ A^J") + Text("11", "new^Itab^ x"))));
    ASSERT_EQ(session.s.OpenDrawing(path, true), 1);
    EXPECT_EQ(Texts(All("T", "TEXT")), (QStringList{"new\ttab 2^3 ^A\n", "new\ttab^x"}));
}

TEST_F(DxfHostTest, TextTooLongForALineIsRefusedAndTheDrawingStaysOpenable) {
    const QByteArray mtext = Pairs({{0, "MTEXT"}, {5, "20"}, {8, "0"}, {100, "AcDbMText"}, {10, "0"}, {20, "0"},
                                    {40, "1"}, {1, "m"}});
    const QString path = Write("l.dxf", Drawing(Text("2F", "short") + mtext));
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    const QString longest(qsizetype(qln::dxf::DxfFile::kMaxLineLength), u'e');
    auto text = All("T", "TEXT")[0];
    const auto refused = text->SetTextString(longest + u'e');
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().description,
              "The text of the TEXT with handle 2F is not changed: it would take 65537 bytes, more than the 65536 a "
              "line of a DXF file may hold");
    EXPECT_EQ(*text->TextString(), "short");
    // An escape counts with its bytes: one character the code page lacks is seven.
    EXPECT_FALSE(text->SetTextString(QString(qsizetype(qln::dxf::DxfFile::kMaxLineLength) - 6, u'e') + u'Ω').ok());
    // The longest line the reader takes is written; multiple-line text of any length goes into pieces.
    EXPECT_TRUE(text->SetTextString(longest).ok());
    EXPECT_TRUE(All("M", "MTEXT")[0]->SetTextString(longest + longest).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    ASSERT_EQ(session.s.OpenDrawing(path, true), 1) << session.s.PendingError().description.toStdString();
    EXPECT_EQ(Texts(All("T", "TEXT")), QStringList{longest});
    EXPECT_EQ(Texts(All("M", "MTEXT")), QStringList{longest + longest});
}

TEST_F(DxfHostTest, PairIndexFindsEveryPartOfOddlyWrittenPairs) {
    // Code lines padded far beyond the usual three columns, blank-padded values, every kind of line end,
    // and a file that stops right after EOF without a line end.
    const QByteArray pad(300, ' ');
    for (const QByteArray& eol : {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r")}) {
        SCOPED_TRACE(eol == "\r" ? "CR" : eol == "\n" ? "LF" : "CR LF");
        QByteArray bytes = Drawing(Text("10", "one") + Text("11", "two"));
        bytes.replace("\n", eol);
        bytes.replace("  1" + eol + "two", pad + "1" + pad + eol + "two");  // a code line of 604 bytes
        bytes.replace("  5" + eol + "10", "5" + eol + "  10  ");
        bytes.chop(eol.size());

        auto f = qln::dxf::DxfFile::Parse(bytes);
        ASSERT_TRUE(f.ok());
        // Walk the bytes line by line and compare with what the index gives.
        qsizetype at = 0;
        auto nextLine = [&](qsizetype& start, qsizetype& end) {
            start = at;
            const qsizetype eolAt = bytes.indexOf(eol, at);
            end = eolAt < 0 ? bytes.size() : eolAt;
            at = eolAt < 0 ? bytes.size() : eolAt + eol.size();
        };
        for (std::uint32_t i = 0; i < f->Size(); ++i) {
            qsizetype codeStart, codeEnd, valueStart, valueEnd;
            nextLine(codeStart, codeEnd);
            nextLine(valueStart, valueEnd);
            const qln::dxf::Pair p = f->At(i);
            ASSERT_EQ(p.codeStart, codeStart) << "pair " << i;
            EXPECT_EQ(p.valueStart, valueStart) << "pair " << i;
            EXPECT_EQ(p.valueEnd, valueEnd) << "pair " << i;
            EXPECT_EQ(f->PairEnd(i), at) << "pair " << i;
            EXPECT_EQ(f->CodeLine(i), bytes.mid(codeStart, valueStart - codeStart));
            EXPECT_EQ(f->ValueLineEnd(i), bytes.mid(valueEnd, at - valueEnd));
            EXPECT_EQ(f->Code(i), bytes.mid(codeStart, codeEnd - codeStart).trimmed().toInt());
        }
        EXPECT_EQ(at, bytes.size());
        EXPECT_EQ(f->IndexEnd(), bytes.size());

        // Through the host: the handle reads trimmed, and a change after the long code line lands in place.
        const QString path = Write("odd.dxf", bytes);
        ASSERT_EQ(session.s.OpenDrawing(path), 1);
        auto texts = All("T", "TEXT");
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(*texts[0]->Handle(), "10");
        EXPECT_EQ(*texts[1]->TextString(), "two");
        EXPECT_TRUE(texts[1]->SetTextString(QStringLiteral("three")).ok());
        EXPECT_EQ(session.s.CloseDrawing(true), 1);
        QByteArray expected = bytes;
        expected.replace(pad + eol + "two" + eol, pad + eol + "three" + eol);
        EXPECT_EQ(testhost::ReadFile(path), expected);
    }
}

TEST_F(DxfHostTest, LongMultipleLineTextIsJoinedAndSplitInPlace) {
    const QByteArray a250(250, 'a'), b250(250, 'b');
    auto mtext = [](const PairList& text) {
        PairList p{{0, "MTEXT"}, {5, "20"}, {8, "0"}, {100, "AcDbMText"}, {10, "0"}, {20, "0"}, {40, "1"}};
        p.insert(p.end(), text.begin(), text.end());
        p.insert(p.end(), {{7, "Standard"}, {210, "0"}, {220, "0"}, {230, "1"}});
        return Pairs(p);
    };
    const QString path = Write("m.dxf", Drawing(mtext({{3, a250}, {3, b250}, {1, "tail"}})));
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto m = All("M", "MTEXT");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(*m[0]->TextString(), QString::fromLatin1(a250 + b250 + "tail"));

    // Longer: a third piece; escapes (\U+XXXX for characters the code page lacks, ^J, \P) are not split.
    // Each would end a 250-byte piece one byte short of its end, so each starts the next piece instead.
    QString longer = QString(249, u'x') + QStringLiteral("漢") + QString(242, u'y') + QStringLiteral("\n") +
                     QString(247, u'z') + QStringLiteral("\\P") + QStringLiteral("end");
    EXPECT_TRUE(m[0]->SetTextString(longer).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    const PairList expectedLong{{3, QByteArray(249, 'x')}, {3, "\\U+6F22" + QByteArray(242, 'y')},
                                {3, "^J" + QByteArray(247, 'z')}, {1, "\\Pend"}};
    auto expectedFile = testhost::ReadFile(path);
    EXPECT_TRUE(expectedFile.contains(Pairs({{40, "1"}}) + Pairs(expectedLong) + Pairs({{7, "Standard"}})));

    // Shorter: the pieces not needed go; the file reads back as written.
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    m = All("M", "MTEXT");
    EXPECT_EQ(*m[0]->TextString(), longer);
    EXPECT_TRUE(m[0]->SetTextString(QStringLiteral("short")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_EQ(testhost::ReadFile(path), Drawing(mtext({{1, "short"}})));

    // And longer again from a single piece: new group 3 lines laid out like the group 1 line.
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    EXPECT_TRUE(All("M", "MTEXT")[0]->SetTextString(QString::fromLatin1(a250 + "rest")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_EQ(testhost::ReadFile(path), Drawing(mtext({{3, a250}, {1, "rest"}})));
}

TEST_F(DxfHostTest, TextWithoutAValueGetsOne) {
    const QByteArray entities = Pairs({{0, "TEXT"}, {5, "10"}, {8, "0"}, {10, "1"}, {20, "2"}, {40, "3"}, {50, "0"}});
    const QString path = Write("a.dxf", Drawing(entities));
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto t = All("T", "TEXT");
    EXPECT_EQ(*t[0]->TextString(), "");
    EXPECT_TRUE(t[0]->SetTextString(QStringLiteral("now")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_EQ(testhost::ReadFile(path),
              Drawing(Pairs({{0, "TEXT"}, {5, "10"}, {8, "0"}, {10, "1"}, {20, "2"}, {40, "3"}, {1, "now"}, {50, "0"}})));
}

TEST_F(DxfHostTest, DeleteTakesWhatTheEntityOwnsAndLeavesTheRest) {
    const QByteArray insert = Insert("20", "B") + Pairs({{66, "1"}}) +
                              Pairs({{0, "ATTRIB"}, {5, "21"}, {8, "0"}, {1, "att"}, {2, "TAG"}}) +
                              Pairs({{0, "SEQEND"}, {5, "22"}, {8, "0"}});
    const QByteArray polyline = Pairs({{0, "POLYLINE"}, {5, "30"}, {8, "0"}, {66, "1"}}) +
                                Pairs({{0, "VERTEX"}, {5, "31"}, {8, "0"}, {10, "0"}, {20, "0"}}) +
                                Pairs({{0, "SEQEND"}, {5, "32"}, {8, "0"}});
    const QByteArray before = Text("10", "keep") + insert + polyline + Text("40", "last");
    const QString path = Write("a.dxf", Drawing(before, Block("B", {})));
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto all = Select(session.Doc(), "ALL", {}, {});
    ASSERT_EQ(all.size(), 4u);  // sub-entities are not entities of their own
    auto blocks = All("I", "INSERT");
    EXPECT_TRUE(blocks[0]->Delete().ok());
    EXPECT_TRUE(all[2]->Delete().ok());
    // A deleted entity answers nothing, also through an enumeration made before; the rest goes on.
    EXPECT_EQ(all[1]->TextString().error().number, host::kObjectDeleted);
    EXPECT_EQ(all[1]->Delete().error().number, host::kObjectDeleted);
    EXPECT_FALSE(all[2]->Handle().ok());
    EXPECT_EQ(*all[3]->TextString(), "last");
    EXPECT_EQ(Select(session.Doc(), "AFTER", {}, {}).size(), 2u);
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_EQ(testhost::ReadFile(path), Drawing(Text("10", "keep") + Text("40", "last"), Block("B", {})));
}

TEST_F(DxfHostTest, DeleteTakesTheHandleOutOfTheListsThatNameIt) {
    const QByteArray entities =
        Text("10", "keep") +
        Pairs({{0, "TEXT"}, {5, "11"}, {102, "{ACAD_XDICTIONARY"}, {360, "90"}, {102, "}"}, {8, "0"}, {1, "gone"}});
    const QByteArray objects =
        Pairs({{0, "DICTIONARY"}, {5, "90"}, {330, "11"}, {100, "AcDbDictionary"}, {3, "DATA"}, {360, "91"}}) +
        Pairs({{0, "XRECORD"}, {5, "91"}, {330, "90"}, {100, "AcDbXrecord"}, {1, "payload"}}) +
        Pairs({{0, "GROUP"}, {5, "92"}, {102, "{ACAD_REACTORS"}, {330, "93"}, {102, "}"}, {330, "93"}, {340, "10"}, {340, "11"}}) +
        Pairs({{0, "SORTENTSTABLE"}, {5, "94"}, {330, "1F"}, {331, "11"}, {5, "A0"}, {331, "10"}, {5, "A1"}}) +
        Pairs({{0, "IMAGEDEF"}, {5, "95"}, {102, "{ACAD_REACTORS"}, {330, "11"}, {102, "}"}, {330, "93"}});
    const QString path = Write("a.dxf", Drawing(entities, {}, "AC1015", "ANSI_1252", objects));
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    EXPECT_TRUE(All("T", "TEXT")[1]->Delete().ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    const QByteArray expectedObjects =
        Pairs({{0, "GROUP"}, {5, "92"}, {102, "{ACAD_REACTORS"}, {330, "93"}, {102, "}"}, {330, "93"}, {340, "10"}}) +
        Pairs({{0, "SORTENTSTABLE"}, {5, "94"}, {330, "1F"}, {331, "10"}, {5, "A1"}}) +
        Pairs({{0, "IMAGEDEF"}, {5, "95"}, {330, "93"}});
    EXPECT_EQ(testhost::ReadFile(path), Drawing(Text("10", "keep"), {}, "AC1015", "ANSI_1252", expectedObjects));
}

TEST_F(DxfHostTest, SaveKeepsABackupAndThePermissions) {
    const QString path = Write("a.dxf", Sample());
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    // As the platform keeps them (on Windows only the read-only attribute is a permission).
    const QFileDevice::Permissions before = QFileInfo(path).permissions();
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    EXPECT_TRUE(QFileInfo::exists(qln::dxf::LockFileFor(path)));
    EXPECT_TRUE(All("T", "TEXT")[0]->SetTextString(QStringLiteral("changed")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(path)));
    EXPECT_EQ(QFileInfo(path).permissions(), before);
    EXPECT_EQ(testhost::ReadFile(qln::dxf::BackupFileFor(path)), Sample());
    // Nothing but the drawing and its backup is left; none of the host's files looks like a drawing.
    const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(files, (QStringList{"a.dxf", "a.dxf.bak"}));
    EXPECT_FALSE(qln::dxf::LockFileFor(path).endsWith(u".dxf", Qt::CaseInsensitive));
    EXPECT_NE(qln::dxf::LockFileFor(dir.filePath("a.DXF")), qln::dxf::LockFileFor(path));
}

TEST_F(DxfHostTest, ReadOnlyDrawingRefusesToSave) {
    const QString path = Write("a.dxf", Sample());
    ASSERT_EQ(session.s.OpenDrawing(path, true), 1);
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(path)));  // read-only opens take no lock
    EXPECT_TRUE(All("T", "TEXT")[0]->SetTextString(QStringLiteral("changed")).ok());
    auto name = session.Doc().FullName();
    auto saved = session.Doc().SaveAs(*name, host::k2000);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().number, host::kReadOnlyDocument);
    EXPECT_FALSE(session.Doc().Close(true).ok());
    EXPECT_EQ(session.s.CloseDrawing(false), 1);
    EXPECT_EQ(testhost::ReadFile(path), Sample());

    // A write-protected file cannot be opened for writing, and says why, even to a user whom permissions
    // do not stop (as the CAD host refuses a read-only drawing).
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    EXPECT_EQ(session.s.OpenDrawing(path), -2);
    EXPECT_TRUE(session.s.PendingError().description.contains(u"write-protected"));
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(path)));
}

TEST_F(DxfHostTest, SaveAsAnotherVersionSavesInTheDrawingsOwnAndWarns) {
    const QString path = Write("a.dxf", Sample());
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    EXPECT_TRUE(All("T", "TEXT")[0]->SetTextString(QStringLiteral("changed")).ok());
    session.s.strVersion = QStringLiteral("2004");
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_TRUE(session.s.strWarning.contains(u"AC1015")) << session.s.strWarning.toStdString();
    EXPECT_TRUE(session.s.strWarning.contains(u"AC1018"));
    EXPECT_TRUE(testhost::ReadFile(path).contains("\nchanged\n"));

    // Its own version: no warning; OpenDrawing empties the last one.
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    EXPECT_TRUE(session.s.strWarning.isEmpty());
    session.s.strVersion = QStringLiteral("2000");
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_TRUE(session.s.strWarning.isEmpty());
}

TEST_F(DxfHostTest, SaveAsAnotherNameMovesTheDocumentAndItsLock) {
    const QString path = Write("a.dxf", Sample());
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    const QString copy = dir.filePath("b.dxf");
    EXPECT_TRUE(session.Doc().SaveAs(copy, host::k2000).ok());
    EXPECT_EQ(*session.Doc().FullName(), QDir::toNativeSeparators(copy));
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(path)));
    EXPECT_TRUE(QFileInfo::exists(qln::dxf::LockFileFor(copy)));
    EXPECT_EQ(testhost::ReadFile(copy), Sample());
    EXPECT_EQ(session.s.CloseDrawing(false), 1);
}

TEST_F(DxfHostTest, ReadWriteOpeningIsLocked) {
    const QString path = Write("a.dxf", Sample());
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    // A second host (another run in this process) can read the drawing but not open it for writing.
    Session other;
    EXPECT_EQ(other.s.OpenDrawing(path), -2);
    EXPECT_TRUE(other.s.PendingError().description.contains(u"already open for writing"))
        << other.s.PendingError().description.toStdString();
    EXPECT_EQ(other.s.OpenDrawing(path, true), 1);
    EXPECT_EQ(other.s.CloseDrawing(false), 1);
    EXPECT_EQ(session.s.CloseDrawing(false), 1);
    EXPECT_EQ(other.s.OpenDrawing(path), 1);
}

TEST_F(DxfHostTest, LockHeldByAnotherProcess) {
    const QString path = Write("a.dxf", Sample());
    QProcess helper;
    helper.start(QStringLiteral(QLN_DXF_LOCK_HELPER), {path});
    ASSERT_TRUE(helper.waitForReadyRead(30000));
    ASSERT_EQ(helper.readLine().trimmed(), "open");
    EXPECT_EQ(session.s.OpenDrawing(path), -2);
    // Which process holds it, and since when.
    const QString said = session.s.PendingError().description;
    EXPECT_TRUE(said.startsWith(QStringLiteral("Cannot open %1 for writing: it is already open for writing by process %2 since ")
                                    .arg(QDir::toNativeSeparators(path))
                                    .arg(helper.processId())))
        << said.toStdString();
    EXPECT_EQ(session.s.OpenDrawing(path, true), 1);
    EXPECT_EQ(session.s.CloseDrawing(false), 1);
    // The helper dies without closing (as a run that crashed): its lock died with it.
    helper.kill();
    helper.waitForFinished();
    EXPECT_TRUE(QFileInfo::exists(qln::dxf::LockFileFor(path)));
    EXPECT_EQ(session.s.OpenDrawing(path), 1) << session.s.PendingError().description.toStdString();
    EXPECT_EQ(session.s.CloseDrawing(false), 1);
}

TEST_F(DxfHostTest, HardLinkedNamesAreOneDrawing) {
    const QString a = Write("a.dxf", Sample());
    const QString b = dir.filePath("b.dxf");
    ASSERT_TRUE(qln::platform::MakeHardLink(a, b));
    ASSERT_EQ(session.s.OpenDrawing(a), 1);
    Session other;
    EXPECT_EQ(other.s.OpenDrawing(b), -2);  // locked under the other name too
    EXPECT_TRUE(other.s.PendingError().description.contains(u"already open for writing"));
    EXPECT_TRUE(All("T", "TEXT")[0]->SetTextString(QStringLiteral("changed")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    // Saving gave a.dxf a new file; b.dxf keeps the previous one, and the save says so.
    EXPECT_TRUE(session.s.strWarning.contains(u"1 other name(s) (hard links)")) << session.s.strWarning.toStdString();
    EXPECT_EQ(testhost::ReadFile(b), Sample());
}

TEST_F(DxfHostTest, DrawingReachedThroughALink) {
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        GTEST_SKIP() << "QFile::link makes a shortcut (.lnk) on Windows, which the file system does not follow";
    const QString real = Write("real.dxf", Sample());
    const QString link = dir.filePath("link.dxf");
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_EQ(session.s.OpenDrawing(link), 1);
    Session other;
    EXPECT_EQ(other.s.OpenDrawing(real), -2);  // the same file under its own name is locked too
    EXPECT_TRUE(All("T", "TEXT")[0]->SetTextString(QStringLiteral("changed")).ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(testhost::ReadFile(real).contains("\nchanged\n"));
    EXPECT_EQ(testhost::ReadFile(qln::dxf::BackupFileFor(real)), Sample());
}

// Damaged copies of a drawing: each is refused with a reason, or opens, changes and saves into a drawing
// that opens again.
TEST_F(DxfHostTest, DamagedDrawingsNeverCrash) {
    const QByteArray good = Sample();
    std::mt19937 random(20240607);
    int opened = 0, refused = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = good;
        if (round < 100) {
            bytes.truncate(qsizetype(random() % std::uint32_t(good.size())));
        } else {
            for (int k = 0; k <= round % 5; ++k) bytes[qsizetype(random() % std::uint32_t(bytes.size()))] = char(random() % 256);
        }
        const QString path = Write(QStringLiteral("damaged%1.dxf").arg(round), bytes);
        if (session.s.OpenDrawing(path) != 1) {
            ++refused;
            EXPECT_FALSE(session.s.PendingError().description.isEmpty());
            EXPECT_EQ(testhost::ReadFile(path), bytes);
            continue;
        }
        ++opened;
        int i = 0;
        for (const auto& e : Select(session.Doc(), "ALL", {}, {})) {
            e->ObjectName().ok();
            e->InsertionPoint().ok();
            e->Rotation().ok();
            e->Layer().ok();
            if (auto name = e->Name()) session.Doc().Blocks(*name).ok();
            if (i++ % 2) e->Delete().ok();
            else e->SetTextString(QStringLiteral("x^y")).ok();
        }
        EXPECT_EQ(session.s.CloseDrawing(true), 1);
        EXPECT_EQ(session.s.OpenDrawing(path, true), 1) << round << session.s.PendingError().description.toStdString();
        session.s.CloseDrawing(false);
    }
    EXPECT_GT(refused, 50);
    EXPECT_GT(opened, 20);
}

struct BadInput {
    const char* name;
    QByteArray bytes;
    const char* says;
};

TEST_F(DxfHostTest, BadInputFailsClearlyAndLeavesTheFileAlone) {
    const QByteArray good = Sample();
    QByteArray oddLines = good;
    oddLines.chop(1);
    oddLines = oddLines.left(oddLines.lastIndexOf('\n'));  // "EOF" line gone: the last code has no value
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i) garbage += char((i * 7919) % 256);
    const std::vector<BadInput> cases = {
        {"empty", "", "empty"},
        {"words", "hello world\nthis is not a drawing\n", "line 1: group code \"hello world\" is not a number"},
        {"dwg", QByteArray("AC1015\x00\x00\x00\x01\x02garbage", 17), "DWG"},
        {"binary", QByteArray("AutoCAD Binary DXF\r\n\x1a\x00", 22) + garbage, "has no whole value (is the file truncated?)"},
        {"binary code", QByteArray("AutoCAD Binary DXF\r\n\x1a\x00\x00SECTION\x00\xff\x01", 33),
         "byte 31: the file ends inside a group code"},
        {"binary long", QByteArray("AutoCAD Binary DXF\r\n\x1a\x00\x00\x00SECTION\x00\x01\x00", 34) +
                            QByteArray(70000, 'a') + QByteArray(1, '\0'),
         "byte 34: the value is longer than 65536 bytes"},
        {"truncated", good.left(good.size() / 2), "truncated"},
        {"odd", oddLines, "no value line"},
        {"code", Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + "  x1\nTEXT\n", "line 5: group code \"x1\" is not a number"},
        {"garbage", garbage, "line 1"},
        {"long", Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "TEXT"}}) + "  1\n" + QByteArray(100000, 'a') + "\n",
         "line 8: the line is longer than"},
        {"no eof", Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}}), "without EOF"},
        {"no endblk", Drawing({}, Pairs({{0, "BLOCK"}, {2, "B"}, {0, "TEXT"}, {1, "x"}})), "has no ENDBLK"},
        {"stray", Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {8, "0"}, {0, "ENDSEC"}, {0, "EOF"}}),
         "line 5: expected an entity"},
    };
    for (const BadInput& c : cases) {
        const QString path = Write(QStringLiteral("%1.dxf").arg(QLatin1String(c.name)), c.bytes);
        EXPECT_EQ(session.s.OpenDrawing(path), -2) << c.name;
        const QString said = session.s.PendingError().description;
        EXPECT_TRUE(said.contains(QLatin1String(c.says)) && said.contains(QDir::toNativeSeparators(path))) << c.name << ": " << said.toStdString();
        EXPECT_EQ(testhost::ReadFile(path), c.bytes) << c.name;
        EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(path))) << c.name;
    }
    EXPECT_EQ(session.s.OpenDrawing(dir.path()), -2);
    EXPECT_TRUE(session.s.PendingError().description.contains(u"folder"));
#ifndef _WIN32  // no FIFOs and no /dev there: the file layer's own test refuses the NUL device
    // What is not a regular file is refused before it is opened (a FIFO would block, a device never
    // ends), and nothing is made beside it, in either mode.
    const QString fifo = dir.filePath("fifo.dxf"), zero = dir.filePath("zero.dxf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    for (const QString& special : {fifo, zero}) {
        for (bool readOnly : {false, true}) {
            EXPECT_EQ(session.s.OpenDrawing(special, readOnly), -2);
            EXPECT_TRUE(session.s.PendingError().description.contains(u", not a regular file"))
                << session.s.PendingError().description.toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo::exists(qln::dxf::LockFileFor(fifo)));
    EXPECT_FALSE(QFileInfo::exists("/dev/.zero.qln-lock"));
#endif
    // A drawing larger than the limit is refused with the sizes.
    const qln::fileio::ReadLimits limits = qln::fileio::Limits();
    qln::fileio::SetLimits({1024, limits.textFile});
    const QString big = Write("big.dxf", good + QByteArray(2048, '\n'));
    EXPECT_EQ(session.s.OpenDrawing(big, true), -2);
    qln::fileio::SetLimits(limits);
    EXPECT_TRUE(session.s.PendingError().description.endsWith(u"larger than the 1024 bytes allowed"))
        << session.s.PendingError().description.toStdString();
    const QString locked = Write("unreadable.dxf", good);
    QFile::setPermissions(locked, {});
    if (!QFile(locked).open(QIODevice::ReadOnly)) {
        EXPECT_EQ(session.s.OpenDrawing(locked, true), -2);
        EXPECT_FALSE(session.s.PendingError().description.isEmpty());
    }
}

}  // namespace
