#include "editor/BookEditorModel.h"

#include "audio/DecodedSound.h"
#include "authoring/LanguageTexts.h"
#include "authoring/PageNames.h"
#include "authoring/PageSound.h"
#include "authoring/WindowsText.h"
#include "base/AtomicFile.h"
#include "book/Book.h"
#include "editor/BookOpening.h"
#include "editor/EditorTexts.h"
#include "editor/PageCommands.h"
#include "formats/PictureLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>

namespace tirvelo::editor {
namespace {

QString kindText(const EditorPage& page, InterfaceLanguage language)
{
    switch (page.kind) {
    case EditorPageKind::Text:
        return editorText(EditorText::PageKindText, language);
    case EditorPageKind::RichText:
        return editorText(EditorText::PageKindRichText, language);
    case EditorPageKind::Picture:
        break;
    }
    switch (page.narration) {
    case Narration::Sound:
        return editorText(EditorText::PageKindPictureSound, language);
    case Narration::Text:
    case Narration::RichText:
        return editorText(EditorText::PageKindPictureText, language);
    case Narration::None:
        break;
    }
    return editorText(EditorText::PageKindPicture, language);
}

// Whether the picture can become a page: a kind the reader shows, or one the
// authoring library converts, and a file that starts as one (the whole
// picture is decoded when it is made fit, and by the check).
std::optional<EditorText> pictureProblem(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return EditorText::PictureUnreadable;
    switch (pictureTypeOf(file)) {
    case PictureType::Unknown:
        if (info.suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0)
            return std::nullopt;
        break;
    case PictureType::Wmf:
    case PictureType::Emf:
        return loadPicture(file, QSize(64, 64)) ? std::nullopt : std::optional(EditorText::PictureUnreadable);
    case PictureType::Bitmap:
    case PictureType::Icon:
    case PictureType::Jpeg:
        break;
    }
    QImageReader reader(file);
    if (!reader.canRead() || !reader.size().isValid())
        return EditorText::PictureUnreadable;
    return std::nullopt;
}

// "%1" filled in one pass: a file name holding "%1" stays as it is.
QString filled(const QString& text, const QString& value)
{
    return authoring::withValues(text, {value});
}

} // namespace

BookEditorModel::BookEditorModel(QObject* parent)
    : QAbstractListModel(parent), m_prepared(std::make_unique<PreparedPictures>(m_work.path()))
{
    connect(m_prepared.get(), &PreparedPictures::prepared, this, [this](const QString& source) {
        for (int row = 0; row < m_pages.size(); ++row)
            if (m_pages[row].file.source == source)
                emit dataChanged(index(row), index(row), {PicturePathRole});
    });
    connect(&m_undo, &QUndoStack::cleanChanged, this, [this] { emit dataChanged(index(0), index(rowCount() - 1)); });
}

BookEditorModel::~BookEditorModel()
{
    // A save under way finishes: its files are complete or taken away again.
    if (m_saving)
        m_saving->wait();
    // The stack tells of its clean state as it goes; nobody is to hear it.
    m_undo.disconnect(this);
}

int BookEditorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_pages.size());
}

QVariant BookEditorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_pages.size())
        return {};
    const EditorPage& page = m_pages[index.row()];
    const QString position = editorText(EditorText::PagePosition, m_language)
                                 .arg(index.row() + 1)
                                 .arg(m_pages.size());
    switch (role) {
    case Qt::DisplayRole:
        return QString::number(index.row() + 1);
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return position + QStringLiteral(", ") + kindText(page, m_language);
    case PageRole:
        return QVariant::fromValue(page);
    case PicturePathRole:
        return page.kind == EditorPageKind::Picture ? m_prepared->fileFor(page.file.source) : QString();
    case PositionRole:
        return position;
    default:
        return {};
    }
}

Qt::ItemFlags BookEditorModel::flags(const QModelIndex& index) const
{
    return QAbstractListModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::ItemIsDropEnabled);
}

QStringList BookEditorModel::mimeTypes() const
{
    return {QStringLiteral("application/x-tirvelo-page")};
}

QMimeData* BookEditorModel::mimeData(const QModelIndexList& indexes) const
{
    auto* data = new QMimeData;
    data->setData(mimeTypes().constFirst(), indexes.isEmpty() ? QByteArray() : QByteArray::number(indexes.constFirst().row()));
    return data;
}

void BookEditorModel::setLanguage(InterfaceLanguage language)
{
    m_language = language;
    positionsChanged();
}

int BookEditorModel::rowOf(quint64 id) const
{
    for (int row = 0; row < m_pages.size(); ++row)
        if (m_pages[row].id == id)
            return row;
    return -1;
}

void BookEditorModel::newBook()
{
    beginResetModel();
    m_pages.clear();
    m_memory = {};
    m_undo.clear();
    endResetModel();
    emit bookReset();
}

QString BookEditorModel::openBook(const QString& path)
{
    OpenedBook opened = openBookForEditing(path);
    if (!opened.failure.isEmpty())
        return opened.failure;
    beginResetModel();
    m_pages.clear();
    for (EditorPage& page : opened.pages)
        m_pages.append(withNewId(std::move(page)));
    m_memory = {};
    m_memory.bookPath = opened.bookPath;
    m_memory.directoryLine = opened.directoryLine;
    m_undo.clear();
    endResetModel();
    emit bookReset();
    return {};
}

QList<AddRefusal> BookEditorModel::addPictures(const QStringList& files, int at)
{
    QList<AddRefusal> refused;
    QList<EditorPage> pages;
    for (const QString& file : files) {
        if (const std::optional<EditorText> problem = pictureProblem(file)) {
            refused.append({file, filled(editorText(*problem, m_language), QFileInfo(file).fileName())});
            continue;
        }
        EditorPage page;
        page.kind = EditorPageKind::Picture;
        page.file.source = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
        // Icons and metafiles are shown as they are; anything else is made fit.
        const PictureType type = pictureTypeOf(file);
        if (type != PictureType::Icon && type != PictureType::Wmf && type != PictureType::Emf)
            m_prepared->prepare(page.file.source);
        pages.append(withNewId(page));
    }
    const qsizetype room = MaxPages - m_pages.size();
    if (pages.size() > room) {
        for (qsizetype i = std::max<qsizetype>(room, 0); i < pages.size(); ++i)
            refused.append({pages[i].file.source, editorText(EditorText::TooManyPages, m_language)});
        pages.resize(std::max<qsizetype>(room, 0));
    }
    if (!pages.isEmpty())
        push(new InsertPagesCommand(*this, std::clamp(at, 0, int(m_pages.size())), pages,
                                    editorText(EditorText::AddPictures, m_language)));
    return refused;
}

void BookEditorModel::addTextPage(int at)
{
    if (m_pages.size() >= MaxPages)
        return;
    EditorPage page;
    page.kind = EditorPageKind::Text;
    push(new InsertPagesCommand(*this, std::clamp(at, 0, int(m_pages.size())), {withNewId(page)},
                                editorText(EditorText::AddTextPage, m_language)));
}

bool BookEditorModel::movePage(int from, int to)
{
    if (from < 0 || from >= m_pages.size() || to < 0 || to >= m_pages.size() || from == to)
        return false;
    push(new MovePageCommand(*this, from, to, editorText(EditorText::MoveDown, m_language)));
    return true;
}

void BookEditorModel::duplicatePage(int row)
{
    if (row < 0 || row >= m_pages.size() || m_pages.size() >= MaxPages)
        return;
    push(new InsertPagesCommand(*this, row + 1, {withNewId(m_pages[row])}, editorText(EditorText::Duplicate, m_language)));
}

void BookEditorModel::removePage(int row)
{
    if (row < 0 || row >= m_pages.size())
        return;
    push(new RemovePageCommand(*this, row, editorText(EditorText::Delete, m_language)));
}

void BookEditorModel::setPageText(int row, const QString& text)
{
    if (row < 0 || row >= m_pages.size() || m_pages[row].kind == EditorPageKind::RichText)
        return;
    EditorPage after = m_pages[row];
    if (after.kind == EditorPageKind::Picture && after.narration != Narration::Text) {
        after.narration = Narration::Text;
        after.companion = {};
        after.textOnDisk.clear();
    }
    if (after.text == text && after == m_pages[row])
        return;
    after.text = text;
    push(new ChangePageCommand(*this, m_pages[row], after, true, editorText(EditorText::PageText, m_language)));
}

void BookEditorModel::setNarration(int row, Narration narration)
{
    if (row < 0 || row >= m_pages.size() || m_pages[row].kind != EditorPageKind::Picture
        || m_pages[row].narration == narration || narration == Narration::Sound || narration == Narration::RichText)
        return;
    EditorPage after = m_pages[row];
    after.narration = narration;
    after.companion = {};
    after.text.clear();
    after.textOnDisk.clear();
    push(new ChangePageCommand(*this, m_pages[row], after, false,
                               editorText(narration == Narration::Text ? EditorText::NarrationText : EditorText::NarrationNone, m_language)));
}

void BookEditorModel::setSound(int row, const QString& waveFile)
{
    if (row < 0 || row >= m_pages.size() || m_pages[row].kind != EditorPageKind::Picture)
        return;
    EditorPage after = m_pages[row];
    after.narration = Narration::Sound;
    after.companion = {QDir::cleanPath(QFileInfo(waveFile).absoluteFilePath()), {}};
    after.text.clear();
    after.textOnDisk.clear();
    push(new ChangePageCommand(*this, m_pages[row], after, false, editorText(EditorText::NarrationSound, m_language)));
}

std::optional<QString> BookEditorModel::importSound(int row, const QString& file)
{
    const std::optional<DecodedSound> sound = QFileInfo(file).isFile() ? decodeSoundFile(file) : std::nullopt;
    const QByteArray wave = sound ? authoring::waveFileBytes(*sound) : QByteArray();
    if (wave.isEmpty())
        return filled(editorText(EditorText::SoundUndecodable, m_language), QFileInfo(file).fileName());
    // A folder of its own, so that the sound keeps its own name in the book.
    const QString folder = QDir(m_work.path()).filePath(QStringLiteral("sons/%1").arg(m_nextId++));
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(authoring::PageNames(folder).claim(QFileInfo(file).completeBaseName(), QStringLiteral(".wav")));
    if (!writeFileAtomically(target, wave))
        return filled(editorText(EditorText::WriteFailed, m_language), target);
    setSound(row, target);
    return std::nullopt;
}

QList<UnwritableCharacter> BookEditorModel::unwritable(int row) const
{
    if (row < 0 || row >= m_pages.size() || !m_pages[row].hasText())
        return {};
    return unwritableCharacters(m_pages[row].text);
}

QString BookEditorModel::unwritableReason(const UnwritableCharacter& character) const
{
    const QString shown = character.codePoint == 0 ? QString() : QString::fromUcs4(&character.codePoint, 1);
    const QString nearest = authoring::toWindowsText(shown).text;
    return authoring::withValues(editorText(EditorText::UnwritableCharacter, m_language),
        {shown, QStringLiteral("U+") + QStringLiteral("%1").arg(uint(character.codePoint), 4, 16, QLatin1Char('0')).toUpper(),
         nearest.isEmpty() ? QStringLiteral("-") : nearest});
}

std::optional<SaveOutcome> BookEditorModel::textRefusal() const
{
    SaveOutcome unwritableFound;
    for (int row = 0; row < m_pages.size(); ++row)
        for (const UnwritableCharacter& character : unwritable(row))
            unwritableFound.findings.append({row, true, unwritableReason(character)});
    if (unwritableFound.findings.isEmpty())
        return std::nullopt;
    unwritableFound.status = SaveStatus::Refused;
    return unwritableFound;
}

SaveOutcome BookEditorModel::save(const SaveTarget& target)
{
    if (std::optional<SaveOutcome> refused = textRefusal())
        return *refused;
    SaveTarget withLanguage = target;
    withLanguage.language = m_language;
    m_prepared->waitForAll();
    SaveOutcome outcome = saveBook(m_pages, withLanguage, m_prepared->made(), m_prepared->verified(), m_memory);
    if (outcome.status == SaveStatus::Saved)
        m_undo.setClean();
    return outcome;
}

bool BookEditorModel::startSave(const SaveTarget& target)
{
    if (m_saving)
        return false;
    if (std::optional<SaveOutcome> refused = textRefusal()) {
        QMetaObject::invokeMethod(this, [this, outcome = *refused] { emit saveFinished(outcome); }, Qt::QueuedConnection);
        return true;
    }
    SaveTarget withLanguage = target;
    withLanguage.language = m_language;
    struct Result {
        SaveOutcome outcome;
        SaveMemory memory; // taken back only when the book was saved
    };
    auto result = std::make_shared<Result>(Result{{}, m_memory});
    m_saving.reset(QThread::create([this, result, withLanguage, pages = m_pages, prepared = m_prepared.get()] {
        prepared->waitForAll();
        const auto progress = [this](int done, int total) {
            QMetaObject::invokeMethod(this, [this, done, total] { emit saveProgress(done, total); }, Qt::QueuedConnection);
        };
        result->outcome = saveBook(pages, withLanguage, prepared->made(), prepared->verified(), result->memory, progress);
    }));
    connect(m_saving.get(), &QThread::finished, this, [this, result] {
        m_saving.release()->deleteLater();
        if (result->outcome.status == SaveStatus::Saved) {
            m_memory = std::move(result->memory);
            m_undo.setClean();
        }
        emit saveFinished(result->outcome);
    });
    m_saving->start();
    return true;
}

QString BookEditorModel::outcomeMessage(const SaveOutcome& outcome, const QString& bookPath) const
{
    switch (outcome.status) {
    case SaveStatus::Saved:
        return {};
    case SaveStatus::NeedsConfirmation:
        return filled(editorText(EditorText::ConfirmReplace, m_language), bookPath);
    case SaveStatus::NotABook:
        return filled(editorText(EditorText::NotABook, m_language), outcome.failedPath);
    case SaveStatus::NoPages:
        return editorText(EditorText::NoPages, m_language);
    case SaveStatus::TooManyPages:
        return editorText(EditorText::TooManyPages, m_language);
    case SaveStatus::Refused:
        return editorText(EditorText::Refused, m_language);
    case SaveStatus::SourceUnreadable:
        return filled(editorText(EditorText::SourceUnreadable, m_language), outcome.failedPath);
    case SaveStatus::FolderNotWritable:
        return filled(editorText(EditorText::FolderNotWritable, m_language), outcome.failedPath);
    case SaveStatus::WriteFailed:
        return filled(editorText(EditorText::WriteFailed, m_language), outcome.failedPath);
    }
    return {};
}

EditorPage BookEditorModel::pageAsSaved(int row) const
{
    EditorPage page = m_pages.at(row);
    if (page.kind == EditorPageKind::Picture)
        page.file.source = m_prepared->fileFor(page.file.source);
    return page;
}

void BookEditorModel::insertPagesNow(int at, const QList<EditorPage>& pages)
{
    beginInsertRows({}, at, at + int(pages.size()) - 1);
    for (qsizetype i = 0; i < pages.size(); ++i)
        m_pages.insert(at + i, pages[i]);
    endInsertRows();
    positionsChanged();
}

void BookEditorModel::removePagesNow(int at, int count)
{
    beginRemoveRows({}, at, at + count - 1);
    m_pages.remove(at, count);
    endRemoveRows();
    positionsChanged();
}

void BookEditorModel::movePageNow(int from, int to)
{
    // Qt counts the destination before the move: moving down lands one further.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    m_pages.move(from, to);
    endMoveRows();
    positionsChanged();
}

void BookEditorModel::replacePageNow(int row, const EditorPage& page)
{
    if (row < 0)
        return;
    m_pages[row] = page;
    emit dataChanged(index(row), index(row));
}

void BookEditorModel::push(QUndoCommand* command)
{
    command->setText(command->text().remove(u'&').remove(QStringLiteral("...")));
    m_undo.push(command);
}

EditorPage BookEditorModel::withNewId(EditorPage page)
{
    page.id = m_nextId++;
    return page;
}

void BookEditorModel::positionsChanged()
{
    if (!m_pages.isEmpty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::AccessibleTextRole, Qt::ToolTipRole, PositionRole, Qt::DisplayRole});
}

} // namespace tirvelo::editor
