#pragma once
// Helpers for tests on the DXF host: drawings written by hand, a session on the DXF host, ezdxf runs.

#include "host/cautocad.h"
#include "host/dxf/dxf_file.h"
#include "host/dxf/dxf_host.h"
#include "support/files.h"
#include "support/recording_frontend.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace dxftest {

using PairList = std::vector<std::pair<int, QByteArray>>;

// Pairs as AutoCAD writes them: the code right-aligned in three columns, lines ended by `eol`.
inline QByteArray Pairs(const PairList& pairs, const QByteArray& eol = "\n") {
    QByteArray out;
    for (const auto& [code, value] : pairs) out += QByteArray::number(code).rightJustified(3, ' ') + eol + value + eol;
    return out;
}

// A drawing with a header (version, code page), optional block definitions and the given entities.
inline QByteArray Drawing(const QByteArray& entities, const QByteArray& blocks = {},
                          const QByteArray& version = "AC1015", const QByteArray& codePage = "ANSI_1252",
                          const QByteArray& objects = {}) {
    QByteArray out = Pairs({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, version}});
    if (!codePage.isEmpty()) out += Pairs({{9, "$DWGCODEPAGE"}, {3, codePage}});
    out += Pairs({{0, "ENDSEC"}});
    if (!blocks.isEmpty()) out += Pairs({{0, "SECTION"}, {2, "BLOCKS"}}) + blocks + Pairs({{0, "ENDSEC"}});
    out += Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + entities + Pairs({{0, "ENDSEC"}});
    if (!objects.isEmpty()) out += Pairs({{0, "SECTION"}, {2, "OBJECTS"}}) + objects + Pairs({{0, "ENDSEC"}});
    out += Pairs({{0, "EOF"}});
    return out;
}

inline QByteArray Text(const QByteArray& handle, const QByteArray& text, const QByteArray& layer = "0",
                       bool paper = false) {
    PairList p{{0, "TEXT"}, {5, handle}, {100, "AcDbEntity"}};
    if (paper) p.push_back({67, "1"});
    p.insert(p.end(), {{8, layer}, {100, "AcDbText"}, {10, "1.5"}, {20, "2.5"}, {30, "0.0"}, {40, "2.5"}, {1, text},
                       {100, "AcDbText"}});
    return Pairs(p);
}

inline QByteArray Block(const QByteArray& name, const QByteArray& entities, int flags = 0) {
    return Pairs({{0, "BLOCK"}, {8, "0"}, {2, name}, {70, QByteArray::number(flags)}, {10, "0"}, {20, "0"}, {30, "0"},
                  {3, name}}) +
           entities + Pairs({{0, "ENDBLK"}, {8, "0"}});
}

inline QByteArray Insert(const QByteArray& handle, const QByteArray& block, bool paper = false) {
    PairList p{{0, "INSERT"}, {5, handle}, {100, "AcDbEntity"}};
    if (paper) p.push_back({67, "1"});
    p.insert(p.end(), {{8, "0"}, {100, "AcDbBlockReference"}, {2, block}, {10, "0"}, {20, "0"}, {30, "0"}});
    return Pairs(p);
}

// A cAutoCAD session on the DXF host, started.
struct Session {
    host::ApplicationClassPtr hostClass = qln::dxf::MakeDxfHost();
    qln::ProgramState state;
    testhost::RecordingFrontend ui;
    qln::cAutoCAD s{hostClass, state, ui};
    Session() { EXPECT_EQ(s.OpenAutoCAD(), 1); }
    ~Session() { s.CloseAutoCAD(); }
    host::Document& Doc() { return *s.objDoc; }
};

// Select with mode 5 and the filter on a new selection set of the open document.
inline std::vector<host::EntityPtr> Select(host::Document& doc, const QString& setName,
                                           const std::vector<std::int16_t>& types,
                                           const std::vector<host::Variant>& data) {
    auto sets = doc.SelectionSets();
    EXPECT_TRUE(sets.ok());
    if (!sets) return {};
    auto set = (*sets)->Add(setName);
    EXPECT_TRUE(set.ok()) << set.error().description.toStdString();
    if (!set) return {};
    auto selected = (*set)->Select(host::kSelectAll, types, data);
    EXPECT_TRUE(selected.ok()) << selected.error().description.toStdString();
    auto items = (*set)->Items();
    EXPECT_TRUE(items.ok());
    return items ? *items : std::vector<host::EntityPtr>{};
}

inline QStringList Texts(const std::vector<host::EntityPtr>& entities) {
    QStringList out;
    for (const auto& e : entities) {
        auto t = e->TextString();
        out << (t ? *t : QStringLiteral("<%1>").arg(t.error().description));
    }
    return out;
}

// The pairs of a DXF file as (code, value) lines, for comparisons.
inline PairList ReadPairs(const QByteArray& bytes) {
    auto f = qln::dxf::DxfFile::Parse(bytes);
    EXPECT_TRUE(f.ok()) << (f ? "" : f.error().description.toStdString());
    PairList out;
    if (!f) return out;
    for (std::uint32_t i = 0; i < f->Size(); ++i) out.push_back({f->Code(i), f->Value(i).toByteArray()});
    return out;
}

inline QString FixtureScript() { return QStringLiteral(QLN_TEST_SOURCE_DIR "/support/dxf_fixtures.py"); }

// Run the fixture script with ezdxf; its standard output, or an empty array on failure (with a test failure).
inline QByteArray RunEzdxf(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(testhost::EzdxfPython(), QStringList{FixtureScript()} + args);
    if (!p.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << testhost::EzdxfPython().toStdString();
        return {};
    }
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(600000);
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    return p.readAllStandardOutput();
}

// What ezdxf reads from each drawing: for every place ("Model", "Paper" or a block name) its TEXT and
// MTEXT entities in file order, each with "type", "layer", "handle" and "text".
inline QJsonObject EzdxfTexts(const QStringList& paths) {
    return QJsonDocument::fromJson(RunEzdxf(QStringList{"texts"} + paths)).object();
}

// The texts of one place of one drawing, as ezdxf read them (see EzdxfTexts), optionally of one type.
inline QStringList PlaceTexts(const QJsonObject& texts, const QString& path, const QString& place,
                              const QString& type = {}) {
    QStringList out;
    for (const auto v : texts.value(path).toObject().value(place).toArray()) {
        const QJsonObject e = v.toObject();
        if (type.isEmpty() || e.value("type").toString() == type) out << e.value("text").toString();
    }
    return out;
}

// Delimited rows as Python's csv reader splits them (RFC 4180 quoting).
inline QList<QStringList> CsvRows(const QString& text, const QString& delimiter) {
    QList<QStringList> out;
    for (const auto row : QJsonDocument::fromJson(RunEzdxf({"csv", delimiter}, text.toUtf8())).array()) {
        QStringList fields;
        for (const auto f : row.toArray()) fields << f.toString();
        out << fields;
    }
    return out;
}

#define SKIP_WITHOUT_EZDXF()                                                    \
    do {                                                                        \
        if (testhost::EzdxfPython().isEmpty()) GTEST_SKIP() << "no Python with ezdxf"; \
    } while (0)

// A test suite over drawings that ezdxf writes once for the whole suite (`kind`: a command of
// dxf_fixtures.py) into a temporary folder. A suite calls MakeFixtures from its SetUpTestSuite.
class EzdxfFixtureSuite : public ::testing::Test {
protected:
    static inline QTemporaryDir* fixtures = nullptr;

    static void MakeFixtures(const QString& kind) {
        if (testhost::EzdxfPython().isEmpty()) return;
        fixtures = new QTemporaryDir();
        RunEzdxf({kind, fixtures->path()});
    }
    static void TearDownTestSuite() {
        delete fixtures;
        fixtures = nullptr;
    }
};

}  // namespace dxftest
