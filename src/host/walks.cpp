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
                                                                  IfNullReference ifNullReference,
                                                                  BlockObjects& objects) {
    if (!reference && ifNullReference == IfNullReference::kSkip) return std::nullopt;
    auto name = pending_.On(reference, [](host::Entity& e) { return e.Name(); });
    if (!name) return std::nullopt;
    if (auto known = objects.read_.find(*name); known != objects.read_.end()) {
        // Read before in this pass: only what has not been erased since (which no longer answers).
        std::vector<host::EntityPtr>& items = known.value();
        std::erase_if(items, [](const host::EntityPtr& e) { return e && !e->ObjectName().ok(); });
        return BlockContents{std::move(*name), items};
    }
    const auto block = pending_.On(objDoc, [&](host::Document& d) { return d.Blocks(*name); });
    if (!block) return std::nullopt;
    auto items = pending_.On(*block, [](host::Block& b) { return b.Items(); });
    if (!items) return std::nullopt;
    // Keep the objects of the type; an object whose type cannot be read is recorded once, as the engines
    // would on their first visit.
    std::vector<host::EntityPtr> kept;
    for (host::EntityPtr& e : *items) {
        if (e) {
            const auto type = pending_.Try(e->ObjectName());
            if (!type || *type != objects.objectName_) {
                Yield();  // the engine yields for the objects it visits, the walk for those it passes over
                continue;
            }
        }
        kept.push_back(std::move(e));
    }
    objects.read_.insert(*name, kept);
    return BlockContents{std::move(*name), std::move(kept)};
}

}  // namespace qln
