#pragma once
// The SoundPlayer of the program: the sound is decoded into memory by
// libsndfile and played by a QAudioSink on the default output. QAudioSink
// talks to the sound server itself; a media player's pipeline was avoided
// because its streaming thread and the GUI thread could wait on each other
// while a sound was being set up, freezing the program on a page turn. A fresh
// sink is made for every sound, so a replaced sound can never send a late
// signal that counts.
#include "audio/DecodedSound.h"
#include "audio/SoundPlayer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QAudioSink;

namespace tirvelo {

class SampleSource;

class QtSoundPlayer : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    enum class Kind { None, Companion, Alert, Beep };

    // alertSound: the file played for a sound that cannot be played; empty or
    // unplayable gives a short generated beep.
    explicit QtSoundPlayer(QString alertSound = defaultAlertSound(), QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    // The freedesktop theme's warning sound when installed, else empty.
    static QString defaultAlertSound();

    void play(const QString& fileName) override;
    void playDecoded(const QString& fileName, DecodedSound decoded) override;
    void stop() override;
    bool guardActive() const override;

    // What is being played now (None once it has ended or was stopped).
    Kind currentKind() const { return m_kind; }
    QString currentSource() const { return m_source; }

signals:
    // A sound of this kind has been started (after a failure: the fallback).
    void started(tirvelo::QtSoundPlayer::Kind kind, const QString& source);
    void finished();

private:
    void start(Kind kind, const QString& source, std::optional<DecodedSound> decoded = std::nullopt);
    bool startOutput(const DecodedSound& sound);
    void startAlert();
    void startBeep();
    void failed();
    void ended();
    void watchTheEnd();
    void dropOutput();

    QString m_alertSound;
    DecodedSound m_beep;
    // Counts the sounds started; a late report about an older one is ignored.
    quint64 m_playNumber = 0;
    QAudioSink* m_sink = nullptr;
    SampleSource* m_samples = nullptr;
    qint64 m_durationUs = 0;
    QTimer m_endWatch;
    QElapsedTimer m_drainClock; // from when the sink took the last sample
    qint64 m_drainAllowanceMs = 0;
    Kind m_kind = Kind::None;
    QString m_source;
    QElapsedTimer m_endClock;
};

} // namespace tirvelo
