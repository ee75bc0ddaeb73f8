// cAutoCAD::SearchAttributes: search the open drawing for a phrase, one delimited row per hit.
//
// Text is reached in one of two ways per space, chosen by the block list: the keyword "*MODEL_SPACE"
// (or "*PAPER_SPACE") as the whole list searches the text lying directly in that space; any other list
// ("*" included) searches the text inside the blocks referenced from it, once per reference.

#include "host/cautocad.h"
#include "modify/name_list.h"
#include "report/clsconcat.h"
#include "report/number_forms.h"
#include "search/search_row.h"

#include <vector>

namespace qln {

namespace {

struct SpacePart {
    QString word;          // "Model" or "Paper": the row's Space field
    QString keyword;       // "*MODEL_SPACE" or "*PAPER_SPACE": the list that asks for loose text
    QString looseSet;      // selection set names
    QString blockSet;
    std::int16_t flag;     // group 67: 0 model space, 1 paper space
};

}  // namespace

QString cAutoCAD::SearchAttributes(const QString& strDrawing, const QString& strSpace, QString strBlockName,
                                   QString strLayerName, const QString& strDelimiter, bool blnMatchCase,
                                   bool blnWholeWord, bool blnTag, const QString& strFind, std::int32_t& lngTot,
                                   const QString& strAttributeTags) {
    clsConcat rows;
    pending_.Clear();

    strBlockName = NormaliseNameList(TrimSpaces(strBlockName));
    strLayerName = NormaliseNameList(TrimSpaces(strLayerName));
    const QString tags = strAttributeTags.isEmpty() ? QString() : NormaliseNameList(TrimSpaces(strAttributeTags));

    std::vector<std::int16_t> filterType{0, 67};
    std::vector<host::Variant> filterData{QString(), std::int16_t{0}};
    if (NamesSingleBlock(strBlockName)) {
        filterType.push_back(2);
        filterData.emplace_back(TrimSpaces(strBlockName));
    }

    const Qt::CaseSensitivity cs = blnMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    auto phraseFound = [&](const QString& text) {
        return blnWholeWord ? text.compare(strFind, cs) == 0 : text.contains(strFind, cs);
    };
    const QString textType = blnTag ? QStringLiteral("AcDbMText") : QStringLiteral("AcDbText");
    auto aborted = [this] { return state_.blnAbortSearch.load(); };

    // The hit row of one text object; a value that cannot be read leaves its field empty.
    auto appendRow = [&](host::Entity& text, const QString& space, const QString& block, const QString& layer,
                         const QString& content) {
        const auto rotation = pending_.Try(text.Rotation());
        const auto handle = pending_.Try(text.Handle());
        const auto point = pending_.Try(text.InsertionPoint());
        rows.SConcat(SearchRow({strDrawing, space, block, layer, rotation ? FormatRotation(*rotation) : QString(),
                                handle.value_or(QString()), point ? FormatCoordinate((*point)[0]) : QString(),
                                point ? FormatCoordinate((*point)[1]) : QString(),
                                point ? FormatCoordinate((*point)[2]) : QString(), content},
                               strDelimiter));
        ++lngTot;
    };

    // A selection that cannot be made holds nothing to search.
    auto select = [&](const QString& setName) {
        return SelectionItems(AddSelection(setName, filterType, filterData), IfSelectFailed::kNothing);
    };

    auto searchPart = [&](const SpacePart& part) {
        filterData[1] = part.flag;
        if (UpperEachCharacter(TrimSpaces(strBlockName)) == part.keyword) {
            // Loose text of the space.
            filterData[0] = blnTag ? QStringLiteral("MTEXT") : QStringLiteral("TEXT");
            for (const host::EntityPtr& text : select(part.looseSet)) {
                Yield();
                if (aborted()) break;
                if (!text) continue;
                const auto layer = pending_.Try(text->Layer());
                if (!layer || !NameListAdmits(strLayerName, *layer)) continue;
                const auto content = pending_.Try(text->TextString());
                if (!content || !phraseFound(*content)) continue;
                appendRow(*text, part.word, part.keyword, *layer, *content);
            }
            return;
        }
        // Text inside the blocks referenced from the space, once per reference.
        filterData[0] = QStringLiteral("INSERT");
        BlockObjects blockTexts(textType);
        for (const host::EntityPtr& reference : select(part.blockSet)) {
            Yield();
            if (aborted()) return;
            // An empty reference is passed over without a pending error.
            const auto block = ReferencedBlock(reference, IfNullReference::kSkip, blockTexts);
            if (!block) continue;
            const QString& name = block->name;
            for (const host::EntityPtr& text : block->items) {
                Yield();
                if (aborted()) break;
                if (!text) continue;
                const auto objectName = pending_.Try(text->ObjectName());
                if (!objectName || *objectName != textType) continue;
                if (!NameListAdmits(strBlockName, name)) continue;
                const auto layer = pending_.Try(text->Layer());
                if (!layer || !NameListAdmits(strLayerName, *layer)) continue;
                const auto content = pending_.Try(text->TextString());
                if (!content || !phraseFound(*content)) continue;
                appendRow(*text, part.word, name, *layer, *content);
            }
            if (tags.isEmpty() || aborted() || !NameListAdmits(strBlockName, name)) continue;
            // The reference's own attribute values: by tag and by the attribute's layer.
            const auto has = pending_.Try(reference->HasAttributes());
            if (!has || !*has) continue;
            const auto attributes = pending_.Try(reference->GetAttributes());
            if (!attributes) continue;
            for (const host::EntityPtr& attribute : *attributes) {
                Yield();
                if (aborted()) break;
                if (!attribute) continue;
                const auto tag = pending_.Try(attribute->TagString());
                if (!tag || !NameListAdmits(tags, *tag)) continue;
                const auto layer = pending_.Try(attribute->Layer());
                if (!layer || !NameListAdmits(strLayerName, *layer)) continue;
                const auto content = pending_.Try(attribute->TextString());
                if (!content || !phraseFound(*content)) continue;
                appendRow(*attribute, part.word, name, *layer, *content);
            }
        }
    };

    if (strSpace == u"Model" || strSpace == u"Both")
        searchPart({QStringLiteral("Model"), QStringLiteral("*MODEL_SPACE"), QStringLiteral("MODEL"),
                    QStringLiteral("MODELBLOCKS"), 0});
    if (strSpace == u"Paper" || strSpace == u"Both")
        searchPart({QStringLiteral("Paper"), QStringLiteral("*PAPER_SPACE"), QStringLiteral("PAPER"),
                    QStringLiteral("PAPERBLOCKS"), 1});
    return rows.GetString();
}

}  // namespace qln
