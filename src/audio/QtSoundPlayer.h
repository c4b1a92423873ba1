#pragma once
// The SoundPlayer of the program: QMediaPlayer with a QAudioOutput on the
// default output. QMediaPlayer is used rather than QSoundEffect because it
// reports a missing or undecodable file as an error (QSoundEffect stays
// "loading" for ever on a corrupt file, so the alert could never be played) and
// it also decodes the desktop's Ogg alert sounds. A fresh player is made for
// every sound, so a replaced sound can never send a late signal that counts.
#include "audio/SoundPlayer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

class QMediaPlayer;

namespace tirvelo {

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
    void start(Kind kind, const QString& source);
    void startAlert();
    void startBeep();
    void failed(QMediaPlayer* player);
    void ended(QMediaPlayer* player);
    void dropPlayer();

    QString m_alertSound;
    QMediaPlayer* m_player = nullptr;
    Kind m_kind = Kind::None;
    QString m_source;
    QElapsedTimer m_endClock;
    QByteArray m_beepWave;
};

} // namespace tirvelo
