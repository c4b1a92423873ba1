#include "editor/BookEditorWindow.h"

#include "authoring/LanguageTexts.h"
#include "authoring/epub/EpubImport.h"
#include "book/Book.h"
#include "editor/EditorTexts.h"
#include "editor/NarrationRecorder.h"
#include "editor/PageFields.h"
#include "editor/PagePreview.h"
#include "editor/PageStrip.h"
#include "editor/ThumbnailCache.h"
#include "formats/PictureLoader.h"
#include "tools/BookMaker.h"
#include "modes/MessageSink.h"
#include "modes/Services.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tirvelo::editor {
namespace {

const QSize kThumbnailSize(96, 72);

} // namespace

BookEditorWindow::BookEditorWindow(Services& services, InterfaceLanguage language, WavMax::CaptureDeviceFactory capture,
                                   QWidget* parent)
    : QMainWindow(parent), m_services(services), m_language(language),
      m_thumbnails(std::make_unique<ThumbnailCache>(kThumbnailSize)),
      m_recorder(std::make_unique<NarrationRecorder>(std::move(capture)))
{
    setObjectName(QStringLiteral("BookEditorWindow"));
    m_model.setLanguage(language);
    buildLayout();
    buildActions();
    applyLanguage();
    connect(m_strip->selectionModel(), &QItemSelectionModel::currentChanged, this, &BookEditorWindow::currentChanged);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, &BookEditorWindow::currentChanged);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &BookEditorWindow::currentChanged);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) { selectRow(first); });
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, &BookEditorWindow::currentChanged);
    connect(&m_model, &BookEditorModel::bookReset, this, [this] {
        m_findings->clear();
        selectRow(0);
        currentChanged();
    });
    connect(&m_model.undoStack(), &QUndoStack::cleanChanged, this, &BookEditorWindow::applyLanguage);
    connect(m_strip, &PageStrip::filesDropped, this, &BookEditorWindow::addPictureFiles);
    connect(m_fields, &PageFields::tryRequested, this, &BookEditorWindow::tryPage);
    connect(m_fields, &PageFields::listenRequested, this, &BookEditorWindow::tryPage);
    connect(m_fields, &PageFields::importSoundRequested, this, &BookEditorWindow::importSound);
    connect(m_fields, &PageFields::message, this, &BookEditorWindow::tell);
    connect(m_findings, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { selectRow(item->data(Qt::UserRole).toInt()); });
    connect(m_findings, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { selectRow(item->data(Qt::UserRole).toInt()); });
    connect(&m_model, &BookEditorModel::saveFinished, this, &BookEditorWindow::saveFinished);
    connect(&m_model, &BookEditorModel::saveProgress, this, [this](int done, int total) {
        m_progress->setMaximum(total);
        m_progress->setValue(done);
    });
    resize(1000, 680);
    updateActions();
}

BookEditorWindow::~BookEditorWindow()
{
    if (m_importing) {
        // The folder it writes is left whole or taken away; its book is not opened.
        m_importing->disconnect(this);
        m_importing->wait();
        delete m_importing;
    }
    m_preview->stopTrying();
    // The widgets showing the model go before it does.
    m_model.disconnect(this);
    m_model.undoStack().disconnect(this);
    delete centralWidget();
}

void BookEditorWindow::buildLayout()
{
    m_strip = new PageStrip(m_model, *m_thumbnails, this);
    m_strip->setMinimumWidth(kThumbnailSize.width() + 60);
    m_preview = new PagePreview(m_services, m_model.workFolder(), this);
    m_fields = new PageFields(m_model, *m_recorder, this);
    m_findings = new QListWidget(this);
    m_findings->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setMaximum(0); // busy until the first step is told
    m_progress->hide();
    statusBar()->addPermanentWidget(m_progress);

    auto* pages = new QSplitter(Qt::Horizontal);
    pages->addWidget(m_strip);
    pages->addWidget(m_preview);
    pages->addWidget(m_fields);
    pages->setStretchFactor(1, 2);
    pages->setStretchFactor(2, 1);
    auto* whole = new QSplitter(Qt::Vertical);
    whole->addWidget(pages);
    whole->addWidget(m_findings);
    whole->setStretchFactor(0, 4);
    whole->setStretchFactor(1, 1);
    setCentralWidget(whole);
    setTabOrder(m_strip, m_fields);
    setTabOrder(m_fields, m_findings);
}

void BookEditorWindow::buildActions()
{
    QMenu* book = menuBar()->addMenu(QString());
    QMenu* edit = menuBar()->addMenu(QString());
    auto add = [this](QMenu* menu, EditorText text, QKeySequence keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        menu->addAction(action);
        m_actions.append({action, int(text)});
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(book, EditorText::NewBook, QKeySequence::New, [this] { leaveBook([this] { newBook(); }); });
    add(book, EditorText::OpenBook, QKeySequence::Open, [this] {
        const QStringList chosen = chooseFiles(FileRequest::OpenBook);
        if (!chosen.isEmpty())
            leaveBook([this, file = chosen.constFirst()] { openBook(file); });
    });
    add(book, EditorText::ImportEpub, QKeySequence(), [this] { importEpub(); });
    add(book, EditorText::SaveBook, QKeySequence::Save, [this] { save(); });
    add(book, EditorText::SaveBookAs, QKeySequence::SaveAs, [this] { saveAs(); });
    book->addSeparator();
    add(book, EditorText::Close, QKeySequence::Close, [this] { close(); });

    // The stack names each step after the change it undoes: "Desfés Duplica".
    QAction* undo = m_model.undoStack().createUndoAction(this, QString(editorText(EditorText::Undo, m_language)).remove(u'&'));
    QAction* redo = m_model.undoStack().createRedoAction(this, QString(editorText(EditorText::Redo, m_language)).remove(u'&'));
    undo->setShortcut(QKeySequence::Undo);
    redo->setShortcut(QKeySequence::Redo);
    m_undoAction = undo;
    m_redoAction = redo;
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    add(edit, EditorText::AddPictures, QKeySequence(Qt::CTRL | Qt::Key_I), [this] {
        addPictureFiles(chooseFiles(FileRequest::Pictures), currentRow() + 1);
    });
    add(edit, EditorText::AddFolder, QKeySequence(), [this] { addFolder(); });
    add(edit, EditorText::AddTextPage, QKeySequence(Qt::CTRL | Qt::Key_T), [this] { m_model.addTextPage(currentRow() + 1); });
    // Keys that mean something else in the text field act on the strip only.
    auto stripOnly = [this](QAction* action) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_strip->addAction(action);
    };
    stripOnly(add(edit, EditorText::Paste, QKeySequence::Paste, [this] { paste(); }));
    add(edit, EditorText::Duplicate, QKeySequence(Qt::CTRL | Qt::Key_D), [this] { m_model.duplicatePage(currentRow()); });
    stripOnly(add(edit, EditorText::Delete, QKeySequence::Delete, [this] { m_model.removePage(currentRow()); }));
    stripOnly(add(edit, EditorText::MoveUp, QKeySequence(Qt::CTRL | Qt::Key_Up), [this] {
        const int row = currentRow();
        if (m_model.movePage(row, row - 1))
            selectRow(row - 1);
    }));
    stripOnly(add(edit, EditorText::MoveDown, QKeySequence(Qt::CTRL | Qt::Key_Down), [this] {
        const int row = currentRow();
        if (m_model.movePage(row, row + 1))
            selectRow(row + 1);
    }));
}

void BookEditorWindow::applyLanguage()
{
    const QList<QAction*> menus = menuBar()->actions();
    const std::array<const char16_t*, 3> bookMenu = {u"&Llibre", u"&Libro", u"&Livro"};
    const std::array<const char16_t*, 3> editMenu = {u"&Edita", u"&Editar", u"&Editar"};
    menus.value(0)->setText(QString::fromUtf16(bookMenu[size_t(m_language)]));
    menus.value(1)->setText(QString::fromUtf16(editMenu[size_t(m_language)]));
    for (const auto& [action, text] : m_actions) {
        const QString caption = editorText(EditorText(text), m_language);
        action->setText(caption);
        action->setToolTip(QString(caption).remove(u'&'));
    }
    m_strip->setAccessibleName(editorText(EditorText::Pages, m_language));
    m_preview->setAccessibleName(editorText(EditorText::Preview, m_language));
    m_findings->setAccessibleName(editorText(EditorText::Findings, m_language));
    m_fields->setLanguage(m_language);
    const QString name = m_model.bookPath().isEmpty() ? QString() : QFileInfo(m_model.bookPath()).fileName();
    setWindowTitle(editorText(EditorText::WindowTitle, m_language) + (name.isEmpty() ? QString() : QStringLiteral(" - ") + name)
                   + (m_model.isModified() ? QStringLiteral(" *") : QString()));
}

int BookEditorWindow::currentRow() const
{
    return m_strip->currentRow();
}

void BookEditorWindow::selectRow(int row)
{
    m_strip->selectRow(row);
}

void BookEditorWindow::currentChanged()
{
    const int row = currentRow();
    m_fields->setRow(row);
    if (row >= 0 && row < m_model.rowCount()) {
        m_preview->showPage(m_model.pageAsSaved(row));
        m_strip->setAccessibleDescription(m_model.data(m_model.index(row), BookEditorModel::PositionRole).toString());
    } else {
        m_preview->clear();
    }
    updateActions();
}

void BookEditorWindow::updateActions()
{
    const bool page = currentRow() >= 0;
    for (const auto& [action, text] : m_actions) {
        switch (EditorText(text)) {
        case EditorText::Duplicate:
        case EditorText::Delete:
            action->setEnabled(page);
            break;
        case EditorText::MoveUp:
            action->setEnabled(currentRow() > 0);
            break;
        case EditorText::MoveDown:
            action->setEnabled(page && currentRow() + 1 < m_model.rowCount());
            break;
        default:
            break;
        }
    }
}

bool BookEditorWindow::openBook(const QString& path)
{
    const QString failure = m_model.openBook(path);
    if (!failure.isEmpty()) {
        tell(failure);
        return false;
    }
    applyLanguage();
    return true;
}

void BookEditorWindow::newBook()
{
    m_model.newBook();
    applyLanguage();
}

void BookEditorWindow::addPictureFiles(const QStringList& files, int at)
{
    if (files.isEmpty())
        return;
    const QList<AddRefusal> refused = m_model.addPictures(files, at);
    QStringList messages;
    for (const AddRefusal& refusal : refused)
        messages << refusal.message;
    messages.removeDuplicates();
    if (!messages.isEmpty())
        tell(messages.join(u'\n'));
}

void BookEditorWindow::addFolder()
{
    const QStringList chosen = chooseFiles(FileRequest::Folder);
    if (chosen.isEmpty())
        return;
    const QDir folder(chosen.constFirst());
    QStringList names = folder.entryList(QDir::Files);
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString& name) { return pictureTypeOf(name) == PictureType::Unknown; }),
                names.end());
    std::sort(names.begin(), names.end(), booktool::naturallyBefore);
    QStringList files;
    for (const QString& name : names)
        files << folder.filePath(name);
    addPictureFiles(files, currentRow() + 1);
}

void BookEditorWindow::paste()
{
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    if (!copied)
        return;
    QStringList files;
    for (const QUrl& url : copied->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (files.isEmpty() && copied->hasImage()) {
        const QString file = QDir(m_model.workFolder()).filePath(QStringLiteral("enganxada-%1.bmp").arg(++m_pasted));
        if (qvariant_cast<QImage>(copied->imageData()).convertToFormat(QImage::Format_RGB32).save(file, "BMP"))
            files << file;
    }
    addPictureFiles(files, currentRow() + 1);
}

void BookEditorWindow::importSound()
{
    const QStringList chosen = chooseFiles(FileRequest::Sound);
    if (chosen.isEmpty())
        return;
    if (const std::optional<QString> failure = m_model.importSound(currentRow(), chosen.constFirst()))
        tell(*failure);
}

// The EPUB becomes a book folder beside it (or the one made before is taken
// again), which the editor then opens like any book. The import runs off the
// window's thread: a long book takes seconds.
void BookEditorWindow::importEpub()
{
    if (busy())
        return;
    const QStringList chosen = chooseFiles(FileRequest::Epub);
    if (chosen.isEmpty())
        return;
    leaveBook([this, epub = chosen.constFirst()] {
        auto imported = std::make_shared<authoring::BookFromEpub>();
        m_importing = QThread::create([imported, epub, language = m_language] { *imported = authoring::bookFromEpub(epub, language); });
        connect(m_importing, &QThread::finished, this, [this, imported] {
            m_importing->deleteLater();
            m_importing = nullptr;
            showBusy(false);
            statusBar()->clearMessage();
            importFinished(*imported);
        });
        showBusy(true);
        statusBar()->showMessage(authoring::withValues(editorText(EditorText::Importing, m_language), {epub}));
        m_importing->start();
    });
}

void BookEditorWindow::importFinished(const authoring::BookFromEpub& imported)
{
    if (std::exchange(m_closeWhenDone, false)) {
        close();
        if (!isVisible())
            return;
    }
    if (imported.book.isEmpty()) {
        tell(imported.message);
        return;
    }
    if (!openBook(imported.book))
        return;
    // What the import changed (a character a book cannot hold, pages left out) is listed with the findings.
    QList<PageFinding> warnings;
    for (const QString& warning : imported.warnings)
        warnings.append({-1, false, warning});
    showFindings(warnings);
}

void BookEditorWindow::tryPage()
{
    const int row = currentRow();
    if (row < 0)
        return;
    if (const std::optional<QString> failure = m_preview->tryPage(m_model.pageAsSaved(row)))
        tell(*failure);
}

bool BookEditorWindow::save()
{
    if (m_model.bookPath().isEmpty())
        return saveAs();
    return saveTo(m_model.bookPath(), false);
}

bool BookEditorWindow::saveAs()
{
    const QStringList chosen = chooseFiles(FileRequest::SaveBook);
    if (chosen.isEmpty())
        return false;
    QString path = chosen.constFirst();
    if (!path.endsWith(QStringLiteral(".Lumbrix"), Qt::CaseInsensitive))
        path += QStringLiteral(".Lumbrix");
    return saveTo(path, false);
}

bool BookEditorWindow::saveTo(const QString& path, bool replaceConfirmed)
{
    if (saving())
        return false;
    m_saveTarget = SaveTarget{path, replaceConfirmed, m_language};
    if (!m_model.startSave(*m_saveTarget)) {
        m_saveTarget.reset();
        return false;
    }
    showBusy(true);
    statusBar()->showMessage(authoring::withValues(editorText(EditorText::Saving, m_language), {path}));
    return true;
}

void BookEditorWindow::saveFinished(const SaveOutcome& outcome)
{
    const SaveTarget target = m_saveTarget.value_or(SaveTarget{m_model.bookPath(), false, m_language});
    m_saveTarget.reset();
    showBusy(false);
    statusBar()->clearMessage();
    showFindings(outcome.findings);
    if (outcome.status == SaveStatus::NeedsConfirmation) {
        if (m_services.messages.askYesNo(this, m_model.outcomeMessage(outcome, target.bookPath), windowTitle())
            && saveTo(target.bookPath, true))
            return;
    } else if (outcome.status != SaveStatus::Saved) {
        tell(m_model.outcomeMessage(outcome, target.bookPath));
        if (outcome.failedPage >= 0)
            selectRow(outcome.failedPage);
    }
    const bool saved = outcome.status == SaveStatus::Saved;
    const bool closeNow = std::exchange(m_closeWhenDone, false) && saved;
    const std::function<void()> after = std::exchange(m_afterSave, {});
    if (saved) {
        applyLanguage();
        statusBar()->showMessage(authoring::withValues(editorText(EditorText::Saved, m_language), {target.bookPath}));
        emit bookSaved(m_model.bookPath(), std::max(0, currentRow()));
    }
    emit saveEnded(saved);
    if (saved && after)
        after();
    if (closeNow)
        close();
}

void BookEditorWindow::leaveBook(std::function<void()> then)
{
    if (!m_model.isModified() || m_model.rowCount() == 0
        || !m_services.messages.askYesNo(this, editorText(EditorText::UnsavedChanges, m_language), windowTitle())) {
        then();
        return;
    }
    // Kept when the save is not made (its name not chosen): the pages stay.
    if (save())
        m_afterSave = std::move(then);
}

// While a save or an import runs the window answers (it moves, repaints, shows the
// progress) but takes no edits: the save writes the pages as they were.
void BookEditorWindow::showBusy(bool busy)
{
    centralWidget()->setEnabled(!busy);
    menuBar()->setEnabled(!busy);
    for (const auto& [action, text] : m_actions)
        action->setEnabled(!busy);
    m_undoAction->setEnabled(!busy && m_model.undoStack().canUndo());
    m_redoAction->setEnabled(!busy && m_model.undoStack().canRedo());
    m_progress->setMaximum(0);
    m_progress->setVisible(busy);
    if (!busy)
        updateActions();
}

void BookEditorWindow::showFindings(const QList<PageFinding>& findings)
{
    m_findings->clear();
    for (const PageFinding& finding : findings) {
        const QString where = finding.page >= 0
            ? editorText(EditorText::PagePosition, m_language).arg(finding.page + 1).arg(m_model.rowCount()) + QStringLiteral(": ")
            : QString();
        auto* item = new QListWidgetItem(where + finding.text, m_findings);
        item->setData(Qt::UserRole, finding.page);
        item->setForeground(finding.error ? QColor(176, 0, 0) : palette().color(QPalette::Text));
    }
}

void BookEditorWindow::tell(const QString& text)
{
    m_services.messages.warning(this, text, editorText(EditorText::WindowTitle, m_language));
}

QStringList BookEditorWindow::chooseFiles(FileRequest request)
{
    return m_chooseFiles ? m_chooseFiles(request) : showFileDialog(request);
}

QStringList BookEditorWindow::showFileDialog(FileRequest request)
{
    switch (request) {
    case FileRequest::Pictures:
        return QFileDialog::getOpenFileNames(this, QString(editorText(EditorText::AddPictures, m_language)).remove(u'&'), {},
                                             editorText(EditorText::PictureFilter, m_language));
    case FileRequest::Folder: {
        const QString folder = QFileDialog::getExistingDirectory(this, QString(editorText(EditorText::AddFolder, m_language)).remove(u'&'));
        return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    case FileRequest::Sound: {
        const QString file = QFileDialog::getOpenFileName(this, editorText(EditorText::ImportSound, m_language), {},
                                                          editorText(EditorText::SoundFilter, m_language));
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    case FileRequest::Epub: {
        const QString file = QFileDialog::getOpenFileName(this, QString(editorText(EditorText::ImportEpub, m_language)).remove(u'&'), {},
                                                          editorText(EditorText::EpubFilter, m_language));
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    case FileRequest::OpenBook: {
        const QString file = QFileDialog::getOpenFileName(this, QString(editorText(EditorText::OpenBook, m_language)).remove(u'&'), {},
                                                          editorText(EditorText::BookFilter, m_language));
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    case FileRequest::SaveBook: {
        const QString file = QFileDialog::getSaveFileName(this, QString(editorText(EditorText::SaveBookAs, m_language)).remove(u'&'),
                                                          m_model.bookPath(), editorText(EditorText::BookFilter, m_language),
                                                          nullptr, QFileDialog::DontConfirmOverwrite);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    }
    return {};
}

void BookEditorWindow::closeEvent(QCloseEvent* event)
{
    m_preview->stopTrying();
    // A save or an import under way ends first; the window closes once it
    // has saved (after an import, as a close asked then).
    if (busy()) {
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    bool leaving = false;
    leaveBook([&leaving] { leaving = true; });
    if (!leaving) {
        // Saved first when asked: the close takes the place of the step
        // leaveBook left waiting for the save, and runs once it has saved.
        if (saving())
            m_afterSave = [this] { close(); };
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace tirvelo::editor
