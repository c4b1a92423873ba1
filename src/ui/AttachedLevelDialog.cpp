#include "ui/AttachedLevelDialog.h"

#include "ui/AccessOptionsCaptions.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/FormPrincipal.h"

namespace tirvelo {

AttachedLevelDialog::AttachedLevelDialog(const Services& services, TFormPrincipal& mainWindow)
    : m_dialog(std::make_unique<TFormNivellEntradaDAudio>(services)), m_window(&mainWindow)
{
    TFormNivellEntradaDAudio* dialog = m_dialog.get();
    // Only the main window's closing ends the program: the level dialog may
    // still be open then, and must not keep the program running.
    dialog->setAttribute(Qt::WA_QuitOnClose, false);
    mainWindow.setLevelDialog(dialog);
    // The dialog's captions follow the language.
    ModeController& modes = mainWindow.modes();
    QObject::connect(&modes, &ModeController::languageChanged, dialog, [dialog](InterfaceLanguage language) {
        const Captions& captions = captionsFor(language);
        dialog->setCaptions(captions.LevelDialogTitle, captions.BitBtn1, captions.BitBtn2, captions.BitBtnCalibra);
        const AccessOptionsCaptions& calibration = accessOptionsCaptionsFor(language);
        dialog->setCalibrationCaptions(calibration.CalibrationCountdown, calibration.RoomTooLoud,
                                       calibration.RoomTooLoudHint);
    });
}

AttachedLevelDialog::~AttachedLevelDialog()
{
    // It goes with the main window, though its destruction takes a second:
    // that closes the capture, waits for the returned buffers and frees them.
    m_dialog->hide();
    m_dialog.reset();
    if (TFormPrincipal* window = m_window)
        window->setLevelDialog(nullptr);
}

} // namespace tirvelo
