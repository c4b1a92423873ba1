#include "audio/QtSoundPlayer.h"

#include "audio/WaveFile.h"

#include <QAudioOutput>
#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QSignalBlocker>
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

std::unique_ptr<SoundPlayer>& processPlayer()
{
    static std::unique_ptr<SoundPlayer> player;
    return player;
}

} // namespace

SoundPlayer& soundPlayer()
{
    auto& player = processPlayer();
    if (!player)
        player = std::make_unique<QtSoundPlayer>();
    return *player;
}

void setSoundPlayer(std::unique_ptr<SoundPlayer> player)
{
    processPlayer() = std::move(player);
}

QtSoundPlayer::QtSoundPlayer(QString alertSound, QObject* parent)
    : QObject(parent), m_alertSound(std::move(alertSound))
{
    m_beepWave = beepWave();
}

QtSoundPlayer::~QtSoundPlayer()
{
    retirePlayer();
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
    silence();
    if (fileName.size() > MaxNameLength || !QFileInfo(fileName).isFile()) {
        startAlert();
        return;
    }
    start(Kind::Companion, fileName);
}

void QtSoundPlayer::stop()
{
    const bool wasPlaying = m_kind != Kind::None;
    silence();
    if (wasPlaying)
        m_endClock.start();
}

bool QtSoundPlayer::guardActive() const
{
    return m_kind != Kind::None || (m_endClock.isValid() && m_endClock.elapsed() < GuardMilliseconds);
}

QMediaPlayer* QtSoundPlayer::player()
{
    if (m_player)
        return m_player;
    m_player = new QMediaPlayer(this);
    m_player->setAudioOutput(new QAudioOutput(m_player));
    // Only a sound that is playing can end or fail; silence() blocks the
    // signals its own stop sends.
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this] {
        if (m_kind != Kind::None)
            failed();
    });
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (m_kind == Kind::None)
            return;
        if (status == QMediaPlayer::EndOfMedia)
            ended();
        else if (status == QMediaPlayer::InvalidMedia)
            failed();
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        if (m_kind != Kind::None && state == QMediaPlayer::StoppedState && m_player->error() == QMediaPlayer::NoError)
            ended();
    });
    return m_player;
}

void QtSoundPlayer::start(Kind kind, const QString& source)
{
    QMediaPlayer* const media = player();
    silence();
    const quint64 generation = ++m_generation;
    m_kind = kind;
    m_source = source;
    QObject* const previousBeep = m_beepSource;
    m_beepSource = nullptr;
    {
        const QSignalBlocker quiet(media); // loading the new source is not the old one ending
        if (kind == Kind::Beep) {
            // Each beep reads its own buffer; the wave bytes themselves are shared.
            auto* beep = new QBuffer(this);
            beep->setData(m_beepWave);
            beep->open(QIODevice::ReadOnly);
            media->setSourceDevice(beep, QUrl(QStringLiteral("beep.wav")));
            m_beepSource = beep;
        } else {
            media->setSource(QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath()));
        }
    }
    delete previousBeep; // the player no longer reads it
    emit started(kind, source);
    if (generation == m_generation) // not replaced by a slot of started()
        media->play();
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

void QtSoundPlayer::failed()
{
    const Kind kind = m_kind;
    // The failed player may hold its error; the fallback gets a fresh one.
    retirePlayer();
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

void QtSoundPlayer::ended()
{
    silence();
    m_endClock.start();
    emit finished();
}

void QtSoundPlayer::silence()
{
    ++m_generation;
    m_kind = Kind::None;
    m_source.clear();
    if (!m_player)
        return;
    const QSignalBlocker quiet(m_player);
    m_player->stop();
}

void QtSoundPlayer::retirePlayer()
{
    silence();
    QMediaPlayer* const media = m_player;
    m_player = nullptr;
    if (!media)
        return;
    disconnect(media, nullptr, this, nullptr);
    // Deleted later: it may be in the middle of sending the signal that got here.
    media->deleteLater();
    if (m_beepSource) {
        m_beepSource->setParent(media); // goes with the player that reads it
        m_beepSource = nullptr;
    }
}

} // namespace tirvelo
