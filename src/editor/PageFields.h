#pragma once
// The fields that make the selected page: what narrates a picture (nothing,
// a recorded or imported sound, a text read aloud), the text with every
// character a book cannot hold marked as it is typed, the recording controls
// and "Prova". They change the page only through the model.
#include "desktop/InterfaceLanguage.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tirvelo::editor {

class BookEditorModel;
class NarrationRecorder;

class PageFields : public QWidget {
    Q_OBJECT
public:
    PageFields(BookEditorModel& model, NarrationRecorder& recorder, QWidget* parent = nullptr);

    void setRow(int row);
    int row() const { return m_row; }
    void setLanguage(InterfaceLanguage language);
    QPlainTextEdit* textEdit() const { return m_text; }
    QLabel* problems() const { return m_problems; }

signals:
    void tryRequested();
    void importSoundRequested();
    void listenRequested();
    void message(const QString& text);

private:
    void refresh();
    void textEdited();
    void showProblems();
    void record();
    void stopRecording();

    BookEditorModel& m_model;
    NarrationRecorder& m_recorder;
    int m_row = -1;
    int m_recordings = 0;
    bool m_refreshing = false;
    bool m_soundChosen = false; // "So gravat" chosen for a page without a sound yet
    QRadioButton* m_none;
    QRadioButton* m_sound;
    QRadioButton* m_spoken;
    QPlainTextEdit* m_text;
    QLabel* m_problems;
    QPushButton* m_record;
    QPushButton* m_stop;
    QPushButton* m_listen;
    QPushButton* m_recordAgain;
    QPushButton* m_import;
    QPushButton* m_try;
    QProgressBar* m_level;
    QLabel* m_time;
};

} // namespace tirvelo::editor
