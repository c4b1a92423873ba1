#include "base/IntegerText.h"

#include <gtest/gtest.h>

using namespace tirvelo;

TEST(StrictInteger, AcceptsTheNumberGrammar)
{
    EXPECT_EQ(parseStrictInteger(u"12"), 12);
    EXPECT_EQ(parseStrictInteger(u"  12"), 12);
    EXPECT_EQ(parseStrictInteger(u"+7"), 7);
    EXPECT_EQ(parseStrictInteger(u"-0"), 0);
    EXPECT_EQ(parseStrictInteger(u"$ff"), 255);
    EXPECT_EQ(parseStrictInteger(u" $3E9"), 1001);
    EXPECT_EQ(parseStrictInteger(u"2147483647"), 2147483647);
    EXPECT_EQ(parseStrictInteger(u"-2147483648"), INT32_MIN);
    EXPECT_EQ(parseStrictInteger(u"0000000000000000000001"), 1);
}

TEST(StrictInteger, RefusesEverythingElse)
{
    for (const char16_t* text : {u"", u"   ", u"12 ", u"12 x", u"x12", u"\t12", u"1.0", u"2147483648",
                                 u"-2147483649", u"$", u"-$10", u"+$10", u"$80000000", u"$fg", u"+", u"- 1",
                                 u"99999999999999999999999"})
        EXPECT_FALSE(parseStrictInteger(text).has_value()) << QString::fromUtf16(text).toStdString();
}

TEST(LeadingInteger, StopsAtTheFirstCharacterThatDoesNotFit)
{
    EXPECT_EQ(parseLeadingInteger(u""), 0);
    EXPECT_EQ(parseLeadingInteger(u"120a"), 120);
    EXPECT_EQ(parseLeadingInteger(u" 80"), 80);
    EXPECT_EQ(parseLeadingInteger(u"$FF"), 255);
    EXPECT_EQ(parseLeadingInteger(u"-5"), -5);
    EXPECT_EQ(parseLeadingInteger(u"256"), 256);
    EXPECT_EQ(parseLeadingInteger(u"abc"), 0);
    EXPECT_EQ(parseLeadingInteger(u"-"), 0);
    // Far past the 32-bit range: wraps, never undefined.
    (void)parseLeadingInteger(u"999999999999999999999999999999");
    EXPECT_EQ(parseLeadingInteger(u"4294967296"), 0);
}
