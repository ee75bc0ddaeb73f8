#include "host/dxf/dxf_drawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qln::dxf {

namespace {

using host::Error;

Error BadFormat(const QString& what) { return {host::kBadFileFormat, what}; }

Error NotSupported() { return {438, QStringLiteral("Object doesn't support this property or method")}; }

template <class... Names>
bool IsOneOf(QByteArrayView type, Names... names) {
    return (EqualsIgnoringCase(type, names) || ...);
}

// Sub-entities belong to the entity before them and go with it.
bool IsSubEntity(QByteArrayView type) { return IsOneOf(type, "ATTRIB", "VERTEX", "SEQEND"); }

bool IsTextType(QByteArrayView type) { return IsOneOf(type, "TEXT", "ATTDEF", "ATTRIB"); }

// *Paper_Space, *Paper_Space0, *Paper_Space1, ... hold the layouts; *Model_Space model space.
Space LayoutOf(const QString& blockName) {
    if (blockName.compare(u"*Model_Space", Qt::CaseInsensitive) == 0) return Space::Model;
    static const QString paper = QStringLiteral("*Paper_Space");
    if (!blockName.startsWith(paper, Qt::CaseInsensitive)) return Space::None;
    for (qsizetype i = paper.size(); i < blockName.size(); ++i)
        if (!blockName[i].isDigit()) return Space::None;
    return Space::Paper;
}

// Radians in [0, 2pi).
double NormalizedAngle(double radians) {
    constexpr double twoPi = 2 * std::numbers::pi;
    double a = std::fmod(radians, twoPi);
    if (a < 0) a += twoPi;
    if (a >= twoPi) a = 0;
    return a;
}

using Vec = host::Point3;
Vec Cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec Unit(const Vec& v) {
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len == 0) return {0, 0, 1};
    return {v[0] / len, v[1] / len, v[2] / len};
}
double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The arbitrary axis algorithm: the x and y axes of the object coordinate system of extrusion `n`.
void OcsAxes(const Vec& normal, Vec& ax, Vec& ay) {
    const Vec n = Unit(normal);
    constexpr double limit = 1.0 / 64;
    if (std::abs(n[0]) < limit && std::abs(n[1]) < limit) ax = Unit(Cross({0, 1, 0}, n));
    else ax = Unit(Cross({0, 0, 1}, n));
    ay = Unit(Cross(n, ax));
}

}  // namespace

// ---- loading ---------------------------------------------------------------------------------------------

host::Result<std::unique_ptr<Drawing>> Drawing::Load(QByteArray bytes) {
    auto file = DxfFile::Parse(std::move(bytes));
    if (!file) return file.error();
    std::unique_ptr<Drawing> d(new Drawing());
    d->file_ = std::move(file.value());
    if (auto s = d->Index(); !s) return s.error();
    return d;
}

host::Status Drawing::Index() {
    const DxfFile& f = file_;
    const std::uint32_t n = f.Size();
    std::uint32_t i = 0;
    bool eof = false;
    while (i < n) {
        if (f.Code(i) == 999) {  // comment
            ++i;
            continue;
        }
        if (f.Is(i, 0, "EOF")) {
            eof = true;
            break;
        }
        if (!f.Is(i, 0, "SECTION")) {
            return BadFormat(QStringLiteral("%1: expected SECTION or EOF, found group %2 \"%3\"")
                                 .arg(f.Where(i)).arg(f.Code(i)).arg(Excerpt(f.Value(i))));
        }
        if (i + 1 >= n || f.Code(i + 1) != 2)
            return BadFormat(QStringLiteral("%1: the section has no name").arg(f.Where(i)));
        Section s{f.Trimmed(i + 1).toByteArray().toUpper(), i + 2, 0};
        std::uint32_t j = i + 2;
        while (j < n && f.Code(j) != 0) ++j;
        while (j < n && !(f.Code(j) == 0 && (f.Is(j, 0, "ENDSEC") || f.Is(j, 0, "SECTION") || f.Is(j, 0, "EOF")))) ++j;
        if (j >= n || !f.Is(j, 0, "ENDSEC")) {
            return BadFormat(QStringLiteral("%1: the %2 section has no ENDSEC (is the file truncated?)")
                                 .arg(f.Where(i)).arg(QString::fromLatin1(s.name)));
        }
        s.end = j;
        sections_.push_back(s);
        i = j + 1;
    }
    if (!eof) {
        return BadFormat(n == 0 ? QStringLiteral("no DXF data in the file")
                                : QStringLiteral("the file ends without EOF after the pair at %1 (is it truncated?)")
                                      .arg(f.Where(n - 1)));
    }

    // Version and code page from the header.
    QByteArrayView acadVer, codePage;
    for (const Section& s : sections_) {
        if (s.name != "HEADER") continue;
        for (std::uint32_t k = s.begin; k + 1 < s.end; ++k) {
            if (f.Code(k) != 9) continue;
            if (f.Trimmed(k) == "$ACADVER" && f.Code(k + 1) == 1) acadVer = f.Trimmed(k + 1);
            else if (f.Trimmed(k) == "$DWGCODEPAGE" && f.Code(k + 1) == 3) codePage = f.Trimmed(k + 1);
        }
    }
    version_ = acadVer.isEmpty() ? QStringLiteral("AC1009") : QString::fromLatin1(acadVer).toUpper();
    codec_ = std::make_unique<TextCodec>(acadVer, codePage);

    for (const Section& s : sections_) {
        if (s.name == "BLOCKS") {
            if (auto r = IndexBlocks(s); !r) return r;
        } else if (s.name == "ENTITIES") {
            if (auto r = IndexEntities(s); !r) return r;
        }
    }
    // The attributes go after every other entity, so that block definitions keep their ranges.
    const std::uint32_t base = std::uint32_t(entities_.size());
    entities_.insert(entities_.end(), attributeRecords_.begin(), attributeRecords_.end());
    attributeRecords_ = {};
    for (AttributeRange& a : attributeRanges_) {
        a.first += base;
        a.end += base;
    }
    entityDeleted_.assign(entities_.size(), false);
    return {};
}

template <class Stop>
host::Result<std::uint32_t> Drawing::ReadEntities(std::uint32_t k, std::uint32_t end, std::int32_t block, Space space,
                                                  Stop stop) {
    const DxfFile& f = file_;
    while (k < end) {
        if (f.Code(k) == 999) {
            ++k;
            continue;
        }
        if (f.Code(k) != 0) {
            return BadFormat(QStringLiteral("%1: expected an entity (group 0), found group %2")
                                 .arg(f.Where(k)).arg(f.Code(k)));
        }
        if (stop(k)) return k;
        EntityRecord r{k, file_.RecordEnd(k, end), 0, block, space};
        k = r.ownEnd;
        // A block reference with group 66 = 1 is followed by its attributes.
        const bool attributesFollow = EqualsIgnoringCase(f.Trimmed(r.begin), "INSERT") && [&] {
            for (std::uint32_t q = r.begin + 1; q < r.ownEnd; ++q)
                if (f.Code(q) == 66) return f.Integer(q).value_or(0) == 1;
            return false;
        }();
        const std::uint32_t firstAttribute = std::uint32_t(attributeRecords_.size());
        // What the entity owns follows it: attributes or vertices, closed by SEQEND.
        while (k < end && f.Code(k) == 0 && IsSubEntity(f.Trimmed(k)) && !stop(k)) {
            const bool last = EqualsIgnoringCase(f.Trimmed(k), "SEQEND");
            const std::uint32_t subEnd = file_.RecordEnd(k, end);
            if (attributesFollow && EqualsIgnoringCase(f.Trimmed(k), "ATTRIB"))
                attributeRecords_.push_back({k, subEnd, subEnd, block, Space::None});
            k = subEnd;
            if (last) break;
        }
        if (attributeRecords_.size() > firstAttribute)
            attributeRanges_.push_back({std::uint32_t(entities_.size()), firstAttribute, std::uint32_t(attributeRecords_.size())});
        r.end = k;
        if (space == Space::Model && block < 0) {
            const std::uint32_t p = [&] {
                for (std::uint32_t q = r.begin + 1; q < r.ownEnd; ++q)
                    if (f.Code(q) == 67) return q;
                return kNone;
            }();
            if (p != kNone && f.Integer(p).value_or(0) == 1) r.space = Space::Paper;
        }
        entities_.push_back(r);
    }
    return k;
}

host::Status Drawing::IndexEntities(const Section& s) {
    auto r = ReadEntities(s.begin, s.end, -1, Space::Model, [](std::uint32_t) { return false; });
    if (!r) return r.error();
    return {};
}

host::Status Drawing::IndexBlocks(const Section& s) {
    const DxfFile& f = file_;
    std::uint32_t k = s.begin;
    while (k < s.end) {
        if (f.Code(k) == 999) {
            ++k;
            continue;
        }
        if (!f.Is(k, 0, "BLOCK")) {
            return BadFormat(QStringLiteral("%1: expected BLOCK in the BLOCKS section, found group %2 \"%3\"")
                                 .arg(f.Where(k)).arg(f.Code(k)).arg(Excerpt(f.Value(k))));
        }
        const std::uint32_t start = k;
        const std::uint32_t headerEnd = file_.RecordEnd(k, s.end);
        BlockRecord b;
        std::uint32_t name2 = kNone, name3 = kNone;
        for (std::uint32_t q = k + 1; q < headerEnd; ++q) {
            if (f.Code(q) == 2 && name2 == kNone) name2 = q;
            else if (f.Code(q) == 3 && name3 == kNone) name3 = q;
            else if (f.Code(q) == 70) b.flags = f.Integer(q).value_or(0);
        }
        const std::uint32_t namePair = name2 != kNone ? name2 : name3;
        if (namePair != kNone) b.name = codec_->Decode(f.Value(namePair)).trimmed();
        b.layout = LayoutOf(b.name);
        b.firstEntity = std::uint32_t(entities_.size());
        const std::int32_t index = std::int32_t(blocks_.size());
        auto r = ReadEntities(headerEnd, s.end, index, b.layout, [&](std::uint32_t q) {
            return f.Is(q, 0, "ENDBLK") || f.Is(q, 0, "BLOCK");
        });
        if (!r) return r.error();
        k = *r;
        if (!f.Is(k, 0, "ENDBLK")) {
            return BadFormat(QStringLiteral("%1: the block \"%2\" has no ENDBLK").arg(f.Where(start), b.name));
        }
        k = file_.RecordEnd(k, s.end);
        b.endEntity = std::uint32_t(entities_.size());
        blocks_.push_back(std::move(b));
    }
    // Keep the first definition of a name when a drawing has two.
    blockByName_.clear();
    for (int i = int(blocks_.size()) - 1; i >= 0; --i) blockByName_.insert(blocks_[size_t(i)].name.toUpper(), i);
    return {};
}

std::vector<std::uint32_t> Drawing::SpaceEntities(Space space) const {
    std::vector<std::uint32_t> out;
    for (std::uint32_t e = 0; e < entities_.size(); ++e)
        if (entities_[e].space == space && !entityDeleted_[e]) out.push_back(e);
    return out;
}

int Drawing::FindBlock(const QString& name) const { return blockByName_.value(name.toUpper(), -1); }

// ---- properties ------------------------------------------------------------------------------------------

std::uint32_t Drawing::OwnPair(std::uint32_t e, int code) const {
    const EntityRecord& r = entities_[e];
    for (std::uint32_t q = r.begin + 1; q < r.ownEnd; ++q) {
        const int c = file_.Code(q);
        if (c == code) return q;
        if (c == 101 || c >= 1000) break;  // embedded object or extended data: not the entity's own values
    }
    return kNone;
}

QString Drawing::Value(std::uint32_t e, int code) const {
    const std::uint32_t p = OwnPair(e, code);
    return p == kNone ? QString() : codec_->Decode(file_.ValueText(p));
}

QString Drawing::Handle(std::uint32_t e) const {
    const std::uint32_t p = OwnPair(e, 5);
    return p == kNone ? QString() : QString::fromLatin1(file_.Trimmed(p)).toUpper();
}

QString Drawing::Layer(std::uint32_t e) const {
    const std::uint32_t p = OwnPair(e, 8);
    return p == kNone ? QStringLiteral("0") : codec_->Decode(file_.Value(p));
}

host::Result<QString> Drawing::Name(std::uint32_t e) const {
    if (!EqualsIgnoringCase(Type(e), "INSERT")) return NotSupported();
    return Value(e, 2);
}

host::Result<std::vector<std::uint32_t>> Drawing::Attributes(std::uint32_t e) const {
    if (!EqualsIgnoringCase(Type(e), "INSERT")) return NotSupported();
    std::vector<std::uint32_t> out;
    const auto it = std::lower_bound(attributeRanges_.begin(), attributeRanges_.end(), e,
                                     [](const AttributeRange& a, std::uint32_t v) { return a.reference < v; });
    if (it == attributeRanges_.end() || it->reference != e) return out;
    for (std::uint32_t a = it->first; a < it->end; ++a)
        if (!entityDeleted_[a]) out.push_back(a);
    return out;
}

host::Result<QString> Drawing::TagString(std::uint32_t e) const {
    if (!IsOneOf(Type(e), "ATTRIB", "ATTDEF")) return NotSupported();
    return Value(e, 2).trimmed();
}

host::Result<QString> Drawing::ObjectName(std::uint32_t e) const {
    const QByteArrayView type = Type(e);
    // The subclass markers (group 100) name the class; the last one is the most derived.
    QByteArrayView marker;
    const EntityRecord& r = entities_[e];
    for (std::uint32_t q = r.begin + 1; q < r.ownEnd; ++q) {
        const int c = file_.Code(q);
        if (c == 101 || c >= 1000) break;
        if (c == 100) marker = file_.Trimmed(q);
    }
    static const struct {
        const char* type;
        const char* name;
    } fixed[] = {
        {"TEXT", "AcDbText"},        {"MTEXT", "AcDbMText"},           {"ATTDEF", "AcDbAttributeDefinition"},
        {"ATTRIB", "AcDbAttribute"}, {"LINE", "AcDbLine"},             {"POINT", "AcDbPoint"},
        {"CIRCLE", "AcDbCircle"},    {"ARC", "AcDbArc"},               {"SOLID", "AcDbSolid"},
        {"TRACE", "AcDbTrace"},      {"3DFACE", "AcDbFace"},           {"LWPOLYLINE", "AcDbPolyline"},
        {"SHAPE", "AcDbShape"},      {"VIEWPORT", "AcDbViewport"},     {"ELLIPSE", "AcDbEllipse"},
        {"SPLINE", "AcDbSpline"},    {"REGION", "AcDbRegion"},         {"BODY", "AcDbBody"},
        {"3DSOLID", "AcDb3dSolid"},  {"HATCH", "AcDbHatch"},           {"LEADER", "AcDbLeader"},
        {"TOLERANCE", "AcDbFcf"},    {"RAY", "AcDbRay"},               {"XLINE", "AcDbXline"},
        {"IMAGE", "AcDbRasterImage"}, {"WIPEOUT", "AcDbWipeout"},      {"MLINE", "AcDbMline"},
        {"SEQEND", "AcDbSequenceEnd"}, {"MULTILEADER", "AcDbMLeader"}, {"ACAD_TABLE", "AcDbTable"},
    };
    if (EqualsIgnoringCase(type, "INSERT"))
        return QString::fromLatin1(EqualsIgnoringCase(marker, "AcDbMInsertBlock") ? "AcDbMInsertBlock" : "AcDbBlockReference");
    for (const auto& f : fixed)
        if (EqualsIgnoringCase(type, f.type)) return QString::fromLatin1(f.name);
    if (!marker.isEmpty()) return QString::fromLatin1(marker);
    if (EqualsIgnoringCase(type, "POLYLINE")) {
        const std::uint32_t p = OwnPair(e, 70);
        const long flags = p == kNone ? 0 : file_.Integer(p).value_or(0);
        if (flags & 64) return QStringLiteral("AcDbPolyFaceMesh");
        if (flags & 16) return QStringLiteral("AcDbPolygonMesh");
        if (flags & 8) return QStringLiteral("AcDb3dPolyline");
        return QStringLiteral("AcDb2dPolyline");
    }
    if (EqualsIgnoringCase(type, "DIMENSION")) {
        const std::uint32_t p = OwnPair(e, 70);
        static const char* kinds[] = {"AcDbRotatedDimension", "AcDbAlignedDimension", "AcDb2LineAngularDimension",
                                      "AcDbDiametricDimension", "AcDbRadialDimension", "AcDb3PointAngularDimension",
                                      "AcDbOrdinateDimension"};
        const long kind = (p == kNone ? 0 : file_.Integer(p).value_or(0)) & 7;
        return QString::fromLatin1(kind < 7 ? kinds[kind] : "AcDbDimension");
    }
    // Any other type: AcDb and the type's name, as the host names its classes.
    QString t = QString::fromLatin1(type).toLower();
    if (!t.isEmpty()) t[0] = t[0].toUpper();
    return QStringLiteral("AcDb") + t;
}

std::uint32_t Drawing::EmbeddedText(std::uint32_t e) const {
    if (!IsOneOf(Type(e), "ATTRIB", "ATTDEF")) return kNone;
    const EntityRecord& r = entities_[e];
    for (std::uint32_t q = r.begin + 1; q < r.ownEnd; ++q) {
        const int c = file_.Code(q);
        if (c >= 1000) break;
        if (c == 101) return EqualsIgnoringCase(file_.Trimmed(q), "Embedded Object") ? q : kNone;
    }
    return kNone;
}

std::uint32_t Drawing::TextPairsFrom(std::uint32_t begin, std::uint32_t end, bool mtext,
                                     std::vector<std::uint32_t>* pieces) const {
    std::uint32_t one = kNone;
    for (std::uint32_t q = begin + 1; q < end; ++q) {
        const int c = file_.Code(q);
        if (c == 101 || c >= 1000) break;
        if (c == 1) {
            one = q;
            if (!mtext) break;
        } else if (c == 3 && mtext && pieces) {
            pieces->push_back(q);
        }
    }
    return one;
}

// The pairs that hold the entity's text: for MTEXT, and for the embedded MTEXT of a multi-line attribute,
// its pieces (group 3) in order and then its last group 1; for TEXT, ATTDEF and ATTRIB the group 1.
// Returns the group 1 pair (kNone when it has none).
std::uint32_t Drawing::TextPairs(std::uint32_t e, std::vector<std::uint32_t>* pieces) const {
    const EntityRecord& r = entities_[e];
    if (const std::uint32_t embedded = EmbeddedText(e); embedded != kNone)
        return TextPairsFrom(embedded, r.ownEnd, true, pieces);
    return TextPairsFrom(r.begin, r.ownEnd, EqualsIgnoringCase(Type(e), "MTEXT"), pieces);
}

QByteArray Drawing::EncodedTextOf(std::uint32_t e) const {
    std::vector<std::uint32_t> pieces;
    const std::uint32_t one = TextPairs(e, &pieces);
    QByteArray raw;
    for (std::uint32_t q : pieces) raw += file_.Value(q);
    if (one != kNone) raw += file_.Value(one);
    return raw;
}

host::Result<QString> Drawing::TextString(std::uint32_t e) const {
    const QByteArrayView type = Type(e);
    if (!IsTextType(type) && !EqualsIgnoringCase(type, "MTEXT")) return NotSupported();
    if (auto it = edits_.find(e); it != edits_.end()) return it->second.text;
    return codec_->Decode(EncodedTextOf(e));
}

host::Status Drawing::SetTextString(std::uint32_t e, const QString& text) {
    auto current = TextString(e);
    if (!current) return current.error();
    if (*current == text) return {};  // the same text is no change
    const QByteArray original = EncodedTextOf(e);
    TextEdit t;
    t.text = text;
    t.encoded = codec_->Encode(text, &t.unitEnds, TextForm::Of(original));
    // A single-line text is one line of the file: one the reader would refuse is not written. (MTEXT
    // goes into pieces of 250 bytes.)
    if (!EqualsIgnoringCase(Type(e), "MTEXT") && quint64(t.encoded.size()) > DxfFile::kMaxLineLength) {
        const QString handle = Handle(e);
        return Error{host::kInvalidArgument,
                     QStringLiteral("The text of the %1 %2 is not changed: it would take %3 bytes, more than the "
                                    "%4 a line of a DXF file may hold")
                         .arg(QString::fromLatin1(Type(e)),
                              handle.isEmpty() ? QStringLiteral("at ") + file_.Where(entities_[e].begin)
                                               : QStringLiteral("with handle ") + handle)
                         .arg(t.encoded.size())
                         .arg(DxfFile::kMaxLineLength)};
    }
    if (t.encoded == original) edits_.erase(e);  // back to what the file holds
    else edits_[e] = std::move(t);
    ++generation_;
    return {};
}

std::optional<double> Drawing::Coordinate(std::uint32_t e, int code, double fallback, bool* bad) const {
    const std::uint32_t p = OwnPair(e, code);
    if (p == kNone) return fallback;
    auto v = file_.Number(p);
    if (!v) *bad = true;
    return v;
}

host::Point3 Drawing::Extrusion(std::uint32_t e, bool* bad) const {
    return {Coordinate(e, 210, 0, bad).value_or(0), Coordinate(e, 220, 0, bad).value_or(0),
            Coordinate(e, 230, 1, bad).value_or(1)};
}

host::Result<host::Point3> Drawing::InsertionPoint(std::uint32_t e) const {
    const QByteArrayView type = Type(e);
    const bool mtext = EqualsIgnoringCase(type, "MTEXT");
    if (!mtext && !IsTextType(type) && !IsOneOf(type, "INSERT", "SHAPE")) return NotSupported();
    bool bad = false;
    const double x = Coordinate(e, 10, 0, &bad).value_or(0);
    const double y = Coordinate(e, 20, 0, &bad).value_or(0);
    // Without group 30 a drawing of Release 12 may give the elevation in group 38.
    const double elevation = Coordinate(e, 38, 0, &bad).value_or(0);
    const double z = Coordinate(e, 30, elevation, &bad).value_or(0);
    const Vec n = Extrusion(e, &bad);
    if (bad) {
        return Error{host::kBadFileFormat, QStringLiteral("the entity at %1 has a coordinate that is not a number")
                                               .arg(file_.Where(entities_[e].begin))};
    }
    // MTEXT keeps its insertion point in world coordinates; TEXT and INSERT in their own (OCS).
    if (mtext || (n[0] == 0 && n[1] == 0 && n[2] > 0)) return host::Point3{x, y, z};
    Vec ax, ay;
    OcsAxes(n, ax, ay);
    const Vec nz = Unit(n);
    return host::Point3{x * ax[0] + y * ay[0] + z * nz[0], x * ax[1] + y * ay[1] + z * nz[1],
                        x * ax[2] + y * ay[2] + z * nz[2]};
}

host::Result<double> Drawing::Rotation(std::uint32_t e) const {
    const QByteArrayView type = Type(e);
    const bool mtext = EqualsIgnoringCase(type, "MTEXT");
    if (!mtext && !IsTextType(type) && !IsOneOf(type, "INSERT", "SHAPE")) return NotSupported();
    bool bad = false;
    if (mtext && OwnPair(e, 11) != kNone) {
        // The x-axis direction (world coordinates) decides, seen in the text's own plane.
        const Vec d{Coordinate(e, 11, 0, &bad).value_or(0), Coordinate(e, 21, 0, &bad).value_or(0),
                    Coordinate(e, 31, 0, &bad).value_or(0)};
        Vec ax, ay;
        OcsAxes(Extrusion(e, &bad), ax, ay);
        if (!bad) return NormalizedAngle(std::atan2(Dot(d, ay), Dot(d, ax)));
    }
    const double degrees = Coordinate(e, 50, 0, &bad).value_or(0);
    if (bad) {
        return Error{host::kBadFileFormat, QStringLiteral("the entity at %1 has an angle that is not a number")
                                               .arg(file_.Where(entities_[e].begin))};
    }
    return NormalizedAngle(degrees * std::numbers::pi / 180.0);
}

// ---- deleting ------------------------------------------------------------------------------------------

host::Status Drawing::Delete(std::uint32_t e) {
    if (!references_.IsBuilt()) references_.Build(file_, sections_);
    references_.DeleteEntity(file_, entities_[e].begin, entities_[e].end, pairDeleted_);
    entityDeleted_[e] = true;
    edits_.erase(e);
    ++generation_;
    // A reference goes with its attributes: their pairs went with its own, and so do their changes.
    // The ranges are in file order, and so are the references that own them.
    auto owned = std::lower_bound(attributeRanges_.begin(), attributeRanges_.end(), e,
                                  [](const AttributeRange& a, std::uint32_t v) { return a.reference < v; });
    if (owned != attributeRanges_.end() && owned->reference == e) {
        for (std::uint32_t a = owned->first; a < owned->end; ++a) {
            entityDeleted_[a] = true;
            edits_.erase(a);
        }
        return {};
    }
    // A reference whose last attribute went no longer says that attributes follow, nor ends them.
    // The ranges are in file order, so the one that holds e is the last that starts at or before it.
    auto range = std::upper_bound(attributeRanges_.begin(), attributeRanges_.end(), e,
                                  [](std::uint32_t v, const AttributeRange& a) { return v < a.first; });
    if (range == attributeRanges_.begin()) return {};
    --range;
    if (e < range->end && !entityDeleted_[range->reference]) {
        for (std::uint32_t a = range->first; a < range->end; ++a)
            if (!entityDeleted_[a]) return {};
        const EntityRecord& r = entities_[range->reference];
        if (const std::uint32_t flag = OwnPair(range->reference, 66); flag != kNone)
            pairDeleted_.Add(flag, flag + 1, file_.Size());
        for (std::uint32_t k = r.ownEnd; k < r.end; k = file_.RecordEnd(k, r.end)) {
            if (EqualsIgnoringCase(file_.Trimmed(k), "SEQEND"))
                references_.DeleteEntity(file_, k, file_.RecordEnd(k, r.end), pairDeleted_);
        }
    }
    return {};
}

}  // namespace qln::dxf
