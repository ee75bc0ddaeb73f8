// The steps the three engines (modification passes, search, text listing) take through the open
// drawing: a named selection set selected with a filter, the objects of a set, and the contents of the
// block a reference names. Each engine keeps its own tests and order around them.

#include "host/cautocad.h"

namespace qln {

cAutoCAD::Selection cAutoCAD::AddSelection(const QString& setName, const std::vector<std::int16_t>& filterType,
                                           const std::vector<host::Variant>& filterData) {
    Selection selection;
    auto sets = pending_.On(objDoc, [](host::Document& d) { return d.SelectionSets(); });
    if (!sets) return selection;
    auto set = pending_.On(*sets, [&](host::SelectionSets& s) { return s.Add(setName); });
    if (!set) return selection;
    selection.set = std::move(*set);
    selection.selected = pending_.On(selection.set, [&](host::SelectionSet& s) {
        return s.Select(host::kSelectAll, filterType, filterData);
    });
    return selection;
}

std::vector<host::EntityPtr> cAutoCAD::SelectionItems(const Selection& selection, IfSelectFailed ifSelectFailed) {
    if (!selection.set) return {};
    if (!selection.selected && ifSelectFailed == IfSelectFailed::kNothing) return {};
    return pending_.Try(selection.set->Items()).value_or(std::vector<host::EntityPtr>{});
}

std::optional<cAutoCAD::BlockContents> cAutoCAD::ReferencedBlock(const host::EntityPtr& reference,
                                                                  IfNullReference ifNullReference) {
    if (!reference && ifNullReference == IfNullReference::kSkip) return std::nullopt;
    auto name = pending_.On(reference, [](host::Entity& e) { return e.Name(); });
    if (!name) return std::nullopt;
    const auto block = pending_.On(objDoc, [&](host::Document& d) { return d.Blocks(*name); });
    if (!block) return std::nullopt;
    auto items = pending_.On(*block, [](host::Block& b) { return b.Items(); });
    if (!items) return std::nullopt;
    return BlockContents{std::move(*name), std::move(*items)};
}

}  // namespace qln
