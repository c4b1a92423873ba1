#include "ui/StartupAssociation.h"

#include "desktop/AssociationCheck.h"
#include "desktop/FreedesktopAssociation.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/FormPrincipal.h"
#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QPointer>
#include <memory>

namespace tirvelo {

void checkBookAssociationAtStartup()
{
    FreedesktopAssociation store;
    // A registration that fails is not told: the program starts as usual and
    // the check runs again at the next start without parameters.
    runAssociationCheck(store, BookExtension.toString(), QCoreApplication::applicationFilePath(), [] {
        return askYesNo(nullptr, kAssociationQuestionText.toString(), kAssociationQuestionCaption.toString());
    });
}

namespace {
std::unique_ptr<TFormNivellEntradaDAudio>& levelDialog()
{
    static std::unique_ptr<TFormNivellEntradaDAudio> dialog;
    return dialog;
}
// The window the dialog was wired to, to unwire it again.
QPointer<TFormPrincipal>& wiredWindow()
{
    static QPointer<TFormPrincipal> window;
    return window;
}
} // namespace

void attachLevelDialog(TFormPrincipal& mainWindow)
{
    levelDialog() = std::make_unique<TFormNivellEntradaDAudio>();
    TFormNivellEntradaDAudio* dialog = levelDialog().get();
    // Only the main window's closing ends the program: the level dialog may
    // still be open then, and must not keep the program running.
    dialog->setAttribute(Qt::WA_QuitOnClose, false);
    wiredWindow() = &mainWindow;
    mainWindow.setLevelDialog(dialog);
    mainWindow.setLanguageListener([dialog](const Captions& captions) {
        dialog->setCaptions(captions.LevelDialogTitle, captions.BitBtn1, captions.BitBtn2);
    });
}

void detachLevelDialog()
{
    if (!levelDialog())
        return;
    // It goes with the main window, though its destruction takes a second:
    // that closes the capture, waits for the returned buffers and frees them.
    levelDialog()->hide();
    levelDialog().reset();
    if (TFormPrincipal* window = wiredWindow()) {
        window->setLevelDialog(nullptr);
        window->setLanguageListener({});
    }
    wiredWindow() = nullptr;
}

} // namespace tirvelo
