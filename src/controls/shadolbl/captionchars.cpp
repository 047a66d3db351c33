#include "controls/shadolbl/captionchars.h"

namespace yotsumado {

int CharacterByteLength(const QString& ch)
{
    if (ch.isEmpty())
        return 0;
    const char32_t cp = ch.at(0).isHighSurrogate() && ch.size() > 1
                            ? QChar::surrogateToUcs4(ch.at(0), ch.at(1))
                            : ch.at(0).unicode();
    if (cp <= 0x7F || (cp >= 0xFF61 && cp <= 0xFF9F))
        return 1;
    return 2;
}

int TextByteLength(const QStringList& chars)
{
    int total = 0;
    for (const QString& c : chars)
        total += CharacterByteLength(c);
    return total;
}

qsizetype ThreeColorSplit(const QStringList& chars)
{
    const int splitByte = TextByteLength(chars) / 2;
    if (splitByte < 1)
        return 0;
    int end = 0;  // last byte of the characters taken so far
    for (qsizetype i = 0; i < chars.size(); ++i) {
        end += CharacterByteLength(chars.at(i));
        if (end >= splitByte)
            return i + 1;
    }
    return chars.size();
}

} // namespace yotsumado
