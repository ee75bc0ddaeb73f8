// The DXF host on the shared corpus of drawings: each opens or fails clearly; changing or deleting one
// text changes nothing else in the file; ezdxf loads every saved drawing and audits it no worse than the
// original. Work happens on copies in a temporary folder.

#include "support/dxf_test_util.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <iostream>
#include <map>

using namespace dxftest;

namespace {

QStringList CorpusFiles() {
    QStringList files;
    const QString folder = testhost::CorpusFolder();
    if (folder.isEmpty()) return files;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        const QString f = it.next();
        if (f.endsWith(u".dxf", Qt::CaseInsensitive)) files << f;
    }
    files.sort();
    return files;
}

#define CORPUS_FILES(files)                                                       \
    const QStringList files = CorpusFiles();                                      \
    if (files.isEmpty()) GTEST_SKIP() << "no DXF corpus at " QLN_DEFAULT_CORPUS_DIR

// Which files ezdxf reads without its recover mode (all false without ezdxf).
std::map<QString, bool> EzdxfReadable(const QStringList& files) {
    std::map<QString, bool> out;
    if (testhost::EzdxfPython().isEmpty()) return out;
    const QJsonObject o = QJsonDocument::fromJson(RunEzdxf(QStringList{"readable"} + files)).object();
    for (const QString& f : files) out[f] = o.value(f).toBool();
    return out;
}

// Release 12 and later, ASCII or binary: the drawings the host must open when ezdxf reads them.
bool IsFromRelease12(const QByteArray& bytes) {
    const qsizetype at = bytes.indexOf("$ACADVER");
    if (at < 0) return true;  // Release 12 drawings may have no header at all
    const qsizetype v = bytes.indexOf("AC1", at);
    return v > 0 && bytes.mid(v, 6) >= "AC1009";
}

// One text of the drawing: the first TEXT, else the first MTEXT, of model or paper space, else of a block.
host::EntityPtr FirstText(host::Document& doc) {
    for (const char* type : {"TEXT", "MTEXT"}) {
        auto found = Select(doc, QStringLiteral("FIND_") + QLatin1String(type), {0}, {QString::fromLatin1(type)});
        if (!found.empty()) return found.front();
    }
    for (const auto& insert : Select(doc, QStringLiteral("FIND_INSERT"), {0}, {QStringLiteral("INSERT")})) {
        auto name = insert->Name();
        auto block = name ? doc.Blocks(*name) : host::Result<host::BlockPtr>(host::ObjectNotSet());
        if (!block) continue;
        auto items = (*block)->Items();
        if (!items) continue;
        for (const auto& e : *items) {
            auto type = e->ObjectName();
            if (type && (*type == u"AcDbText" || *type == u"AcDbMText")) return e;
        }
    }
    return nullptr;
}

// The pairs of a file: each group code with the pair's exact bytes (code line, value and line ends).
std::vector<std::pair<int, QByteArray>> PairBytes(const QByteArray& bytes, QByteArray* afterEof = nullptr) {
    auto f = qln::dxf::DxfFile::Parse(bytes);
    std::vector<std::pair<int, QByteArray>> out;
    if (!f) return out;
    for (std::uint32_t i = 0; i < f->Size(); ++i)
        out.emplace_back(f->Code(i), bytes.mid(f->At(i).codeStart, f->PairEnd(i) - f->At(i).codeStart));
    if (afterEof) *afterEof = bytes.mid(f->IndexEnd());
    return out;
}

int CodeOf(const std::pair<int, QByteArray>& pair) { return pair.first; }

struct Saved {
    QString original;
    QString saved;
    QString text;
    bool deleted = false;
};

// Have ezdxf load every saved drawing and compare its audit with the original's.
void CheckWithEzdxf(const std::vector<Saved>& saved, const std::map<QString, bool>& readable) {
    QJsonArray jobs;
    for (const Saved& s : saved) {
        if (!readable.count(s.original) || !readable.at(s.original)) continue;
        jobs.append(QJsonObject{{"original", s.original}, {"saved", s.saved}});
    }
    if (jobs.isEmpty()) return;
    const QJsonArray results = QJsonDocument::fromJson(RunEzdxf({"check"}, QJsonDocument(jobs).toJson())).array();
    ASSERT_EQ(results.size(), jobs.size());
    int i = 0;
    for (const Saved& s : saved) {
        if (!readable.at(s.original)) continue;
        const QJsonObject r = results[i++].toObject();
        const std::string name = QFileInfo(s.original).fileName().toStdString();
        ASSERT_TRUE(r.value("loaded").toBool()) << name << ": " << r.value("error").toString().toStdString();
        std::map<int, int> before, after;
        for (const auto v : r.value("original_codes").toArray()) ++before[v.toInt()];
        for (const auto v : r.value("saved_codes").toArray()) ++after[v.toInt()];
        for (const auto& [code, count] : after)
            EXPECT_LE(count, before[code]) << name << ": audit error " << code << " is new";
        QStringList texts;
        for (const auto v : r.value("texts").toArray()) texts << v.toString();
        if (s.deleted) {
            EXPECT_EQ(texts.size(), r.value("original_text_count").toInt() - 1) << name;
        } else {
            EXPECT_TRUE(texts.contains(s.text)) << name << ": no text " << s.text.toStdString();
        }
    }
}

TEST(DxfCorpus, EveryDrawingOpensOrFailsClearly) {
    CORPUS_FILES(files);
    const auto readable = EzdxfReadable(files);
    Session session;
    int opened = 0;
    for (const QString& file : files) {
        const QByteArray bytes = testhost::ReadFile(file);
        const std::string name = QFileInfo(file).fileName().toStdString();
        if (session.s.OpenDrawing(file, true) != 1) {
            const QString why = session.s.PendingError().description;
            EXPECT_TRUE(why.contains(QDir::toNativeSeparators(file)) && why.size() > file.size() + 10) << name << ": " << why.toStdString();
            std::cout << "refused " << name << ": " << why.toStdString() << "\n";
            if (readable.count(file) && readable.at(file) && IsFromRelease12(bytes))
                ADD_FAILURE() << name << " is read by ezdxf but does not open: " << why.toStdString();
            continue;
        }
        ++opened;
        // Every member on every entity answers without harm.
        host::Document& doc = session.Doc();
        for (const auto& e : Select(doc, "ALL", {}, {})) {
            for (auto r : {e->ObjectName(), e->Handle(), e->Layer()}) EXPECT_TRUE(r.ok()) << name;
            e->TextString().ok();
            e->InsertionPoint().ok();
            e->Rotation().ok();
            if (auto n = e->Name()) {
                if (auto b = doc.Blocks(*n)) {
                    EXPECT_TRUE((*b)->Items().ok());
                }
            }
        }
        EXPECT_EQ(session.s.CloseDrawing(false), 1);
    }
    std::cout << "opened " << opened << " of " << files.size() << " drawings\n";
    EXPECT_GT(opened, files.size() / 2);
}

// Change (or delete) the first text of every drawing that opens and has one.
std::vector<Saved> ChangeEach(const QStringList& files, const QString& folder, bool remove) {
    std::vector<Saved> out;
    Session session;
    for (const QString& file : files) {
        const std::string name = QFileInfo(file).fileName().toStdString();
        Saved s{file, QDir(folder).filePath(QFileInfo(file).fileName()), {}, remove};
        EXPECT_TRUE(QFile::copy(file, s.saved));
        QFile::setPermissions(s.saved, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (session.s.OpenDrawing(s.saved) != 1) continue;
        host::EntityPtr text = FirstText(session.Doc());
        if (!text) {
            session.s.CloseDrawing(false);
            continue;
        }
        QString value = *text->TextString();
        if (remove) {
            EXPECT_TRUE(text->Delete().ok()) << name;
        } else {
            value = value.isEmpty() ? QStringLiteral("QLN") : (value[0] == u'Q' ? u'R' : u'Q') + value.mid(1);
            EXPECT_TRUE(text->SetTextString(value).ok()) << name;
            EXPECT_EQ(*text->TextString(), value);
        }
        s.text = value;
        session.s.strVersion = QStringLiteral("0");
        EXPECT_EQ(session.s.CloseDrawing(true), 1) << name << session.s.PendingError().description.toStdString();
        out.push_back(s);
    }
    return out;
}

TEST(DxfCorpus, ChangingOneTextChangesOnlyItsValue) {
    CORPUS_FILES(files);
    QTemporaryDir dir;
    const std::vector<Saved> saved = ChangeEach(files, dir.path(), false);
    EXPECT_GT(saved.size(), 40u);
    Session session;
    for (const Saved& s : saved) {
        const std::string name = QFileInfo(s.original).fileName().toStdString();
        QByteArray tailBefore, tailAfter;
        const auto before = PairBytes(testhost::ReadFile(s.original), &tailBefore);
        const auto after = PairBytes(testhost::ReadFile(s.saved), &tailAfter);
        EXPECT_EQ(tailBefore, tailAfter) << name;
        // Same pairs before and after the changed stretch; in it, only text values (groups 1 and 3).
        size_t head = 0, tail = 0;
        while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
        while (tail < before.size() - head && tail < after.size() - head &&
               before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
            ++tail;
        ASSERT_LT(head, after.size()) << name << ": nothing changed";
        for (size_t i = head; i < after.size() - tail; ++i) EXPECT_TRUE(CodeOf(after[i]) == 1 || CodeOf(after[i]) == 3) << name;
        for (size_t i = head; i < before.size() - tail; ++i) EXPECT_TRUE(CodeOf(before[i]) == 1 || CodeOf(before[i]) == 3) << name;
        // The host reads the new text back.
        ASSERT_EQ(session.s.OpenDrawing(s.saved, true), 1) << name;
        host::EntityPtr text = FirstText(session.Doc());
        ASSERT_TRUE(text);
        EXPECT_EQ(*text->TextString(), s.text) << name;
        session.s.CloseDrawing(false);
    }
    CheckWithEzdxf(saved, EzdxfReadable(files));
}

TEST(DxfCorpus, DeletingOneTextLeavesADrawingThatLoadsAndAudits) {
    CORPUS_FILES(files);
    QTemporaryDir dir;
    const std::vector<Saved> saved = ChangeEach(files, dir.path(), true);
    EXPECT_GT(saved.size(), 40u);
    for (const Saved& s : saved) {
        const std::string name = QFileInfo(s.original).fileName().toStdString();
        const auto before = PairBytes(testhost::ReadFile(s.original));
        const auto after = PairBytes(testhost::ReadFile(s.saved));
        // Only whole pairs went; everything else is there in order, byte for byte.
        EXPECT_LT(after.size(), before.size()) << name;
        size_t j = 0;
        for (size_t i = 0; i < before.size() && j < after.size(); ++i)
            if (before[i] == after[j]) ++j;
        EXPECT_EQ(j, after.size()) << name;
    }
    CheckWithEzdxf(saved, EzdxfReadable(files));
}

}  // namespace
