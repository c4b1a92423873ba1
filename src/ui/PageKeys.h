#pragma once
// The page boxes' own shortcuts: Page Down and Page Up turn the page and still
// reach the box; a left click in the text box and a left press in the rich-text
// box are clicks on the page.
#include <QObject>
#include <functional>

class QPlainTextEdit;
class QTextEdit;

namespace tirvelo {

class PageKeys : public QObject {
public:
    PageKeys(QPlainTextEdit* text, QTextEdit* richText, std::function<void()> previous, std::function<void()> next,
             std::function<void()> pageClicked, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QObject* m_text;
    const QObject* m_textViewport;
    const QObject* m_richText;
    const QObject* m_richTextViewport;
    std::function<void()> m_previous;
    std::function<void()> m_next;
    std::function<void()> m_pageClicked;
};

} // namespace tirvelo
