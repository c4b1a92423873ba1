#pragma once
// Start-up's link between the main window and the input-level dialog.
#include "modes/Services.h"

#include <QPointer>
#include <memory>

namespace tirvelo {

class TFormNivellEntradaDAudio;
class TFormPrincipal;

// The input-level dialog (second of the three windows), wired to the main
// window while this object lives. Its end hides and destroys the dialog, which
// closes the audio capture and frees its buffers, and unwires the window.
class AttachedLevelDialog {
public:
    AttachedLevelDialog(const Services& services, TFormPrincipal& mainWindow);
    ~AttachedLevelDialog();
    AttachedLevelDialog(const AttachedLevelDialog&) = delete;
    AttachedLevelDialog& operator=(const AttachedLevelDialog&) = delete;

    TFormNivellEntradaDAudio& dialog() const { return *m_dialog; }

private:
    std::unique_ptr<TFormNivellEntradaDAudio> m_dialog;
    // The window the dialog was wired to, to unwire it again.
    QPointer<TFormPrincipal> m_window;
};

} // namespace tirvelo
