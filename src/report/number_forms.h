#pragma once
// The text forms of numbers in the program's text rows (the text report page, search hits, table
// cells). One place, so that every listing writes a value the same way.
//
// Both forms are "general" forms: plain decimal, no thousands separator, no trailing zeros, the
// user's decimal separator (the default QLocale's), Latin digits and an ASCII minus sign; exponent
// form ("1.234568E+07", "1E-05": a capital E, a sign and at least two exponent digits) for values that
// would need more significant digits than the form keeps, and for magnitudes below 0.0001. Zero is
// "0" (never "-0"). A value that is not a finite number of the form's precision has no text form: the
// result is empty.

#include <QString>

namespace qln {

// A double: up to 15 significant digits; exponent form from 1E+15 on. 1.5707963267949, -2.5, 0.
QString FormatDouble(double value);

// A single: up to 7 significant digits; exponent form from ten million on (12345678 -> 1.234568E+07).
QString FormatSingle(float value);

// A text's rotation (radians, as the host gives it): the double form.
inline QString FormatRotation(double radians) { return FormatDouble(radians); }

// One coordinate of an insertion point: rounded to single precision first, so that every listing
// keeps the same seven significant digits, then the single form. Empty when the value does not fit
// a single (beyond about 3.4E+38, or not a number).
QString FormatCoordinate(double value);

}  // namespace qln
