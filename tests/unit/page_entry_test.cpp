#include "book/PageEntry.h"
#include "formats/PictureLoader.h"

#include <gtest/gtest.h>

using namespace tirvelo;

TEST(PageEntry, KindsByExactEndingAndFirstHash)
{
    struct Case { const char* entry; PageKind kind; const char* file; const char* companion; CompanionKind companionKind; };
    const Case cases[] = {
        {"p.txt", PageKind::Text, "p.txt", "", CompanionKind::None},
        {"p.rtf", PageKind::RichText, "p.rtf", "", CompanionKind::None},
        {"p.TXT", PageKind::Picture, "p.TXT", "", CompanionKind::None},
        {"p.Rtf", PageKind::Picture, "p.Rtf", "", CompanionKind::None},
        {"so.wav", PageKind::Picture, "so.wav", "", CompanionKind::None},
        {"", PageKind::Empty, "", "", CompanionKind::None},
        {"foto.jpg#so.wav", PageKind::Picture, "foto.jpg", "so.wav", CompanionKind::Sound},
        {"foto.jpg#so.wav.txt", PageKind::Picture, "foto.jpg", "so.wav.txt", CompanionKind::Sound},
        {"foto.jpg#notes.txt", PageKind::Picture, "foto.jpg", "notes.txt", CompanionKind::TextFile},
        {"foto.jpg#text.rtf", PageKind::Picture, "foto.jpg", "text.rtf", CompanionKind::RichText},
        {"foto.jpg#a.txt.rtf", PageKind::Picture, "foto.jpg", "a.txt.rtf", CompanionKind::TextFile},
        {"foto.jpg#x.WAV", PageKind::Picture, "foto.jpg", "x.WAV", CompanionKind::None},
        {"text.txt#so.wav", PageKind::Picture, "text.txt", "so.wav", CompanionKind::Sound},
        {"dir#1\\p.jpg", PageKind::Picture, "dir", "1\\p.jpg", CompanionKind::None},
        {"a.jpg#b#c.wav", PageKind::Picture, "a.jpg", "b#c.wav", CompanionKind::Sound},
        {"#so.wav", PageKind::Picture, "", "so.wav", CompanionKind::Sound},
    };
    for (const Case& c : cases) {
        const PageEntry page = classifyPageEntry(QString::fromUtf8(c.entry));
        EXPECT_EQ(page.kind, c.kind) << c.entry;
        EXPECT_EQ(page.file, QString::fromUtf8(c.file)) << c.entry;
        EXPECT_EQ(page.companion, QString::fromUtf8(c.companion)) << c.entry;
        EXPECT_EQ(page.companionKind, c.companionKind) << c.entry;
    }
}

TEST(PictureType, ExtensionAfterTheLastFolderSeparatorIgnoringCase)
{
    EXPECT_EQ(pictureTypeOf("a.BMP"), PictureType::Bitmap);
    EXPECT_EQ(pictureTypeOf("dir.jpg\\noext"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("C:noext"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("x/y.v2/p.Jpeg"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("p.ico"), PictureType::Icon);
    EXPECT_EQ(pictureTypeOf("p.WMF"), PictureType::Wmf);
    EXPECT_EQ(pictureTypeOf("p.emf"), PictureType::Emf);
    EXPECT_EQ(pictureTypeOf("p.png"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("p.TXT"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("p."), PictureType::Unknown);
}
