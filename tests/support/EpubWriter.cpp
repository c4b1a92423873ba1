#include "support/EpubWriter.h"

#include "authoring/PageSound.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <sndfile.h>
#include <zip.h>

#include <cmath>
#include <cstring>

namespace tirvelo::test {
namespace {

const QByteArray kContainer =
    "<?xml version=\"1.0\"?>\n<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
    "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n";

QByteArray xhtmlPage(const QByteArray& title, const QByteArray& body, bool epub3)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         + QByteArray(epub3 ? "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
                            : "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
                              "<html xmlns=\"http://www.w3.org/1999/xhtml\">")
         + "<head><title>" + title + "</title></head><body>" + body + "</body></html>\n";
}

QByteArray ncx(const QList<QByteArray>& pages)
{
    QByteArray points;
    for (qsizetype i = 0; i < pages.size(); ++i)
        points += "<navPoint id=\"n" + QByteArray::number(i) + "\" playOrder=\"" + QByteArray::number(i + 1)
                + "\"><navLabel><text>" + pages[i] + "</text></navLabel><content src=\"" + pages[i] + "\"/></navPoint>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">"
           "<head><meta name=\"dtb:uid\" content=\"urn:uuid:4f1b8a7e-1f6e-4b55-9a53-0f3b6c2f0b11\"/></head>"
           "<docTitle><text>Book</text></docTitle><navMap>" + points + "</navMap></ncx>\n";
}

QByteArray navPage(const QList<QByteArray>& pages)
{
    QByteArray items;
    for (const QByteArray& page : pages)
        items += "<li><a href=\"" + page + "\">" + page + "</a></li>";
    return xhtmlPage("Index", "<nav epub:type=\"toc\" id=\"toc\"><h1>Index</h1><ol>" + items + "</ol></nav>", true);
}

QByteArray clock(double seconds)
{
    return QByteArray::number(seconds, 'f', 3) + "s";
}

} // namespace

QString writeZip(const QString& path, const QList<ZipEntry>& entries)
{
    QFile::remove(path);
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return {};
    for (const ZipEntry& entry : entries) {
        // libzip copies nothing: the buffer must live until the archive is closed,
        // and it is freed by libzip. An empty entry gets no buffer at all: libzip
        // drops an empty one without freeing it.
        char* copy = nullptr;
        if (!entry.bytes.isEmpty()) {
            copy = static_cast<char*>(malloc(size_t(entry.bytes.size())));
            std::memcpy(copy, entry.bytes.constData(), size_t(entry.bytes.size()));
        }
        zip_source_t* source = zip_source_buffer(archive, copy, zip_uint64_t(entry.bytes.size()), copy ? 1 : 0);
        const zip_int64_t index = zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            continue;
        }
        if (entry.name == u"mimetype")
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
        if (entry.link)
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, (0120777u) << 16);
    }
    zip_close(archive);
    return path;
}

QByteArray mp3Tone(int milliseconds, int sampleRate)
{
    DecodedSound tone;
    tone.channels = 1;
    tone.sampleRate = sampleRate;
    tone.samples.resize(size_t(sampleRate) * size_t(milliseconds) / 1000);
    for (size_t i = 0; i < tone.samples.size(); ++i)
        tone.samples[i] = 0.5f * float(std::sin(2 * M_PI * 440.0 * double(i) / sampleRate));
    return authoring::soundFileBytes(tone, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
}

QByteArray photoPicture(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, (x * y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QList<ZipEntry> epub2WithMp3(int pages, QSize picture, int firstSoundMs)
{
    QByteArray manifest = "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>"
                          "<item id=\"cover\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>"
                          "<item id=\"cover-jpg\" href=\"images/cover.jpg\" media-type=\"image/jpeg\"/>";
    QByteArray spine = "<itemref idref=\"cover\"/>";
    QList<ZipEntry> files = {
        {"OEBPS/cover.xhtml", xhtmlPage("Cover", "<div><img src=\"images/cover.jpg\" alt=\"cover\"/></div>", false)},
        {"OEBPS/images/cover.jpg", photoPicture(120, 90, "jpeg")},
    };
    QList<QByteArray> pageNames = {"cover.xhtml"};
    for (int i = 1; i <= pages; ++i) {
        const QByteArray n = QByteArray::number(i);
        manifest += "<item id=\"p" + n + "\" href=\"p" + n + ".xhtml\" media-type=\"application/xhtml+xml\"/>"
                    "<item id=\"i" + n + "\" href=\"images/p" + n + ".png\" media-type=\"image/png\"/>"
                    "<item id=\"a" + n + "\" href=\"audio/p" + n + ".mp3\" media-type=\"audio/mpeg\"/>";
        spine += "<itemref idref=\"p" + n + "\"/>";
        files << ZipEntry{"OEBPS/p" + n + ".xhtml",
                          xhtmlPage("Page " + n, "<div><img src=\"images/p" + n + ".png\" alt=\"\"/></div><p>The cat sat on page " + n + ".</p>", false)}
              << ZipEntry{"OEBPS/images/p" + n + ".png", photoPicture(picture.width(), picture.height(), "png")}
              << ZipEntry{"OEBPS/audio/p" + n + ".mp3", mp3Tone(firstSoundMs + 100 * (i - 1))};
        pageNames << "p" + n + ".xhtml";
    }
    const QByteArray opf =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\" unique-identifier=\"uid\">"
        "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:opf=\"http://www.idpf.org/2007/opf\">"
        "<dc:title>The Cat</dc:title><dc:language>en</dc:language>"
        "<dc:identifier id=\"uid\">urn:uuid:4f1b8a7e-1f6e-4b55-9a53-0f3b6c2f0b11</dc:identifier><meta name=\"cover\" content=\"cover-jpg\"/></metadata>"
        "<manifest>" + manifest + "</manifest><spine toc=\"ncx\">" + spine + "</spine>"
        "<guide><reference type=\"cover\" title=\"Cover\" href=\"cover.xhtml\"/></guide></package>\n";
    QList<ZipEntry> entries = {{"mimetype", "application/epub+zip"}, {"META-INF/container.xml", kContainer},
                               {"OEBPS/content.opf", opf}, {"OEBPS/toc.ncx", ncx(pageNames)}};
    return entries + files;
}

namespace {

QByteArray epub3Package(const QByteArray& title, const QByteArray& manifest, const QByteArray& spine, const QByteArray& metadata = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"uid\">"
           "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" + title + "</dc:title><dc:language>ca</dc:language>"
           "<dc:identifier id=\"uid\">urn:uuid:0d5c1c36-7d8a-4d0e-9c8e-2b9b2f6f5a21</dc:identifier>"
           "<meta property=\"dcterms:modified\">2026-01-01T00:00:00Z</meta>" + metadata + "</metadata>"
           "<manifest><item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>" + manifest +
           "</manifest><spine>" + spine + "</spine></package>\n";
}

} // namespace

QList<ZipEntry> epub3WithOverlays(int pages, QSize picture, double sentenceSeconds)
{
    // One MP3 holds every page's narration, two sentences a page.
    QByteArray manifest = "<item id=\"cover\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>"
                          "<item id=\"cover-image\" href=\"images/cover.png\" media-type=\"image/png\" properties=\"cover-image\"/>"
                          "<item id=\"narration\" href=\"audio/narration.mp3\" media-type=\"audio/mpeg\"/>";
    QByteArray spine = "<itemref idref=\"cover\"/><itemref idref=\"nav\"/>";
    QByteArray metadata;
    QList<ZipEntry> files = {
        {"OEBPS/cover.xhtml", xhtmlPage("Cover", "<section epub:type=\"cover\"><img src=\"images/cover.png\" alt=\"cover\"/></section>", true)},
        {"OEBPS/images/cover.png", photoPicture(100, 100, "png")},
        {"OEBPS/audio/narration.mp3", mp3Tone(int(1000 * sentenceSeconds * 2 * pages))},
    };
    QList<QByteArray> pageNames;
    for (int i = 1; i <= pages; ++i) {
        const QByteArray n = QByteArray::number(i);
        manifest += "<item id=\"p" + n + "\" href=\"p" + n + ".xhtml\" media-type=\"application/xhtml+xml\" media-overlay=\"s" + n + "\"/>"
                    "<item id=\"i" + n + "\" href=\"images/p" + n + ".jpg\" media-type=\"image/jpeg\"/>"
                    "<item id=\"s" + n + "\" href=\"p" + n + ".smil\" media-type=\"application/smil+xml\"/>";
        metadata += "<meta property=\"media:duration\" refines=\"#s" + n + "\">" + clock(2 * sentenceSeconds) + "</meta>";
        spine += "<itemref idref=\"p" + n + "\"/>";
        const double start = 2 * sentenceSeconds * (i - 1);
        files << ZipEntry{"OEBPS/p" + n + ".xhtml",
                          xhtmlPage("Page " + n, "<div><img src=\"images/p" + n + ".jpg\" alt=\"\"/></div>"
                                    "<p id=\"t\"><span id=\"a\">La gata és aquí.</span> <span id=\"b\">Pàgina " + n + ".</span></p>", true)}
              << ZipEntry{"OEBPS/images/p" + n + ".jpg", photoPicture(picture.width(), picture.height(), "jpeg")}
              << ZipEntry{"OEBPS/p" + n + ".smil",
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<smil xmlns=\"http://www.w3.org/ns/SMIL\" xmlns:epub=\"http://www.idpf.org/2007/ops\" version=\"3.0\">"
                          "<body><seq id=\"q\" epub:textref=\"p" + n + ".xhtml#t\">"
                          "<par id=\"c1\"><text src=\"p" + n + ".xhtml#a\"/><audio src=\"audio/narration.mp3\" clipBegin=\"" + clock(start) + "\" clipEnd=\"" + clock(start + sentenceSeconds) + "\"/></par>"
                          "<par id=\"c2\"><text src=\"p" + n + ".xhtml#b\"/><audio src=\"audio/narration.mp3\" clipBegin=\"" + clock(start + sentenceSeconds) + "\" clipEnd=\"" + clock(start + 2 * sentenceSeconds) + "\"/></par>"
                          "</seq></body></smil>\n"};
        pageNames << "p" + n + ".xhtml";
    }
    manifest += "<item id=\"sound\" href=\"sound.xhtml\" media-type=\"application/xhtml+xml\"/>"
                "<item id=\"sound-image\" href=\"images/sound.png\" media-type=\"image/png\"/>"
                "<item id=\"sound-mp3\" href=\"audio/sound.mp3\" media-type=\"audio/mpeg\"/>"
                "<item id=\"text\" href=\"text.xhtml\" media-type=\"application/xhtml+xml\"/>"
                "<item id=\"empty\" href=\"empty.xhtml\" media-type=\"application/xhtml+xml\"/>";
    metadata += "<meta property=\"media:duration\">" + clock(2 * sentenceSeconds * pages) + "</meta>";
    spine += "<itemref idref=\"sound\"/><itemref idref=\"text\"/><itemref idref=\"empty\"/>";
    files << ZipEntry{"OEBPS/sound.xhtml", xhtmlPage("Sound", "<img src=\"images/sound.png\" alt=\"\"/><audio src=\"audio/sound.mp3\" controls=\"controls\"/><p>Miau.</p>", true)}
          << ZipEntry{"OEBPS/images/sound.png", photoPicture(64, 64, "png")}
          << ZipEntry{"OEBPS/audio/sound.mp3", mp3Tone(700)}
          << ZipEntry{"OEBPS/text.xhtml", xhtmlPage("Fi", "<h1>Fi</h1><p>“Adéu” — va dir‑li la gata.</p>", true)}
          << ZipEntry{"OEBPS/empty.xhtml", xhtmlPage("Empty", "<div> </div>", true)}
          << ZipEntry{"OEBPS/nav.xhtml", navPage(pageNames)};
    QList<ZipEntry> entries = {{"mimetype", "application/epub+zip"}, {"META-INF/container.xml", kContainer},
                               {"OEBPS/content.opf", epub3Package("La gata ‛Mixa‟", manifest, spine, metadata)}};
    return entries + files;
}

QList<ZipEntry> epub3TextOnly()
{
    const QByteArray manifest = "<item id=\"t1\" href=\"t1.xhtml\" media-type=\"application/xhtml+xml\"/>"
                                "<item id=\"t2\" href=\"t2.xhtml\" media-type=\"application/xhtml+xml\"/>"
                                "<item id=\"pic\" href=\"pic.xhtml\" media-type=\"application/xhtml+xml\"/>"
                                "<item id=\"pic-svg\" href=\"drawing.svg\" media-type=\"image/svg+xml\"/>";
    return {{"mimetype", "application/epub+zip"},
            {"META-INF/container.xml", kContainer},
            {"OEBPS/content.opf", epub3Package("Contes", manifest, "<itemref idref=\"t1\"/><itemref idref=\"t2\"/><itemref idref=\"pic\"/>")},
            {"OEBPS/nav.xhtml", navPage({"t1.xhtml", "t2.xhtml", "pic.xhtml"})},
            {"OEBPS/t1.xhtml", xhtmlPage("U", "<h1>Primer</h1><p>Hi havia una vegada<br/>una gata.</p>", true)},
            {"OEBPS/t2.xhtml", xhtmlPage("Dos", "<p>I ja està.</p>", true)},
            {"OEBPS/pic.xhtml", xhtmlPage("Dibuix", "<img src=\"drawing.svg\" alt=\"\"/>", true)},
            {"OEBPS/drawing.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\"><rect width=\"40\" height=\"30\" fill=\"#00ff00\"/></svg>"}};
}

void replaceEntry(QList<ZipEntry>& entries, const QString& name, const QByteArray& bytes)
{
    for (ZipEntry& entry : entries)
        if (entry.name == name)
            entry.bytes = bytes;
}

} // namespace tirvelo::test
