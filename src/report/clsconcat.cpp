#include "report/clsconcat.h"

#include <algorithm>

namespace qln {

void clsConcat::ReInit() {
    text_ = QString();
    used_ = 0;
    capacity_ = 0;
}

QString clsConcat::GetString() {
    QString out = std::move(text_);
    ReInit();
    return out;
}

void clsConcat::SetString(const QString& Source) {
    text_ = Source;
    used_ = Source.size();
    capacity_ = used_ + kGrowthStep;
    Reserve(capacity_);
}

bool clsConcat::SConcat(const QString& Source) {
    const std::int64_t n = Source.size();
    if (used_ + n > kMaxLength) return false;
    if (used_ + n >= capacity_) {
        std::int64_t block = n > used_ ? n : kGrowthStep;
        // A piece longer than one step but not longer than the text so far: grow by the piece itself,
        // which always makes room for it (the capacity is never below the used length).
        if (capacity_ + block < used_ + n) block = n;
        capacity_ += block;
        Reserve(capacity_);
    }
    text_.append(Source);
    used_ += n;
    return true;
}

void clsConcat::Reserve(std::int64_t room) {
    // Reallocate only when the room passes the real allocation, and then at least double it: the
    // capacity rule above says how much room the builder promises, not how often it copies.
    const qsizetype allocated = text_.capacity();
    if (room <= allocated) return;
    text_.reserve(static_cast<qsizetype>(std::max<std::int64_t>(room, 2 * static_cast<std::int64_t>(allocated))));
}

}  // namespace qln
