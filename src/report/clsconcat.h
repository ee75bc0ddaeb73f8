#pragma once
// clsConcat: an append-only text buffer for the long texts of the program (the text report page, the
// HTML table writer, search results). One builder per text: append the pieces in order, read the text
// once with GetString, drop the builder.
//
// The builder keeps a capacity: the number of characters it has room for. The room grows by rule, so
// that callers and tests can reason about it:
//   - an append that would reach or pass the capacity (used + n >= capacity) grows it by one block;
//   - the block is the piece's length when the piece is longer than the text so far, otherwise 15000
//     characters;
//   - when that block would still not hold the piece, the room grows by the piece's length instead.
// So the first non-empty piece makes the capacity exactly its length, the next append adds 15000, and
// from then on the room grows in steps of 15000 characters.
//
// The characters themselves live in a QString whose real allocation grows geometrically (at least
// doubling) whenever the capacity passes it, so appends stay amortised O(1) however long the text.

#include <QString>

#include <cstdint>

namespace qln {

class clsConcat {
public:
    // Room added by a normal growth step, and after SetString.
    static constexpr std::int64_t kGrowthStep = 15000;
    // The longest text a builder holds (a 32-bit signed character count).
    static constexpr std::int64_t kMaxLength = 2147483647;

    // The builder becomes empty: no text, no room.
    void ReInit();
    // The text so far. The builder lets go of its buffer and is empty afterwards (as after ReInit),
    // ready for another text.
    QString GetString();
    // The text becomes `Source`, with 15000 characters of room after it.
    void SetString(const QString& Source);
    // Append `Source` to the text. False, with the text unchanged, when the text would grow past
    // 2147483647 characters (the overflow the caller must handle); true otherwise.
    bool SConcat(const QString& Source);

    // The number of characters of text held.
    std::int64_t Length() const { return used_; }
    // The number of characters the builder has room for (text plus spare room).
    std::int64_t Capacity() const { return capacity_; }

private:
    QString text_;            // exactly the used characters; its allocation holds the spare room
    std::int64_t used_ = 0;
    std::int64_t capacity_ = 0;

    void Reserve(std::int64_t room);
};

}  // namespace qln
