#include "audio/QtSoundPlayer.h"

#include "audio/WaveFile.h"

#include <QAudioOutput>
#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>
#include <QtEndian>

#include <cmath>

namespace tirvelo {

namespace {

// 150 ms of an 880 Hz tone with a short fade, as a 16-bit mono wave file.
QByteArray beepWave()
{
    constexpr int rate = 22050;
    constexpr int frames = rate * 150 / 1000;
    QByteArray data(frames * 2, '\0');
    for (int i = 0; i < frames; ++i) {
        const double fade = std::min({1.0, i / 220.0, (frames - i) / 220.0});
        const auto sample = static_cast<qint16>(std::lround(12000.0 * fade * std::sin(2 * M_PI * 880.0 * i / rate)));
        qToLittleEndian<qint16>(sample, data.data() + 2 * i);
    }
    return monoWaveFile(data, rate, 16);
}

} // namespace

QtSoundPlayer::QtSoundPlayer(QString alertSound, QObject* parent)
    : QObject(parent), m_alertSound(std::move(alertSound))
{
    m_beepWave = beepWave();
}

QtSoundPlayer::~QtSoundPlayer()
{
    dropPlayer();
}

QString QtSoundPlayer::defaultAlertSound()
{
    for (const char* name : {"/usr/share/sounds/freedesktop/stereo/dialog-warning.oga",
                             "/usr/share/sounds/freedesktop/stereo/bell.oga"}) {
        if (QFileInfo(QString::fromLatin1(name)).isFile())
            return QString::fromLatin1(name);
    }
    return {};
}

void QtSoundPlayer::play(const QString& fileName)
{
    dropPlayer();
    if (fileName.size() > MaxNameLength || !QFileInfo(fileName).isFile()) {
        startAlert();
        return;
    }
    start(Kind::Companion, fileName);
}

void QtSoundPlayer::stop()
{
    const bool wasPlaying = m_kind != Kind::None;
    dropPlayer();
    if (wasPlaying)
        m_endClock.start();
}

bool QtSoundPlayer::guardActive() const
{
    return m_kind != Kind::None || (m_endClock.isValid() && m_endClock.elapsed() < GuardMilliseconds);
}

void QtSoundPlayer::start(Kind kind, const QString& source)
{
    auto* player = new QMediaPlayer(this);
    player->setAudioOutput(new QAudioOutput(player));
    m_player = player;
    m_kind = kind;
    m_source = source;
    connect(player, &QMediaPlayer::errorOccurred, this, [this, player] { failed(player); });
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this, player](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            ended(player);
        else if (status == QMediaPlayer::InvalidMedia)
            failed(player);
    });
    connect(player, &QMediaPlayer::playbackStateChanged, this, [this, player](QMediaPlayer::PlaybackState state) {
        if (state == QMediaPlayer::StoppedState && player->error() == QMediaPlayer::NoError)
            ended(player);
    });
    if (kind == Kind::Beep) {
        // Each player reads its own buffer; the wave bytes themselves are shared.
        auto* beep = new QBuffer(player);
        beep->setData(m_beepWave);
        beep->open(QIODevice::ReadOnly);
        player->setSourceDevice(beep, QUrl(QStringLiteral("beep.wav")));
    } else {
        player->setSource(QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath()));
    }
    emit started(kind, source);
    if (m_player == player)
        player->play();
}

void QtSoundPlayer::startAlert()
{
    if (m_alertSound.isEmpty() || !QFileInfo(m_alertSound).isFile())
        startBeep();
    else
        start(Kind::Alert, m_alertSound);
}

void QtSoundPlayer::startBeep()
{
    start(Kind::Beep, QStringLiteral("beep"));
}

void QtSoundPlayer::failed(QMediaPlayer* player)
{
    if (player != m_player)
        return;
    const Kind kind = m_kind;
    dropPlayer();
    switch (kind) {
    case Kind::Companion:
        startAlert();
        break;
    case Kind::Alert:
        startBeep();
        break;
    case Kind::Beep:
    case Kind::None:
        m_endClock.start();
        emit finished();
        break;
    }
}

void QtSoundPlayer::ended(QMediaPlayer* player)
{
    if (player != m_player)
        return;
    dropPlayer();
    m_endClock.start();
    emit finished();
}

void QtSoundPlayer::dropPlayer()
{
    QMediaPlayer* player = m_player;
    m_player = nullptr;
    m_kind = Kind::None;
    m_source.clear();
    if (!player)
        return;
    disconnect(player, nullptr, this, nullptr);
    player->stop();
    player->deleteLater();
}

} // namespace tirvelo
