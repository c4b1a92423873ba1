#pragma once
// What a screen reader gets from the windows beyond Qt's own: the main window
// as a frame named by its title, the picture as an image, and the two
// page-turning buttons as buttons with a Press action whose scan highlight
// reads as focus.
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace tirvelo {

// Installs the accessible interfaces of our own widget classes; call once,
// after the application object exists (calling again changes nothing).
void installAccessibleInterfaces();

// A caption as a screen reader should say it: the "&" that marks the access
// key dropped, "&&" read as one "&".
QString spokenCaption(const QString& caption);

// A one-line edit that holds a whole number from minimum to maximum: a screen
// reader gets its value and range besides its text. Call before the edit is
// first asked for by a screen reader.
void exposeAsNumber(QLineEdit* edit, int minimum, int maximum);

// Besides the keyboard's focus, what a screen reader hears as focused: the
// scan's highlight, or the page number just after it changed (a screen reader
// speaks a change of name only on what has its focus).
// Tells the screen reader that the scan's highlight moved onto `button`.
void announceHighlight(QWidget* button);
// The highlight left `button`: its focused state drops, with an event.
void announceHighlightLeft(QWidget* button);
// A label whose changes are spoken: it takes that focus on announceChange()
// and keeps it until a highlight takes it back. Call before the label is
// first asked for by a screen reader.
void announcesItsChanges(QLabel* label);
void announceChange(QLabel* label);

} // namespace tirvelo
