#include "bmpwriter.h"

#include <QtEndian>

namespace testing {

namespace {

void Put16(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian(quint16(v), b.data() + at);
}

void Put32(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

// One channel of a masked pixel as 8 bits, worked out bit by bit.
uchar Channel(quint32 pixel, quint32 mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u))
        ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u))
        ++bits;
    const quint64 v = (pixel & mask) >> shift;
    if (bits >= 8)
        return uchar(v >> (bits - 8));
    quint64 repeated = 0;
    int have = 0;
    while (have < 8) {
        repeated = repeated << bits | v;
        have += bits;
    }
    return uchar(repeated >> (have - 8));
}

QRgb DirectColour(const BmpRecipe& r, quint32 pixel)
{
    if (r.bitCount == 24 || (r.bitCount == 32 && r.compression == 0))
        return qRgb(int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF));
    const std::array<quint32, 3> masks =
        r.compression == 3 ? r.masks : std::array<quint32, 3>{0x7C00, 0x03E0, 0x001F};
    return qRgb(Channel(pixel, masks[0]), Channel(pixel, masks[1]), Channel(pixel, masks[2]));
}

QByteArray PixelRows(const BmpRecipe& r)
{
    const qsizetype rowBytes = (qsizetype(r.width) * r.bitCount + 31) / 32 * 4;
    QByteArray data;
    for (int i = 0; i < r.height; ++i) {
        const int y = r.topDown ? i : r.height - 1 - i;
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < r.width; ++x) {
            const quint32 p = r.pixel(x, y);
            switch (r.bitCount) {
            case 1: row[x / 8] = char(quint8(row[x / 8]) | (p & 1u) << (7 - x % 8)); break;
            case 4: row[x / 2] = char(quint8(row[x / 2]) | (p & 15u) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = char(p); break;
            case 16: Put16(row, 2 * x, p); break;
            case 24: row[3 * x] = char(p); row[3 * x + 1] = char(p >> 8); row[3 * x + 2] = char(p >> 16); break;
            case 32: Put32(row, 4 * x, p); break;
            }
        }
        data += row;
    }
    return data;
}

// The run-length data, and the index of each pixel it reaches (-1: none).
QByteArray RunLengthData(const BmpRecipe& r, QList<int>* indices)
{
    const bool four = r.compression == 2;
    indices->fill(-1, qsizetype(r.width) * r.height);
    int x = 0, row = 0;  // row 0 is the bottom one
    const auto set = [&](int index) {
        if (x < r.width && row < r.height)
            (*indices)[qsizetype(r.height - 1 - row) * r.width + x] = index;
        ++x;
    };
    QByteArray data;
    for (const RleOp& op : r.runs) {
        switch (op.kind) {
        case RleOp::Run: {
            const int a = op.indices.value(0), b = op.indices.value(1, a);
            data += char(op.count);
            data += char(four ? (a << 4 | b) : a);
            for (int i = 0; i < op.count; ++i)
                set(four && i % 2 ? b : a);
            break;
        }
        case RleOp::Literal: {
            data += '\0';
            data += char(op.indices.size());
            QByteArray bytes;
            for (qsizetype i = 0; i < op.indices.size(); ++i) {
                if (!four)
                    bytes += char(op.indices[i]);
                else if (i % 2 == 0)
                    bytes += char(op.indices[i] << 4);
                else
                    bytes[bytes.size() - 1] = char(quint8(bytes.back()) | op.indices[i]);
                set(op.indices[i]);
            }
            if (bytes.size() % 2)
                bytes += '\0';  // literal runs end on a 16-bit boundary
            data += bytes;
            break;
        }
        case RleOp::EndOfLine:
            data += QByteArray("\0\0", 2);
            x = 0;
            ++row;
            break;
        case RleOp::Delta:
            data += QByteArray("\0\2", 2);
            data += char(op.dx);
            data += char(op.dy);
            x += op.dx;
            row += op.dy;
            break;
        case RleOp::EndOfBitmap:
            data += QByteArray("\0\1", 2);
            return data;
        }
    }
    return data;
}

} // namespace

RleOp RleRun(int count, int index, int second)
{
    RleOp op;
    op.kind = RleOp::Run;
    op.count = count;
    op.indices = second < 0 ? QList<int>{index} : QList<int>{index, second};
    return op;
}

RleOp RleLiteral(const QList<int>& indices)
{
    RleOp op;
    op.kind = RleOp::Literal;
    op.indices = indices;
    return op;
}

RleOp RleEndOfLine()
{
    RleOp op;
    op.kind = RleOp::EndOfLine;
    return op;
}

RleOp RleDelta(int dx, int dy)
{
    RleOp op;
    op.kind = RleOp::Delta;
    op.dx = dx;
    op.dy = dy;
    return op;
}

RleOp RleEndOfBitmap()
{
    return RleOp();
}

MadeBmp MakeBmp(const BmpRecipe& r)
{
    const bool indexed = r.bitCount <= 8;
    const bool os2v1 = r.headerSize == 12;
    const bool rle = r.compression == 1 || r.compression == 2;

    // Info header.
    QByteArray header(r.headerSize, '\0');
    Put32(header, 0, quint32(r.headerSize));
    if (os2v1) {
        Put16(header, 4, quint32(r.width));
        Put16(header, 6, quint32(r.height));
        Put16(header, 8, 1);
        Put16(header, 10, quint32(r.bitCount));
    } else {
        Put32(header, 4, quint32(r.width));
        Put32(header, 8, quint32(r.topDown ? -r.height : r.height));
        Put16(header, 12, 1);
        Put16(header, 14, quint32(r.bitCount));
    }
    const qsizetype colours = r.coloursUsed >= 0 ? r.coloursUsed : r.palette.size();
    if (r.headerSize >= 40) {
        Put32(header, 16, quint32(r.compression));
        Put32(header, 24, 2835);  // 72 dots an inch
        Put32(header, 28, 2835);
        Put32(header, 32, quint32(colours));
    }
    QByteArray masksAfterHeader;
    if (r.compression == 3 || r.headerSize >= 108) {
        if (r.headerSize >= 52) {
            for (int i = 0; i < 3; ++i)
                Put32(header, 40 + 4 * i, r.masks[size_t(i)]);
        } else {
            masksAfterHeader.resize(12);
            for (int i = 0; i < 3; ++i)
                Put32(masksAfterHeader, 4 * i, r.masks[size_t(i)]);
        }
    }
    if (r.headerSize >= 108)
        Put32(header, 56, 0x73524742);  // 'sRGB'

    // Colour table: 3-byte entries after an OS/2 1.x header, 4-byte ones
    // (the fourth byte unused) after every other.
    QByteArray palette;
    for (const QRgb c : r.palette) {
        palette += char(qBlue(c));
        palette += char(qGreen(c));
        palette += char(qRed(c));
        if (!os2v1)
            palette += char(0x5A);  // unused: must not matter
    }

    QList<int> reached;
    const QByteArray data = rle ? RunLengthData(r, &reached) : PixelRows(r);
    if (r.headerSize >= 40)
        Put32(header, 20, quint32(data.size()));

    const qsizetype offset = 14 + header.size() + masksAfterHeader.size() + palette.size() + r.gapAfterPalette;
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, quint32(offset + data.size()));
    Put32(file, 10, quint32(offset));
    file += header + masksAfterHeader + palette + QByteArray(r.gapAfterPalette, char(0xEE)) + data;

    // The picture it shows.
    QImage expected(r.width, r.height, QImage::Format_RGB888);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            if (rle) {
                const int index = reached[qsizetype(y) * r.width + x];
                expected.setPixel(x, y, r.palette.value(index < 0 ? 0 : index));
            } else if (indexed) {
                expected.setPixel(x, y, r.palette.value(int(r.pixel(x, y))));
            } else {
                expected.setPixel(x, y, DirectColour(r, r.pixel(x, y)));
            }
        }
    }
    return {file, expected};
}

QList<QRgb> TestPalette(int n)
{
    QList<QRgb> out;
    for (int i = 0; i < n; ++i)
        out.append(qRgb(i, 255 - i, (i * 7 + 40) & 0xFF));  // the red byte tells them apart
    return out;
}

} // namespace testing
