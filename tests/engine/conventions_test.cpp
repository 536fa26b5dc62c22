// The numeric and text conventions shared by every dialog and the settings store.
#include "platform/vb.h"

#include <gtest/gtest.h>

TEST(Conventions, LeadingNumberReadsTheNumberAtTheStart) {
    EXPECT_DOUBLE_EQ(vb::leadingNumber(QStringLiteral("12.5px")), 12.5);
    EXPECT_DOUBLE_EQ(vb::leadingNumber(QStringLiteral("  -3e2 and more")), -300.0);
    EXPECT_DOUBLE_EQ(vb::leadingNumber(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(vb::leadingNumber(QStringLiteral("7e")), 7.0);  // exponent without digits
    EXPECT_DOUBLE_EQ(vb::leadingNumber(QStringLiteral("1,5")), 1.0); // "." is the only point
}

TEST(Conventions, WholeNumbersRoundHalfToEvenAndOverflow) {
    EXPECT_EQ(vb::toInt16(2.5), 2);
    EXPECT_EQ(vb::toInt16(3.5), 4);
    EXPECT_EQ(vb::toInt16(-2.5), -2);
    EXPECT_EQ(vb::toInt16(32767.4), 32767);
    EXPECT_THROW(vb::toInt16(32767.5), vb::OverflowError);
    EXPECT_THROW(vb::toInt16(-32768.6), vb::OverflowError);
    EXPECT_EQ(vb::toInt32(2147483647.0), 2147483647);
    EXPECT_THROW(vb::toInt32(2147483648.0), vb::OverflowError);
    EXPECT_THROW(vb::toInt32(std::numeric_limits<double>::infinity()), vb::OverflowError);
}

TEST(Conventions, BytesFailOutsideTheirRange) {
    EXPECT_EQ(vb::toByte(255.4), 255);
    EXPECT_EQ(vb::toByte(-0.4), 0);
    EXPECT_EQ(vb::toByte(0.5), 0);
    EXPECT_THROW(vb::toByte(255.5), vb::OverflowError);
    EXPECT_THROW(vb::toByte(300), vb::OverflowError);
    EXPECT_THROW(vb::toByte(-1), vb::OverflowError);
}

TEST(Conventions, NumericTestAndBooleanText) {
    for (const char* yes : {"1", " 2.5 ", "-.5", "+3", "1e3", "1E-2"})
        EXPECT_TRUE(vb::isNumeric(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"", " ", "a", "1a", "1e", "-", ".", "1.2.3"})
        EXPECT_FALSE(vb::isNumeric(QString::fromLatin1(no))) << no;
    EXPECT_EQ(vb::boolText(true), QStringLiteral("True"));
    bool ok = false;
    EXPECT_TRUE(vb::textToBool(QStringLiteral("True"), &ok));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(vb::textToBool(QStringLiteral("false"), &ok));
    EXPECT_TRUE(vb::textToBool(QStringLiteral("-1"), &ok));
    EXPECT_FALSE(vb::textToBool(QStringLiteral("0"), &ok));
    vb::textToBool(QStringLiteral("maybe"), &ok);
    EXPECT_FALSE(ok);
}

TEST(Conventions, ZoomCaptionFormat) {
    EXPECT_EQ(vb::formatOneDecimal(100), QStringLiteral("100."));
    EXPECT_EQ(vb::formatOneDecimal(156.25), QStringLiteral("156.3"));
    EXPECT_EQ(vb::formatOneDecimal(0.5), QStringLiteral(".5"));
    EXPECT_EQ(vb::formatOneDecimal(1818.98946), QStringLiteral("1819."));
    EXPECT_EQ(vb::formatOneDecimal(0.04), QStringLiteral("."));
}

TEST(Conventions, TwipsAndPixels) {
    EXPECT_EQ(vb::twipsToPixels(400), 27); // 26.67 rounds to the nearest pixel
    EXPECT_EQ(vb::twipsToPixels(1440, 10), 144);
    EXPECT_DOUBLE_EQ(vb::pixelsToTwips(96), 1440.0);
}
