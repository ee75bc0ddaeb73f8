#pragma once
// What deleting an entity takes with it. The objects a drawing keeps for its entities (extension
// dictionaries and what they hold) and the lists that name entities by handle (groups, sort tables,
// dictionaries, reactors) must not keep a deleted entity's handle, or the saved drawing no longer audits.
// The handles are indexed on the first delete: most runs delete nothing.

#include "host/dxf/dxf_file.h"

#include <QByteArray>
#include <QHash>

#include <cstdint>
#include <vector>

namespace qln::dxf {

// The pairs taken out of a drawing, one bit a pair; nothing is allocated before the first.
class DeletedPairs {
public:
    bool Contains(std::uint32_t i) const { return !bits_.empty() && bits_[i]; }
    // Take out the pairs [begin, end) of a file of `pairs` pairs.
    void Add(std::uint32_t begin, std::uint32_t end, std::uint32_t pairs) {
        if (bits_.empty()) bits_.assign(pairs, false);
        for (std::uint32_t q = begin; q < end; ++q) bits_[q] = true;
    }
    // 0 before the first delete, the file's pair count after.
    std::uint32_t Size() const { return std::uint32_t(bits_.size()); }
    bool operator[](std::uint32_t i) const { return bits_[i]; }

private:
    std::vector<bool> bits_;
};

class ReferenceIndex {
public:
    bool IsBuilt() const { return built_; }
    // Index the handles named in every section but HEADER, CLASSES and THUMBNAILIMAGE.
    void Build(const DxfFile& file, const std::vector<Section>& sections);

    // Take out the entity whose records (with its sub-entities) are the pairs [begin, end): those pairs,
    // the objects it owns and what they own in turn, and its handles from the lists that name them.
    void DeleteEntity(const DxfFile& file, std::uint32_t begin, std::uint32_t end, DeletedPairs& deleted) const;

private:
    enum class RefKind : std::uint8_t {
        Single,            // the pair alone (a group's 340)
        WithNextHandle,    // the pair and the group 5 after it (a sort table's 331)
        WithPreviousName,  // the pair and the name before it (a dictionary's 3 and 350/360)
        Reactor,           // the pair, and its 102 group when that is left empty
    };
    struct Ref {
        std::uint32_t pair;
        RefKind kind;
    };
    struct ObjectRecord {
        std::uint32_t begin;
        std::uint32_t end;
        QByteArray handle;
    };

    bool built_ = false;
    QHash<QByteArray, std::vector<Ref>> references_;        // handle -> pairs that name it
    QHash<QByteArray, std::vector<ObjectRecord>> ownedBy_;  // owner handle -> objects it owns
    QHash<QByteArray, ObjectRecord> objectByHandle_;
};

}  // namespace qln::dxf
