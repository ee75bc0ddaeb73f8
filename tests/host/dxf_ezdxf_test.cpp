// The DXF host against ezdxf as an oracle, on drawings ezdxf writes: text in code-page and UTF-8 drawings,
// points and angles in object coordinate systems, model and paper space with layouts and blocks, and
// deleting entities that other objects name.

#include "support/dxf_test_util.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <cmath>
#include <map>
#include <numbers>

using namespace dxftest;

namespace {

class DxfEzdxfTest : public EzdxfFixtureSuite {
protected:
    static void SetUpTestSuite() { MakeFixtures("make"); }
    void SetUp() override {
        SKIP_WITHOUT_EZDXF();
        ASSERT_TRUE(QFileInfo::exists(fixtures->filePath("layouts.dxf")));
    }

    // A copy of a fixture that the test may change.
    QString Copy(const QString& name) {
        const QString path = work.filePath(name);
        QFile::copy(fixtures->filePath(name), path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return path;
    }
    // What ezdxf reads for each TEXT, MTEXT and INSERT, by handle.
    static std::map<QString, QJsonObject> Props(const QString& path) {
        std::map<QString, QJsonObject> out;
        for (const auto v : QJsonDocument::fromJson(RunEzdxf({"props", path})).array())
            out[v.toObject().value("handle").toString().toUpper()] = v.toObject();
        return out;
    }
    std::vector<host::EntityPtr> AllOf(const QString& set, const QString& types) {
        return Select(session.Doc(), set, {0}, {types});
    }

    QTemporaryDir work;
    Session session;
};

TEST_F(DxfEzdxfTest, NonAsciiTextReadsAndWritesInTheDrawingsEncoding) {
    for (const char* name : {"r2000_text.dxf", "r2018_text.dxf", "r2000_1250.dxf"}) {
        const QString path = Copy(QString::fromLatin1(name));
        const auto expected = Props(path);
        ASSERT_EQ(session.s.OpenDrawing(path), 1) << name;
        int seen = 0;
        const QString written = QStringLiteral("Größe ½ € Ωμέγα 漢字 ^ tab\there");
        for (const auto& e : AllOf("T", "TEXT,MTEXT")) {
            const QString handle = *e->Handle();
            ASSERT_TRUE(expected.count(handle)) << name << " " << handle.toStdString();
            EXPECT_EQ(*e->TextString(), expected.at(handle).value("text").toString()) << name;
            EXPECT_TRUE(e->SetTextString(written + handle).ok());
            ++seen;
        }
        EXPECT_GE(seen, 1);
        EXPECT_EQ(session.s.CloseDrawing(true), 1);
        // ezdxf reads back what was written; the host too.
        for (const auto& [handle, props] : Props(path))
            if (props.contains("text")) {
                EXPECT_EQ(props.value("text").toString(), written + handle) << name;
            }
        ASSERT_EQ(session.s.OpenDrawing(path, true), 1);
        for (const auto& e : AllOf("T", "TEXT,MTEXT")) EXPECT_EQ(*e->TextString(), written + *e->Handle());
        EXPECT_EQ(session.s.CloseDrawing(false), 1);
    }
    // A code-page drawing holds the characters of its code page as bytes, the others as escapes.
    const QByteArray r2000 = testhost::ReadFile(work.filePath("r2000_text.dxf"));
    EXPECT_TRUE(r2000.contains("Gr\xF6\xDF" "e \xBD \x80 \\U+03A9\\U+03BC"));
    const QByteArray r1250 = testhost::ReadFile(work.filePath("r2000_1250.dxf"));
    EXPECT_TRUE(r1250.contains("Gr\xF6\xDF" "e \\U+00BD \x80 \\U+03A9"));
    EXPECT_TRUE(testhost::ReadFile(work.filePath("r2018_text.dxf")).contains("Größe ½ € Ωμέγα 漢字 ^  tab^Ihere"));
}

TEST_F(DxfEzdxfTest, PointsAndAnglesAsEzdxfComputesThem) {
    const QString path = Copy("geometry.dxf");
    const auto expected = Props(path);
    ASSERT_EQ(session.s.OpenDrawing(path, true), 1);
    const auto all = AllOf("G", "TEXT,MTEXT,INSERT");
    ASSERT_EQ(all.size(), expected.size());
    for (const auto& e : all) {
        const QString handle = *e->Handle();
        const QJsonObject p = expected.at(handle);
        const host::Point3 point = *e->InsertionPoint();
        const QJsonArray want = p.value("point").toArray();
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(point[size_t(i)], want[i].toDouble(), 1e-9) << handle.toStdString();
        const double rotation = *e->Rotation();
        EXPECT_GE(rotation, 0.0);
        EXPECT_LT(rotation, 2 * std::numbers::pi);
        // Angles agree modulo a full turn (2pi and 0 are the same angle).
        const double diff = std::remainder(rotation - p.value("rotation").toDouble(), 2 * std::numbers::pi);
        EXPECT_NEAR(diff, 0.0, 1e-9) << handle.toStdString() << " " << p.value("type").toString().toStdString();
    }
}

TEST_F(DxfEzdxfTest, ModelPaperLayoutsAndBlocks) {
    const QString path = Copy("layouts.dxf");
    const auto expected = Props(path);
    ASSERT_EQ(session.s.OpenDrawing(path, true), 1);
    for (std::int16_t paper : {0, 1}) {
        QStringList got, want;
        for (const auto& e : Select(session.Doc(), QStringLiteral("S%1").arg(paper), {0, 67},
                                    {QStringLiteral("TEXT,MTEXT,INSERT"), paper}))
            got << *e->Handle();
        for (const auto& [handle, p] : expected)
            if (p.value("paper").toBool() == bool(paper)) want << handle;
        got.sort();
        want.sort();
        EXPECT_EQ(got, want) << "paper " << paper;
    }
    // Blocks: text, attribute definition, multiple-line text and line, in file order.
    auto title = session.Doc().Blocks(QStringLiteral("TITLE"));
    ASSERT_TRUE(title.ok());
    QStringList names;
    auto items = (*title)->Items();
    for (const auto& e : *items) names << *e->ObjectName();
    EXPECT_EQ(names, (QStringList{"AcDbText", "AcDbAttributeDefinition", "AcDbMText", "AcDbLine"}));
    // The block references of both spaces, with their names.
    QStringList refs;
    for (const auto& e : AllOf("I", "INSERT")) refs << *e->Name();
    // File order: the active layout's entities follow model space in the ENTITIES section.
    EXPECT_EQ(refs, (QStringList{"Title", "Other", "PARTS", "Title"}));
}

TEST_F(DxfEzdxfTest, DeletedEntitiesLeaveNoTraceEzdxfComplainsAbout) {
    const QString path = Copy("references.dxf");
    const QByteArray before = testhost::ReadFile(path);
    ASSERT_EQ(session.s.OpenDrawing(path), 1);
    auto texts = AllOf("T", "TEXT");
    ASSERT_EQ(Texts(texts), (QStringList{"keep", "gone"}));
    EXPECT_TRUE(texts[1]->Delete().ok());
    EXPECT_TRUE(AllOf("I", "INSERT")[0]->Delete().ok());
    EXPECT_TRUE(AllOf("M", "MTEXT")[0]->Delete().ok());
    EXPECT_EQ(session.s.CloseDrawing(true), 1);
    const QByteArray after = testhost::ReadFile(path);
    EXPECT_TRUE(before.contains("QLN_DATA"));
    EXPECT_FALSE(after.contains("QLN_DATA"));  // the extension dictionary and its record went
    EXPECT_FALSE(after.contains("\nATTRIB"));

    QJsonArray jobs{QJsonObject{{"original", fixtures->filePath("references.dxf")}, {"saved", path}}};
    const QJsonObject r = QJsonDocument::fromJson(RunEzdxf({"check"}, QJsonDocument(jobs).toJson())).array()[0].toObject();
    ASSERT_TRUE(r.value("loaded").toBool()) << r.value("error").toString().toStdString();
    EXPECT_EQ(r.value("saved_codes").toArray(), QJsonArray()) << QJsonDocument(r).toJson().toStdString();
    EXPECT_EQ(r.value("texts").toArray(), QJsonArray{"keep"});
}

TEST_F(DxfEzdxfTest, BinaryDrawingsReadAndSaveLosslesslyAndStayBinary) {
    const QByteArray sentinel("AutoCAD Binary DXF\r\n\x1a\0", 22);
    for (const char* name : {"bin_r12.dxf", "bin_r2018.dxf"}) {
        const QString path = Copy(QString::fromLatin1(name));
        const QByteArray before = testhost::ReadFile(path);
        const auto expected = Props(path);
        ASSERT_EQ(session.s.OpenDrawing(path), 1) << name << session.s.PendingError().description.toStdString();
        // Texts, layers, points and angles (binary numbers) as ezdxf reads them; blocks and paper space.
        const auto all = AllOf("A", "TEXT,MTEXT,INSERT");
        ASSERT_EQ(all.size(), expected.size()) << name;
        for (const auto& e : all) {
            const QJsonObject p = expected.at(*e->Handle());
            if (p.contains("text")) EXPECT_EQ(*e->TextString(), p.value("text").toString()) << name;
            EXPECT_EQ(*e->Layer(), p.value("layer").toString());
            const host::Point3 point = *e->InsertionPoint();
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(point[size_t(i)], p.value("point").toArray()[i].toDouble(), 1e-9);
            EXPECT_NEAR(*e->Rotation(), p.value("rotation").toDouble(), 1e-9) << name;
        }
        EXPECT_EQ(Texts(Select(session.Doc(), "P", {0, 67}, {QStringLiteral("TEXT"), std::int16_t{1}})),
                  QStringList{"paper"});
        auto title = (*session.Doc().Blocks(QStringLiteral("TITLE")))->Items();
        ASSERT_EQ(title->size(), 2u);
        EXPECT_EQ(*(*title)[0]->TextString(), "in title");

        // Saved unchanged: not touched. Changed (longer, shorter, a multiple-line text grown by a piece),
        // one text deleted: still binary, read back alike by ezdxf and the host, auditing no worse.
        EXPECT_EQ(session.s.CloseDrawing(true), 1);
        EXPECT_EQ(testhost::ReadFile(path), before);
        ASSERT_EQ(session.s.OpenDrawing(path), 1);
        auto texts = AllOf("T", "TEXT,MTEXT");
        QStringList written;
        for (const auto& e : texts) {
            const QString text = *e->TextString();
            if (text == u"gone") {
                EXPECT_TRUE(e->Delete().ok());
                continue;
            }
            written << (text.size() > 100 ? text + QString(260, u'n') : QStringLiteral("neu ") + text.left(3));
            EXPECT_TRUE(e->SetTextString(written.back()).ok());
        }
        title = (*session.Doc().Blocks(QStringLiteral("TITLE")))->Items();
        EXPECT_TRUE((*title)[0]->SetTextString(QStringLiteral("Titel")).ok());
        session.s.strVersion = QStringLiteral("0");
        EXPECT_EQ(session.s.CloseDrawing(true), 1);
        const QByteArray after = testhost::ReadFile(path);
        EXPECT_TRUE(after.startsWith(sentinel)) << name;
        for (const auto& [handle, p] : Props(path)) {
            if (p.contains("text")) EXPECT_TRUE(written.contains(p.value("text").toString())) << name;
        }
        QJsonArray jobs{QJsonObject{{"original", fixtures->filePath(QString::fromLatin1(name))}, {"saved", path}}};
        const QJsonObject r = QJsonDocument::fromJson(RunEzdxf({"check"}, QJsonDocument(jobs).toJson())).array()[0].toObject();
        ASSERT_TRUE(r.value("loaded").toBool()) << name << r.value("error").toString().toStdString();
        EXPECT_LE(r.value("saved_codes").toArray().size(), r.value("original_codes").toArray().size()) << name;
        EXPECT_TRUE(r.value("texts").toArray().contains(QJsonValue("Titel"))) << name;
        ASSERT_EQ(session.s.OpenDrawing(path, true), 1) << name;
        EXPECT_EQ(Texts(AllOf("T", "TEXT,MTEXT")), written) << name;
        EXPECT_EQ(session.s.CloseDrawing(false), 1);
    }
}

}  // namespace
