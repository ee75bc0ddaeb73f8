// cAutoCAD::GetAttributes: apply the parsed template to the open drawing.
//
// The host does the coarse selection (object type, space, and the block name when the block list names
// exactly one block); the engine then walks up to two passes, model space and paper space. In each
// space the block list chooses what is visited: the loose text of that space ("*MODEL_SPACE" /
// "*PAPER_SPACE"), or else the contents of the blocks referenced there. Every object that passes the
// block and layer tests goes through the whole command list. With an ATTRIBUTES: list, the block passes
// also run the list on the attributes of every reference that passes the block test. A host failure
// skips the step it happened in; the walk goes on.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "modify/commands.h"
#include "modify/name_list.h"

#include <vector>

namespace qln {

// What one call of GetAttributes works with.
struct cAutoCAD::ModifyRun {
    bool blnMText = false;
    // The selection filter: group codes and their values, index for index.
    std::vector<std::int16_t> intFilterType;
    std::vector<host::Variant> varFilterData;
    std::vector<Command> commands;
    LineWriter* audit = nullptr;   // nullptr: no audit log
    bool attributes = false;       // the template names attribute tags
    bool blnModified = false;
};

namespace {

const QString kTextType = QStringLiteral("TEXT");
const QString kMTextType = QStringLiteral("MTEXT");
const QString kInsertType = QStringLiteral("INSERT");

// The layer test: the list is "*" or names the object's layer (ignoring case). An object whose layer
// cannot be read is not touched.
bool LayerAdmits(host::Entity& object, const QString& strLayers, host::PendingError& pending) {
    if (strLayers == u"*") return true;
    const std::optional<QString> layer = pending.Try(object.Layer());
    return layer && NameListAdmits(strLayers, *layer);
}

}  // namespace

std::int16_t cAutoCAD::GetAttributes(QString& strErr, const QString& strDelimiter, LineWriter* intFile) {
    pending_.Clear();

    ModifyRun run;
    run.blnMText = strTextType.toLower() != u"single";
    run.audit = intFile;
    run.commands = RecogniseCommands(strCommands, strDelimiter);
    run.attributes = !strAttributes.isEmpty();
    const QString& textType = run.blnMText ? kMTextType : kTextType;

    run.intFilterType = {0, 67};
    run.varFilterData = {textType, std::int16_t{0}};
    if (NamesSingleBlock(strBlocks)) {
        run.intFilterType.push_back(2);
        run.varFilterData.emplace_back(TrimSpaces(strBlocks));
    }

    if (intFile) {
        intFile->WriteLine(QStringLiteral("Text Type: ") + TrimSpaces(strTextType));
        intFile->WriteLine(QStringLiteral("Spaces: ") + TrimSpaces(strSpaces));
        intFile->WriteLine(QStringLiteral("Blocks: ") + TrimSpaces(strBlocks));
        intFile->WriteLine(QStringLiteral("Layers: ") + TrimSpaces(strLayers));
        if (run.attributes) intFile->WriteLine(QStringLiteral("Attributes: ") + TrimSpaces(strAttributes));
    }

    const QString blocks = TrimSpaces(strBlocks);
    if (strSpaces == u"MODEL" || strSpaces == u"*") {
        if (blocks == u"*MODEL_SPACE") {
            TextPass(QStringLiteral("MODEL"), run);
        } else {
            run.varFilterData[0] = kInsertType;
            BlockPass(QStringLiteral("MODELBLOCKS"), run);
        }
    }
    if (strSpaces == u"PAPER" || strSpaces == u"*") {
        run.varFilterData[1] = std::int16_t{1};
        if (blocks == u"*PAPER_SPACE") {
            run.varFilterData[0] = textType;
            TextPass(QStringLiteral("PAPER"), run);
        } else {
            run.varFilterData[0] = kInsertType;
            BlockPass(QStringLiteral("PAPERBLOCKS"), run);
        }
    }

    if (run.blnModified) return 1;
    strErr = QStringLiteral("No data found to process.");
    if (intFile) intFile->WriteLine(strErr);
    return 0;
}

// The loose text of one space: the host's filter already chose the type and the space. A selection that
// cannot be made leaves the pass with nothing to visit.
void cAutoCAD::TextPass(const QString& strName, ModifyRun& run) {
    const auto objects =
        SelectionItems(AddSelection(strName, run.intFilterType, run.varFilterData), IfSelectFailed::kNothing);
    for (const host::EntityPtr& object : objects) {
        Yield();
        if (!object) continue;
        if (!LayerAdmits(*object, strLayers, pending_)) continue;
        RunCommands(*object, run.commands, run.blnMText, run.audit, pending_, run.blnModified, nullptr, changes);
    }
}

// The contents of every block referenced in one space, once per reference. Only the direct contents of a
// definition are visited: nested references are not followed.
void cAutoCAD::BlockPass(const QString& strName, ModifyRun& run) {
    const QString objectName = run.blnMText ? QStringLiteral("AcDbMText") : QStringLiteral("AcDbText");
    const auto references =
        SelectionItems(AddSelection(strName, run.intFilterType, run.varFilterData), IfSelectFailed::kNothing);
    BlockObjects blockTexts(objectName);
    for (const host::EntityPtr& reference : references) {
        const auto block = ReferencedBlock(reference, IfNullReference::kRecord, blockTexts);
        if (!block) continue;
        const bool blockAdmitted = NameListAdmits(strBlocks, block->name);

        for (const host::EntityPtr& object : block->items) {
            Yield();
            if (!object) continue;
            // Only text of the run's type: attribute definitions, nested references and the like are not.
            const auto type = pending_.Try(object->ObjectName());
            if (!type || *type != objectName) continue;
            if (!blockAdmitted) continue;
            if (!LayerAdmits(*object, strLayers, pending_)) continue;
            RunCommands(*object, run.commands, run.blnMText, run.audit, pending_, run.blnModified, nullptr, changes);
        }
        if (run.attributes && blockAdmitted) AttributePass(*reference, run);
    }
}

// The attributes of one block reference, in the host's order: those whose tag is in the list and whose
// own layer passes. The text type does not apply: single-line and multi-line attributes alike.
void cAutoCAD::AttributePass(host::Entity& reference, ModifyRun& run) {
    const auto has = pending_.Try(reference.HasAttributes());
    if (!has || !*has) return;
    const auto attributes = pending_.Try(reference.GetAttributes());
    if (!attributes) return;
    for (const host::EntityPtr& attribute : *attributes) {
        Yield();
        if (!attribute) continue;
        const auto tag = pending_.Try(attribute->TagString());
        if (!tag || !NameListAdmits(strAttributes, *tag)) continue;
        if (!LayerAdmits(*attribute, strLayers, pending_)) continue;
        RunCommands(*attribute, run.commands, run.blnMText, run.audit, pending_, run.blnModified, &*tag, changes);
    }
}

}  // namespace qln
