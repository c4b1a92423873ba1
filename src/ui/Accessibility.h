#pragma once
// What a screen reader gets from the windows beyond Qt's own: the main window
// as a frame named by its title, the picture as an image, and the two
// page-turning buttons as buttons with a Press action whose scan highlight
// reads as focus.
#include <QString>

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

// Tells the screen reader that the scan's highlight moved onto `button`.
void announceHighlight(QWidget* button);

} // namespace tirvelo
