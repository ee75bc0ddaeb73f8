#include "fuzz_inputs.h"

#include "host/cautocad.h"
#include "host/dxf/dxf_drawing.h"
#include "host/text_files.h"
#include "modify/commands.h"
#include "runs/drawing_list_run.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace qln::fuzz {

namespace {

[[noreturn]] void Broken(const char* rule, const QString& detail) {
    std::fprintf(stderr, "qln fuzz: %s: %s\n", rule, detail.toLocal8Bit().constData());
    std::abort();
}

// A file holding the input, rewritten for each one: templates and list files are read by path.
QString InputFile(QByteArrayView bytes) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.txt"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes.data(), bytes.size()) != bytes.size())
        Broken("setup", QStringLiteral("cannot write ") + path);
    return path;
}

// Every property of every entity, as the engines read them.
void ReadAll(const dxf::Drawing& d) {
    for (std::uint32_t e = 0; e < d.EntityCount(); ++e) {
        if (d.IsDeleted(e)) continue;
        (void)d.ObjectName(e).ok();
        (void)d.TextString(e).ok();
        (void)d.Handle(e);
        (void)d.Layer(e);
        (void)d.InsertionPoint(e).ok();
        (void)d.Rotation(e).ok();
        (void)d.Value(e, 70);
        if (auto name = d.Name(e)) (void)d.FindBlock(*name);
    }
    (void)d.SpaceEntities(dxf::Space::Model);
    (void)d.SpaceEntities(dxf::Space::Paper);
}

QByteArray Saved(const dxf::Drawing& d) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (auto s = d.Write(buffer); !s) Broken("a changed drawing cannot be written", s.error().description);
    return out;
}

}  // namespace

void DxfInput(QByteArrayView bytes) {
    auto loaded = dxf::Drawing::Load(bytes.toByteArray());
    if (!loaded) return;  // refused with a reason: fine
    dxf::Drawing& d = **loaded;
    ReadAll(d);

    // Change texts (longer, with control characters and carets, emptied) and delete every fifth entity.
    static const QString additions[] = {QStringLiteral("^\t\n\\P"), QString(300, u'x') + QStringLiteral("ü漢"),
                                        QString()};
    std::uint32_t changed = 0;
    for (std::uint32_t e = 0; e < d.EntityCount(); ++e) {
        if (e % 5 == 4) {
            (void)d.Delete(e).ok();
            continue;
        }
        auto text = d.TextString(e);
        if (!text) continue;
        const QString& more = additions[changed++ % 3];
        (void)d.SetTextString(e, more.isEmpty() ? QString() : *text + more).ok();
    }
    ReadAll(d);
    const QByteArray saved = Saved(d);
    auto again = dxf::Drawing::Load(saved);
    if (!again) Broken("a saved drawing does not open", again.error().description);
    if ((*again)->IsDirty()) Broken("a drawing read again", QStringLiteral("has changes"));
    ReadAll(**again);
}

void TemplateInput(QByteArrayView bytes) {
    const QString path = InputFile(bytes);
    ProgramState state;
    NullFrontend frontend;
    cAutoCAD session(nullptr, state, frontend);
    QString err;
    const std::int16_t first = session.PrepTemplate(path, err);
    const QStringList commands = session.strCommands;
    if (session.PrepTemplate(path, err) != first || session.strCommands != commands)
        Broken("a template", QStringLiteral("reads differently twice"));
    // The commands as a run recognises them, tried on a text.
    for (const QString& delimiter : {QStringLiteral(","), QString()}) {
        for (const Command& c : RecogniseCommands(commands, delimiter)) {
            const QString text = QStringLiteral("Abc ^ tab\tß Straße ");
            if (CommandTestPasses(c, text)) (void)CommandResult(c, text);
            (void)AuditLine(c, true, text, QStringLiteral("2F"));
        }
    }
}

void ListFileInput(QByteArrayView bytes) {
    const QString path = InputFile(bytes);
    const auto lines = ReadTextLines(path);
    if (!lines) Broken("a list file", QStringLiteral("cannot be read back"));
    if (*lines != SplitTextLines(DecodeText(bytes.toByteArray())))
        Broken("a list file", QStringLiteral("reads differently from its text"));
    ProgramState state;
    NullFrontend frontend;
    DrawingListRun run(nullptr, state, frontend);
    for (const QString& line : *lines) {
        const DrawingListRun::Line l = run.Classify(line);
        const bool task = l.kind == DrawingListRun::Line::Single || l.kind == DrawingListRun::Line::Wildcard;
        if (task && !line.contains(u','))
            Broken("a list line without a comma", QStringLiteral("taken for a task: ") + line);
    }
}

bool RunInput(const QString& kind, QByteArrayView bytes) {
    if (kind == u"dxf") DxfInput(bytes);
    else if (kind == u"template") TemplateInput(bytes);
    else if (kind == u"list") ListFileInput(bytes);
    else return false;
    return true;
}

}  // namespace qln::fuzz
