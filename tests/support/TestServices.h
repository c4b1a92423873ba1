#pragma once
// The services bundle of a test: a speech engine of the test's choice, a sound
// player that can be swapped while the windows live, sound capture through the
// test's device factory, a recording message sink and a recording clock.
#include "audio/SoundPlayer.h"
#include "audio/WavMax.h"
#include "modes/Settings.h"
#include "speech/SpeechEngine.h"
#include "support/FakeCaptureDevice.h"
#include "support/RecordingClock.h"
#include "support/RecordingMessageSink.h"
#include "ui/MessageBoxes.h"
#include "modes/Services.h"

#include <QList>
#include <memory>
#include <optional>

namespace tirvelo::test {

// Hands every call to the player in use: the program's QtSoundPlayer (made on
// first use) unless the test put another one in.
class SwappableSoundPlayer : public SoundPlayer {
public:
    SwappableSoundPlayer();
    ~SwappableSoundPlayer() override;

    // Null goes back to the program's player.
    void use(std::unique_ptr<SoundPlayer> player) { m_player = std::move(player); }
    SoundPlayer& current() const;

    void play(const QString& fileName) override { current().play(fileName); }
    void playDecoded(const QString& fileName, DecodedSound decoded) override { current().playDecoded(fileName, std::move(decoded)); }
    void stop() override { current().stop(); }
    bool guardActive() const override { return current().guardActive(); }

private:
    mutable std::unique_ptr<SoundPlayer> m_player;
};

class TestServices {
public:
    // Without an engine, the engine is the library the loader finds (see
    // SpeechLibrary::candidatePaths).
    explicit TestServices(std::unique_ptr<SpeechEngine> engine = {});
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    Services bundle() { return {*speech, sound, capture, *m_sink, clock, settings}; }
    // Windows made from then on show the program's real message boxes
    // instead of recording the messages.
    void showRealMessageBoxes()
    {
        m_sink = &m_messageBoxes;
        settings.setFailureSink(m_sink);
    }

    std::unique_ptr<SpeechEngine> speech;
    SwappableSoundPlayer sound;
    // The devices capture opens; empty: the default device. May change while
    // the windows live.
    WavMax::CaptureDeviceFactory devices;
    WavMax capture;
    RecordingMessageSink messages;
    RecordingClock clock;
    // The settings at the test environment's place; failed writes are recorded.
    Settings settings{&messages};

private:
    MessageBoxSink m_messageBoxes;
    MessageSink* m_sink = &messages;
};

// Makes the capture of the test's services open FakeCaptureDevices (with the
// given open result) until the guard goes out of scope, which closes capture.
class FakeDeviceFactoryGuard {
public:
    explicit FakeDeviceFactoryGuard(TestServices& services, int openResult = 0);
    ~FakeDeviceFactoryGuard();
    FakeDeviceFactoryGuard(const FakeDeviceFactoryGuard&) = delete;
    FakeDeviceFactoryGuard& operator=(const FakeDeviceFactoryGuard&) = delete;

private:
    TestServices& m_services;
};

} // namespace tirvelo::test
