#pragma once
// One DXF drawing in memory: its bytes and pair index, its sections, the entities of model space, paper
// space and the block definitions, and the changes made since it was read (new texts, deleted entities).
// Saving writes the original bytes with only those changes spliced in.
//
// dxf_drawing.cpp loads a drawing and gives its entities' properties, dxf_references.cpp finds what a
// deleted entity takes with it, dxf_writer.cpp saves.

#include "host/automation.h"
#include "host/dxf/dxf_file.h"
#include "host/dxf/dxf_references.h"
#include "host/dxf/dxf_text.h"

#include <QHash>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qln::dxf {

enum class Space : std::uint8_t { None, Model, Paper };

// An entity with what it owns: INSERT with its ATTRIBs and SEQEND, POLYLINE with its VERTEXes and SEQEND.
struct EntityRecord {
    std::uint32_t begin;   // its (0, type) pair
    std::uint32_t ownEnd;  // end of its own pairs
    std::uint32_t end;     // end of its sub-entities
    std::int32_t block;    // its block definition, -1 in the ENTITIES section
    Space space;           // model or paper space; None inside an ordinary block definition
};

struct BlockRecord {
    QString name;
    std::uint32_t firstEntity = 0;  // entity records [firstEntity, endEntity)
    std::uint32_t endEntity = 0;
    long flags = 0;                 // group 70
    Space layout = Space::None;     // *Model_Space, *Paper_Space, *Paper_Space0, ...: the space it holds
};

class Drawing {
public:
    // Index a drawing; a description of what is wrong (with its line) when it is not one.
    static host::Result<std::unique_ptr<Drawing>> Load(QByteArray bytes);

    const DxfFile& File() const { return file_; }
    const TextCodec& Codec() const { return *codec_; }
    // $ACADVER ("AC1015"); "AC1009" for a drawing without it.
    QString Version() const { return version_; }

    std::uint32_t EntityCount() const { return std::uint32_t(entities_.size()); }
    const EntityRecord& Entity(std::uint32_t e) const { return entities_[e]; }
    bool IsDeleted(std::uint32_t e) const { return entityDeleted_[e]; }
    QByteArrayView Type(std::uint32_t e) const { return file_.Trimmed(entities_[e].begin); }

    // The entities of model space or paper space (all layouts), in file order.
    std::vector<std::uint32_t> SpaceEntities(Space space) const;
    // A block definition by name, ignoring case: -1 when there is none.
    int FindBlock(const QString& name) const;
    const BlockRecord& Block(int b) const { return blocks_[size_t(b)]; }

    // --- Entity properties, as the CAD host gives them ----------------------------------------------------
    host::Result<QString> ObjectName(std::uint32_t e) const;
    host::Result<QString> TextString(std::uint32_t e) const;
    host::Status SetTextString(std::uint32_t e, const QString& text);
    QString Handle(std::uint32_t e) const;
    QString Layer(std::uint32_t e) const;
    host::Result<host::Point3> InsertionPoint(std::uint32_t e) const;
    host::Result<double> Rotation(std::uint32_t e) const;
    host::Result<QString> Name(std::uint32_t e) const;
    // A block reference's attributes (the ATTRIBs that follow an INSERT with group 66 = 1, up to its
    // SEQEND), in file order, deleted ones left out; fails on any other entity. Attributes are entities
    // of their own here, but in no space and no block definition: selections and block contents never
    // hold them.
    host::Result<std::vector<std::uint32_t>> Attributes(std::uint32_t e) const;
    // The tag (group 2) of an ATTRIB or ATTDEF.
    host::Result<QString> TagString(std::uint32_t e) const;
    // The value of the entity's first group `code`, decoded; empty when it has none.
    QString Value(std::uint32_t e, int code) const;
    bool HasValue(std::uint32_t e, int code) const { return OwnPair(e, code) != kNone; }
    host::Status Delete(std::uint32_t e);

    // --- Changes and saving -----------------------------------------------------------------------------
    bool IsDirty() const { return generation_ != savedGeneration_; }
    void MarkSaved() { savedGeneration_ = generation_; }
    // Write the drawing: every byte no change touched as it was read.
    host::Status Write(QIODevice& out) const;

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    struct TextEdit {
        QString text;
        QByteArray encoded;
        std::vector<int> unitEnds;
    };
    struct ByteEdit {
        std::uint32_t start;
        std::uint32_t end;
        QByteArray bytes;
    };

    Drawing() = default;
    host::Status Index();
    host::Status IndexEntities(const Section& s);
    host::Status IndexBlocks(const Section& s);
    // Entity records from `k` up to `end`, stopping at a pair that `stop` accepts; returns where it stopped.
    template <class Stop>
    host::Result<std::uint32_t> ReadEntities(std::uint32_t k, std::uint32_t end, std::int32_t block, Space space, Stop stop);

    std::uint32_t OwnPair(std::uint32_t e, int code) const;
    // A multi-line ATTRIB or ATTDEF (R2018) keeps its text in an embedded MTEXT after a group 101:
    // that pair, or kNone.
    std::uint32_t EmbeddedText(std::uint32_t e) const;
    // The pairs that hold the text of the record starting at `begin` (MTEXT-like when `pieces`
    // collects its group 3 values): its group 1 pair, or kNone.
    std::uint32_t TextPairsFrom(std::uint32_t begin, std::uint32_t end, bool mtext, std::vector<std::uint32_t>* pieces) const;
    std::uint32_t TextPairs(std::uint32_t e, std::vector<std::uint32_t>* pieces) const;
    std::optional<double> Coordinate(std::uint32_t e, int code, double fallback, bool* bad) const;
    host::Point3 Extrusion(std::uint32_t e, bool* bad) const;
    QByteArray EncodedTextOf(std::uint32_t e) const;
    // The writer (dxf_writer.cpp): the byte ranges a save replaces, in file order.
    void TextEditsFor(std::uint32_t e, const TextEdit& t, std::vector<ByteEdit>& out) const;
    host::Result<std::vector<ByteEdit>> Edits() const;

    DxfFile file_;
    std::unique_ptr<TextCodec> codec_;
    QString version_;
    std::vector<Section> sections_;
    std::vector<EntityRecord> entities_;
    std::vector<bool> entityDeleted_;
    // The attributes of each block reference that has some: entity records [first, end), by reference.
    struct AttributeRange {
        std::uint32_t reference;
        std::uint32_t first;
        std::uint32_t end;
    };
    std::vector<AttributeRange> attributeRanges_;  // ordered by reference
    std::vector<EntityRecord> attributeRecords_;   // while indexing: appended to entities_ at its end
    std::vector<BlockRecord> blocks_;
    QHash<QString, int> blockByName_;  // upper-cased name -> first definition

    std::unordered_map<std::uint32_t, TextEdit> edits_;
    DeletedPairs pairDeleted_;
    quint64 generation_ = 0;
    quint64 savedGeneration_ = 0;
    ReferenceIndex references_;  // built on the first delete
};

}  // namespace qln::dxf
