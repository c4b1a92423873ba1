// The editor's model without a window: every operation and its undo, opening
// a book through the reader's loader, typed text checked against the code
// page, sounds imported.
#include "editor/BookEditorModel.h"
#include "audio/DecodedSound.h"
#include "support/BookWriter.h"
#include "support/EpubWriter.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::editor;
using namespace tirvelo::test;

namespace {

QStringList pictureNames(const BookEditorModel& model)
{
    QStringList names;
    for (const EditorPage& page : model.pages())
        names << (page.kind == EditorPageKind::Text ? QStringLiteral("text:") + page.text : QFileInfo(page.file.source).fileName());
    return names;
}

struct ModelWithPictures {
    QTemporaryDir dir;
    BookEditorModel model;
    ModelWithPictures()
    {
        QStringList files;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            files << writeBmp(dir.filePath(name), 8, 8);
        EXPECT_TRUE(model.addPictures(files, 0).isEmpty());
    }
};

} // namespace

TEST(EditorModel, EveryOperationUndoesAndRedoes)
{
    ModelWithPictures m;
    BookEditorModel& model = m.model;
    ASSERT_EQ(pictureNames(model), QStringList({"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(model.undoStack().count(), 1) << "several pictures at once are one step";

    EXPECT_TRUE(model.movePage(0, 2));
    EXPECT_EQ(pictureNames(model), QStringList({"b.bmp", "c.bmp", "a.bmp"}));
    EXPECT_TRUE(model.movePage(2, 0));
    EXPECT_FALSE(model.movePage(0, 3)) << "beyond the last page";
    model.duplicatePage(1);
    EXPECT_EQ(pictureNames(model), QStringList({"a.bmp", "b.bmp", "b.bmp", "c.bmp"}));
    EXPECT_NE(model.page(1).id, model.page(2).id) << "a duplicate is a page of its own";
    model.removePage(0);
    model.addTextPage(3);
    model.setPageText(3, QStringLiteral("Hola"));
    model.setPageText(3, QStringLiteral("Hola, món"));
    EXPECT_EQ(pictureNames(model), QStringList({"b.bmp", "b.bmp", "c.bmp", "text:Hola, món"}));

    const QList<QStringList> expected = {
        {"b.bmp", "b.bmp", "c.bmp", "text:"},          // typing is one step
        {"b.bmp", "b.bmp", "c.bmp"},                   // the text page
        {"a.bmp", "b.bmp", "b.bmp", "c.bmp"},          // the deletion
        {"a.bmp", "b.bmp", "c.bmp"},                   // the duplicate
        {"b.bmp", "c.bmp", "a.bmp"},                   // the move back
        {"a.bmp", "b.bmp", "c.bmp"},                   // the move
        {},                                            // the pictures
    };
    for (const QStringList& names : expected) {
        model.undoStack().undo();
        EXPECT_EQ(pictureNames(model), names);
    }
    while (model.undoStack().canRedo())
        model.undoStack().redo();
    EXPECT_EQ(pictureNames(model), QStringList({"b.bmp", "b.bmp", "c.bmp", "text:Hola, món"}));
}

TEST(EditorModel, NarrationOfAPicture)
{
    ModelWithPictures m;
    BookEditorModel& model = m.model;
    model.setPageText(0, QStringLiteral("Un gat"));
    EXPECT_EQ(model.page(0).narration, Narration::Text);
    const QString wave = writeWav(m.dir.filePath("so.wav"));
    model.setSound(0, wave);
    EXPECT_EQ(model.page(0).narration, Narration::Sound);
    EXPECT_TRUE(model.page(0).text.isEmpty());
    model.undoStack().undo();
    EXPECT_EQ(model.page(0).narration, Narration::Text);
    EXPECT_EQ(model.page(0).text, QStringLiteral("Un gat"));
    model.setNarration(0, Narration::None);
    EXPECT_EQ(model.page(0).narration, Narration::None);
    EXPECT_EQ(model.data(model.index(1), BookEditorModel::PositionRole).toString(), QStringLiteral(u"pàgina 2 de 3"));
    model.setLanguage(InterfaceLanguage::Spanish);
    EXPECT_EQ(model.data(model.index(1), BookEditorModel::PositionRole).toString(), QStringLiteral(u"página 2 de 3"));
}

TEST(EditorModel, PicturesTheReaderCannotShowAreRefusedWithTheirReason)
{
    QTemporaryDir dir;
    BookEditorModel model;
    const QString good = writeBmp(dir.filePath("bo.bmp"), 4, 4);
    const QString garbage = writeFile(dir.filePath("trencada.jpg"), "not a picture at all");
    const QString missing = dir.filePath("no-hi-es.bmp");
    const QString folder = dir.filePath("carpeta.bmp");
    QDir().mkpath(folder);
    const QList<AddRefusal> refused = model.addPictures({garbage, good, missing, folder}, 0);
    ASSERT_EQ(refused.size(), 3);
    EXPECT_EQ(refused[0].message, QStringLiteral(u"No es pot llegir la imatge «trencada.jpg»."));
    EXPECT_EQ(refused[1].file, missing);
    EXPECT_EQ(refused[2].file, folder);
    EXPECT_EQ(model.rowCount(), 1) << "the good one is added all the same";
}

TEST(EditorModel, TypedTextIsCheckedAgainstTheCodePage)
{
    ModelWithPictures m;
    BookEditorModel& model = m.model;
    model.addTextPage(0);
    model.setPageText(0, QStringLiteral(u"Cafè € ŵ 😀 ok"));
    const QList<UnwritableCharacter> found = model.unwritable(0);
    ASSERT_EQ(found.size(), 2) << "è and € are in the code page; ŵ and the emoji are not";
    EXPECT_EQ(found[0], (UnwritableCharacter{7, 1, U'ŵ'}));
    EXPECT_EQ(found[1], (UnwritableCharacter{9, 2, U'😀'}));
    EXPECT_EQ(model.unwritableReason(found[0]), QStringLiteral(u"«ŵ» (U+0175) no es pot desar: els llibres es desen en Windows-1252; el més semblant és «w»"));
    EXPECT_EQ(unwritableCharacters(QStringLiteral(u"a\u0081b")).size(), 1) << "a byte the code page leaves undefined";

    guiApplication();
    QTemporaryDir out;
    const SaveOutcome outcome = model.save({out.filePath("Llibre.Lumbrix")});
    EXPECT_EQ(outcome.status, SaveStatus::Refused) << "a save never loses a letter";
    ASSERT_EQ(outcome.findings.size(), 2);
    EXPECT_EQ(outcome.findings[0].page, 0);
    EXPECT_FALSE(QFile::exists(out.filePath("Llibre.Lumbrix")));
}

TEST(EditorModel, OpensABookThroughTheReadersLoader)
{
    QTemporaryDir dir;
    writeBmp(dir.filePath("Imatges/foto.bmp"), 4, 4);
    writeWav(dir.filePath("Imatges/so.wav"));
    writeFile(dir.filePath("Imatges/conte.txt"), "Hi havia\r\nuna vegada");
    writeFile(dir.filePath("Imatges/poema.rtf"), "{\\rtf1 poema}");
    writeFile(dir.filePath("Llibre.Lumbrix"),
              bookBytes(4, "Imatges\\", {"FOTO.bmp#Imatges\\so.wav", "conte.txt", "poema.rtf", "foto.bmp#Imatges\\conte.txt"}));
    BookEditorModel model;
    ASSERT_EQ(model.openBook(dir.filePath("Llibre.Lumbrix")), QString());
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.page(0).file.source, dir.filePath("Imatges/foto.bmp")) << "found ignoring letter case, as the reader does";
    EXPECT_EQ(model.page(0).file.bookName, QStringLiteral("FOTO.bmp"));
    EXPECT_EQ(model.page(0).narration, Narration::Sound);
    EXPECT_EQ(model.page(1).kind, EditorPageKind::Text);
    EXPECT_EQ(model.page(1).text, QStringLiteral("Hi havia\nuna vegada"));
    EXPECT_EQ(model.page(2).kind, EditorPageKind::RichText);
    EXPECT_EQ(model.page(3).narration, Narration::Text);
    EXPECT_FALSE(model.isModified());

    writeFile(dir.filePath("Dolent.Lumbrix"), "{Quirna 2000 - Tirvelo}\r\n{Numero de planes}\r\n1\r\n");
    EXPECT_EQ(model.openBook(dir.filePath("Dolent.Lumbrix")),
              QStringLiteral(u"Error de construcció del fitxer. La segona línia ha de dir: {Número de planes}"));
    EXPECT_EQ(model.rowCount(), 4) << "a refused book leaves the pages as they were";
}

TEST(EditorModel, ImportsSoundsAsWaveFiles)
{
    ModelWithPictures m;
    BookEditorModel& model = m.model;
    ASSERT_FALSE(model.importSound(0, testDataPath("audio/tone-u8-11025.wav")));
    const EditorPage& page = model.page(0);
    EXPECT_EQ(page.narration, Narration::Sound);
    EXPECT_TRUE(page.companion.source.startsWith(model.workFolder()));
    EXPECT_TRUE(page.companion.source.endsWith(QStringLiteral(".wav")));

    ASSERT_FALSE(model.importSound(2, writeFile(m.dir.filePath("veu.mp3"), mp3Tone(400))));
    EXPECT_TRUE(waveFileDecodes(model.page(2).companion.source)) << "an MP3 becomes a wave the reader plays";
    EXPECT_EQ(QFileInfo(model.page(2).companion.source).fileName(), QStringLiteral("veu.wav"));

    const QString noise = writeFile(m.dir.filePath("soroll.mp3"), QByteArray(4000, '\x55'));
    EXPECT_EQ(model.importSound(1, noise), QStringLiteral(u"No es pot descodificar el so «soroll.mp3»."));
    EXPECT_EQ(model.page(1).narration, Narration::None);
}
