// Text forms of numbers: significant digits, exponent form, single-precision rounding, and the
// user's decimal separator.

#include "report/number_forms.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class NumberFormsTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(NumberFormsTest, DoublesKeepFifteenSignificantDigits) {
    EXPECT_EQ(qln::FormatRotation(M_PI / 2), "1.5707963267949");
    EXPECT_EQ(qln::FormatRotation(M_PI), "3.14159265358979");
    EXPECT_EQ(qln::FormatRotation(0.0), "0");
    EXPECT_EQ(qln::FormatRotation(-0.0), "0");
    EXPECT_EQ(qln::FormatRotation(-2.5), "-2.5");
    EXPECT_EQ(qln::FormatRotation(123456789012345.0), "123456789012345");
    EXPECT_EQ(qln::FormatRotation(1e15), "1E+15");
    EXPECT_EQ(qln::FormatRotation(1234567.0), "1234567");  // no thousands separator
    EXPECT_EQ(qln::FormatRotation(0.0001), "0.0001");
    EXPECT_EQ(qln::FormatRotation(0.00001), "1E-05");
    EXPECT_EQ(qln::FormatRotation(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST_F(NumberFormsTest, CoordinatesAreRoundedToSinglePrecision) {
    EXPECT_EQ(qln::FormatCoordinate(2.5), "2.5");
    EXPECT_EQ(qln::FormatCoordinate(0.0), "0");
    EXPECT_EQ(qln::FormatCoordinate(0.1), "0.1");             // the single 0.100000001... keeps 7 digits
    EXPECT_EQ(qln::FormatCoordinate(1234567.89), "1234568");  // large values lose their fraction
    EXPECT_EQ(qln::FormatCoordinate(9999999.0), "9999999");
    EXPECT_EQ(qln::FormatCoordinate(12345678.0), "1.234568E+07");
    EXPECT_EQ(qln::FormatCoordinate(-10000000.0), "-1E+07");
    EXPECT_EQ(qln::FormatCoordinate(1.0 / 3.0), "0.3333333");
    EXPECT_EQ(qln::FormatCoordinate(1e-5), "1E-05");
    // Not a single: no text form.
    EXPECT_EQ(qln::FormatCoordinate(1e39), "");
    EXPECT_EQ(qln::FormatCoordinate(-std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(qln::FormatSingle(0.5f), "0.5");
}

TEST_F(NumberFormsTest, UsersDecimalSeparatorOnly) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(qln::FormatRotation(M_PI / 2), "1,5707963267949");
    EXPECT_EQ(qln::FormatCoordinate(-2.25), "-2,25");
    EXPECT_EQ(qln::FormatCoordinate(12345678.0), "1,234568E+07");
    EXPECT_EQ(qln::FormatCoordinate(1234567.0), "1234567");  // no thousands separator

    // Locales with their own minus sign or exponent symbols still write ASCII signs and "E".
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_EQ(qln::FormatCoordinate(-12345678.0), "-1,234568E+07");
}

}  // namespace
