// A page read aloud is on the screen, with its number, before the engine is
// asked to read it; the engine is asked the same things in the same order,
// and a command waiting in the event queue is carried out after the reading
// has started, as before.
#include "support/EventCount.h"
#include "support/MainWindowFixture.h"
#include "ui/PictureBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class ReadingStart : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        createWindow();
        writeBmp(path("shown.bmp"), 21, 13, Qt::green);
        writeFile(path("text.txt"), "Un conte.");
        writeFile(path("poem.rtf"), "{\\rtf1\\ansi Un poema.}");
        writeFile(path("notes.txt"), "Unes notes.");
        window->LoadBook(writeBook("read.Lumbrix", 4, "", {"shown.bmp", "text.txt", "poem.rtf", "shown.bmp#notes.txt"}));
        ASSERT_TRUE(window->modes().reading());
        ASSERT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 4"));
        recordingEngine().clear();
    }
};

TEST_F(ReadingStart, EachReadPageIsPaintedWithItsNumberBeforeTheEngineIsAsked)
{
    struct Row {
        QWidget* box;
        QList<QByteArray> calls;
        QString label;
    };
    const Row rows[] = {
        {window->Memo1->viewport(), {"ReadFile text.txt"}, QStringLiteral("2 - 4")},
        {window->RichEdit1->viewport(), {"Stop", "Read Un poema."}, QStringLiteral("3 - 4")},
        {window->Image1, {"Stop", "ReadFile notes.txt"}, QStringLiteral("4 - 4")},
    };
    for (const Row& row : rows) {
        EventCount paints(row.box, QEvent::Paint);
        int paintsAtTheCall = -1;
        QString labelAtTheCall;
        recordingEngine().clear();
        recordingEngine().onCall = [&](const QByteArray& line) {
            if (line.startsWith("Read")) {
                paintsAtTheCall = paints.count;
                labelAtTheCall = window->LabelPagina->text();
            }
        };
        window->SpeedButtonDretaClick();
        recordingEngine().onCall = {};
        EXPECT_EQ(recordingEngine().lines(), row.calls) << row.label.toStdString();
        EXPECT_GT(paintsAtTheCall, 0) << row.label.toStdString();
        EXPECT_EQ(labelAtTheCall, row.label);
        EXPECT_EQ(window->LabelPagina->text(), row.label);
        EXPECT_TRUE(window->modes().speaking());
    }
}

TEST_F(ReadingStart, ACommandWaitingInTheQueueComesAfterTheReadingHasStarted)
{
    window->SpeedButtonDretaClick();
    ASSERT_TRUE(window->Memo1->isVisible());
    recordingEngine().clear();
    // Page Down reaches the text box (and turns the page) only from the event
    // loop, after the turn that is under way.
    QCoreApplication::postEvent(window->Memo1, new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier));
    window->SpeedButtonEsquerraClick();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(recordingEngine().lines(), (QList<QByteArray> {"Stop", "ReadFile text.txt"}));
    QTRY_COMPARE(window->book.CurrentPage, 2);
    EXPECT_EQ(recordingEngine().lines(), (QList<QByteArray> {"Stop", "ReadFile text.txt", "Stop", "Read Un poema."}));
    EXPECT_TRUE(window->modes().speaking());
}

} // namespace
