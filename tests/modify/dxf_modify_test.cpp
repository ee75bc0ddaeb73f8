// The template engine end to end on DXF drawings that ezdxf writes: PrepTemplate, GetAttributes and
// CloseDrawing(true) on the DXF host, then ezdxf reads the saved drawing back. Which texts each pass
// reaches (per space, per block list, per layer list), the audit lines of every command family for
// single-line and multiple-line text, the command list as a pipeline, empty find texts and delimiters.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "support/dxf_test_util.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <map>

using namespace dxftest;

namespace {

class DxfModifyTest : public EzdxfFixtureSuite {
protected:
    static void SetUpTestSuite() { MakeFixtures("engines"); }
    void SetUp() override {
        SKIP_WITHOUT_EZDXF();
        ASSERT_TRUE(QFileInfo::exists(Fixture("engines.dxf")));
        ASSERT_TRUE(QFileInfo::exists(Fixture("words.dxf")));
    }

    static QString Fixture(const QString& name) { return fixtures->filePath(name); }

    // A copy of a fixture under a name of its own.
    QString Copy(const QString& fixture, const QString& name) {
        const QString path = work.filePath(name);
        EXPECT_TRUE(QFile::copy(Fixture(fixture), path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return path;
    }

    struct Outcome {
        std::int16_t result = -99;
        QString err;
        QStringList settings;  // the four lines before the change lines
        QStringList changes;   // the audit lines of the changes
        std::int16_t closed = -99;
    };

    // Apply a template to the drawing in one session and save it, as a modification run does.
    Outcome Modify(const QString& drawing, const QByteArray& input, const QByteArray& commands,
                   const QString& delimiter = ",") {
        Outcome out;
        const QString tpl = work.filePath("template.txt");
        EXPECT_TRUE(testhost::WriteFile(tpl, "*INPUT\r\n" + input + "*COMMANDS\r\n" + commands));
        QString err;
        EXPECT_EQ(session.s.PrepTemplate(tpl, err), 1) << err.toStdString();
        EXPECT_EQ(session.s.OpenDrawing(drawing), 1) << session.s.PendingError().description.toStdString();
        QBuffer log;
        log.open(QIODevice::WriteOnly);
        {
            qln::LineWriter audit(&log);
            out.result = session.s.GetAttributes(out.err, delimiter, &audit);
            audit.Flush();
        }
        out.closed = session.s.CloseDrawing(true);
        QStringList lines = QString::fromUtf8(log.data()).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.takeLast(), QString());  // every line ends with CR LF
        out.settings = lines.mid(0, 4);
        out.changes = lines.mid(4);
        return out;
    }

    QTemporaryDir work;
    Session session;
};

// Every place of a drawing with its texts in file order, as ezdxf read them.
using Places = std::map<QString, QStringList>;

Places AllPlaces(const QJsonObject& texts, const QString& path) {
    Places out;
    const QJsonObject places = texts.value(path).toObject();
    for (auto it = places.begin(); it != places.end(); ++it) out[it.key()] = PlaceTexts(texts, path, it.key());
    return out;
}

// The handle of the first model-space text on `layer` holding `text`, as ezdxf read it.
QString ModelHandle(const QJsonObject& texts, const QString& path, const QString& layer, const QString& text) {
    for (const auto v : texts.value(path).toObject().value("Model").toArray()) {
        const QJsonObject e = v.toObject();
        if (e.value("layer").toString() == layer && e.value("text").toString() == text)
            return e.value("handle").toString();
    }
    return {};
}

TEST_F(DxfModifyTest, PassesReachLooseTextOrBlockContentsPerSpaceAndList) {
    // Each case appends "+" to "item" once per visit, so the saved drawing shows how often every text
    // was reached. The fixture: loose text in model and paper space; NOTES referenced three times and
    // NOTES2 once from model space; TITLE once from each space; layers "Maße" and "MASSE".
    struct Case {
        const char* name;
        QByteArray input;
        Places changed;  // the places whose texts differ from the original, with all their texts
    };
    const QStringList model{"model item",          "model mtext item", "ABC",  "ABC ", "on layer item",
                            "other layer item",    "say \"hi\", then; go", "mtext \"hi\", too",
                            QString::fromUtf8("maße item"), "masse item"};
    auto modelWith = [&](int index, const QString& text) {
        QStringList out = model;
        out[index] = text;
        return out;
    };
    const QStringList notes3{"notes item+++", "notes mtext item"};
    const std::vector<Case> cases{
        {"loose model text", "SPACE: *\r\nBLOCK: *MODEL_SPACE\r\nLAYER: A\r\n", {{"Model", modelWith(0, "model item+")}}},
        {"loose paper text", "SPACE: *\r\nBLOCK: *paper_space\r\nLAYER: a\r\n",
         {{"Paper", {"paper item+", "paper mtext item"}}}},
        {"blocks of model space", "SPACE: MODEL\r\nBLOCK: *\r\n",
         {{"NOTES", notes3}, {"NOTES2", {"notes2 item+"}}, {"TITLE", {"title item+"}}}},
        {"blocks of paper space", "SPACE: PAPER\r\nBLOCK: *\r\n", {{"TITLE", {"title item+"}}}},
        {"blocks of both spaces", "SPACE: *\r\nBLOCK: *\r\n",
         {{"NOTES", notes3}, {"NOTES2", {"notes2 item+"}}, {"TITLE", {"title item++"}}}},
        {"one block name, not its longer namesake", "BLOCK: notes\r\n", {{"NOTES", notes3}}},
        {"two block names", "BLOCK: notes2, title\r\n", {{"NOTES2", {"notes2 item+"}}, {"TITLE", {"title item++"}}}},
        {"multiple-line text", "STYLE: MTEXT\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n",
         {{"Model", modelWith(1, "model mtext item+")}}},
        {"a layer whose upper case is longer", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: Maße\r\n",
         {{"Model", modelWith(8, QString::fromUtf8("maße item+"))}}},
        {"the other of the two", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: masse\r\n",
         {{"Model", modelWith(9, "masse item+")}}},
        {"a layer entry with a blank admits each word", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: My Layer\r\n",
         {{"Model", modelWith(4, "on layer item+")}}},
    };

    QStringList paths{Fixture("engines.dxf")};
    for (size_t i = 0; i < cases.size(); ++i) {
        const QString path = Copy("engines.dxf", QStringLiteral("case%1.dxf").arg(i));
        const Outcome o = Modify(path, cases[i].input, "f,item,item+\r\n");
        EXPECT_EQ(o.result, 1) << cases[i].name;
        EXPECT_EQ(o.closed, 1) << cases[i].name;
        EXPECT_TRUE(o.err.isEmpty()) << cases[i].name;
        paths << path;
    }
    // A list that names no block of the drawing: nothing applies, and the file is not written at all.
    const QString none = Copy("engines.dxf", "none.dxf");
    const Outcome o = Modify(none, "BLOCK: NOTE\r\n", "f,item,item+\r\n");
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.err, "No data found to process.");
    EXPECT_EQ(o.changes, QStringList{"No data found to process."});
    EXPECT_EQ(testhost::ReadFile(none), testhost::ReadFile(Fixture("engines.dxf")));
    EXPECT_FALSE(QFileInfo::exists(none + ".bak"));

    const QJsonObject texts = EzdxfTexts(paths);
    const Places original = AllPlaces(texts, paths[0]);
    ASSERT_EQ(original.at("Model"), model);
    for (size_t i = 0; i < cases.size(); ++i) {
        Places expected = original;
        for (const auto& [place, list] : cases[i].changed) expected[place] = list;
        EXPECT_EQ(AllPlaces(texts, paths[i + 1]), expected) << cases[i].name;
    }
}

TEST_F(DxfModifyTest, AuditLinesOfEveryCommandFamilyForBothTextTypes) {
    const QString original = Fixture("words.dxf");
    std::map<QString, QString> handle;  // by type: the text on layer P
    for (const auto v : EzdxfTexts({original}).value(original).toObject().value("Model").toArray()) {
        const QJsonObject e = v.toObject();
        if (e.value("layer").toString() == "P") handle[e.value("type").toString()] = e.value("handle").toString();
    }
    ASSERT_EQ(handle.size(), 2u);

    // Per command: the audit line for single-line text, for multiple-line text ("H" stands for the
    // handle), and the text afterwards (none: deleted). The text is "abc def" before.
    struct Family {
        QByteArray command;
        QString single;
        QString multiple;
        std::optional<QString> after;
    };
    const std::vector<Family> families{
        {"p", "Proper cased single line text object with text 'abc def' (Handle: H)",
         "Proper cased multiple line text object with handle H", "Abc Def"},
        {"U", "Upper cased single line text object with text 'abc def' (Handle: H)",
         "Upper cased multiple line text object with handle H", "ABC DEF"},
        {"l", "Lower cased single line text object with text 'abc def' (Handle: H)",
         "Lower cased multiple line text object with handle H", "abc def"},
        {"d", "Deleted single line text object with text 'abc def' (Handle: H)",
         "Deleted multiple line text object with handle H", std::nullopt},
        {"sd,c d", "Deleted single line text object with text 'abc def' (Handle: H)",
         "Deleted multiple line text object with handle H", std::nullopt},
        {"z,ABC DEF", "Deleted single line text object with text 'abc def' (Handle: H)",
         "Deleted multiple line text object with handle H", std::nullopt},
        {"c", "Cleared single line text object with handle H and text 'abc def'",
         "Cleared multiple line text object with handle H", ""},
        {"c,BC", "Cleared single line text object with text 'abc def' (Handle: H)",
         "Cleared multiple line text object with handle H", ""},
        {"sx,abc def", "Cleared single line text object with text 'abc def' (Handle: H)",
         "Cleared multiple line text object with handle H", ""},
        {"f,ABC,X", "Found 'ABC' in 'abc def' and replaced with 'X'", "Found Handle: H and replaced with 'X'", "X def"},
        {"sw,def,Whole", "Found 'def' in 'abc def' and replaced with 'Whole'",
         "Found Handle: H and replaced with 'Whole'", "Whole"},
        {"r,new,text", "Replaced 'abc def' with 'new,text'", "Found Handle: H and replaced with 'new,text'",
         "new,text"},
        {"a,ABC DEF,Y", "Found 'ABC DEF' (Handle: H) and replaced with 'Y'",
         "Found 'ABC DEF' (Handle: H) and replaced with 'Y'", "Y"},
    };

    struct Saved {
        QString path;
        QString type;
        std::optional<QString> after;
        QByteArray command;
    };
    std::vector<Saved> saved;
    for (size_t i = 0; i < families.size(); ++i) {
        for (const bool mtext : {false, true}) {
            const Family& f = families[i];
            const QString type = mtext ? "MTEXT" : "TEXT";
            const QString path = Copy("words.dxf", QStringLiteral("%1_%2.dxf").arg(i).arg(type));
            const Outcome o = Modify(path, QByteArray("STYLE: ") + (mtext ? "MTEXT" : "SINGLE") +
                                               "\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: P\r\n",
                                     f.command + "\r\n");
            QString line = mtext ? f.multiple : f.single;
            line.replace(QStringLiteral("Handle: H"), "Handle: " + handle.at(type))
                .replace(QStringLiteral("handle H"), "handle " + handle.at(type));
            EXPECT_EQ(o.changes, QStringList{line}) << f.command.toStdString() << " " << type.toStdString();
            EXPECT_EQ(o.settings, (QStringList{"Text Type: " + QString(mtext ? "MTEXT" : "SINGLE"), "Spaces: MODEL",
                                               "Blocks: *MODEL_SPACE", "Layers: P"}));
            EXPECT_EQ(o.result, 1);
            EXPECT_EQ(o.closed, 1);
            saved.push_back({path, type, f.after, f.command});
        }
    }

    QStringList paths;
    for (const Saved& s : saved) paths << s.path;
    const QJsonObject texts = EzdxfTexts(paths);
    for (const Saved& s : saved) {
        // The text on layer P is changed or gone; the other type's text and layer E's texts are not touched.
        QStringList expected = s.after ? QStringList{*s.after} : QStringList{};
        if (s.type == "TEXT") expected << "keep" << "";
        EXPECT_EQ(PlaceTexts(texts, s.path, "Model", s.type), expected) << s.command.toStdString() << " "
                                                                         << s.type.toStdString();
        const QString other = s.type == "TEXT" ? "MTEXT" : "TEXT";
        EXPECT_EQ(PlaceTexts(texts, s.path, "Model", other),
                  other == "TEXT" ? (QStringList{"abc def", "keep", ""}) : QStringList{"abc def"});
    }
}

TEST_F(DxfModifyTest, CommandsRunAsAPipelineWithTheirDelimiterAndEmptyFindTexts) {
    const QString original = Fixture("words.dxf");
    const QJsonObject before = EzdxfTexts({original});
    const QString emptyHandle = ModelHandle(before, original, "E", "");
    const QString textHandle = ModelHandle(before, original, "P", "abc def");
    ASSERT_FALSE(emptyHandle.isEmpty());
    const QByteArray layerP = "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: P\r\n";

    // Proper case first, then an exact-case find that now matches; the other way round it does not.
    const QString properFirst = Copy("words.dxf", "proper_first.dxf");
    EXPECT_EQ(Modify(properFirst, layerP, "p\r\nsf,Abc,X\r\n").changes,
              (QStringList{"Proper cased single line text object with text 'abc def' (Handle: " +
                               textHandle + ")",
                           "Found 'Abc' in 'Abc Def' and replaced with 'X'"}));
    const QString findFirst = Copy("words.dxf", "find_first.dxf");
    EXPECT_EQ(Modify(findFirst, layerP, "sf,Abc,X\r\np\r\n").changes.size(), 1);

    // Empty find texts: f finds every non-empty text and changes nothing, w replaces every non-empty
    // text, a matches only the empty one.
    const QString empty = Copy("words.dxf", "empty.dxf");
    EXPECT_EQ(Modify(empty, "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nLAYER: E\r\n", "f,,zz\r\nw,,W\r\na,,was empty\r\n")
                  .changes,
              (QStringList{"Found '' in 'keep' and replaced with 'zz'", "Found '' in 'keep' and replaced with 'W'",
                           "Found '' (Handle: " + emptyHandle + ") and replaced with 'was empty'"}));

    // With ";" as the delimiter a template written for "," keeps only its one-letter commands.
    const QString semicolon = Copy("words.dxf", "semicolon.dxf");
    EXPECT_EQ(Modify(semicolon, layerP, "u\r\nf,abc,X\r\nf;ABC;Y\r\n", ";").changes,
              (QStringList{"Upper cased single line text object with text 'abc def' (Handle: " +
                               textHandle + ")",
                           "Found 'ABC' in 'ABC DEF' and replaced with 'Y'"}));

    const QJsonObject texts = EzdxfTexts({properFirst, findFirst, empty, semicolon});
    EXPECT_EQ(PlaceTexts(texts, properFirst, "Model"), (QStringList{"X Def", "abc def", "keep", ""}));
    EXPECT_EQ(PlaceTexts(texts, findFirst, "Model"), (QStringList{"Abc Def", "abc def", "keep", ""}));
    EXPECT_EQ(PlaceTexts(texts, empty, "Model"), (QStringList{"abc def", "abc def", "W", "was empty"}));
    EXPECT_EQ(PlaceTexts(texts, semicolon, "Model"), (QStringList{"Y DEF", "abc def", "keep", ""}));
}

}  // namespace
