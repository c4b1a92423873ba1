// The three interface languages: every caption of the main window, its menu,
// the open dialog and the level dialog; the engine's language and voice that
// go with them (the recording stand-in, and the real engine heard on the
// private PulseAudio sink); the stored choice, from the menu and at start-up.
#include "desktop/SettingsFile.h"
#include "app/Startup.h"
#include "speech/SpeechLibrary.h"
#include "support/AudioTestTools.h"
#include "support/MainWindowFixture.h"
#include "support/MessageBoxRecorder.h"
#include "support/ProgramEnvironment.h"
#include "support/QtPrinters.h"
#include "support/RecordingLog.h"
#include "support/TestPaths.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/NavigationButton.h"
#include "ui/ScanIntervalSpinBox.h"
#include "ui/AttachedLevelDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <dlfcn.h>
#include <functional>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

using Log = QList<QByteArray>;

// Every translated caption, in the order: main window (2 buttons, label),
// menu (11 items), open dialog title, level dialog (title, 2 buttons, and
// the tooltip of the narrow calibrate button).
const QStringList kCatalan = {
    QStringLiteral(u"&Anterior"),
    QStringLiteral(u"&Següent"),
    QStringLiteral(u"Clic botó dret per obrir el menú d'opcions"),
    QStringLiteral(u"&Actiu"),
    QStringLiteral(u"&Carregar llibre..."),
    QStringLiteral(u"Funciona amb &veu"),
    QStringLiteral(u"Control del &volum del micròfon..."),
    QStringLiteral(u"Llegeix els fitxers text"),
    QStringLiteral(u"Llenguatge"),
    QStringLiteral(u"Veu de"),
    QStringLiteral(u"Dona"),
    QStringLiteral(u"Home"),
    QStringLiteral(u"&Parlant de..."),
    QStringLiteral(u"&Sortir"),
    QStringLiteral(u"Obrir - Fitxer: Quirna 2006 Tirvelo"),
    QStringLiteral(u"Nivell d'entrada d'audio"),
    QStringLiteral(u"&Tancar"),
    QStringLiteral(u"Nivell &Micròfon"),
    QStringLiteral(u"Calibra"),
};
const QStringList kSpanish = {
    QStringLiteral(u"&Anterior"),
    QStringLiteral(u"&Siguiente"),
    QStringLiteral(u"Clic botón derecho para abrir el menú opciones"),
    QStringLiteral(u"&Activo"),
    QStringLiteral(u"&Cargar libro..."),
    QStringLiteral(u"Funciona mediante &voz"),
    QStringLiteral(u"Control del &volumen del micrófono..."),
    QStringLiteral(u"Lee los archivos de texto"),
    QStringLiteral(u"Lenguage"),
    QStringLiteral(u"Voz de"),
    QStringLiteral(u"Mujer"),
    QStringLiteral(u"Hombre"),
    QStringLiteral(u"&Crèditos..."),
    QStringLiteral(u"&Salir..."),
    QStringLiteral(u"Abrir - Archivo: Quirna 2006 Tirvelo"),
    QStringLiteral(u"Nivel entrada de audio"),
    QStringLiteral(u"&Cerrar"),
    QStringLiteral(u"Nivel &Micrófono"),
    QStringLiteral(u"Calibrar"),
};
const QStringList kPortuguese = {
    QStringLiteral(u"&Anterior"),
    QStringLiteral(u"&Seguinte"),
    QStringLiteral(u"Clique no botão direito para o menu Opções"),
    QStringLiteral(u"&Activo"),
    QStringLiteral(u"&Carregar livro..."),
    QStringLiteral(u"Funciona por &voz"),
    QStringLiteral(u"Controlo do &volume do microfone..."),
    QStringLiteral(u"Lê ficheiros de texto"),
    QStringLiteral(u"Idioma"),
    QStringLiteral(u"Voz"),
    QStringLiteral(u"Feminina"),
    QStringLiteral(u"Masculina"),
    QStringLiteral(u"&Sobre..."),
    QStringLiteral(u"&Sair..."),
    QStringLiteral(u"Abrir - Ficheiro: Quirna 2006 Tirvelo"),
    QStringLiteral(u"Nível de entrada de áudio"),
    QStringLiteral(u"&Parar"),
    QStringLiteral(u"Volume do &Microfone"),
    QStringLiteral(u"Calibrar"),
};

// What the windows show now, in the order of the columns above.
QStringList shownCaptions(const TFormPrincipal& window, const TFormNivellEntradaDAudio& dialog)
{
    return {
        window.SpeedButtonEsquerra->text(),
        window.SpeedButtonDreta->text(),
        window.LabelInformacio->text(),
        window.PopupMenu1->PopupMenuActiu->text(),
        window.PopupMenu1->MenuCarregarLlibre->text(),
        window.PopupMenu1->PopupMenuFuncionaAmbVeu->text(),
        window.PopupMenu1->PopupMenuControlDelVolumDelMicrfon->text(),
        window.PopupMenu1->PopupLlegeixelsfitxerstext->text(),
        window.PopupMenu1->PopupLlenguatge->title(),
        window.PopupMenu1->PopupVeuDe->title(),
        window.PopupMenu1->PopupDona->text(),
        window.PopupMenu1->PopupHome->text(),
        window.PopupMenu1->PopupMenuParlantDe->text(),
        window.PopupMenu1->PopupMenuSortir->text(),
        window.openDialogTitle(),
        dialog.windowTitle(),
        dialog.BitBtn1->text(),
        dialog.BitBtn2->text(),
        dialog.BitBtnCalibra->toolTip(),
    };
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The main window with the recording engine and the level dialog attached to
// it as start-up attaches it.
class Languages : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        createWindow();
        if (HasFatalFailure())
            return;
        m_levelDialog.emplace(services->bundle(), *window);
        dialog = &m_levelDialog->dialog();
        writeFile(path("a.txt"), "Bon dia.");
        window->LoadBook(writeBook("llibre.Lumbrix", 1, "", {"a.txt"}));
        recordingEngine().clear();
    }
    void TearDown() override
    {
        window.reset();
        if (services)
            services->clock.instant = true; // no capture ran: no buffers to wait for
        m_levelDialog.reset();
        MainWindowFixture::TearDown();
    }

    Log calls()
    {
        const Log lines = recordingEngine().lines();
        recordingEngine().clear();
        return lines;
    }
    void choose(QAction* item)
    {
        window->PopupMenu1Popup();
        ASSERT_FALSE(window->Timer1->isActive());
        ASSERT_TRUE(window->modes().menu().languageMenu.enabled);
        item->trigger();
    }
    QString iniPath() const { return path(QStringLiteral("config/Quirna2001.ini")); }

    std::optional<AttachedLevelDialog> m_levelDialog;
    TFormNivellEntradaDAudio* dialog = nullptr;
};

} // namespace

TEST_F(Languages, EveryCaptionFollowsEachSwitch)
{
    EXPECT_EQ(shownCaptions(*window, *dialog), kCatalan);
    struct Step {
        QAction* item;
        InterfaceLanguage language;
        const QStringList* column;
    };
    const QList<Step> steps = {
        {window->PopupMenu1->PopupCastellano, InterfaceLanguage::Spanish, &kSpanish},
        {window->PopupMenu1->PopupCatala, InterfaceLanguage::Catalan, &kCatalan},
        {window->PopupMenu1->MenuPortugues, InterfaceLanguage::Portuguese, &kPortuguese},
        {window->PopupMenu1->PopupCatala, InterfaceLanguage::Catalan, &kCatalan},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(qPrintable(step.item->objectName()));
        choose(step.item);
        EXPECT_EQ(shownCaptions(*window, *dialog), *step.column);
        EXPECT_EQ(window->modes().language(), step.language);
        EXPECT_EQ(window->PopupMenu1->PopupCatala->text(), QStringLiteral(u"Català"));
        EXPECT_EQ(window->PopupMenu1->PopupCastellano->text(), QStringLiteral(u"Castellano"));
        EXPECT_EQ(window->PopupMenu1->MenuPortugues->text(), QStringLiteral(u"Portugues"));
        EXPECT_EQ(window->LabelPagina->toolTip(), QStringLiteral(u"Número de pàgina"));
        EXPECT_EQ(window->SpinEditTempsTimer->toolTip(), QStringLiteral(u"Decimes de segon que dura cada salt de l'escaneig"));
        EXPECT_EQ(window->EditVelocitat->toolTip(), QStringLiteral(u"Velocitat de lectura"));
        EXPECT_TRUE(dialog->TrackBar1->toolTip().startsWith(QStringLiteral(u"Valor minim del senyal que provoca efecte")));
        EXPECT_EQ(fixed_texts::OpenDialogFilter, QStringLiteral(u"Programes (*.Lumbrix)|*.Lumbrix|Tot tipus de fitxers (*.*)|*.*"));
    }
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(Languages, EachLanguageWithEachVoiceSetsTheEngineAndStoresTheChoice)
{
    writeFile(iniPath(), "[Tirvelo]\r\nEscaneig=no\r\n[Altre]\r\nA=1\r\n");
    struct Case {
        QAction* voice;
        QAction* language;
        QByteArray languageCall;
        QByteArray speakerCall;
        QByteArray stored;
    };
    const QList<Case> cases = {
        {window->PopupMenu1->PopupHome, window->PopupMenu1->PopupCastellano, "SetLanguage 101", "SetSpeaker 1", "Castellano"},
        {window->PopupMenu1->PopupHome, window->PopupMenu1->MenuPortugues, "SetLanguage 101", "SetSpeaker 1", "Portugues"},
        {window->PopupMenu1->PopupHome, window->PopupMenu1->PopupCatala, "SetLanguage 99", "SetSpeaker 0", "Catala"},
        {window->PopupMenu1->PopupHome, window->PopupMenu1->PopupCatala, "SetLanguage 99", "SetSpeaker 0", "Catala"}, // the one in force: in full
        {window->PopupMenu1->PopupDona, window->PopupMenu1->PopupCastellano, "SetLanguage 101", "SetSpeaker 0", "Castellano"},
        {window->PopupMenu1->PopupDona, window->PopupMenu1->MenuPortugues, "SetLanguage 101", "SetSpeaker 0", "Portugues"},
        {window->PopupMenu1->PopupDona, window->PopupMenu1->PopupCatala, "SetLanguage 99", "SetSpeaker 2", "Catala"},
    };
    bool actiu = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.voice->objectName() + u' ' + c.language->objectName()));
        if (window->modes().voice() != voiceOf(c.voice)) {
            choose(c.voice);
            calls();
        }
        actiu = !actiu;
        setScanning(actiu);
        ASSERT_TRUE(window->modes().speaking());
        choose(c.language);
        EXPECT_EQ(calls(), Log({"Stop", "SetSpeed 140", c.languageCall, c.speakerCall, "ReadFile a.txt"}));
        EXPECT_TRUE(window->modes().speaking());
        EXPECT_EQ(window->Timer1->isActive(), actiu);
        EXPECT_EQ(fileBytes(iniPath()), "[Tirvelo]\r\nEscaneig=no\r\nIdioma=" + c.stored + "\r\n[Altre]\r\nA=1\r\n");
        EXPECT_TRUE(window->modes().menu().voiceMenu.enabled);
        EXPECT_FALSE(window->modes().menu().voiceMode.enabled);
    }
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(Languages, CalledBeforeTheInterfaceIsReadyNothingIsShownStoredOrStarted)
{
    const QByteArray ini = "[Tirvelo]\r\nIdioma=Catala\r\n";
    writeFile(iniPath(), ini);
    window->modes().setInterfaceReady(false);
    setScanning(true);
    window->PopupMenu1Popup();
    window->Memo1->clear();
    window->modes().chooseLanguage(InterfaceLanguage::Spanish);
    EXPECT_EQ(calls(), Log({"Stop", "SetSpeed 140", "SetLanguage 101", "SetSpeaker 1"}));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_TRUE(window->Memo1->toPlainText().isEmpty()) << "the page is not shown again";
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_EQ(fileBytes(iniPath()), ini);
    EXPECT_EQ(shownCaptions(*window, *dialog), kSpanish);
    window->modes().chooseLanguage(InterfaceLanguage::Portuguese);
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "SetLanguage 101", "SetSpeaker 1"}));
    EXPECT_EQ(shownCaptions(*window, *dialog), kPortuguese);
    EXPECT_EQ(fileBytes(iniPath()), ini);
}

TEST_F(Languages, WithReadingOffTheChoiceIsStoredButTheEngineHearsNoLanguage)
{
    choose(window->PopupMenu1->PopupLlegeixelsfitxerstext);
    EXPECT_FALSE(window->modes().menu().languageMenu.enabled);
    calls();
    // Out of reach from the menu; called directly it still switches the captions.
    window->modes().chooseLanguage(InterfaceLanguage::Spanish);
    EXPECT_EQ(calls(), Log({"SetSpeed 140"}));
    EXPECT_EQ(shownCaptions(*window, *dialog), kSpanish);
    EXPECT_EQ(SettingsFile().read("Tirvelo", "Idioma", "?"), QByteArray("Castellano"));
    EXPECT_FALSE(window->modes().speaking());
}

// The whole start-up sequence with the recording engine and a stored language.
class StartupLanguage : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(m_dir.filePath("p.txt"), "Hola.");
        writeFile(m_dir.filePath("llibre.Lumbrix"), bookBytes(1, "", {"p.txt"}));
    }

    // Runs start-up with the stored settings ini (none when empty); inspect
    // sees the main window and the level dialog once the book is shown.
    void run(const QByteArray& ini, const std::function<void(TFormPrincipal&, TFormNivellEntradaDAudio&)>& inspect)
    {
        if (!ini.isEmpty())
            writeFile(iniPath(), ini);
        bool inspected = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget())
                return;
            TFormPrincipal* mainWindow = nullptr;
            TFormNivellEntradaDAudio* levelDialog = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* w = qobject_cast<TFormPrincipal*>(widget); w && w->isVisible())
                    mainWindow = w;
                if (auto* d = qobject_cast<TFormNivellEntradaDAudio*>(widget))
                    levelDialog = d;
            }
            if (!mainWindow || !levelDialog || inspected || mainWindow->book.PageCount == 0)
                return;
            inspected = true;
            inspect(*mainWindow, *levelDialog);
            mainWindow->close();
        });
        poll.start();
        runStartupSequence(*qApp, {QStringLiteral("llibre.Lumbrix")});
        EXPECT_TRUE(inspected);
        EXPECT_TRUE(boxes.seen().isEmpty());
    }
    QString iniPath() const { return m_dir.filePath(QStringLiteral("config/Quirna2001.ini")); }

    QTemporaryDir m_dir;
    ProgramEnvironment m_environment{m_dir.path(), recordingEnginePath()};
    RecordingLog log;
    MessageBoxRecorder boxes{QMessageBox::Ok};
};

TEST_F(StartupLanguage, StoredCastellanoAndPortuguesSetTheEngineAfterTheSpeedAndAreNotWrittenBack)
{
    struct Case {
        QByteArray stored;
        const QStringList* column;
    };
    for (const Case& c : {Case{"Castellano", &kSpanish}, Case{"Portugues", &kPortuguese}}) {
        SCOPED_TRACE(c.stored.constData());
        log.clear();
        // Blanks a write of the key would drop.
        const QByteArray ini = "[Tirvelo]\r\nIdioma = " + c.stored + " \r\nEscaneig=no\r\n";
        run(ini, [&](TFormPrincipal& window, TFormNivellEntradaDAudio& dialog) {
            EXPECT_EQ(shownCaptions(window, dialog), *c.column);
            EXPECT_FALSE((window.modes().language() == InterfaceLanguage::Catalan));
            EXPECT_TRUE((window.modes().voice() == Voice::Male));
            EXPECT_TRUE(window.modes().speaking());
        });
        // Creation's speed, the reload's speed, then language and voice; the
        // book's page is read in it and the reading stopped at close.
        EXPECT_EQ(log.lines(), Log({"SetSpeed 140", "SetSpeed 140", "SetLanguage 101", "SetSpeaker 1", "ReadFile p.txt", "Stop"}));
        // Only the scan setting is written at close, and it had that value.
        EXPECT_EQ(fileBytes(iniPath()), ini);
    }
}

TEST_F(StartupLanguage, StoredCatalaOrNothingSendsNoLanguageNorVoice)
{
    for (const QByteArray& ini : {QByteArray("[Tirvelo]\r\nIdioma=Catala\r\nEscaneig=no\r\n"), QByteArray(),
                                  QByteArray("[Tirvelo]\r\nIdioma=portugues\r\nEscaneig=no\r\n")}) {
        SCOPED_TRACE(ini.constData());
        log.clear();
        QFile::remove(iniPath());
        run(ini, [&](TFormPrincipal& window, TFormNivellEntradaDAudio& dialog) {
            EXPECT_EQ(shownCaptions(window, dialog), kCatalan);
            EXPECT_TRUE((window.modes().language() == InterfaceLanguage::Catalan));
        });
        EXPECT_EQ(log.lines(), Log({"SetSpeed 140", "ReadFile p.txt", "Stop"}));
        if (!ini.isEmpty())
            EXPECT_EQ(fileBytes(iniPath()), ini);
        else
            EXPECT_EQ(SettingsFile().read("Tirvelo", "Idioma", "none"), QByteArray("none"));
    }
}

// ---------------------------------------------------------------- the real engine

namespace {

// The main window on the real engine, build/libupctv.so.
class RealEngineLanguages : public MainWindowFixture {
protected:
    QString enginePath() const override { return buildPath(QStringLiteral("libupctv.so")); }

    static void SetUpTestSuite()
    {
        // An idle null sink runs ahead of real time; a stream of zeros keeps it
        // paced like a sound card.
        if (pulseAvailable())
            s_keeper = std::make_unique<SinkKeeper>();
    }
    static void TearDownTestSuite() { s_keeper.reset(); }
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("TIRVELO_PULSE"))
            GTEST_SKIP() << "needs the private PulseAudio server (TIRVELO_PULSE)";
        MainWindowFixture::SetUp();
        ASSERT_TRUE(engine().isAvailable()) << qPrintable(enginePath());
        ASSERT_TRUE(m_recorder.start()) << "parec gave no samples";
    }

    // The voice the loaded engine reads with, asked of the library the program
    // holds (not loaded anew: RTLD_NOLOAD).
    QString currentVoice()
    {
        const QString loaded = dynamic_cast<SpeechLibrary&>(engine()).loadedPath();
        void* handle = dlopen(QFile::encodeName(loaded).constData(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle)
            return QStringLiteral("<not loaded>");
        auto voice = reinterpret_cast<const char* (*)()>(dlsym(handle, "upcTVCurrentVoice"));
        const QString id = voice ? QString::fromUtf8(voice()) : QStringLiteral("<no upcTVCurrentVoice>");
        dlclose(handle);
        return id;
    }

    static inline std::unique_ptr<SinkKeeper> s_keeper;
    SpeechMonitor m_recorder;
};

} // namespace

TEST_F(RealEngineLanguages, ATextPageIsHeardInCatalanThenInSpanish)
{
    createWindow();
    EXPECT_TRUE(boxes->seen().isEmpty());
    writeFile(path("plana.txt"), "Bon dia. Aquesta p\xE0gina es llegeix en veu alta.\r\n");
    qsizetype from = m_recorder.size();
    window->LoadBook(writeBook("llibre.Lumbrix", 1, "", {"plana.txt"}));
    ASSERT_TRUE(window->modes().speaking());
    EXPECT_EQ(currentVoice(), QStringLiteral("roa/ca+m3"));
    EXPECT_TRUE(m_recorder.soundAfter(from)) << "the Catalan reading was not heard on nul.monitor";
    // Heard to its end, so that what follows can only be the next reading.
    ASSERT_TRUE(m_recorder.quietFor(700));

    from = m_recorder.size();
    window->PopupMenu1Popup();
    window->PopupMenu1->PopupCastellano->trigger();
    ASSERT_TRUE(window->modes().speaking());
    EXPECT_EQ(currentVoice(), QStringLiteral("roa/es+m3"));
    EXPECT_TRUE(m_recorder.soundAfter(from)) << "the Spanish reading was not heard on nul.monitor";
    ASSERT_TRUE(m_recorder.quietFor(700));

    from = m_recorder.size();
    window->PopupMenu1Popup();
    window->PopupMenu1->PopupDona->trigger();
    ASSERT_TRUE(window->modes().speaking());
    EXPECT_EQ(currentVoice(), QStringLiteral("roa/es+f3"));
    EXPECT_TRUE(m_recorder.soundAfter(from));

    // Reading switched off in the middle: silence at once.
    window->PopupMenu1Popup();
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_TRUE(m_recorder.quietFor(700, 1500));

    // Every reload starts the engine afresh: with nothing sent after it, the
    // next reading would be Catalan again (reading is off, so the voice
    // command, called directly, sends no language).
    window->modes().chooseVoice(Voice::Male);
    EXPECT_EQ(currentVoice(), QStringLiteral("roa/ca+m3"));
    EXPECT_TRUE(boxes->seen().isEmpty());
}
