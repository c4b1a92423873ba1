#include "editor/PagePreview.h"

#include "audio/SoundPlayer.h"
#include "editor/PreviewEntry.h"
#include "speech/SpeechEngine.h"
#include "ui/PictureBox.h"
#include "modes/Services.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>

namespace tirvelo::editor {

PagePreview::PagePreview(Services& services, QString workFolder, QWidget* parent)
    : QWidget(parent), m_services(services), m_workFolder(std::move(workFolder)), m_picture(new PictureBox(this)),
      m_text(new QPlainTextEdit(this)), m_richText(new QTextEdit(this))
{
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setMinimumSize(240, 180);
    // The reader's text box: read-only, bold Arial of 16 pixels, no wrapping.
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont memoFont(QStringLiteral("Arial"));
    memoFont.setPixelSize(16);
    memoFont.setBold(true);
    m_text->setFont(memoFont);
    m_richText->setReadOnly(true);
    m_richText->setLineWrapMode(QTextEdit::WidgetWidth);
    for (QWidget* box : {static_cast<QWidget*>(m_picture), static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_richText)})
        box->hide();
}

PageView PagePreview::present(const EditorPage& page, bool readingAloud)
{
    Book book;
    book.PageCount = 1;
    book.PageFiles[0] = readerEntry(page, m_workFolder);
    // The reader's box is the whole screen: the page is decided for it and
    // drawn here scaled down, in the screen's proportions.
    const QScreen* screen = this->screen();
    const QSize box = screen ? screen->size() * screen->devicePixelRatio() : size();
    PageView view = m_presenter.present(book, {readingAloud, box}, *m_richText->document());
    m_picture->setVisible(view.box == PageBox::Picture);
    m_text->setVisible(view.box == PageBox::Text);
    m_richText->setVisible(view.box == PageBox::RichText);
    if (view.text)
        m_text->setPlainText(*view.text);
    if (view.picture) {
        // The screen scaled down into the preview: a picture the reader draws
        // at its own size takes its own share of the screen here too.
        QRect area = screenArea();
        if (!view.stretch && !box.isEmpty()) {
            const double scale = double(area.width()) / box.width() * devicePixelRatioF();
            QRect own(QPoint(), (QSizeF(view.picture->naturalSize) * scale).toSize().expandedTo(QSize(1, 1)));
            own.moveCenter(area.center());
            area = own;
        }
        m_picture->setGeometry(area);
        m_picture->setStretch(true);
        m_picture->setPicture(*view.picture);
        m_picture->setAccessibleDescription(view.pictureDescription);
    }
    return view;
}

QRect PagePreview::screenArea() const
{
    const QSize screen = this->screen() ? this->screen()->size() : size();
    QRect shown(QPoint(), screen.scaled(size(), Qt::KeepAspectRatio));
    shown.moveCenter(rect().center());
    return shown;
}

void PagePreview::showPage(const EditorPage& page)
{
    m_shown = page;
    present(page, false);
}

void PagePreview::clear()
{
    m_shown.reset();
    m_picture->hide();
    m_text->hide();
    m_richText->hide();
}

std::optional<QString> PagePreview::tryPage(const EditorPage& page)
{
    stopTrying();
    m_shown = page;
    const PageView view = present(page, true);
    if (view.failure)
        return view.failure;
    if (view.sound)
        m_services.sound.play(*view.sound);
    if (view.speech.call == SpokenPage::Call::ReadFile)
        m_services.speech.readFile(view.speech.cp1252);
    else if (view.speech.call == SpokenPage::Call::Read)
        m_services.speech.read(view.speech.cp1252);
    return std::nullopt;
}

void PagePreview::stopTrying()
{
    m_services.sound.stop();
    if (m_services.speech.isAvailable())
        m_services.speech.stop();
}

void PagePreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (QWidget* box : {static_cast<QWidget*>(m_picture), static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_richText)})
        box->setGeometry(screenArea());
    if (m_shown)
        present(*m_shown, false);
}

} // namespace tirvelo::editor
