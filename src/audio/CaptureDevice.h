#pragma once
// The sound input behind WavMax, modelled on a wave-input driver: the program
// hands it buffers, it fills them in the order they were handed over and
// returns each full one with one posted MM_WIM_DATA event to the window given
// at open. While it holds no buffer, arriving samples are dropped.
//
// The queueing and re-blocking live here, in the base class, so that the real
// device, the simulated one and the test fake all behave alike; a subclass
// only opens its source and pushes samples through deliverSamples().
#include <QEvent>
#include <QPointer>
#include <QtGlobal>

#include <array>
#include <cstdint>

namespace tirvelo {

// Posted to the notify object once for every buffer the device returns: a full
// one while capturing, and each one still held when the device is reset.
inline const QEvent::Type MM_WIM_DATA = static_cast<QEvent::Type>(QEvent::registerEventType());

// Result codes of opening a capture device (the wave-input driver's numbers).
enum CaptureResult : int {
    CaptureOk = 0,
    CaptureError = 1,        // unspecified failure (a simulated source that cannot be read)
    CaptureBadDeviceId = 2,  // there is no input device
    CaptureAllocated = 4,    // the device exists but could not be opened (in use, refused)
    CaptureNoMemory = 7,     // the capture buffers have been freed
    CaptureBadFormat = 32,   // the device does not take 8-bit mono at 11025 Hz
};

// The capture format record (the fields of a WAVEFORMATEX).
struct WaveFormatRecord {
    quint16 formatTag = 0;
    quint16 channels = 0;
    quint32 samplesPerSec = 0;
    quint32 avgBytesPerSec = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
    quint16 extraSize = 0;
};

// One buffer as the device sees it (the fields of a WAVEHDR that matter here).
struct WaveHeader {
    enum Flag : quint32 { Done = 0x1, Prepared = 0x2, InQueue = 0x10 };
    quint8* data = nullptr;
    qint32 bufferLength = 0;
    qint32 bytesRecorded = 0;
    quint32 flags = 0;
};

// The event posted for a returned buffer; it carries the header like the
// platform message does, though the trigger does not need it.
class WaveInDataEvent : public QEvent {
public:
    explicit WaveInDataEvent(WaveHeader* header) : QEvent(MM_WIM_DATA), m_header(header) {}
    WaveHeader* header() const { return m_header; }

private:
    WaveHeader* m_header;
};

class CaptureDevice {
public:
    static constexpr int MaxQueuedBuffers = 4;

    virtual ~CaptureDevice() = default;

    // Opens the source for `format`; events go to `notify`. 0 or a CaptureResult.
    virtual int open(const WaveFormatRecord& format, QObject* notify) = 0;

    void prepareHeader(WaveHeader* header);
    // Queues a prepared buffer to be filled after those already queued. A header
    // that is already queued or not prepared, or a full queue, is refused (false).
    bool addBuffer(WaveHeader* header);
    // From now on samples fill the queued buffers.
    void start();
    // Stops filling and returns every queued buffer, each with its event.
    void reset();
    // Releases the source. No event is posted after close.
    void close();

    int queuedCount() const { return m_count; }
    bool started() const { return m_started; }

protected:
    // Pushes captured samples into the queued buffers (dropped while none is
    // queued or before start). Posts one event per buffer that becomes full.
    void deliverSamples(const quint8* samples, qsizetype count);
    void setNotify(QObject* notify) { m_notify = notify; }

    // Hooks of the concrete source.
    virtual void startSource() {}
    virtual void stopSource() {}
    virtual void closeSource() {}

private:
    void returnFront();

    QPointer<QObject> m_notify;
    std::array<WaveHeader*, MaxQueuedBuffers> m_queue{};
    int m_first = 0;
    int m_count = 0;
    bool m_started = false;
    bool m_closed = false;
};

} // namespace tirvelo
