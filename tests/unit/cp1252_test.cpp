#include "base/Cp1252.h"

#include <gtest/gtest.h>

using namespace tirvelo;

TEST(Cp1252, EveryByteSurvivesTheRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
}

TEST(Cp1252, DecodesTheProgramsOwnTexts)
{
    EXPECT_EQ(fromCp1252("{N\xFAmero de planes}"), QStringLiteral(u"{Número de planes}"));
    EXPECT_EQ(fromCp1252("s\xED"), QStringLiteral(u"sí"));
    EXPECT_EQ(fromCp1252("\x80"), QStringLiteral(u"€"));
    EXPECT_EQ(toCp1252(QStringLiteral(u"Català €")), QByteArray("Catal\xE0 \x80"));
    EXPECT_EQ(toCp1252(QStringLiteral(u"日")), QByteArray("?"));
}
