#include "bombfiles.h"

#include <QFile>
#include <QtEndian>

namespace bombs {

namespace {

void Put16BigEndian(QByteArray& b, int v)
{
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}

void Put32BigEndian(QByteArray& b, quint32 v)
{
    Put16BigEndian(b, int(v >> 16));
    Put16BigEndian(b, int(v & 0xFFFF));
}

void Marker(QByteArray& b, int code, const QByteArray& body)
{
    b.append(char(0xFF));
    b.append(char(code));
    Put16BigEndian(b, int(body.size()) + 2);
    b.append(body);
}

// Bits written least significant first, as WebP's lossless and JPEG XL's
// streams take them.
class LsbBits {
public:
    void Put(quint32 value, int count)
    {
        for (int i = 0; i < count; ++i, ++used_) {
            if (used_ % 8 == 0)
                bytes_.append('\0');
            if ((value >> i) & 1)
                bytes_[bytes_.size() - 1] = char(bytes_.back() | (1 << (used_ % 8)));
        }
    }
    QByteArray Bytes() const { return bytes_; }

private:
    QByteArray bytes_;
    int used_ = 0;
};

void Put24LittleEndian(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 3; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A RIFF chunk, its payload padded to an even size.
QByteArray Chunk(const char* fourcc, const QByteArray& payload)
{
    QByteArray b(fourcc, 4);
    b.resize(8);
    qToLittleEndian(quint32(payload.size()), b.data() + 4);
    return b + payload + QByteArray(payload.size() % 2, '\0');
}

// A lossless WebP bitstream of width x height pixels all 0: no transform, no
// colour cache, five prefix codes of one symbol each, which cost no bits a
// pixel.
QByteArray LosslessBitstream(int width, int height)
{
    LsbBits bits;
    bits.Put(0x2F, 8);
    bits.Put(quint32(width - 1), 14);
    bits.Put(quint32(height - 1), 14);
    bits.Put(0, 4);  // no alpha, version 0
    bits.Put(0, 3);  // no transform, no colour cache, no meta prefix codes
    for (int code = 0; code < 5; ++code)
        bits.Put(1, 4);  // simple code, one symbol, 1-bit symbol 0
    return bits.Bytes();
}

} // namespace

QByteArray WebPCanvas(int width, int height, bool animated)
{
    QByteArray vp8x(1, char(animated ? 0x12 : 0x00));  // animation and alpha flags
    vp8x.append(QByteArray(3, '\0'));
    Put24LittleEndian(vp8x, quint32(width - 1));
    Put24LittleEndian(vp8x, quint32(height - 1));
    QByteArray body = "WEBP" + Chunk("VP8X", vp8x);
    if (animated) {
        body += Chunk("ANIM", QByteArray(6, '\0'));
        QByteArray frame(12, '\0');  // at (0, 0), 1 x 1
        Put24LittleEndian(frame, 100);  // duration
        frame.append('\0');  // blend, no disposal
        body += Chunk("ANMF", frame + Chunk("VP8L", LosslessBitstream(1, 1)));
    } else {
        body += Chunk("VP8L", LosslessBitstream(width, height));
    }
    return Chunk("RIFF", body);
}

QByteArray JxlHeader(quint32 width, quint32 height)
{
    LsbBits bits;
    bits.Put(0x0AFF, 16);  // the codestream's signature
    bits.Put(0, 1);  // a size not in eighths
    bits.Put(3, 2);  // 30 bits of height - 1
    bits.Put(height - 1, 30);
    bits.Put(0, 3);  // no aspect ratio: the width follows
    bits.Put(3, 2);
    bits.Put(width - 1, 30);
    bits.Put(1, 1);  // all metadata default
    return bits.Bytes();
}

QByteArray ProgressiveJpeg(int width, int height, int components, int extraScans)
{
    QByteArray b("\xFF\xD8", 2);  // SOI
    // APP0 padding of a fixed size keeps the file sizes the issue names
    // (172 bytes for the four-component header).
    Marker(b, 0xE0, QByteArray("JFIF\0\x01\x02\0\0\x01\0\x01\0\0", 14) + QByteArray(3, '\0'));
    // DQT: table 0, all ones.
    Marker(b, 0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01'));
    // SOF2: 8-bit precision, the declared size, every component 1 x 1.
    QByteArray sof(1, char(8));
    Put16BigEndian(sof, height);
    Put16BigEndian(sof, width);
    sof.append(char(components));
    for (int c = 1; c <= components; ++c) {
        sof.append(char(c));
        sof.append(char(0x11));
        sof.append(char(0));
    }
    Marker(b, 0xC2, sof);
    // DHT: a DC and an AC table 0 of one 1-bit code for symbol 0.
    QByteArray dht;
    for (int tableClass : {0x00, 0x10}) {
        dht.append(char(tableClass));
        QByteArray counts(16, '\0');
        counts[0] = 1;
        dht.append(counts);
        dht.append('\0');
    }
    Marker(b, 0xC4, dht);
    // The DC scan of all components, no data.
    QByteArray dc(1, char(components));
    for (int c = 1; c <= components; ++c) {
        dc.append(char(c));
        dc.append(char(0x00));
    }
    dc.append(QByteArray("\x00\x00\x00", 3));  // Ss 0, Se 0, Ah 0 Al 0
    Marker(b, 0xDA, dc);
    for (int i = 0; i < extraScans; ++i) {
        QByteArray ac(1, char(1));
        ac.append(char(1 + i % components));
        ac.append(char(0x00));
        ac.append(QByteArray("\x01\x3F\x00", 3));  // Ss 1, Se 63, Ah 0 Al 0
        Marker(b, 0xDA, ac);
    }
    b.append("\xFF\xD9", 2);  // EOI
    return b;
}

QByteArray RunLengthBitmap(int width, int height, int bitCount, QRgb colour)
{
    const int colours = 1 << bitCount;
    const quint32 offset = quint32(14 + 40 + 4 * colours);
    const QByteArray data("\x00\x01", 2);  // end of bitmap
    QByteArray b(qsizetype(offset), '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian(quint32(offset + quint32(data.size())), b.data() + 2);
    qToLittleEndian(offset, b.data() + 10);
    qToLittleEndian(quint32(40), b.data() + 14);
    qToLittleEndian(qint32(width), b.data() + 18);
    qToLittleEndian(qint32(height), b.data() + 22);
    qToLittleEndian(quint16(1), b.data() + 26);
    qToLittleEndian(quint16(bitCount), b.data() + 28);
    qToLittleEndian(quint32(bitCount == 8 ? 1 : 2), b.data() + 30);  // BI_RLE8, BI_RLE4
    qToLittleEndian(quint32(data.size()), b.data() + 34);
    qToLittleEndian(quint32(colours), b.data() + 46);
    b[54] = char(qBlue(colour));  // colour 0: blue, green, red
    b[55] = char(qGreen(colour));
    b[56] = char(qRed(colour));
    return b + data;
}

// ---- Colour profiles ---------------------------------------------------------

namespace {

// Big-endian 32-bit words.
QByteArray Words(std::initializer_list<quint32> words)
{
    QByteArray b;
    for (quint32 w : words)
        Put32BigEndian(b, w);
    return b;
}

} // namespace

QByteArray SharedElementProfile(int elements, SharedElement shared)
{
    // Three channels in and out: the identity matrix and no offsets, or
    // three times one curve y = (1 x + 0)^1 + 0.
    constexpr quint32 one = 0x3F800000;  // 1.0 as a 32-bit float
    const QByteArray curve = "curf" + Words({0, 1u << 16}) + "parf" + Words({0, 0, one, one, 0, 0});
    const QByteArray element = shared == SharedElement::Matrix
        ? "matf" + Words({0, 0x30003, one, 0, 0, 0, one, 0, 0, 0, one, 0, 0, 0})
        : "cvst" + Words({0, 0x30003, 36, quint32(curve.size()), 36, quint32(curve.size()), 36,
                          quint32(curve.size())}) + curve;
    QByteArray tag = "mpet" + Words({0, 0x30003, quint32(elements)});
    for (int i = 0; i < elements; ++i)
        tag += Words({16 + 8 * quint32(elements), quint32(element.size())});
    tag += element;

    // Version 4.4, a display profile from RGB to XYZ, D50, and one tag.
    constexpr quint32 kTagAt = 128 + 4 + 12;
    QByteArray p = Words({kTagAt + quint32(tag.size())}) + "lcms" + Words({0x04400000}) + "mntrRGB XYZ " +
        QByteArray(12, '\0') + "acsp" + QByteArray(28, '\0') + Words({0, 0xF6D6, 0x10000, 0xD32D});
    p += QByteArray(128 - p.size(), '\0') + Words({1}) + "D2B0" + Words({kTagAt, quint32(tag.size())});
    return p + tag;
}

bool WriteMarkerFlood(const QString& path, int app, int count, int bodyBytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write("\xFF\xD8", 2) != 2)
        return false;
    QByteArray header(1, char(0xFF));
    header.append(char(0xE0 + app));
    Put16BigEndian(header, bodyBytes + 2);
    for (qint64 i = 0; i < count; ++i) {
        if (!out.seek(2 + i * (4 + bodyBytes)) || out.write(header) != header.size())
            return false;
    }
    const QByteArray picture = ProgressiveJpeg(16, 16, 1, 0).mid(2);
    return out.seek(2 + qint64(count) * (4 + bodyBytes)) && out.write(picture) == picture.size();
}

} // namespace bombs
