#include "ui/StartupAssociation.h"

#include "desktop/AssociationCheck.h"
#include "desktop/FreedesktopAssociation.h"
#include "ui/AccessOptionsCaptions.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/FormPrincipal.h"
#include "ui/MessageBoxes.h"

#include <QCoreApplication>

namespace tirvelo {

void checkBookAssociationAtStartup(MessageSink& messages)
{
    FreedesktopAssociation store;
    // A registration that fails is not told: the program starts as usual and
    // the check runs again at the next start without parameters.
    runAssociationCheck(store, BookExtension.toString(), QCoreApplication::applicationFilePath(), [&messages] {
        return messages.askYesNo(nullptr, kAssociationQuestionText.toString(), kAssociationQuestionCaption.toString());
    });
}

AttachedLevelDialog::AttachedLevelDialog(const Services& services, TFormPrincipal& mainWindow)
    : m_dialog(std::make_unique<TFormNivellEntradaDAudio>(services)), m_window(&mainWindow)
{
    TFormNivellEntradaDAudio* dialog = m_dialog.get();
    // Only the main window's closing ends the program: the level dialog may
    // still be open then, and must not keep the program running.
    dialog->setAttribute(Qt::WA_QuitOnClose, false);
    mainWindow.setLevelDialog(dialog);
    mainWindow.setLanguageListener([dialog, &mainWindow](const Captions& captions) {
        dialog->setCaptions(captions.LevelDialogTitle, captions.BitBtn1, captions.BitBtn2, captions.BitBtnCalibra);
        const AccessOptionsCaptions& calibration = accessOptionsCaptionsFor(mainWindow.language());
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
    if (TFormPrincipal* window = m_window) {
        window->setLevelDialog(nullptr);
        window->setLanguageListener({});
    }
}

} // namespace tirvelo
