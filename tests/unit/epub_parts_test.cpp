// The EPUB import's readers on their own: references inside the archive,
// SMIL clock values, what a page holds.
#include "authoring/epub/EpubPackage.h"
#include "authoring/epub/MediaOverlay.h"
#include "authoring/epub/PageContent.h"

#include <gtest/gtest.h>

using namespace tirvelo::authoring;

TEST(EpubParts, ReferencesStayInsideTheArchive)
{
    EXPECT_EQ(resolveReference("OEBPS/text/p1.xhtml", "../images/My%20cat.png#x"), "OEBPS/images/My cat.png");
    EXPECT_EQ(resolveReference("OEBPS/p1.xhtml", "./a/./b.mp3"), "OEBPS/a/b.mp3");
    EXPECT_EQ(resolveReference("p1.xhtml", "../../etc/passwd"), "");
    EXPECT_EQ(resolveReference("OEBPS/p1.xhtml", "/etc/passwd"), "");
    EXPECT_EQ(resolveReference("OEBPS/p1.xhtml", "http://example.org/a.png"), "");
    EXPECT_EQ(resolveReference("OEBPS/p1.xhtml", "#note"), "");
    EXPECT_EQ(resolveReference("OEBPS/p1.xhtml", "a%2F..%2F..%2F..%2Fx"), "");
}

TEST(EpubParts, SmilClockValues)
{
    const QList<std::pair<const char*, std::optional<double>>> cases = {
        {"12.5s", 12.5}, {"500ms", 0.5}, {"1.5min", 90.0}, {"2h", 7200.0}, {"0:01:02.5", 62.5}, {"01:02.5", 62.5},
        {"3", 3.0},      {" 4s ", 4.0},  {"-1s", std::nullopt}, {"1e9s", std::nullopt}, {"1:2:3:4", std::nullopt},
        {"1.5:00", std::nullopt}, {"", std::nullopt}, {"abc", std::nullopt}, {"nan", std::nullopt},
    };
    for (const auto& [text, seconds] : cases)
        EXPECT_EQ(smilClockSeconds(QString::fromUtf8(text)), seconds) << text;
    const auto clips = parseMediaOverlay("<smil><body><par><audio src='a.mp3' clipBegin='1s'/></par>"
                                         "<par><audio src='../b.mp3' clipEnd='2.5s'/></par></body></smil>",
                                         "OEBPS/s/p.smil");
    ASSERT_TRUE(clips);
    EXPECT_EQ(*clips, (QList<AudioClip>{{"OEBPS/s/a.mp3", 1.0, std::nullopt}, {"OEBPS/b.mp3", 0.0, 2.5}}));
    EXPECT_FALSE(parseMediaOverlay("<smil><audio src='a.mp3' clipBegin='soon'/></smil>", "p.smil"));
}

TEST(EpubParts, WhatAPageHolds)
{
    const QByteArray page =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"><head><title>Not text</title>"
        "<style>p{}</style></head><body><svg><image xlink:href=\"../img/one.png\"/></svg><img src=\"../img/two.png\"/>"
        "<p>Hola&nbsp;a   tothom</p><script>var x;</script><p>Adéu<br/>gata</p>"
        "<audio><source src=\"../a/one.mp3\"/></audio><a href=\"../a/two.ogg\">listen</a></body></html>";
    QString why;
    const std::optional<PageContent> content = parsePageContent(page, "OEBPS/text/p.xhtml", &why);
    ASSERT_TRUE(content) << why.toStdString();
    EXPECT_EQ(content->picture, "OEBPS/img/one.png");
    EXPECT_EQ(content->sounds, (QStringList{"OEBPS/a/one.mp3", "OEBPS/a/two.ogg"}));
    EXPECT_EQ(content->text, QStringView(u"Hola a tothom\nAdéu\ngata\nlisten"));
    EXPECT_FALSE(content->cover);

    EXPECT_FALSE(parsePageContent("<html><body><p>unclosed</body></html>", "p.xhtml", &why));
    EXPECT_TRUE(why.startsWith("1: "));
}
