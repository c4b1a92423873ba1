#pragma once
// The program's modes and their rules, apart from any window: scanning
// ("&Actiu"), voice mode, reading aloud with its voice, language and speed,
// and whether a reading is going on. Commands change the modes, call the speech
// engine, the capture and the settings through the services, and tell the
// window what to carry out through signals, in the order the rules give; menu()
// says what the pop-up menu must show. Used from the GUI thread only.
//
// Which modes exclude which: voice mode and reading aloud never run together
// (each command that switches one disables the other's item); without a speech
// engine reading is off and cannot be chosen, and neither can language or voice.
// The scan timer runs exactly when scanning is on, from every command's last
// step; opening the menu stops it until a command sets it again.
#include "desktop/InterfaceLanguage.h"
#include "modes/ModeMenu.h"
#include "modes/Services.h"

#include <QObject>
#include <array>

class QWidget;

namespace tirvelo {

enum class Voice { Male, Female };
// What the engine reads: a text, or a text file it opens itself.
enum class ReadingSource { Text, File };

class ModeController : public QObject {
    Q_OBJECT
public:
    // captureListener gets the capture's buffers in voice mode; messageOwner
    // owns the message boxes of the commands (null: the application's).
    ModeController(const Services& services, QObject* captureListener, QWidget* messageOwner = nullptr,
                   QObject* parent = nullptr);

    // ---- the modes
    bool scanning() const { return m_scanning; }
    bool voiceMode() const { return m_voiceMode; }
    // The reading choice as ticked.
    bool reading() const { return m_reading; }
    // Whether a page shown now is read aloud: reading ticked and not paused.
    bool readsPages() const { return m_reading && !m_paused; }
    Voice voice() const { return m_voice; }
    InterfaceLanguage language() const { return m_language; }
    // The engine has been asked to read the page shown.
    bool speaking() const { return m_speaking; }
    bool paused() const { return m_paused; }
    ModeMenu menu() const;
    // The voice number the engine takes for the chosen voice in an engine language.
    int voiceNumber(int engineLanguage) const;

    // ---- start-up
    // The window's creation: voice mode is offered only without an engine (the
    // message tells so), the first speed goes to the engine, and the stored
    // scanning choice is taken (the timer stays stopped).
    void create();
    // Reading unticked and disabled, language and voice unreachable, voice mode offered.
    void applyNoSpeech();
    // The stored language, applied while the interface is not ready: nothing
    // is shown again and nothing written. Catalan calls nothing.
    void applyStoredLanguage();
    // From then on a language command shows the page again and stores its choice.
    void setInterfaceReady(bool ready) { m_interfaceReady = ready; }

    // ---- commands
    void toggleScanning();
    void toggleVoiceMode();
    void toggleReading();
    // Runs in full also for the voice already chosen: the engine is reloaded
    // and the page read again.
    void chooseVoice(Voice voice);
    void chooseLanguage(InterfaceLanguage language);
    // The speed box's text changed: a speed outside 1..255 puts "100" back.
    void editSpeed(const QString& text);
    // Loads the engine afresh with the load speed; a load that fails tells so
    // and leaves speech off for the rest of the run.
    void reloadSpeechEngine();
    // The menu is about to open: the scan timer stops.
    void menuOpening();
    // The last step of every command: the scan timer runs exactly when scanning is on.
    void followScanning();
    // Stops the reading if one is going on.
    void stopReading();
    // The page presentation tells whether the engine was asked to read the page shown.
    void setSpeaking(bool speaking) { m_speaking = speaking; }
    // The page shown is read aloud: a refusal (the engine lacks the call) is
    // told, and only an accepted reading is going on.
    void readPage(ReadingSource source, const QByteArray& cp1252);
    // The window closes: a reading stops (and the engine is given 100 ms), and
    // the scanning choice is stored.
    void close();

    // While another window (the book editor) has the user: the scan timer
    // stops and stays stopped, capture closes, a reading stops and pages shown
    // are not read; the ticks stay as they are, and resume() brings back what
    // was on (voice mode ends if its input cannot be opened again). A pause
    // while paused changes nothing: one resume() ends it.
    void pause();
    void resume();

signals:
    // The menu's state changed: map menu() again.
    void changed();
    // The scan timer is to run or to stop; a timer already in that state goes on as it is.
    void scanTimerSet(bool running);
    // Show the current page again, from the start (read when readsPages()).
    void pageShowRequested();
    // Every window's captions follow the language.
    void languageChanged(InterfaceLanguage language);
    // Capture was opened or closed for voice mode.
    void voiceModeSwitched(bool on);
    // The speed box is to show this text (itself a change, handled as typed).
    void speedTextReset(const QString& text);

private:
    void sendLanguageAndVoice();

    Services m_services;
    QObject* m_captureListener;
    QWidget* m_messageOwner;

    bool m_scanning = false;
    bool m_voiceMode = false;
    bool m_voiceModeEnabled = true;
    bool m_reading = true;
    bool m_readingEnabled = true;
    bool m_languageMenuEnabled = true;
    bool m_voiceMenuEnabled = true;
    std::array<bool, 3> m_languageEnabled{true, true, true};
    Voice m_voice = Voice::Male;
    InterfaceLanguage m_language = InterfaceLanguage::Catalan;
    bool m_speaking = false;
    bool m_interfaceReady = false;
    bool m_paused = false;
};

} // namespace tirvelo
