#pragma once
// The boxes a page is shown in (the picture, the text box, the rich-text box)
// and the page label: what the page presenter returns, put on the screen.
#include "book/PagePreparer.h"
#include "book/PagePresenter.h"

#include <optional>

class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

namespace tirvelo {

class PictureBox;
class TextPageBox;

class PageBoxes {
public:
    PageBoxes() = default;
    PageBoxes(PictureBox* picture, TextPageBox* text, QTextEdit* richText, QLabel* label)
        : m_picture(picture), m_text(text), m_richText(richText), m_label(label)
    {
    }

    // Presents the book's current page into the boxes (the page made ready
    // beforehand when there is one) and shows its box; the other boxes are
    // hidden, and a box that had the keyboard focus gets it back.
    PageView present(PagePresenter& presenter, Book& book, const ReadingState& state,
                     std::optional<PreparedPage> prepared);
    // The picture box's size in device pixels, what pictures are stretched to.
    QSize pictureSize() const;
    QWidget* box(PageBox box) const;
    // The page number of the book's current page, written only when it changes.
    void showLabel(const Book& book);
    // Paints the window's changed parts and the box and hands the frame to the screen now.
    static void paintNow(QWidget* window, QWidget* box);

private:
    PictureBox* m_picture = nullptr;
    TextPageBox* m_text = nullptr;
    QTextEdit* m_richText = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace tirvelo
