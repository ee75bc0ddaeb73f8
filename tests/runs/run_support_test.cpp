// The log timestamp and the summary's number form.

#include "runs/run_support.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace qln;

namespace {

struct LocaleGuard {
    explicit LocaleGuard(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

TEST(RunSupport, TimestampIsMonthDayYearOnATwelveHourClock) {
    LocaleGuard us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(LogTimestamp(QDateTime(QDate(2026, 3, 7), QTime(0, 5, 9))), "03/07/2026 12:05:09 am");
    EXPECT_EQ(LogTimestamp(QDateTime(QDate(2026, 12, 31), QTime(13, 0, 0))), "12/31/2026 01:00:00 pm");
    EXPECT_EQ(LogTimestamp(QDateTime(QDate(2026, 12, 31), QTime(12, 0, 0))), "12/31/2026 12:00:00 pm");
    LocaleGuard de(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(LogTimestamp(QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59))), "03.07.2026 11:59:59 pm");
}

TEST(RunSupport, SecondsAreGroupedWithTwoDecimals) {
    LocaleGuard us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(FormatSeconds(0.25f), "0.25");
    EXPECT_EQ(FormatSeconds(1234.5f), "1,234.50");
    EXPECT_EQ(FormatSeconds(0.6f), "0.60");
    LocaleGuard de(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatSeconds(1234.5f), "1.234,50");
}

}  // namespace
