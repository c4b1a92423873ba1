#pragma once
// The page as the reader shows it, through the reader's own page presenter
// and picture box, in a box of the preview's size. "Prova" carries out what
// the reader would: the reading or the sound.
#include "book/PagePresenter.h"
#include "editor/EditorPage.h"

#include <QWidget>

class QPlainTextEdit;
class QTextEdit;

namespace tirvelo {
class PictureBox;
struct Services;
} // namespace tirvelo

namespace tirvelo::editor {

class PagePreview : public QWidget {
    Q_OBJECT
public:
    PagePreview(Services& services, QString workFolder, QWidget* parent = nullptr);

    void showPage(const EditorPage& page);
    void clear();
    // Shows the page again and reads it or plays its sound; the reader's
    // failure message when it would stumble on the page.
    std::optional<QString> tryPage(const EditorPage& page);
    void stopTrying();

    PictureBox* pictureBox() const { return m_picture; }
    QPlainTextEdit* textBox() const { return m_text; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    PageView present(const EditorPage& page, bool readingAloud);
    // Where the reader's screen lies in the preview, in its proportions.
    QRect screenArea() const;

    Services& m_services;
    QString m_workFolder;
    PagePresenter m_presenter;
    PictureBox* m_picture;
    QPlainTextEdit* m_text;
    QTextEdit* m_richText;
    std::optional<EditorPage> m_shown;
};

} // namespace tirvelo::editor
