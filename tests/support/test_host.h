#pragma once
// An in-memory CAD host for tests: drawings built in code, every call recorded, failures on demand.
//
//   auto host = std::make_shared<testhost::TestHost>();
//   auto& dwg = host->AddDrawing("/d/a.dwg");
//   dwg.AddText("MODEL", "hello").layer = "NOTES";
//   dwg.AddBlock("TITLE").push_back(testhost::MakeText("inside"));
//   dwg.AddInsert("TITLE", /*paper=*/false);
//   dwg.AddInsert("TITLE").AddAttribute("REV", "A");
//   host->FailNext("Open", 2);              // the next two Open calls fail
//   host->FailAlways("SaveAs");
//
// Members are named as in the automation interface ("CreateInstance", "Open", "Close", "SaveAs",
// "Select", "TextString", "SetTextString", "Delete", ...). A failure can also be set on one entity.

#include "host/automation.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace testhost {

using host::Error;
using host::Point3;

class TestHost;

struct TestEntity final : host::Entity, std::enable_shared_from_this<TestEntity> {
    QString type = QStringLiteral("TEXT");  // DXF type: TEXT, MTEXT, INSERT, LINE, ATTDEF, ...
    QString text;
    QString handle;
    QString layer = QStringLiteral("0");
    QString name;        // INSERT: the block it references
    QString tag;         // ATTRIB: its tag
    std::vector<std::shared_ptr<TestEntity>> attributes;  // INSERT: its attribute references, in order
    Point3 point{0, 0, 0};
    double rotation = 0;
    bool paper = false;  // loose entities: paper space
    bool deleted = false;
    QStringList failing;  // members that fail on this entity
    TestHost* host = nullptr;

    host::Result<QString> ObjectName() override;
    host::Result<QString> TextString() override;
    host::Status SetTextString(const QString& text) override;
    host::Result<QString> Handle() override;
    host::Result<QString> Layer() override;
    host::Result<Point3> InsertionPoint() override;
    host::Result<double> Rotation() override;
    host::Status Delete() override;
    host::Result<QString> Name() override;
    host::Result<bool> HasAttributes() override;
    host::Result<std::vector<host::EntityPtr>> GetAttributes() override;
    host::Result<QString> TagString() override;

    // INSERT: append an attribute reference (an ATTRIB on layer 0 with a fresh handle).
    TestEntity& AddAttribute(const QString& tag, const QString& text);

private:
    std::optional<Error> Check(const char* member);
};
using TestEntityPtr = std::shared_ptr<TestEntity>;

TestEntityPtr MakeText(const QString& text, const QString& layer = QStringLiteral("0"), bool mtext = false);

struct TestDrawing {
    QString path;
    // Model and paper space, in order. A null entry stands for an empty reference that the host yields in
    // every selection set.
    std::vector<TestEntityPtr> entities;
    QMap<QString, std::vector<TestEntityPtr>> blocks;          // by upper-cased name
    int saves = 0;                                             // Close(true) and SaveAs calls that wrote
    std::optional<std::int16_t> savedFormat;                   // the format of the last SaveAs
    QString saveAsWarning;                                     // left by every SaveAs (a partial save)
    TestHost* host = nullptr;
    int nextHandle = 0x100;

    TestEntity& AddText(const QString& space, const QString& text, bool mtext = false);
    TestEntity& AddInsert(const QString& block, bool paper = false);
    std::vector<TestEntityPtr>& AddBlock(const QString& name);
    TestEntity& AddToBlock(const QString& block, const QString& text, bool mtext = false);
};

class TestHost final : public host::ApplicationClass, public std::enable_shared_from_this<TestHost> {
public:
    TestHost() = default;

    TestDrawing& AddDrawing(const QString& path);
    TestDrawing* Drawing(const QString& path);

    void FailNext(const QString& member, int times = 1, Error error = DefaultError());
    void FailAlways(const QString& member, Error error = DefaultError());
    static Error DefaultError() { return {-2145320900, QStringLiteral("Injected failure")}; }

    // Every call made, in order, e.g. "Open(/d/a.dwg,ReadOnly=1,Password=)", "SaveAs(/d/a.dwg,24)".
    QStringList calls;
    QStringList CallsTo(const QString& member) const;

    // Documents currently open in the started application (path, read-only).
    struct OpenDocument {
        QString path;
        bool readOnly = false;
        std::shared_ptr<host::Document> document;
    };
    std::vector<OpenDocument> open;
    bool running = false;    // an application was started and not quit
    int instances = 0;       // applications created
    bool runningInstanceAvailable = false;

    // Called by the host objects.
    std::optional<Error> Take(const QString& member);
    void Log(const QString& call) { calls.append(call); }

    host::Result<host::ApplicationPtr> CreateInstance() override;
    host::Result<host::ApplicationPtr> GetRunningInstance() override;
    QString DrawingExtension() const override { return QStringLiteral(".dwg"); }
    // Worded as the AutoCAD host words them: this host stands in for it.
    QString StartStatus(host::StartStep step) const override {
        switch (step) {
            case host::StartStep::kStarting: return QStringLiteral("Starting AutoCAD...");
            case host::StartStep::kStarted: return QStringLiteral("AutoCAD instantiated");
            case host::StartStep::kCannotStart: break;
        }
        return QStringLiteral("Unable to start AutoCAD");
    }

    std::map<QString, TestDrawing> drawings;

private:
    QHash<QString, int> failNext_;
    QHash<QString, Error> failError_;
    QHash<QString, bool> failAlways_;
    host::ApplicationPtr application_;
};

}  // namespace testhost
