#include "audio/CaptureDevice.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace tirvelo {

void CaptureDevice::prepareHeader(WaveHeader* header)
{
    if (header)
        header->flags |= WaveHeader::Prepared;
}

bool CaptureDevice::addBuffer(WaveHeader* header)
{
    if (m_closed || !header || !header->data || header->bufferLength <= 0)
        return false;
    // The driver refuses a buffer it already holds or one that was never prepared.
    if (!(header->flags & WaveHeader::Prepared) || (header->flags & WaveHeader::InQueue))
        return false;
    if (m_count == MaxQueuedBuffers)
        return false;
    header->flags = (header->flags & ~WaveHeader::Done) | WaveHeader::InQueue;
    header->bytesRecorded = 0;
    m_queue[(m_first + m_count) % MaxQueuedBuffers] = header;
    ++m_count;
    return true;
}

void CaptureDevice::start()
{
    if (m_closed || m_started)
        return;
    m_started = true;
    startSource();
}

void CaptureDevice::reset()
{
    if (m_started) {
        m_started = false;
        stopSource();
    }
    while (m_count > 0)
        returnFront();
}

void CaptureDevice::close()
{
    if (m_closed)
        return;
    reset();
    closeSource();
    m_closed = true;
    m_notify = nullptr;
}

void CaptureDevice::returnFront()
{
    WaveHeader* header = m_queue[m_first];
    m_queue[m_first] = nullptr;
    m_first = (m_first + 1) % MaxQueuedBuffers;
    --m_count;
    header->flags = (header->flags & ~WaveHeader::InQueue) | WaveHeader::Done;
    if (m_notify)
        QCoreApplication::postEvent(m_notify, new WaveInDataEvent(header));
}

void CaptureDevice::deliverSamples(const quint8* samples, qsizetype count)
{
    if (!m_started || m_closed)
        return;
    while (count > 0 && m_count > 0) {
        WaveHeader* header = m_queue[m_first];
        const qsizetype room = header->bufferLength - header->bytesRecorded;
        const qsizetype take = std::min(room, count);
        std::memcpy(header->data + header->bytesRecorded, samples, static_cast<size_t>(take));
        header->bytesRecorded += static_cast<qint32>(take);
        samples += take;
        count -= take;
        if (header->bytesRecorded == header->bufferLength)
            returnFront();
    }
    // Whatever is left arrived while the program held every buffer: it is lost,
    // as it would be with the driver.
}

} // namespace tirvelo
