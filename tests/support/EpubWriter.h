#pragma once
// EPUB files for the import's tests, made here: the ZIP container (libzip),
// the package, pages, media overlays, pictures and MP3 narration (libsndfile).
#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

namespace tirvelo::test {

struct ZipEntry {
    QString name;
    QByteArray bytes;
    bool link = false; // a symbolic link to `bytes`
};

// Writes the entries, in order, as a ZIP file ("mimetype" stored, the rest
// deflated); returns path.
QString writeZip(const QString& path, const QList<ZipEntry>& entries);

// A mono MP3 tone (MPEG layer III) of about the given length.
QByteArray mp3Tone(int milliseconds, int sampleRate = 22050);
// A small picture of the given format ("png", "jpeg") with every pixel its own colour.
QByteArray photoPicture(int width, int height, const char* format);

// EPUB 2 after the picture-book libraries with one sound per page: a cover
// page, then `pages` pages, each a PNG photo, a sentence and p<N>.mp3 (page N's
// lasting N tenths of a second more than the first's).
QList<ZipEntry> epub2WithMp3(int pages, QSize picture = {160, 120}, int firstSoundMs = 500);
// EPUB 3: a cover, a navigation page, `pages` pages narrated by media
// overlays cutting clips from one MP3, then a page with an <audio>, a text
// page and an empty page. The title has characters Windows-1252 lacks.
// Pages show JPEG photos of the given size; each sentence lasts sentenceSeconds.
QList<ZipEntry> epub3WithOverlays(int pages, QSize picture = {200, 150}, double sentenceSeconds = 0.5);
// EPUB 3 of text pages only, and one picture page without sound or text.
QList<ZipEntry> epub3TextOnly();

// The entry's replacement in a book's entries.
void replaceEntry(QList<ZipEntry>& entries, const QString& name, const QByteArray& bytes);

} // namespace tirvelo::test
