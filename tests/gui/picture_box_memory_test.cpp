// What the picture box keeps of a page: while a large picture shows, only the
// image it draws (the raster goes once stretched); once the page is left,
// nothing; and an empty page after it shows that picture again, from its file.
#include "support/BookWriter.h"
#include "support/ColourChecks.h"
#include "support/MainWindowFixture.h"
#include "ui/PictureBox.h"

#include <QTest>

namespace tirvelo::test {
namespace {

class PictureBoxMemory : public MainWindowFixture {};

TEST_F(PictureBoxMemory, KeepsOnlyTheStretchedImageWhileShownAndNothingOnceLeft)
{
    createWindow();
    PictureBox& box = *window->Image1;
    const QSize boxPixels = box.size() * box.devicePixelRatioF();
    writeBmp(path("gran.bmp"), boxPixels.width() + 40, boxPixels.height() + 30, Qt::green);
    writeFile(path("text.txt"), "Bon dia");
    window->LoadBook(writeBook("m.Lumbrix", 3, "", {"gran.bmp", "text.txt", ""}));
    ASSERT_TRUE(box.stretch());

    const qsizetype shownBytes = qsizetype(boxPixels.width()) * boxPixels.height() * 4;
    box.repaint(); // the first paint stretches the picture
    EXPECT_EQ(box.heldPixelBytes(), shownBytes);
    EXPECT_TRUE(box.picture().raster.isNull());

    window->SpeedButtonDretaClick(); // the text page
    EXPECT_EQ(box.heldPixelBytes(), 0);

    window->SpeedButtonDretaClick(); // the empty page: the box with its last picture
    ASSERT_TRUE(box.isVisible());
    EXPECT_TRUE(near(window->grab().toImage().pixel(window->rect().center()), qRgb(0, 255, 0), 0));
    EXPECT_EQ(box.heldPixelBytes(), shownBytes);
    EXPECT_EQ(box.picture().naturalSize, boxPixels + QSize(40, 30));
}

} // namespace
} // namespace tirvelo::test
