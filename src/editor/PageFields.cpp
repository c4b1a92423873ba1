#include "editor/PageFields.h"

#include "base/AtomicFile.h"
#include "editor/BookEditorModel.h"
#include "editor/EditorTexts.h"
#include "editor/NarrationRecorder.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSyntaxHighlighter>
#include <QVBoxLayout>

namespace tirvelo::editor {
namespace {

// Marks each character a book cannot hold, as it is typed.
class UnwritableHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override
    {
        QTextCharFormat marked;
        marked.setBackground(QColor(255, 200, 200));
        marked.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        marked.setUnderlineColor(Qt::red);
        for (const UnwritableCharacter& character : unwritableCharacters(text))
            setFormat(int(character.position), int(character.length), marked);
    }
};

QString clockText(qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

PageFields::PageFields(BookEditorModel& model, NarrationRecorder& recorder, QWidget* parent)
    : QWidget(parent), m_model(model), m_recorder(recorder), m_none(new QRadioButton(this)),
      m_sound(new QRadioButton(this)), m_spoken(new QRadioButton(this)), m_text(new QPlainTextEdit(this)),
      m_problems(new QLabel(this)), m_record(new QPushButton(this)), m_stop(new QPushButton(this)),
      m_listen(new QPushButton(this)), m_recordAgain(new QPushButton(this)), m_import(new QPushButton(this)),
      m_try(new QPushButton(this)), m_level(new QProgressBar(this)), m_time(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    auto* narration = new QHBoxLayout;
    for (QRadioButton* button : {m_none, m_sound, m_spoken})
        narration->addWidget(button);
    layout->addLayout(narration);
    new UnwritableHighlighter(m_text->document());
    m_text->setTabChangesFocus(true);
    layout->addWidget(m_text, 1);
    m_problems->setWordWrap(true);
    m_problems->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problems->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    layout->addWidget(m_problems);
    auto* recording = new QHBoxLayout;
    for (QPushButton* button : {m_record, m_stop, m_listen, m_recordAgain, m_import})
        recording->addWidget(button);
    layout->addLayout(recording);
    auto* meter = new QHBoxLayout;
    m_level->setRange(0, 127);
    m_level->setTextVisible(false);
    meter->addWidget(m_level, 1);
    meter->addWidget(m_time);
    layout->addLayout(meter);
    layout->addWidget(m_try);

    connect(m_text, &QPlainTextEdit::textChanged, this, &PageFields::textEdited);
    connect(m_none, &QRadioButton::clicked, this, [this] { m_model.setNarration(m_row, Narration::None); });
    connect(m_spoken, &QRadioButton::clicked, this, [this] { m_model.setNarration(m_row, Narration::Text); });
    // A sound is chosen before there is one: the recording buttons come up.
    connect(m_sound, &QRadioButton::clicked, this, [this] {
        m_soundChosen = true;
        refresh();
    });
    connect(m_record, &QPushButton::clicked, this, &PageFields::record);
    connect(m_recordAgain, &QPushButton::clicked, this, &PageFields::record);
    connect(m_stop, &QPushButton::clicked, this, &PageFields::stopRecording);
    connect(m_listen, &QPushButton::clicked, this, &PageFields::listenRequested);
    connect(m_import, &QPushButton::clicked, this, &PageFields::importSoundRequested);
    connect(m_try, &QPushButton::clicked, this, &PageFields::tryRequested);
    connect(&m_recorder, &NarrationRecorder::levelChanged, m_level, &QProgressBar::setValue);
    connect(&m_recorder, &NarrationRecorder::timeChanged, this, [this](qint64 ms) { m_time->setText(clockText(ms)); });
    connect(&m_recorder, &NarrationRecorder::stopped, this, &PageFields::refresh);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &PageFields::refresh);
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { setRow(-1); });
    m_time->setText(clockText(0));
    setLanguage(InterfaceLanguage::Catalan);
    refresh();
}

void PageFields::setLanguage(InterfaceLanguage language)
{
    const std::pair<QWidget*, EditorText> named[] = {
        {m_none, EditorText::NarrationNone}, {m_sound, EditorText::NarrationSound}, {m_spoken, EditorText::NarrationText},
        {m_record, EditorText::Record},       {m_stop, EditorText::Stop},           {m_listen, EditorText::Listen},
        {m_recordAgain, EditorText::RecordAgain}, {m_import, EditorText::ImportSound}, {m_try, EditorText::Try},
        {m_text, EditorText::PageText},       {m_level, EditorText::LevelBar},      {m_time, EditorText::Timer},
    };
    for (const auto& [widget, text] : named) {
        const QString caption = editorText(text, language);
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(caption);
        widget->setAccessibleName(caption);
    }
    showProblems();
}

void PageFields::setRow(int row)
{
    // Another page chosen ends a recording; the same page changed does not.
    if (row != m_row && m_recorder.recording())
        m_recorder.stop();
    if (row != m_row)
        m_soundChosen = false;
    m_row = row;
    refresh();
}

void PageFields::refresh()
{
    const bool valid = m_row >= 0 && m_row < m_model.rowCount();
    const EditorPage page = valid ? m_model.page(m_row) : EditorPage();
    const bool picture = valid && page.kind == EditorPageKind::Picture;
    const bool recording = m_recorder.recording();
    m_refreshing = true;
    for (QRadioButton* button : {m_none, m_sound, m_spoken})
        button->setEnabled(picture && !recording);
    const bool soundChosen = picture && (page.narration == Narration::Sound || (page.narration == Narration::None && m_soundChosen));
    if (picture) {
        QRadioButton* chosen = soundChosen ? m_sound : page.narration == Narration::None ? m_none : m_spoken;
        chosen->setChecked(true);
    }
    m_text->setEnabled(valid && page.hasText());
    if (m_text->toPlainText() != page.text)
        m_text->setPlainText(page.text);
    m_record->setEnabled(soundChosen && !recording);
    m_recordAgain->setEnabled(soundChosen && !recording && page.narration == Narration::Sound);
    m_stop->setEnabled(recording);
    m_listen->setEnabled(soundChosen && !recording && page.narration == Narration::Sound);
    m_import->setEnabled(picture && !recording);
    m_try->setEnabled(valid && !recording);
    m_refreshing = false;
    showProblems();
}

void PageFields::textEdited()
{
    if (m_refreshing || m_row < 0)
        return;
    m_model.setPageText(m_row, m_text->toPlainText());
    showProblems();
}

void PageFields::showProblems()
{
    QStringList reasons;
    for (const UnwritableCharacter& character : m_model.unwritable(m_row))
        reasons << m_model.unwritableReason(character);
    reasons.removeDuplicates();
    m_problems->setText(reasons.join(u'\n'));
    m_problems->setVisible(!reasons.isEmpty());
    m_problems->setAccessibleName(reasons.join(QStringLiteral(". ")));
}

void PageFields::record()
{
    if (const std::optional<QString> failure = m_recorder.start())
        emit message(*failure);
    refresh();
}

void PageFields::stopRecording()
{
    const int row = m_row;
    m_recorder.stop();
    const QByteArray wave = m_recorder.waveFile();
    if (wave.isEmpty() || row < 0)
        return;
    const QString file = QDir(m_model.workFolder()).filePath(QStringLiteral("gravacio-%1.wav").arg(++m_recordings));
    if (writeFileAtomically(file, wave))
        m_model.setSound(row, file);
}

} // namespace tirvelo::editor
