// Templates with ATTRIBUTES: and the g/sg commands end to end on title-block drawings that ezdxf writes
// in R12, R2000, R2007 and R2018: PrepTemplate, GetAttributes and CloseDrawing(true) on the DXF host,
// then ezdxf reads the saved drawings back (values, layers, multi-line attributes, deletions, audit).

#include "host/cautocad.h"
#include "host/text_files.h"
#include "support/dxf_test_util.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>

#include <functional>

using namespace dxftest;

namespace {

const QStringList kVersions{"R12", "R2000", "R2007", "R2018"};

// A reference as ezdxf reads it: its block and its attributes as "TAG=text@layer".
QStringList Reference(const QJsonObject& reference) {
    QStringList out{reference.value("block").toString()};
    for (const auto a : reference.value("attribs").toArray()) {
        const QJsonArray v = a.toArray();
        out << v[0].toString() + u'=' + v[1].toString() + u'@' + v[2].toString();
    }
    return out;
}

// The fixture's references: three of TB, one of ONE, one of ML (multi-line only in R2018).
QList<QStringList> OriginalReferences(const QString& version) {
    QList<QStringList> out;
    for (int i = 1; i <= 3; ++i) {
        out << QStringList{"TB", QStringLiteral("REV=%1@TITLE").arg(QChar(u'A' + i - 1)),
                           QStringLiteral("DATE=jan %1@TITLE").arg(i), QStringLiteral("SHEET=A-10%1@SHEETS").arg(i)};
    }
    out << QStringList{"ONE", "NOTE=only note@0"};
    out << QStringList{"ML", version == u"R2018" ? "BODY=first\\Psecond@0" : "BODY=first@0"};
    return out;
}

class DxfAttributesTest : public EzdxfFixtureSuite {
protected:
    static void SetUpTestSuite() { MakeFixtures("attributes"); }
    void SetUp() override { SKIP_WITHOUT_EZDXF(); }

    struct Outcome {
        QString path;
        std::int16_t result = -99;
        QStringList audit;  // every line, the settings included
    };

    // Apply a template to a fresh copy of one version's fixture and save it.
    Outcome Modify(const QString& version, const QString& name, const QByteArray& input, const QByteArray& commands) {
        Outcome out;
        out.path = work.filePath(name + u'_' + version + ".dxf");
        EXPECT_TRUE(QFile::copy(fixtures->filePath("attribs_" + version + ".dxf"), out.path));
        QFile::setPermissions(out.path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QString tpl = work.filePath("template.txt");
        EXPECT_TRUE(testhost::WriteFile(tpl, "*INPUT\r\n" + input + "*COMMANDS\r\n" + commands));
        Session session;
        QString err;
        EXPECT_EQ(session.s.PrepTemplate(tpl, err), 1) << err.toStdString();
        EXPECT_EQ(session.s.OpenDrawing(out.path), 1);
        QBuffer log;
        log.open(QIODevice::WriteOnly);
        {
            qln::LineWriter audit(&log);
            out.result = session.s.GetAttributes(err, ",", &audit);
            audit.Flush();
        }
        EXPECT_EQ(session.s.CloseDrawing(true), 1);
        out.audit = QString::fromUtf8(log.data()).split(QStringLiteral("\r\n"));
        out.audit.removeLast();
        return out;
    }

    // Every model-space reference of each saved drawing, and ezdxf's audit error count.
    static QJsonObject Read(const QStringList& paths) {
        return QJsonDocument::fromJson(RunEzdxf(QStringList{"attribs"} + paths)).object();
    }
    static QList<QStringList> References(const QJsonObject& read, const QString& path) {
        QList<QStringList> out;
        for (const auto r : read.value(path).toObject().value("references").toArray()) out << Reference(r.toObject());
        return out;
    }

    QTemporaryDir work;
};

TEST_F(DxfAttributesTest, TagListLayerFilterMultiLineAndDeletionInEveryVersion) {
    struct Case {
        const char* name;
        QByteArray input;
        QByteArray commands;
        // What the case makes of one version's references.
        std::function<void(QList<QStringList>&, const QString& version)> expect;
        int changes;  // audit change lines in R2018 (the others as noted in expect)
    };
    const std::vector<Case> cases{
        // A list of two tags, regular expressions with captures, once per reference; the block's own
        // text and the other tags stay.
        {"two_tags", "ATTRIBUTES: REV, sheet\r\n", "g,^([a-c])$,\\1+\r\nsg,^A-1(\\d\\d)$,A-2\\1\r\n",
         [](QList<QStringList>& refs, const QString&) {
             for (int i = 0; i < 3; ++i) {
                 refs[i][1] = QStringLiteral("REV=%1+@TITLE").arg(QChar(u'A' + i));
                 refs[i][3] = QStringLiteral("SHEET=A-20%1@SHEETS").arg(i + 1);
             }
         },
         6},
        // Every tag, but only attributes on layer TITLE.
        {"layer", "ATTRIBUTES: *\r\nLAYER: TITLE\r\nBLOCK: TB\r\n", "sf,jan,JAN\r\n",
         [](QList<QStringList>& refs, const QString&) {
             for (int i = 0; i < 3; ++i) refs[i][2] = QStringLiteral("DATE=JAN %1@TITLE").arg(i + 1);
         },
         3},
        // A multi-line attribute (R2018) keeps its formatting codes and both of its lines.
        {"multi_line", "ATTRIBUTES: BODY\r\nSTYLE: MText\r\n", "f,second,2nd\r\n",
         [](QList<QStringList>& refs, const QString& version) {
             if (version == u"R2018") refs[4][1] = "BODY=first\\P2nd@0";
         },
         1},
        // Deleting the only attribute of a reference, and one attribute of three.
        {"delete", "ATTRIBUTES: NOTE DATE\r\n", "sd,n\r\n",
         [](QList<QStringList>& refs, const QString&) {
             for (int i = 0; i < 3; ++i) refs[i].removeAt(2);
             refs[3] = QStringList{"ONE"};
         },
         4},
    };

    QStringList paths;
    std::vector<std::pair<const Case*, QString>> saved;
    for (const Case& c : cases) {
        for (const QString& version : kVersions) {
            SCOPED_TRACE(std::string(c.name) + " " + version.toStdString());
            const Outcome out = Modify(version, c.name, c.input, c.commands);
            paths << out.path;
            saved.emplace_back(&c, version);
            const bool noChange = QByteArrayView(c.name) == "multi_line" && version != u"R2018";
            EXPECT_EQ(out.result, noChange ? 0 : 1);
            // Four settings lines and the tag list, then the changes.
            ASSERT_GE(out.audit.size(), 5);
            EXPECT_TRUE(out.audit[4].startsWith("Attributes: ")) << out.audit[4].toStdString();
            const QStringList changes = out.audit.mid(5);
            EXPECT_EQ(changes.size(), noChange ? 1 : c.changes) << changes.join('\n').toStdString();
            for (const QString& line : noChange ? QStringList{} : changes)
                EXPECT_TRUE(line.contains(QRegularExpression(", Tag: [A-Z]+\\)$"))) << line.toStdString();
        }
    }
    const QJsonObject read = Read(paths);
    for (size_t i = 0; i < saved.size(); ++i) {
        const auto& [c, version] = saved[i];
        SCOPED_TRACE(std::string(c->name) + " " + version.toStdString());
        QList<QStringList> expected = OriginalReferences(version);
        c->expect(expected, version);
        EXPECT_EQ(References(read, paths[int(i)]), expected);
        EXPECT_EQ(read.value(paths[int(i)]).toObject().value("errors").toInt(), 0);
    }

    // The exact wording, with the handle ezdxf gave the attribute.
    const Outcome one = Modify("R2000", "wording", "ATTRIBUTES: NOTE\r\nBLOCK: ONE\r\n", "u\r\n");
    ASSERT_EQ(one.audit.size(), 6);
    EXPECT_TRUE(QRegularExpression("^Upper cased single line text object with text 'only note' \\(Handle: [0-9A-F]+, Tag: NOTE\\)$")
                    .match(one.audit[5]).hasMatch())
        << one.audit[5].toStdString();
}

}  // namespace
