#include "meter/formats.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace ormix::meter;

namespace {
struct LocaleGuard {
    explicit LocaleGuard(QLocale l) { QLocale::setDefault(l); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

TEST(Formats, ReadingsFollowTheLocaleSeparator) {
    const struct {
        double kwh;
        const char *point, *comma;
    } cases[] = {
        {12345678 * 0.00025, "3086.42", "3086,42"},
        {0, "0.00", "0,00"},
        {4000 * 0.00025, "1.00", "1,00"},
        {4294967295.0 * 0.00025, "1073741.82", "1073741,82"},
        {1234567.891, "1234567.89", "1234567,89"}, // no group separator
    };
    for (const auto &c : cases) {
        {
            LocaleGuard g(QLocale(QLocale::English, QLocale::UnitedStates));
            EXPECT_EQ(FormatReading(c.kwh), c.point);
        }
        {
            LocaleGuard g(QLocale(QLocale::Russian, QLocale::Russia));
            EXPECT_EQ(FormatReading(c.kwh), c.comma);
        }
    }
}

TEST(Formats, ZeroPadFillsToWidthOnly) {
    EXPECT_EQ(ZeroPad(5, 2), "05");
    EXPECT_EQ(ZeroPad(42, 2), "42");
    EXPECT_EQ(ZeroPad(100, 2), "100");
    EXPECT_EQ(ZeroPad(0, 2), "00");
}
} // namespace
