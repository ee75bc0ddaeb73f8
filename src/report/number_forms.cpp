#include "report/number_forms.h"

#include <QLocale>

#include <cfloat>
#include <cmath>

namespace qln {

namespace {

// The C-locale general form with `digits` significant digits, then the user's decimal separator.
// QLocale's own formatting is not used: it writes native digits and locale exponent symbols
// ("1,5×10^+07" in Swedish), which no reader of these rows expects.
QString GeneralForm(double value, int digits) {
    if (!std::isfinite(value)) return QString();
    if (value == 0) value = 0;  // -0 is written as 0
    QString text = QString::number(value, 'G', digits);
    const QString separator = QLocale().decimalPoint();
    if (separator != u".") text.replace(u'.', separator);
    return text;
}

}  // namespace

QString FormatDouble(double value) { return GeneralForm(value, 15); }

QString FormatSingle(float value) { return GeneralForm(static_cast<double>(value), 7); }

QString FormatCoordinate(double value) {
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return QString();
    return FormatSingle(static_cast<float>(value));  // rounds to the nearest single
}

}  // namespace qln
