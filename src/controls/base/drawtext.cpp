#include "controls/base/drawtext.h"

#include <QFontMetrics>
#include <QPainter>

namespace yotsumado {

namespace {

// One displayed line: its text with prefixes resolved and where the
// accelerator (if any) sits.
struct Line {
    QString text;
    int accelPos = -1;
};

QString ExpandTabs(const QString& s, const QFontMetrics& fm)
{
    if (!s.contains(QLatin1Char('\t')))
        return s;
    // Tab stops every eight average character widths, reached with spaces:
    // as few as take the text to the stop (a space's advance may be
    // fractional, so the width is measured, not counted).
    const int stop = 8 * std::max(1, fm.averageCharWidth());
    QString out;
    for (QChar c : s) {
        if (c == QLatin1Char('\t')) {
            const int next = (fm.horizontalAdvance(out) / stop + 1) * stop;
            do
                out += QLatin1Char(' ');
            while (fm.horizontalAdvance(out) < next);
        } else {
            out += c;
        }
    }
    return out;
}

Line ResolvePrefix(const QString& s, bool prefix)
{
    Line line;
    if (!prefix) {
        line.text = s;
        return line;
    }
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&') && i + 1 < s.size()) {
            ++i;
            if (s[i] != QLatin1Char('&'))
                line.accelPos = static_cast<int>(line.text.size());
        } else if (s[i] == QLatin1Char('&')) {
            continue;  // a lone trailing ampersand shows nothing
        }
        line.text += s[i];
    }
    return line;
}

QStringList WrapWords(const QString& line, int width, const QFontMetrics& fm)
{
    QStringList out;
    QString current;
    int i = 0;
    while (i < line.size()) {
        // Next word with its trailing blanks.
        int j = i;
        while (j < line.size() && line[j] != QLatin1Char(' ')) ++j;
        while (j < line.size() && line[j] == QLatin1Char(' ')) ++j;
        const QString word = line.mid(i, j - i);
        if (!current.isEmpty() && fm.horizontalAdvance((current + word).trimmed()) > width) {
            out.append(current);
            current.clear();
        }
        current += word;
        i = j;
    }
    out.append(current);
    return out;
}

QString ElideEnd(const QString& s, int width, const QFontMetrics& fm)
{
    if (fm.horizontalAdvance(s) <= width) return s;
    const QString dots = QStringLiteral("...");
    const QStringList chars = SplitCharacters(s);
    QString kept;
    for (const QString& c : chars) {
        if (fm.horizontalAdvance(kept + c + dots) > width) break;
        kept += c;
    }
    return kept + dots;
}

QString ElidePath(const QString& s, int width, const QFontMetrics& fm)
{
    if (fm.horizontalAdvance(s) <= width) return s;
    const int sep = static_cast<int>(std::max(s.lastIndexOf(QLatin1Char('\\')), s.lastIndexOf(QLatin1Char('/'))));
    const QString tail = sep >= 0 ? s.mid(sep) : s;
    const QString head = sep >= 0 ? s.left(sep) : QString();
    const QString dots = QStringLiteral("...");
    const QStringList chars = SplitCharacters(head);
    QString kept;
    for (const QString& c : chars) {
        if (fm.horizontalAdvance(kept + c + dots + tail) > width) break;
        kept += c;
    }
    return kept + dots + tail;
}

} // namespace

QStringList SplitCharacters(const QString& text)
{
    QStringList out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append(text.mid(i, 2));
            ++i;
        } else {
            out.append(QString(text[i]));
        }
    }
    return out;
}

QString AcceleratorOf(const QString& caption)
{
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] == QLatin1Char('&')) { ++i; continue; }
        return SplitCharacters(caption.mid(i + 1)).value(0);
    }
    return QString();
}

int TextWidth(const QFont& font, const QString& text)
{
    return QFontMetrics(font).horizontalAdvance(text);
}

QRect DrawTextFlags(QPainter* painter, const QString& text, const QRect& rect, unsigned flags,
                    const QFont& font, const QColor& color)
{
    const QFontMetrics fm(font);
    const int lineHeight = fm.height();
    const int width = rect.width();

    QStringList raw;
    if (flags & DT_SINGLELINE) {
        QString t = text;
        t.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        raw.append(t);
    } else {
        QString t = text;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        raw = t.split(QLatin1Char('\n'));
    }

    QList<Line> lines;
    for (const QString& r : raw) {
        Line l = ResolvePrefix(r, !(flags & DT_NOPREFIX));
        if (flags & DT_EXPANDTABS) l.text = ExpandTabs(l.text, fm);
        if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE)) {
            const QStringList wrapped = WrapWords(l.text, width, fm);
            int offset = 0;
            for (qsizetype k = 0; k < wrapped.size(); ++k) {
                const QString& w = wrapped[k];
                Line part;
                part.text = w;
                if (l.accelPos >= offset && l.accelPos < offset + w.size()) part.accelPos = l.accelPos - offset;
                offset += static_cast<int>(w.size());
                // The blanks where a line breaks take no room: they neither
                // widen the line nor push it from the right edge.
                if (k + 1 < wrapped.size()) {
                    while (part.text.endsWith(QLatin1Char(' '))) part.text.chop(1);
                    if (part.accelPos >= part.text.size()) part.accelPos = -1;
                }
                lines.append(part);
            }
        } else {
            lines.append(l);
        }
    }
    for (Line& l : lines) {
        const QString before = l.text;
        if (flags & DT_END_ELLIPSIS) l.text = ElideEnd(l.text, width, fm);
        else if (flags & DT_PATH_ELLIPSIS) l.text = ElidePath(l.text, width, fm);
        if (l.text != before && l.accelPos >= l.text.size() - 3) l.accelPos = -1;
    }

    int widest = 0;
    for (const Line& l : lines) widest = std::max(widest, fm.horizontalAdvance(l.text));
    const QRect used(rect.left(), rect.top(), widest, lineHeight * static_cast<int>(lines.size()));
    if ((flags & DT_CALCRECT) || !painter)
        return used;

    painter->save();
    if (!(flags & DT_NOCLIP)) painter->setClipRect(rect, Qt::IntersectClip);
    painter->setPen(color);
    painter->setFont(font);
    int y = rect.top();
    for (const Line& l : lines) {
        const int w = fm.horizontalAdvance(l.text);
        int x = rect.left();
        if (flags & DT_RIGHT) x = rect.left() + width - w;
        else if (flags & DT_CENTER) x = rect.left() + (width - w) / 2;
        const int baseline = y + fm.ascent();
        painter->drawText(QPoint(x, baseline), l.text);
        if (l.accelPos >= 0 && l.accelPos < l.text.size()) {
            const int ax = x + fm.horizontalAdvance(l.text.left(l.accelPos));
            const int aw = fm.horizontalAdvance(l.text.mid(l.accelPos, 1));
            painter->fillRect(QRect(ax, baseline + 1, aw, std::max(1, fm.lineWidth())), color);
        }
        y += lineHeight;
    }
    painter->restore();
    return used;
}

} // namespace yotsumado
