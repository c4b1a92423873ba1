#pragma once
// What the book tool finds in a book: one finding per problem, each tied to a
// line of the book and to what the program itself does when it meets it.
#include <QList>
#include <QString>

namespace tirvelo::authoring {

enum class FindingCode {
    // The header.
    Line1,
    Line2,
    CountNotANumber,
    CountOutOfRange,
    Line4,
    DirectoryWithoutSeparator,
    Line6,
    MissingPageLines,
    LinesBeyondCount,
    // A page line.
    EmptyPageLine,
    MissingFile,
    DriveLetter,
    FoundIgnoringCase,
    FoundOnlyFromCurrentFolder,
    Unreadable,
    OverCapacity,
    UnknownPictureType,
    TextEndingInCapitals,
    SoundAlone,
    TextWithCompanion,
    PictureDoesNotDecode,
    LongTextName,
    // A companion.
    SoundMissing,
    SoundDoesNotDecode,
    LongSoundName,
    CompanionTextMissing,
    CompanionRichTextUnreadable,
    CompanionIgnored,
};

// What the program does where the finding is: nothing visible, one of its
// messages, the alert sound in place of the page's own sound, or no reading
// aloud (the engine is asked to read a file that is not there).
enum class ProgramEffect { None, Message, Alert, NothingRead };

struct Finding {
    int line = 0; // 1-based line of the book
    FindingCode code = FindingCode::MissingFile;
    QString subject;        // the name or text the finding is about
    QString other;          // a second value: the name found, a count
    ProgramEffect effect = ProgramEffect::None;
    QString programMessage; // the message the program shows (effect Message)

    // An error is something the program itself stumbles on; the rest are warnings.
    bool isError() const { return effect != ProgramEffect::None; }
};

struct BookReport {
    QString book;
    bool readable = false; // false: the file itself could not be read
    int pageCount = 0;     // page lines checked
    QList<Finding> findings;

    qsizetype errorCount() const;
    qsizetype warningCount() const { return findings.size() - errorCount(); }
};

// 0 when the program shows every page of every book without a message or an
// alert and reads every companion text, 1 when a book has errors, 2 when a book
// cannot be read at all.
int exitCodeFor(const QList<BookReport>& reports);

} // namespace tirvelo::authoring
