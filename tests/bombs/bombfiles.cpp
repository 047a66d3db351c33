#include "bombfiles.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <vector>

namespace bombs {

namespace {

// The low `bytes` bytes of v, most significant first.
QByteArray BigEndian(quint32 v, int bytes)
{
    QByteArray b;
    for (int i = bytes - 1; i >= 0; --i)
        b.append(char((v >> (8 * i)) & 0xFF));
    return b;
}

QByteArray LittleEndian(quint32 v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
    return b;
}

// Big-endian 32-bit words.
QByteArray Words(std::initializer_list<quint32> words)
{
    QByteArray b;
    for (quint32 w : words)
        b += BigEndian(w, 4);
    return b;
}

void Marker(QByteArray& b, int code, const QByteArray& body)
{
    b += QByteArray(1, char(0xFF)) + char(code) + BigEndian(quint32(body.size() + 2), 2) + body;
}

// Bits written least significant first, as WebP's lossless and JPEG XL's
// streams take them.
struct LsbBits {
    LsbBits& Put(quint32 value, int count)
    {
        for (int i = 0; i < count; ++i, ++used) {
            bytes.resize(used / 8 + 1, '\0');
            bytes.back() = char(bytes.back() | ((value >> i) & 1) << (used % 8));
        }
        return *this;
    }
    QByteArray bytes;
    int used = 0;
};

// A RIFF chunk, its payload padded to an even size.
QByteArray Chunk(const char* fourcc, const QByteArray& payload)
{
    return QByteArray(fourcc, 4) + LittleEndian(quint32(payload.size()), 4) + payload + QByteArray(payload.size() % 2, '\0');
}

// A lossless WebP bitstream of width x height pixels all 0: no alpha,
// transform, colour cache or meta prefix codes, and five prefix codes of one
// symbol each (simple, one 1-bit symbol 0), which cost no bits a pixel.
QByteArray LosslessBitstream(int width, int height)
{
    LsbBits bits;
    bits.Put(0x2F, 8).Put(quint32(width - 1), 14).Put(quint32(height - 1), 14).Put(0, 4).Put(0, 3);
    for (int code = 0; code < 5; ++code)
        bits.Put(1, 4);
    return bits.bytes;
}

// A 64 x 64 grey picture as heif-enc (x265, 4:0:0) writes it: its hvcC
// payload (VPS, SPS, PPS); its one slice is in Heif().
const QByteArray kTileConfig = QByteArray::fromHex(
    "0104080000000000000000001ef000fcfcf8f800000f03200001001740010c01ffff0408000003009ff800000300001eba02402100"
    "0100264201010408000003009ff800000300001ec08204165ba924a6b9b0200000030020000003002122000100074401c172b02240");

QByteArray Box(const char* type, const QByteArray& payload)
{
    return BigEndian(quint32(payload.size() + 8), 4) + QByteArray(type, 4) + payload;
}

QByteArray FullBox(const char* type, int version, const QByteArray& payload)
{
    return Box(type, BigEndian(quint32(version) << 24, 4) + payload);
}

} // namespace

QByteArray WebPCanvas(int width, int height, bool animated)
{
    // The animation and alpha flags, then the canvas's size less one.
    const QByteArray vp8x = QByteArray(1, char(animated ? 0x12 : 0x00)) + QByteArray(3, '\0')
        + LittleEndian(quint32(width - 1), 3) + LittleEndian(quint32(height - 1), 3);
    const QByteArray body = "WEBP" + Chunk("VP8X", vp8x);
    if (!animated)
        return Chunk("RIFF", body + Chunk("VP8L", LosslessBitstream(width, height)));
    // At (0, 0), 1 x 1, lasting 100 ms, blended, not disposed.
    const QByteArray frame = QByteArray(12, '\0') + LittleEndian(100, 3) + QByteArray(1, '\0');
    return Chunk("RIFF", body + Chunk("ANIM", QByteArray(6, '\0')) + Chunk("ANMF", frame + Chunk("VP8L", LosslessBitstream(1, 1))));
}

QByteArray JxlHeader(quint32 width, quint32 height)
{
    // The signature; a size not in eighths, 30 bits of height - 1; no aspect
    // ratio, so 30 bits of width - 1; all metadata default.
    return LsbBits().Put(0x0AFF, 16).Put(0, 1).Put(3, 2).Put(height - 1, 30).Put(0, 3).Put(3, 2).Put(width - 1, 30).Put(1, 1).bytes;
}

QByteArray ProgressiveJpeg(int width, int height, int components, int extraScans)
{
    QByteArray b("\xFF\xD8", 2);  // SOI
    // APP0 padding of a fixed size keeps the file sizes the header promises
    // (172 bytes for the four-component header).
    Marker(b, 0xE0, QByteArray("JFIF\0\x01\x02\0\0\x01\0\x01\0\0", 14) + QByteArray(3, '\0'));
    // DQT: table 0, all ones.
    Marker(b, 0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01'));
    // SOF2: 8-bit precision, the declared size, every component 1 x 1.
    QByteArray sof = QByteArray(1, char(8)) + BigEndian(quint32(height), 2) + BigEndian(quint32(width), 2) + char(components);
    QByteArray dc(1, char(components));  // the DC scan of all components, no data
    for (int c = 1; c <= components; ++c) {
        sof += char(c) + QByteArray("\x11\0", 2);
        dc += char(c) + QByteArray(1, '\0');
    }
    Marker(b, 0xC2, sof);
    // DHT: a DC and an AC table 0 of one 1-bit code for symbol 0.
    const QByteArray table = QByteArray(1, '\x01') + QByteArray(15, '\0') + QByteArray(1, '\0');
    Marker(b, 0xC4, QByteArray(1, '\0') + table + char(0x10) + table);
    Marker(b, 0xDA, dc + QByteArray("\x00\x00\x00", 3));  // Ss 0, Se 0, Ah 0 Al 0
    for (int i = 0; i < extraScans; ++i)  // Ss 1, Se 63, Ah 0 Al 0
        Marker(b, 0xDA, QByteArray(1, char(1)) + char(1 + i % components) + QByteArray("\0\x01\x3F\x00", 4));
    b.append("\xFF\xD9", 2);  // EOI
    return b;
}

QByteArray RunLengthBitmap(int width, int height, int bitCount, QRgb colour)
{
    const quint32 colours = 1u << bitCount, offset = 14 + 40 + 4 * colours;
    // BI_RLE8 or BI_RLE4, data 2 bytes, `colours` colours; colour 0 is blue, green, red.
    const QByteArray b = "BM" + LittleEndian(offset + 2, 4) + QByteArray(4, '\0') + LittleEndian(offset, 4) + LittleEndian(40, 4)
        + LittleEndian(quint32(width), 4) + LittleEndian(quint32(height), 4) + LittleEndian(1, 2) + LittleEndian(quint32(bitCount), 2)
        + LittleEndian(bitCount == 8 ? 1 : 2, 4) + LittleEndian(2, 4) + QByteArray(8, '\0') + LittleEndian(colours, 4)
        + QByteArray(4, '\0') + char(qBlue(colour)) + char(qGreen(colour)) + char(qRed(colour));
    return b + QByteArray(offset - b.size(), '\0') + QByteArray("\x00\x01", 2);  // end of bitmap
}

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = type + data;
    quint32 crc = ~0u;
    for (const char byte : body) {
        crc ^= uchar(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return BigEndian(quint32(data.size()), 4) + body + BigEndian(~crc, 4);
}

QByteArray ZeroRowsPng(int width, int height, int rows)
{
    // 1 bit, grey, no interlace.
    const QByteArray header = BigEndian(quint32(width), 4) + BigEndian(quint32(height), 4) + QByteArray("\x01\0\0\0\0", 5);
    const QByteArray data = qCompress(QByteArray(qsizetype(rows) * (1 + (width + 7) / 8), '\0'), 9).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", data) + PngChunk("IEND", {});
}

QByteArray HugeScreenGif(int screenWidth, int screenHeight)
{
    // Two global colours, then at 0, 0 a 1 x 1 frame whose 2-bit LZW codes
    // are clear, 0, end.
    return "GIF89a" + LittleEndian(quint32(screenWidth), 2) + LittleEndian(quint32(screenHeight), 2)
        + QByteArray("\x80\0\0" "\0\0\0\xFF\xFF\xFF" ",\0\0\0\0\x01\0\x01\0\0" "\x02\x02\x44\x01\0;", 25);
}

QByteArray GreyTiff(quint32 width, quint32 height, quint32 rowsPerStrip, quint32 tile, int compression,
                    QByteArray data, quint32 entries, bool byteCounts)
{
    if (compression == 8)
        data = qCompress(data, 9).mid(4);  // a zlib stream, without Qt's length in front
    // The header, the data at offset 8, the directory, the arrays it points at.
    const quint32 offsets = tile ? 324 : 273, counts = tile ? 325 : 279, stored = std::min(entries, 16u);
    std::vector<std::array<quint32, 3>> tags{{256, 4, width}, {257, 4, height}, {258, 3, 8},
                                             {259, 3, quint32(compression)}, {262, 3, 1}, {277, 3, 1}, {offsets, 4, 8}};
    tags.push_back({tile ? 322u : 278u, 4, tile ? tile : rowsPerStrip});  // TileWidth or RowsPerStrip
    if (tile)
        tags.push_back({323, 4, tile});
    if (byteCounts)
        tags.push_back({counts, 4, quint32(data.size())});
    std::sort(tags.begin(), tags.end());
    const quint32 ifdAt = 8 + quint32(data.size() + 1) / 2 * 2, arraysAt = ifdAt + 6 + 12 * quint32(tags.size());
    QByteArray b = "II*" + QByteArray(1, '\0') + LittleEndian(ifdAt, 4) + data, arrays;
    b.resize(ifdAt, '\0');
    b += LittleEndian(quint32(tags.size()), 2);
    for (auto [tag, type, value] : tags) {
        const quint32 count = tag == offsets || tag == counts ? entries : 1;
        b += LittleEndian(tag | type << 16, 4) + LittleEndian(count, 4) + LittleEndian(count > 1 ? arraysAt + quint32(arrays.size()) : value, 4);
        arrays += LittleEndian(value, 4).repeated(count > 1 ? stored : 0);
    }
    return b + LittleEndian(0, 4) + arrays;  // no next directory
}

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
    const QByteArray header = QByteArray(1, char(0xFF)) + char(0xE0 + app) + BigEndian(quint32(bodyBytes + 2), 2);
    for (qint64 i = 0; i < count; ++i)
        if (!out.seek(2 + i * (4 + bodyBytes)) || out.write(header) != header.size())
            return false;
    const QByteArray picture = ProgressiveJpeg(16, 16, 1, 0).mid(2);
    return out.seek(2 + qint64(count) * (4 + bodyBytes)) && out.write(picture) == picture.size();
}

// Item 1 is the primary picture: the grey picture itself declaring
// width x height (no columns), or a grid of that size whose tiles are all
// item 2, the grey picture declaring tileSide x tileSide.
QByteArray HeifGridOfOneTile(int columns, int rows, int width, int height, int tileSide)
{
    const bool grid = columns > 0;
    const QByteArray slice = QByteArray::fromHex("000000092801ae0830f28b16f8");
    // Version 0, 32-bit sizes.
    const QByteArray gridData = BigEndian(1, 2) + BigEndian(quint32(rows - 1), 1) + BigEndian(quint32(columns - 1), 1)
                                + BigEndian(quint32(width), 4) + BigEndian(quint32(height), 4);
    const QByteArray ftyp = Box("ftyp", QByteArray("heic\0\0\0\0mif1heic", 16));
    const auto infe = [](int id, const char* type) {
        return FullBox("infe", 2, BigEndian(quint32(id), 2) + BigEndian(0, 2) + QByteArray(type, 4) + QByteArray(1, '\0'));
    };
    const auto ispe = [](int w, int h) { return FullBox("ispe", 0, BigEndian(quint32(w), 4) + BigEndian(quint32(h), 4)); };
    QByteArray ipco = Box("hvcC", kTileConfig);
    ipco += grid ? ispe(tileSide, tileSide) + ispe(width, height) : ispe(width, height);
    // Associations: the picture has the hvcC (essential) and an ispe; the grid its own ispe.
    const QByteArray picture = QByteArray("\x81\x02", 2);
    const QByteArray ipma = grid ? BigEndian(2, 4) + BigEndian(1, 2) + BigEndian(1, 1) + BigEndian(3, 1)
                                       + BigEndian(2, 2) + BigEndian(2, 1) + picture
                                 : BigEndian(1, 4) + BigEndian(1, 2) + BigEndian(2, 1) + picture;
    const QByteArray dimg = BigEndian(1, 2) + BigEndian(quint32(columns * rows), 2) + BigEndian(2, 2).repeated(columns * rows);
    const QByteArray iref = grid ? FullBox("iref", 0, Box("dimg", dimg)) : QByteArray();
    QByteArray meta;
    for (int pass = 0; pass < 2; ++pass) {  // the second knows where the data start
        const quint32 data = quint32(ftyp.size() + meta.size() + 8);
        // Offsets and lengths of 4 bytes, no base offset.
        const auto item = [](quint32 id, quint32 at, qsizetype size) {  // one extent, no data reference
            return BigEndian(id, 2) + BigEndian(0, 2) + BigEndian(1, 2) + BigEndian(at, 4) + BigEndian(quint32(size), 4);
        };
        const QByteArray iloc = BigEndian(0x4400, 2) + BigEndian(grid ? 2 : 1, 2) + item(grid ? 2 : 1, data, slice.size())
            + (grid ? item(1, data + quint32(slice.size()), gridData.size()) : QByteArray());
        const QByteArray iinf = FullBox("iinf", 0, BigEndian(grid ? 2 : 1, 2) + (grid ? infe(1, "grid") + infe(2, "hvc1") : infe(1, "hvc1")));
        meta = FullBox("meta", 0, FullBox("hdlr", 0, BigEndian(0, 4) + "pict" + QByteArray(13, '\0'))
                                      + FullBox("pitm", 0, BigEndian(1, 2)) + FullBox("iloc", 0, iloc) + iinf + iref
                                      + Box("iprp", Box("ipco", ipco) + FullBox("ipma", 0, ipma)));
    }
    return ftyp + meta + Box("mdat", slice + (grid ? gridData : QByteArray()));
}

QByteArray HeifDeclaring(int width, int height)
{
    return HeifGridOfOneTile(0, 0, width, height, 0);
}

} // namespace bombs
