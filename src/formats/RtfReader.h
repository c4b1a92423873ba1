#pragma once
// The rich-text box's reader: RTF as WordPad, Word and LibreOffice write it,
// read into a QTextDocument without any widget. Text, bold, italic, underline,
// strike-out, raised and lowered text, font, size, colours, alignment, indents,
// line breaks and tabs are kept; pictures, objects, headers, footers, notes and
// document properties are skipped. Any byte sequence is safe to read: bad RTF
// gives some text, never a crash, a hang or a runaway allocation.
#include <QByteArray>
#include <QString>

class QTextDocument;

namespace tirvelo {

// The largest file the rich-text box loads. Page texts are a few kilobytes; 16 MiB leaves room
// for rich text with embedded pictures while keeping a hostile file from filling the memory.
inline constexpr qint64 kMaxRichTextFileBytes = 16 * 1024 * 1024;

// How much of a page the reader takes in. A paragraph of tens of thousands of
// format changes took half a minute to lay out, and a million paragraphs
// seconds and half a gigabyte, though the box shows a page without scroll
// bars. Past the runs of a paragraph, its text goes on in its last run's
// format; past the paragraphs of a page, the rest is not read. Real pages
// come nowhere near either.
struct RtfLimits {
    int maxRunsPerParagraph = 1000;
    int maxParagraphs = 5000;
};

// True when the bytes are rich text: they start with "{\rtf", optionally after blanks and line breaks.
bool isRtf(QByteArrayView bytes);

// Parses RTF bytes into document (cleared first). Returns false, leaving the document untouched,
// when the bytes are not rich text (see isRtf). 8-bit text is decoded as Windows-1252.
bool readRtf(const QByteArray& bytes, QTextDocument& document, const RtfLimits& limits = {});

// Loads a file as the rich-text box does: as rich text, else again as plain Windows-1252 text
// (CR LF, CR or LF line ends). Returns false, leaving the document untouched, only when the file
// cannot be read at all: missing, not a regular file (directory, FIFO, device: these are never
// opened), no permission, or larger than kMaxRichTextFileBytes.
bool loadRichTextFile(const QString& path, QTextDocument& document);

// The box's plain text: paragraphs and line breaks as CR LF, no trailing line end (what is handed
// to the speech engine). Soft hyphens are left out and non-breaking hyphens become '-'.
QString richTextPlainText(const QTextDocument& document);

} // namespace tirvelo
