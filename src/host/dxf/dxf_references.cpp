#include "host/dxf/dxf_references.h"

#include <algorithm>

namespace qln::dxf {

void ReferenceIndex::Build(const DxfFile& f, const std::vector<Section>& sections) {
    built_ = true;
    for (const Section& s : sections) {
        if (s.name == "HEADER" || s.name == "CLASSES" || s.name == "THUMBNAILIMAGE") continue;
        const bool objects = s.name == "OBJECTS";
        std::uint32_t k = s.begin;
        while (k < s.end && f.Code(k) != 0) ++k;
        while (k < s.end) {
            const std::uint32_t end = f.RecordEnd(k, s.end);
            const QByteArrayView type = f.Trimmed(k);
            const bool group = EqualsIgnoringCase(type, "GROUP");
            const bool sortents = EqualsIgnoringCase(type, "SORTENTSTABLE");
            const bool dictionary = EqualsIgnoringCase(type, "DICTIONARY") || EqualsIgnoringCase(type, "ACDBDICTIONARYWDFLT");
            QByteArray handle, owner;
            bool inReactors = false, inGroup = false;
            for (std::uint32_t q = k + 1; q < end; ++q) {
                const int c = f.Code(q);
                if (c >= 1000) break;
                if (c == 102) {
                    const QByteArrayView v = f.Trimmed(q);
                    inGroup = v.startsWith("{");
                    inReactors = EqualsIgnoringCase(v, "{ACAD_REACTORS");
                    continue;
                }
                // An object's own handle and its owner's are kept for the objects only: entities are
                // found through their records, and most of a drawing is entities.
                if (c == 5 || c == 105) {
                    if (objects && handle.isEmpty()) handle = f.Trimmed(q).toByteArray().toUpper();
                } else if (c == 330 && inReactors) {
                    references_[f.Trimmed(q).toByteArray().toUpper()].push_back({q, RefKind::Reactor});
                } else if (c == 330 && !inGroup) {
                    if (objects && owner.isEmpty()) owner = f.Trimmed(q).toByteArray().toUpper();
                } else if (c == 340 && group) {
                    references_[f.Trimmed(q).toByteArray().toUpper()].push_back({q, RefKind::Single});
                } else if (c == 331 && sortents) {
                    references_[f.Trimmed(q).toByteArray().toUpper()].push_back({q, RefKind::WithNextHandle});
                } else if ((c == 350 || c == 360) && dictionary && !inGroup && q > k + 1 && f.Code(q - 1) == 3) {
                    references_[f.Trimmed(q).toByteArray().toUpper()].push_back({q, RefKind::WithPreviousName});
                }
            }
            if (objects && !handle.isEmpty()) {
                ObjectRecord o{k, end, handle};
                objectByHandle_.insert(handle, o);
                if (!owner.isEmpty()) ownedBy_[owner].push_back(o);
            }
            k = end;
        }
    }
}

void ReferenceIndex::DeleteEntity(const DxfFile& f, std::uint32_t begin, std::uint32_t end,
                                  DeletedPairs& deleted) const {
    const std::uint32_t pairs = f.Size();

    // The handles of the entity and its sub-entities, and the extension dictionaries they name.
    std::vector<QByteArray> queue;
    for (std::uint32_t k = begin; k < end; k = f.RecordEnd(k, end)) {
        bool inXdict = false;
        bool handled = false;
        for (std::uint32_t q = k + 1; q < end && f.Code(q) != 0; ++q) {
            const int c = f.Code(q);
            if (c == 5 && !handled) {
                queue.push_back(f.Trimmed(q).toByteArray().toUpper());
                handled = true;
            } else if (c == 102) {
                inXdict = EqualsIgnoringCase(f.Trimmed(q), "{ACAD_XDICTIONARY");
            } else if (c == 360 && inXdict) {
                const QByteArray h = f.Trimmed(q).toByteArray().toUpper();
                if (auto it = objectByHandle_.find(h); it != objectByHandle_.end() && !deleted.Contains(it->begin)) {
                    deleted.Add(it->begin, it->end, pairs);
                    queue.push_back(h);
                }
            }
        }
    }
    deleted.Add(begin, end, pairs);

    // Objects owned by what goes, and what they own in turn.
    std::vector<QByteArray> gone;
    while (!queue.empty()) {
        QByteArray h = std::move(queue.back());
        queue.pop_back();
        if (h.isEmpty() || std::find(gone.begin(), gone.end(), h) != gone.end()) continue;
        gone.push_back(h);
        const auto owned = ownedBy_.constFind(h);
        if (owned == ownedBy_.cend()) continue;
        for (const ObjectRecord& o : *owned) {
            if (deleted.Contains(o.begin)) continue;
            deleted.Add(o.begin, o.end, pairs);
            queue.push_back(o.handle);
        }
    }

    // Take the gone handles out of the lists that name them.
    for (const QByteArray& h : gone) {
        const auto named = references_.constFind(h);
        if (named == references_.cend()) continue;
        for (const Ref& ref : *named) {
            if (deleted.Contains(ref.pair)) continue;
            deleted.Add(ref.pair, ref.pair + 1, pairs);
            if (ref.kind == RefKind::WithNextHandle && ref.pair + 1 < pairs && f.Code(ref.pair + 1) == 5)
                deleted.Add(ref.pair + 1, ref.pair + 2, pairs);
            if (ref.kind == RefKind::WithPreviousName && f.Code(ref.pair - 1) == 3)
                deleted.Add(ref.pair - 1, ref.pair, pairs);
            if (ref.kind == RefKind::Reactor) {
                // A reactor group left empty goes as a whole.
                std::uint32_t open = ref.pair, close = ref.pair;
                while (open > 0 && f.Code(open) != 102 && f.Code(open) != 0) --open;
                while (close + 1 < pairs && f.Code(close) != 102 && f.Code(close) != 0) ++close;
                if (f.Code(open) == 102 && f.Code(close) == 102) {
                    bool empty = true;
                    for (std::uint32_t q = open + 1; q < close && empty; ++q) empty = deleted.Contains(q);
                    if (empty) {
                        deleted.Add(open, open + 1, pairs);
                        deleted.Add(close, close + 1, pairs);
                    }
                }
            }
        }
    }
}

}  // namespace qln::dxf
