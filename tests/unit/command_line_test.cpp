#include "desktop/ApplicationTitle.h"
#include "book/CommandLine.h"

#include <gtest/gtest.h>

using namespace tirvelo;

TEST(CommandLine, BookNameJoinsWithoutSeparatorAndUpperCasesAsciiOnly)
{
    EXPECT_EQ(bookFileNameFromParameters({}), QString());
    EXPECT_EQ(bookFileNameFromParameters({"book"}), QString("BOOK.Lumbrix"));
    EXPECT_EQ(bookFileNameFromParameters({"C:\\My", "Books\\x.Lumbrix"}), QString("C:\\MYBOOKS\\X.LUMBRIX"));
    EXPECT_EQ(bookFileNameFromParameters({QString::fromUtf8("conte_àç")}), QString::fromUtf8("CONTE_àç.Lumbrix"));
    EXPECT_EQ(bookFileNameFromParameters({"a.b", "c"}), QString("A.BC"));
}

TEST(CommandLine, EmptinessTestJoinsWithBlanks)
{
    EXPECT_TRUE(joinParametersForEmptinessTest({}).isEmpty());
    EXPECT_TRUE(joinParametersForEmptinessTest({"", "  "}).isEmpty());
    EXPECT_EQ(joinParametersForEmptinessTest({"a", "b "}), QString("a b"));
}

TEST(ApplicationTitle, FromTheProgramFileName)
{
    EXPECT_EQ(applicationTitleFor("C:\\x\\TIRVELO.EXE"), QString("Tirvelo"));
    // Program files here are lower case; the title still starts with a capital.
    EXPECT_EQ(applicationTitleFor("/usr/bin/tirvelo"), QString("Tirvelo"));
    EXPECT_EQ(applicationTitleFor("/opt/x/gui_startup_test"), QString("Gui_startup_test"));
    EXPECT_EQ(applicationTitleFor(QString::fromUtf8("/opt/àgil.bin")), QString::fromUtf8("Àgil"));
    EXPECT_EQ(applicationTitleFor("/opt/t"), QString("T"));
    EXPECT_EQ(applicationTitleFor("/opt/TirVelo.bin.old"), QString("Tirvelo"));
}

TEST(ApplicationTitle, ErrorReportAddsAFullStopOnlyWhenNeeded)
{
    EXPECT_EQ(errorReportText("'12 x' is not a valid integer value"), QString("'12 x' is not a valid integer value."));
    EXPECT_EQ(errorReportText("Done."), QString("Done."));
    EXPECT_EQ(errorReportText("Stop!"), QString("Stop!"));
    EXPECT_EQ(errorReportText("(bracket)"), QString("(bracket)"));
}
