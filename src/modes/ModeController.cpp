#include "modes/ModeController.h"

#include "audio/WavMax.h"
#include "base/IntegerText.h"
#include "modes/Captions.h"
#include "modes/Delay.h"
#include "modes/MessageSink.h"
#include "modes/Settings.h"
#include "speech/SpeechEngine.h"
#include "speech/SpeechMessages.h"
#include "speech/UpctvApi.h"

namespace tirvelo {
namespace {

constexpr int kMinimumSpeed = 1;
constexpr int kMaximumSpeed = 255;
constexpr int kFallbackSpeed = 100;
// The engine is given this long to fall silent before the window goes.
constexpr int kCloseSilenceMs = 100;

} // namespace

ModeController::ModeController(const Services& services, QObject* captureListener, QWidget* messageOwner,
                               QObject* parent)
    : QObject(parent), m_services(services), m_captureListener(captureListener), m_messageOwner(messageOwner)
{
}

ModeMenu ModeController::menu() const
{
    const Captions& captions = captionsFor(m_language);
    ModeMenu menu;
    menu.scanning = {m_scanning, true, captions.PopupMenuActiu};
    menu.loadBook = {false, true, captions.MenuCarregarLlibre};
    menu.editBook = {false, true, captions.MenuEditaLlibre};
    menu.voiceMode = {m_voiceMode, m_voiceModeEnabled, captions.PopupMenuFuncionaAmbVeu};
    menu.levelDialog = {false, true, captions.PopupMenuControlDelVolumDelMicrfon};
    menu.reading = {m_reading, m_readingEnabled, captions.PopupLlegeixelsfitxerstext};
    menu.languageMenu = {false, m_languageMenuEnabled, captions.PopupLlenguatge};
    for (const LanguageFacts& facts : languageTable()) {
        const auto index = static_cast<size_t>(facts.language);
        menu.languages[index] = {facts.language == m_language, m_languageEnabled[index], facts.itemCaption};
    }
    menu.voiceMenu = {false, m_voiceMenuEnabled, captions.PopupVeuDe};
    menu.female = {m_voice == Voice::Female, true, captions.PopupDona};
    menu.male = {m_voice == Voice::Male, true, captions.PopupHome};
    menu.accessOptions = {false, true, captions.PopupMenuOpcionsAcces};
    menu.about = {false, true, captions.PopupMenuParlantDe};
    menu.exit = {false, true, captions.PopupMenuSortir};
    return menu;
}

int ModeController::voiceNumber(int engineLanguage) const
{
    const bool female = m_voice == Voice::Female;
    if (engineLanguage == upctv::kCatalan)
        return female ? 2 : 0;
    return female ? 0 : 1;
}

// ---------------------------------------------------------------- start-up

void ModeController::create()
{
    SpeechEngine& engine = m_services.speech;
    if (engine.isAvailable()) {
        // Reading is on by default, and the two exclude each other.
        m_voiceModeEnabled = false;
    } else {
        m_services.messages.information(nullptr, noEngineMessage(), noEngineCaption());
        applyNoSpeech();
    }
    if (m_reading && !engine.setSpeed(upctv::kLoadSpeed)) {
        m_services.messages.plain(nullptr, speechFailureMessage());
        m_languageEnabled[static_cast<size_t>(InterfaceLanguage::Spanish)] = false;
        m_languageEnabled[static_cast<size_t>(InterfaceLanguage::Catalan)] = false;
    }
    // The timer is not started here: a loaded book starts it.
    if (m_services.settings.scanning())
        m_scanning = true;
    m_speaking = false;
    m_interfaceReady = false;
    emit changed();
}

void ModeController::applyNoSpeech()
{
    m_reading = false;
    m_readingEnabled = false;
    m_languageMenuEnabled = false;
    m_voiceMenuEnabled = false;
    m_voiceModeEnabled = true;
    emit changed();
}

void ModeController::applyStoredLanguage()
{
    const InterfaceLanguage stored = m_services.settings.language();
    if (stored != InterfaceLanguage::Catalan)
        chooseLanguage(stored);
}

// ---------------------------------------------------------------- commands

void ModeController::followScanning()
{
    emit scanTimerSet(m_scanning && !m_paused);
}

void ModeController::menuOpening()
{
    emit scanTimerSet(false);
}

void ModeController::stopReading()
{
    if (m_speaking) {
        m_services.speech.stop();
        m_speaking = false;
    }
}

void ModeController::readPage(ReadingSource source, const QByteArray& cp1252)
{
    SpeechEngine& engine = m_services.speech;
    const bool accepted = source == ReadingSource::File ? engine.readFile(cp1252) : engine.read(cp1252);
    if (!accepted) {
        m_services.messages.plain(m_messageOwner, speechFailureMessage());
        return;
    }
    m_speaking = true;
}

void ModeController::toggleScanning()
{
    m_scanning = !m_scanning;
    emit changed();
    followScanning();
}

void ModeController::toggleVoiceMode()
{
    if (m_voiceMode) {
        m_services.capture.CloseWaveInput();
        m_voiceMode = false;
        if (m_services.speech.isAvailable())
            m_readingEnabled = true;
    } else if (m_services.capture.OpenWaveInput(m_captureListener) == 0) {
        m_voiceMode = true;
        m_readingEnabled = false;
    }
    emit changed();
    emit voiceModeSwitched(m_voiceMode);
    followScanning();
}

void ModeController::reloadSpeechEngine()
{
    SpeechEngine& engine = m_services.speech;
    if (!engine.isAvailable())
        return;
    engine.release();
    if (!engine.load()) {
        m_services.messages.information(m_messageOwner, noEngineMessage(), noEngineCaption());
        applyNoSpeech();
        return;
    }
    engine.bindEntryPoints();
    // Unguarded: an engine without upcTVSetSpeed simply keeps its speed.
    engine.setSpeed(upctv::kLoadSpeed);
    m_voiceModeEnabled = false;
    emit changed();
}

void ModeController::toggleReading()
{
    m_reading = !m_reading;
    m_voiceMenuEnabled = m_reading;
    m_languageMenuEnabled = m_reading;
    m_voiceModeEnabled = !m_reading;
    emit changed();
    stopReading();
    if (m_reading)
        emit pageShowRequested();
    followScanning();
}

void ModeController::sendLanguageAndVoice()
{
    if (!m_reading)
        return;
    const int engineLanguage = languageFacts(m_language).engineLanguage;
    m_services.speech.setLanguage(engineLanguage);
    m_services.speech.setSpeaker(voiceNumber(engineLanguage));
}

void ModeController::chooseVoice(Voice voice)
{
    m_voice = voice;
    emit changed();
    stopReading();
    reloadSpeechEngine();
    sendLanguageAndVoice();
    emit pageShowRequested();
    followScanning();
}

void ModeController::chooseLanguage(InterfaceLanguage language)
{
    m_language = language;
    emit changed();
    emit languageChanged(language);
    stopReading();
    reloadSpeechEngine();
    sendLanguageAndVoice();
    if (m_interfaceReady) {
        emit pageShowRequested();
        followScanning();
        m_services.settings.setLanguage(language);
    }
}

void ModeController::editSpeed(const QString& text)
{
    // The page is not read again; the new speed holds from the next reading.
    stopReading();
    const int32_t value = parseLeadingInteger(text);
    if (value < kMinimumSpeed || value > kMaximumSpeed) {
        emit speedTextReset(QString::number(kFallbackSpeed));
        m_services.speech.setSpeed(kFallbackSpeed);
    } else {
        m_services.speech.setSpeed(value);
    }
}

void ModeController::close()
{
    if (m_speaking) {
        stopReading();
        m_services.clock.delay(kCloseSilenceMs);
    }
    m_services.settings.setScanning(m_scanning);
}

// ---------------------------------------------------------------- pause

void ModeController::pause()
{
    if (m_paused)
        return;
    m_paused = true;
    stopReading();
    emit scanTimerSet(false);
    if (m_voiceMode)
        m_services.capture.CloseWaveInput();
}

void ModeController::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    if (m_voiceMode && m_services.capture.OpenWaveInput(m_captureListener) != 0) {
        // The input went away meanwhile (its message was shown): voice mode ends.
        m_voiceMode = false;
        if (m_services.speech.isAvailable())
            m_readingEnabled = true;
        emit changed();
        emit voiceModeSwitched(false);
    }
    followScanning();
}

} // namespace tirvelo
