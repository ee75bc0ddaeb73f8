// The search engine end to end on a DXF drawing that ezdxf writes: which texts each block list, layer
// list, phrase option and space reaches, rows per block reference, and rows that Python's csv reader
// splits back into their ten fields.

#include "host/cautocad.h"
#include "support/dxf_test_util.h"

#include <QLocale>

using namespace dxftest;

namespace {

class DxfSearchTest : public EzdxfFixtureSuite {
protected:
    static void SetUpTestSuite() { MakeFixtures("engines"); }
    void SetUp() override {
        SKIP_WITHOUT_EZDXF();
        QLocale::setDefault(QLocale::c());
        drawing = fixtures->filePath("engines.dxf");
        ASSERT_TRUE(QFileInfo::exists(drawing));
        bytes = testhost::ReadFile(drawing);
    }
    void TearDown() override {
        // Searching never writes the drawing.
        if (!drawing.isEmpty()) {
            EXPECT_EQ(testhost::ReadFile(drawing), bytes);
        }
    }

    // The rows of one search, each ended by CR LF, without their line ends.
    QStringList Search(const QString& space, const QString& blocks, const QString& layers, const QString& find,
                       bool matchCase = false, bool whole = false, bool mtext = false, const QString& delimiter = ",") {
        EXPECT_EQ(session.s.OpenDrawing(drawing, true), 1);
        const QString rows = session.s.SearchAttributes("engines.dxf", space, blocks, layers, delimiter, matchCase,
                                                        whole, mtext, find, total);
        EXPECT_EQ(session.s.CloseDrawing(false), 1);
        if (rows.isEmpty()) return {};
        QStringList lines = rows.split("\r\n");
        EXPECT_EQ(lines.takeLast(), "");
        return lines;
    }
    // Space, block and text of each row (rows without a delimiter in their text).
    static QStringList Found(const QStringList& rows) {
        QStringList out;
        for (const QString& row : rows) {
            const QStringList f = row.split(u',');
            EXPECT_EQ(f.size(), 10) << row.toStdString();
            out << f.value(1) + u'|' + f.value(2) + u'|' + f.value(9);
        }
        return out;
    }

    Session session;
    QString drawing;
    QByteArray bytes;
    std::int32_t total = 0;
};

const QStringList kLooseModel{"Model|*MODEL_SPACE|model item", "Model|*MODEL_SPACE|on layer item",
                              "Model|*MODEL_SPACE|other layer item",
                              QString::fromUtf8("Model|*MODEL_SPACE|maße item"), "Model|*MODEL_SPACE|masse item"};

TEST_F(DxfSearchTest, TheBlockListChoosesLooseTextOrBlockContents) {
    // "*" searches inside blocks only, once per reference: NOTES three times, TITLE from both spaces.
    EXPECT_EQ(Found(Search("Both", "*", "*", "item")),
              (QStringList{"Model|NOTES|notes item", "Model|NOTES|notes item", "Model|NOTES|notes item",
                           "Model|NOTES2|notes2 item", "Model|TITLE|title item", "Paper|TITLE|title item"}));
    EXPECT_EQ(total, 6);
    // The keywords in any case, as the whole list, search the loose text of their space only.
    EXPECT_EQ(Found(Search("Model", "*model_space", "*", "item")), kLooseModel);
    EXPECT_EQ(Found(Search("Both", " *MODEL_SPACE ", "*", "item")), kLooseModel);
    EXPECT_EQ(Found(Search("Both", "*Paper_Space", "*", "item")), QStringList{"Paper|*PAPER_SPACE|paper item"});
    // Beside a block name a keyword is just another name: only the blocks named TITLE are searched.
    EXPECT_EQ(Found(Search("Both", "*model_space, TITLE", "*", "item")),
              (QStringList{"Model|TITLE|title item", "Paper|TITLE|title item"}));
    // One name does not reach its longer namesake; two names reach both.
    EXPECT_EQ(Found(Search("Model", "notes", "*", "item")).size(), 3);
    EXPECT_EQ(Found(Search("Model", "notes2,title", "*", "item")),
              (QStringList{"Model|NOTES2|notes2 item", "Model|TITLE|title item"}));
    // Multiple-line text instead of single-line text.
    EXPECT_EQ(Found(Search("Both", "*", "*", "item", false, false, /*mtext=*/true)),
              (QStringList{"Model|NOTES|notes mtext item", "Model|NOTES|notes mtext item",
                           "Model|NOTES|notes mtext item"}));
    EXPECT_EQ(Found(Search("Both", "*MODEL_SPACE", "*", "item", false, false, true)),
              QStringList{"Model|*MODEL_SPACE|model mtext item"});
}

TEST_F(DxfSearchTest, LayersPhrasesAndTheSpaceWord) {
    // An entry with a blank admits each of its words; "Maße" and "MASSE" stay apart.
    EXPECT_EQ(Found(Search("Model", "*MODEL_SPACE", "My Layer", "item")),
              QStringList{"Model|*MODEL_SPACE|on layer item"});
    EXPECT_EQ(Found(Search("Model", "*MODEL_SPACE", QString::fromUtf8("Maße"), "item")),
              QStringList{QString::fromUtf8("Model|*MODEL_SPACE|maße item")});
    EXPECT_EQ(Found(Search("Model", "*MODEL_SPACE", "masse", "item")), QStringList{"Model|*MODEL_SPACE|masse item"});
    // Exact phrase: the whole text, so not the one with a trailing blank; case as asked.
    EXPECT_EQ(Found(Search("Model", "*MODEL_SPACE", "*", "abc", false, /*whole=*/true)),
              QStringList{"Model|*MODEL_SPACE|ABC"});
    EXPECT_EQ(Search("Model", "*MODEL_SPACE", "*", "abc", /*matchCase=*/true, true), QStringList{});
    EXPECT_EQ(Search("Model", "*MODEL_SPACE", "*", "abc").size(), 2);
    EXPECT_EQ(Found(Search("Model", "*MODEL_SPACE", "*", " layer ")),
              (QStringList{"Model|*MODEL_SPACE|on layer item", "Model|*MODEL_SPACE|other layer item"}));

    // A block referenced three times: three identical rows, three more on the total.
    total = 5;
    const QStringList rows = Search("Model", "NOTES", "*", "notes item");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1], rows[0]);
    EXPECT_EQ(rows[2], rows[0]);
    EXPECT_EQ(total, 8);
    // The space word is compared exactly.
    EXPECT_EQ(Search("model", "*", "*", "item"), QStringList{});
    EXPECT_EQ(Search("MODEL", "*MODEL_SPACE", "*", "item"), QStringList{});
    EXPECT_EQ(total, 8);
}

TEST_F(DxfSearchTest, RowsSplitBackIntoTheirFieldsWithACsvReader) {
    QString handleOf;
    QString mtextHandle;
    const QJsonObject texts = EzdxfTexts({drawing});
    for (const auto v : texts.value(drawing).toObject().value("Model").toArray()) {
        const QJsonObject e = v.toObject();
        if (e.value("layer").toString() != "Quote") continue;
        (e.value("type").toString() == "TEXT" ? handleOf : mtextHandle) = e.value("handle").toString();
    }
    const QString text = "say \"hi\", then; go";
    for (const QString& delimiter : {QStringLiteral(","), QStringLiteral(";"), QStringLiteral("\t")}) {
        const QStringList rows = Search("Model", "*MODEL_SPACE", "quote", "hi", false, false, false, delimiter);
        ASSERT_EQ(rows.size(), 1) << delimiter.toStdString();
        const QList<QStringList> parsed = CsvRows(rows[0] + "\r\n", delimiter);
        ASSERT_EQ(parsed.size(), 1);
        EXPECT_EQ(parsed[0], (QStringList{"engines.dxf", "Model", "*MODEL_SPACE", "Quote", "0", handleOf, "0", "0",
                                          "0", text}))
            << delimiter.toStdString() << ": " << rows[0].toStdString();
    }
    const QStringList rows = Search("Both", "*MODEL_SPACE", "*", "\"hi\"", false, false, /*mtext=*/true);
    ASSERT_EQ(rows.size(), 1);
    const QList<QStringList> parsed = CsvRows(rows.join("\r\n") + "\r\n", ",");
    ASSERT_EQ(parsed.size(), 1);
    EXPECT_EQ(parsed[0].value(5), mtextHandle);
    EXPECT_EQ(parsed[0].value(9), "mtext \"hi\", too");
}

}  // namespace
