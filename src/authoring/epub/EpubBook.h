#pragma once
// What an EPUB's pages will be, read from its archive before anything is
// written: the reading order with covers, navigation and empty items left
// out, each page's picture, narration clips and text.
#include "authoring/epub/EpubArchive.h"
#include "authoring/epub/EpubImport.h"
#include "authoring/epub/MediaOverlay.h"

#include <QList>
#include <QString>

namespace tirvelo::authoring {

struct PlannedPage {
    QString item;             // the XHTML entry
    QString picture;          // empty: a text page
    QList<AudioClip> clips;   // the narration, in order
    QString text;
};

struct EpubBookPlan {
    ImportError error = ImportError::None;
    QString subject;
    QString detail;
    QString title;
    QList<PlannedPage> pages; // at most MaxPages
    int pagesFound = 0;       // before the cut at MaxPages
    QStringList textPagesWithSound;
};

// The import's error for a fault of the archive.
ImportError importErrorFor(ArchiveFault fault);

// Reads the container, the package, every page and media overlay. Pictures
// and sounds are only looked for here, decoded when written.
EpubBookPlan planEpubBook(EpubArchive& archive);

} // namespace tirvelo::authoring
