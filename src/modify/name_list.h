#pragma once
// User-typed lists of block or layer names and the small text helpers the engines share.
//
// A list is "*" for all names, or names separated by commas and/or spaces. It is normalised by
// turning every comma into a space and padding it with one space at each end, so that membership is a
// search for " NAME " ignoring case.

#include <QString>

#include <cstdint>

namespace qln {

// The number of space characters (code 32) in text; tabs and other blanks are not counted.
std::int16_t CountSpaces(const QString& text);

// Text with leading and trailing spaces removed (the space character only; tabs stay).
QString TrimSpaces(const QString& text);

// Text in upper case one character at a time: a character whose upper-case form is more than one
// character ("ß" -> "SS", "ŉ" -> "ʼN") stays as it is. Names compared later "ignoring case" fold case per
// character too, so a list upper-cased this way still admits the name it was typed from ("Maße").
QString UpperEachCharacter(const QString& text);

// The normalised form of an already trimmed list: "*" stays as it is; otherwise commas become spaces
// and one space is added at each end ("A,B" -> " A B ", "A, B" -> " A  B ").
QString NormaliseNameList(const QString& trimmedList);

// Whether a normalised list admits name: the list is "*", or it holds " " + name + " ", ignoring case.
bool NameListAdmits(const QString& normalisedList, const QString& name);

// Whether a normalised list names exactly one block (one name, no inner blanks), so the host's
// selection can be narrowed to it: it holds neither keyword and exactly two spaces.
bool NamesSingleBlock(const QString& normalisedList);

}  // namespace qln
