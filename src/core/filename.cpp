#include "core/filename.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace yotsumado {

namespace {

constexpr char16_t kCarrierBase = 0xDC00;  // byte b (0x80..0xFF) is U+DC00 + b

bool IsCarrier(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// The length of the valid UTF-8 sequence at p (1..4), or 0 when the bytes
// there do not start one: overlong forms, surrogates and values past
// U+10FFFF are not valid.
int ValidSequence(const unsigned char* p, qsizetype left, char32_t& value)
{
    const unsigned char b = p[0];
    if (b < 0x80) {
        value = b;
        return 1;
    }
    int length;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        value = b & 0x1F;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        value = b & 0x0F;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        value = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

void AppendHex(QString& out, const char* prefix, unsigned value, int digits)
{
    out += QLatin1String(prefix) + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

// Characters that are not seen but change how the text around them is
// shown: bidirectional controls (U+202E turns the rest of a line around),
// line and paragraph separators, zero-width characters.
bool IsUnseen(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Format || category == QChar::Separator_Line
        || category == QChar::Separator_Paragraph;
}

} // namespace

QString FileNameFromBytes(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t value = 0;
        const int length = ValidSequence(p + i, size - i, value);
        if (length == 0) {
            name += QChar(char16_t(kCarrierBase + p[i]));
            ++i;
            continue;
        }
        if (value >= 0x10000) {
            name += QChar(QChar::highSurrogate(value));
            name += QChar(QChar::lowSurrogate(value));
        } else {
            name += QChar(char16_t(value));
        }
        i += length;
    }
    return name;
}

QByteArray FileNameBytes(const QString& name)
{
    if (name.contains(QChar(0)))
        return {};
    QByteArray bytes;
    bytes.reserve(name.size());
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = name[i].unicode();
        char32_t value = c;
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(name[i + 1].unicode())) {
            value = QChar::surrogateToUcs4(c, name[i + 1].unicode());
            ++i;
        } else if (IsCarrier(c)) {
            bytes += char(c - kCarrierBase);
            continue;
        } else if (QChar::isSurrogate(c)) {
            value = 0xFFFD;
        }
        // UTF-8 of value.
        if (value < 0x80) {
            bytes += char(value);
        } else if (value < 0x800) {
            bytes += char(0xC0 | value >> 6);
            bytes += char(0x80 | (value & 0x3F));
        } else if (value < 0x10000) {
            bytes += char(0xE0 | value >> 12);
            bytes += char(0x80 | (value >> 6 & 0x3F));
            bytes += char(0x80 | (value & 0x3F));
        } else {
            bytes += char(0xF0 | value >> 18);
            bytes += char(0x80 | (value >> 12 & 0x3F));
            bytes += char(0x80 | (value >> 6 & 0x3F));
            bytes += char(0x80 | (value & 0x3F));
        }
    }
    return bytes;
}

QString ShownFileName(const QString& name)
{
    QString shown;
    shown.reserve(name.size());
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(name[i + 1].unicode())) {
            const char32_t value = QChar::surrogateToUcs4(c, name[i + 1].unicode());
            if (IsUnseen(value))
                AppendHex(shown, "\\U", value, 8);
            else
                shown += name.mid(i, 2);
            ++i;
        } else if (IsUnseen(c)) {
            AppendHex(shown, "\\u", c, 4);
        } else if (IsCarrier(c)) {
            AppendHex(shown, "\\x", c - kCarrierBase, 2);
        } else if (QChar::isSurrogate(c)) {
            shown += QChar(QChar::ReplacementCharacter);
        } else if (c == u'\t') {
            shown += QLatin1String("\\t");
        } else if (c == u'\n') {
            shown += QLatin1String("\\n");
        } else if (c == u'\r') {
            shown += QLatin1String("\\r");
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex(shown, "\\x", c, 2);
        } else if (c >= 0x80 && c <= 0x9F) {
            AppendHex(shown, "\\u", c, 4);
        } else {
            shown += name[i];
        }
    }
    return shown;
}

EFCreateError CannotCreateError(const QString& path)
{
    return EFCreateError(QStringLiteral("ファイル %1 を作成できません").arg(ShownFileName(path)));
}

QString AbsoluteFileName(const QString& path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return QDir::cleanPath(QDir::currentPath() + QLatin1Char('/') + path);
        buffer.resize(buffer.size() * 2);
    }
    return QDir::cleanPath(FileNameFromBytes(QByteArray(buffer.data())) + QLatin1Char('/') + path);
}

bool IsExistingFile(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(FileNameBytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString RunningProgramFile()
{
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return self.isEmpty() ? QCoreApplication::applicationFilePath() : self;
}

} // namespace yotsumado
