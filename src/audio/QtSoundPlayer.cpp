#include "audio/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaDevices>

#include <cmath>
#include <cstring>

namespace tirvelo {

namespace {

// Samples the sound server holds ahead: the GUI thread feeds the sink, so this
// is how long it may be busy (loading the next picture) before the sound breaks up.
constexpr qint64 ServerBufferMicroseconds = 500'000;
// How often the end of a sound is looked for.
constexpr int EndWatchMilliseconds = 20;
// Time the sound server may take beyond the sound's own length to play out
// what it holds once the last sample has been handed over.
constexpr qint64 DrainMarginMilliseconds = 1000;

// 150 ms of an 880 Hz tone with a short fade.
DecodedSound beepSound()
{
    DecodedSound beep;
    beep.channels = 1;
    beep.sampleRate = 22050;
    beep.wave = true;
    constexpr int frames = 22050 * 150 / 1000;
    beep.samples.resize(frames);
    for (int i = 0; i < frames; ++i) {
        const double fade = std::min({1.0, i / 220.0, (frames - i) / 220.0});
        beep.samples[size_t(i)] = float(0.366 * fade * std::sin(2 * M_PI * 880.0 * i / beep.sampleRate));
    }
    return beep;
}

// The sound's own rate and channels in 16-bit samples, unless the device
// wants another format.
QAudioFormat outputFormat(const DecodedSound& sound, const QAudioDevice& device)
{
    QAudioFormat format;
    format.setSampleRate(sound.sampleRate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    return device.isFormatSupported(format) ? format : device.preferredFormat();
}

} // namespace

// The samples of one sound, read by the sink. It never says it is at its end:
// Qt 6.4's PulseAudio sink answers an underflow at the end of its source by
// draining the stream with itself as the callback's data, and that reply can
// arrive after the sink has been deleted. Left at "no data yet", the sink
// just waits; the player sees the end through allRead() and the time played.
class SampleSource : public QIODevice {
public:
    SampleSource(QByteArray samples, QObject* parent) : QIODevice(parent), m_samples(std::move(samples))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool atEnd() const override { return false; }
    qint64 size() const override { return m_samples.size(); }
    bool allRead() const { return m_read == m_samples.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, m_samples.size() - m_read);
        std::memcpy(data, m_samples.constData() + m_read, size_t(count));
        m_read += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_samples;
    qint64 m_read = 0;
};

QtSoundPlayer::QtSoundPlayer(QString alertSound, QObject* parent)
    : QObject(parent), m_alertSound(std::move(alertSound)), m_beep(beepSound())
{
    m_endWatch.setInterval(EndWatchMilliseconds);
    connect(&m_endWatch, &QTimer::timeout, this, &QtSoundPlayer::watchTheEnd);
}

QtSoundPlayer::~QtSoundPlayer()
{
    dropOutput();
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
    dropOutput();
    if (fileName.size() > MaxNameLength || !QFileInfo(fileName).isFile()) {
        startAlert();
        return;
    }
    start(Kind::Companion, fileName);
}

void QtSoundPlayer::playDecoded(const QString& fileName, DecodedSound decoded)
{
    dropOutput();
    if (fileName.size() > MaxNameLength) {
        startAlert();
        return;
    }
    start(Kind::Companion, fileName, std::move(decoded));
}

void QtSoundPlayer::stop()
{
    const bool wasPlaying = m_kind != Kind::None;
    dropOutput();
    if (wasPlaying)
        m_endClock.start();
}

bool QtSoundPlayer::guardActive() const
{
    return m_kind != Kind::None || (m_endClock.isValid() && m_endClock.elapsed() < GuardMilliseconds);
}

void QtSoundPlayer::start(Kind kind, const QString& source, std::optional<DecodedSound> decoded)
{
    const quint64 number = m_playNumber;
    m_kind = kind;
    m_source = source;
    std::optional<DecodedSound> sound = std::move(decoded);
    if (kind != Kind::Beep && !sound)
        sound = decodeSoundFile(source);
    // A page sound is a wave file; the desktop's alert sounds are Ogg.
    const bool playable = kind == Kind::Beep || (sound && (sound->wave || kind == Kind::Alert));
    emit started(kind, source);
    if (m_playNumber != number)
        return; // a slot has started another sound
    if (!playable || !startOutput(kind == Kind::Beep ? m_beep : *sound)) {
        // Reported from the event loop, as a device reports its errors: the
        // caller sees the sound started and counting as playing.
        QTimer::singleShot(0, this, [this, number] {
            if (m_playNumber == number)
                failed();
        });
    }
}

bool QtSoundPlayer::startOutput(const DecodedSound& sound)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    const QAudioFormat format = outputFormat(sound, device);
    QByteArray converted = samplesInFormat(sound, format);
    if (converted.isEmpty())
        return false; // a format no sample can be written in
    auto* sink = new QAudioSink(device, format, this);
    auto* samples = new SampleSource(std::move(converted), sink);
    m_sink = sink;
    m_samples = samples;
    m_durationUs = samples->size() / format.bytesPerFrame() * 1'000'000 / format.sampleRate();
    // Never more than the sound itself, or a short one would wait for ever to fill it.
    sink->setBufferSize(std::min<qsizetype>(format.bytesForDuration(ServerBufferMicroseconds), samples->size()));
    m_drainClock.invalidate();
    sink->start(samples);
    if (sink->state() == QAudio::StoppedState)
        return false; // the device cannot be opened
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        // An underrun while the GUI thread was busy is not an end: the sink
        // goes on pulling samples. Losing the sound server is.
        if (sink == m_sink && state == QAudio::StoppedState && sink->error() != QAudio::NoError)
            failed();
    });
    m_endWatch.start();
    return true;
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
    dropOutput();
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

// The sink has handed the last sample to the sound server, which may still
// hold half a second of it; the sound has ended when the server reports it
// played, or at the latest when the time left at hand-over (and a margin) has
// passed.
void QtSoundPlayer::watchTheEnd()
{
    if (!m_sink || !m_samples->allRead())
        return;
    const qint64 played = m_sink->processedUSecs();
    if (!m_drainClock.isValid()) {
        m_drainClock.start();
        m_drainAllowanceMs = std::max<qint64>(0, m_durationUs - played) / 1000 + DrainMarginMilliseconds;
    }
    if (played >= m_durationUs || m_drainClock.elapsed() > m_drainAllowanceMs)
        ended();
}

void QtSoundPlayer::ended()
{
    dropOutput();
    m_endClock.start();
    emit finished();
}

void QtSoundPlayer::dropOutput()
{
    ++m_playNumber;
    m_endWatch.stop();
    m_kind = Kind::None;
    m_source.clear();
    QAudioSink* sink = m_sink;
    m_sink = nullptr;
    m_samples = nullptr;
    if (!sink)
        return;
    disconnect(sink, nullptr, this, nullptr);
    sink->stop();
    // Later: the sink's destructor runs the event loop.
    sink->deleteLater();
}

} // namespace tirvelo
