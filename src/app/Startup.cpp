#include "app/Startup.h"

#include "book/CommandLine.h"
#include "app/EditorLauncher.h"
#include "desktop/DesktopSession.h"
#include "app/ProgramServices.h"
#include "book/BookLoader.h"
#include "ui/AboutBox.h"
#include "ui/Accessibility.h"
#include "ui/AppIcon.h"
#include "ui/FormPrincipal.h"
#include "ui/MessageBoxes.h"
#include "ui/AttachedLevelDialog.h"
#include "ui/StartupAssociation.h"

#include <QApplication>
#include <QLabel>
#include <exception>
#include <optional>

namespace tirvelo {
namespace {

// The general error report for the failure being handled, whatever its kind.
void reportCurrentFailure(MessageSink& messages, QWidget* owner)
{
    try {
        throw;
    } catch (const ConversionError& error) {
        messages.errorReport(owner, error.text());
    } catch (const std::exception& error) {
        messages.errorReport(owner, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        messages.errorReport(owner, QStringLiteral("Unknown exception"));
    }
}

// A failure that no guard caught while an event was handled ends that event
// with the general error report; the program goes on.
class TirveloApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            reportCurrentFailure(m_messages, activeWindow());
        }
        return false;
    }

private:
    MessageBoxSink m_messages;
};

constexpr int kSplashMilliseconds = 2000;

} // namespace

int runTirvelo(int& argc, char** argv)
{
    // On a Wayland session the native platform first, unless the user chose
    // one; asked through the variable Qt reads, which is put back at once so
    // that the programs started from here do not inherit it. A "-platform"
    // argument still wins.
    const bool nativeWayland = prefersNativeWayland(qEnvironmentVariable("QT_QPA_PLATFORM"),
                                                    qEnvironmentVariable("WAYLAND_DISPLAY"),
                                                    qEnvironmentVariable("XDG_SESSION_TYPE"));
    if (nativeWayland)
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    TirveloApplication app(argc, argv);
    if (nativeWayland)
        qunsetenv("QT_QPA_PLATFORM");
    return runStartupSequence(app, app.arguments().mid(1));
}

int runStartupSequence(QApplication& app, const QStringList& parameters)
{
    ProgramServices services;
    return runStartupSequence(app, parameters, services);
}

int runStartupSequence(QApplication& app, const QStringList& parameters, ProgramServices& owned)
{
    app.setApplicationName(applicationTitle());
    app.setWindowIcon(applicationIcon());
    app.setQuitOnLastWindowClosed(false);
    installAccessibleInterfaces();

    const Services services = owned.bundle();

    // The speech engine and its entry points.
    SpeechEngine& engine = services.speech;
    if (engine.load())
        engine.bindEntryPoints();

    const QString commandLineText = joinParametersForEmptinessTest(parameters);
    if (commandLineText.isEmpty())
        checkBookAssociationAtStartup(services.messages);

    // The three windows; none is shown yet. The main window's creation runs now.
    TFormPrincipal mainWindow(services);
    std::optional<AttachedLevelDialog> levelDialog(std::in_place, services, mainWindow);
    TAboutBox aboutBox(services);
    mainWindow.setAboutBox(&aboutBox);
    // Made after the main window, so gone before it.
    EditorLauncher editors(services, mainWindow);

    ModeController& modes = mainWindow.modes();
    if (!engine.isAvailable()) {
        aboutBox.ProductName->setText(QStringLiteral(u"Tirvelo per escaneig d'un teclat. Sense lectura"));
        modes.applyNoSpeech();
    }
    modes.applyStoredLanguage();
    modes.setInterfaceReady(true);

    aboutBox.showAsSplash(kSplashMilliseconds);

    const QString bookFileName = bookFileNameToLoad(parameters);
    QObject::connect(&mainWindow, &QObject::destroyed, &app, &QApplication::quit);
    mainWindow.setAttribute(Qt::WA_QuitOnClose, true);
    app.setQuitOnLastWindowClosed(true);
    mainWindow.show();
    try {
        mainWindow.LoadBook(bookFileName);
    } catch (...) {
        reportCurrentFailure(services.messages, &mainWindow);
    }

    int exitCode = 0;
    if (mainWindow.isVisible())
        exitCode = app.exec();

    if (engine.isAvailable())
        engine.release();
    levelDialog.reset();
    return exitCode;
}

} // namespace tirvelo
