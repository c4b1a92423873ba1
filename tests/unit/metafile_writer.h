#pragma once
// Writes small WMF and EMF files record by record for the metafile tests:
// raw little-endian records, as the programs that make clip-art write them.
#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QRect>
#include <QString>
#include <initializer_list>

namespace tirvelo::test {

class Params {
public:
    Params& i16(int v) { m_s << qint16(v); return *this; }
    Params& u16(int v) { m_s << quint16(v); return *this; }
    Params& i32(qint64 v) { m_s << qint32(v); return *this; }
    Params& u32(quint32 v) { m_s << v; return *this; }
    Params& f32(float v) { m_s.writeRawData(reinterpret_cast<const char*>(&v), 4); return *this; }
    Params& color(int r, int g, int b) { return u32(quint32(r | (g << 8) | (b << 16))); }
    Params& bytes(const QByteArray& b) { m_s.writeRawData(b.constData(), int(b.size())); return *this; }
    Params& rectL(int l, int t, int r, int b) { return i32(l).i32(t).i32(r).i32(b); }
    const QByteArray& data() const { return m_data; }

    Params() : m_s(&m_data, QIODevice::WriteOnly) { m_s.setByteOrder(QDataStream::LittleEndian); }

private:
    QByteArray m_data;
    QDataStream m_s;
};

class WmfWriter {
public:
    // placeable: with the 22-byte header giving the box and units per inch.
    explicit WmfWriter(bool placeable = false, QRect box = {}, int unitsPerInch = 1440)
        : m_placeable(placeable), m_box(box), m_inch(unitsPerInch)
    {
    }
    // Function and parameters as 16-bit words, in the record's own order.
    WmfWriter& record(int function, std::initializer_list<int> words)
    {
        Params p;
        for (int w : words)
            p.i16(w);
        return record(function, p);
    }
    WmfWriter& record(int function, const Params& params)
    {
        QByteArray data = params.data();
        if (data.size() % 2)
            data.append('\0');
        Params r;
        r.u32(quint32((6 + data.size()) / 2)).u16(function).bytes(data);
        m_records += r.data();
        return *this;
    }
    QByteArray finish(int objects = 16) const
    {
        Params out;
        if (m_placeable) {
            out.u32(0x9AC6CDD7).u16(0).i16(m_box.left()).i16(m_box.top()).i16(m_box.right()).i16(m_box.bottom())
                .u16(m_inch).u32(0).u16(0);
        }
        const QByteArray eof = QByteArray::fromHex("030000000000");
        out.u16(1).u16(9).u16(0x0300).u32(quint32((18 + m_records.size() + eof.size()) / 2)).u16(objects).u32(100).u16(0);
        out.bytes(m_records).bytes(eof);
        return out.data();
    }

private:
    bool m_placeable;
    QRect m_box;
    int m_inch;
    QByteArray m_records;
};

class EmfWriter {
public:
    // bounds in device pixels, frame in 0.01 mm; the reference device is
    // 1000 x 1000 pixels on 250 x 250 mm (4 pixels per millimetre).
    EmfWriter(QRect bounds, QRect frame) : m_bounds(bounds), m_frame(frame) {}
    EmfWriter& record(int type, const Params& params = Params())
    {
        QByteArray data = params.data();
        while (data.size() % 4)
            data.append('\0');
        Params r;
        r.u32(quint32(type)).u32(quint32(8 + data.size())).bytes(data);
        m_records += r.data();
        ++m_count;
        return *this;
    }
    QByteArray finish() const
    {
        Params eof;
        eof.u32(14).u32(20).u32(0).u32(16).u32(20);
        Params h;
        const int headerSize = 108;
        const quint32 total = quint32(headerSize + m_records.size() + eof.data().size());
        h.u32(1).u32(headerSize)
            .rectL(m_bounds.left(), m_bounds.top(), m_bounds.right(), m_bounds.bottom())
            .rectL(m_frame.left(), m_frame.top(), m_frame.right(), m_frame.bottom())
            .u32(0x464D4520).u32(0x10000).u32(total).u32(quint32(m_count + 2)).u16(16).u16(0)
            .u32(0).u32(0).u32(0)
            .i32(1000).i32(1000).i32(250).i32(250)
            .u32(0).u32(0).u32(0)
            .i32(250000).i32(250000);
        return h.data() + m_records + eof.data();
    }

private:
    QRect m_bounds;
    QRect m_frame;
    QByteArray m_records;
    int m_count = 0;
};

} // namespace tirvelo::test
