// The formatted text drawing that labels and buttons lay their text out
// with: word breaks, path and end ellipses, tab stops. Each case is checked
// by what it measures (calculate-only mode) and by what it draws, compared
// with the plain drawing of the text the rule says must appear.

#include "controls/base/drawtext.h"
#include "support/pixels.h"
#include "support/testmain.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

using namespace yotsumado;

namespace {

QFont TestFont()
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    return font;
}

int Width(const QString& text)
{
    return TextWidth(TestFont(), text);
}

int LineHeight()
{
    return QFontMetrics(TestFont()).height();
}

QImage Canvas()
{
    QImage image(320, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage Drawn(const QString& text, const QRect& rect, unsigned flags)
{
    QImage image = Canvas();
    QPainter painter(&image);
    DrawTextFlags(&painter, text, rect, flags, TestFont(), Qt::black);
    return image;
}

// Lines drawn one under another, each on its own, with the same alignment.
QImage DrawnLines(const QStringList& lines, const QRect& rect, unsigned alignment)
{
    QImage image = Canvas();
    QPainter painter(&image);
    for (qsizetype i = 0; i < lines.size(); ++i)
        DrawTextFlags(&painter, lines[i], rect.translated(0, int(i) * LineHeight()), alignment | DT_SINGLELINE,
                      TestFont(), Qt::black);
    return image;
}

// The leftmost column with any ink, or -1.
int FirstInkColumn(const QImage& image)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if ((image.pixel(x, y) & 0xffffffu) != 0xffffffu)
                return x;
    return -1;
}

} // namespace

class TestDrawText : public QObject {
    Q_OBJECT
private slots:
    // --- word break -------------------------------------------------------
    void wordBreakPutsOnEachLineTheWordsThatFit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("everything fits") << "aaa bbb ccc" << Width("aaa bbb ccc") << QStringList{"aaa bbb ccc"};
        QTest::newRow("the word that does not fit starts a line")
            << "aaa bbb ccc" << Width("aaa bbb") << QStringList{"aaa bbb", "ccc"};
        QTest::newRow("one pixel narrower")
            << "aaa bbb ccc" << Width("aaa bbb") - 1 << QStringList{"aaa", "bbb", "ccc"};
        QTest::newRow("a word wider than the line stays whole on its own line")
            << "aaa extraordinarily bbb" << Width("aaa") + 2 << QStringList{"aaa", "extraordinarily", "bbb"};
        QTest::newRow("line breaks in the text always break")
            << "aaa\nbbb ccc\r\nddd\reee" << 300 << QStringList{"aaa", "bbb ccc", "ddd", "eee"};
        QTest::newRow("an empty line keeps its place") << "aaa\n\nbbb" << 300 << QStringList{"aaa", "", "bbb"};
        QTest::newRow("several blanks at a break")
            << "aaa    bbb" << Width("aaa") << QStringList{"aaa", "bbb"};
        QTest::newRow("breaks inside a line of its own")
            << "aaa bbb\nccc ddd eee" << Width("ccc ddd") << QStringList{"aaa bbb", "ccc ddd", "eee"};
    }
    void wordBreakPutsOnEachLineTheWordsThatFit()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QStringList, lines);
        const QRect rect(5, 7, width, 100);
        const QRect needed = DrawTextFlags(nullptr, text, rect, DT_WORDBREAK | DT_CALCRECT, TestFont(), QColor());
        QCOMPARE(needed.topLeft(), rect.topLeft());
        QCOMPARE(needed.height(), int(lines.size()) * LineHeight());
        int widest = 0;
        for (const QString& line : lines)
            widest = qMax(widest, Width(line));
        QCOMPARE(needed.width(), widest);  // blanks where a line breaks take no room
        const QRect wide(rect.topLeft(), QSize(300, 100));  // the lines drawn without any clipping
        SAME_IMAGE(Drawn(text, QRect(rect.topLeft(), QSize(width, 100)), DT_WORDBREAK | DT_NOCLIP),
                   DrawnLines(lines, wide, DT_LEFT));
    }

    void wrappedLinesAreAlignedEachOnItsOwn_data()
    {
        QTest::addColumn<uint>("alignment");
        QTest::newRow("right") << uint(DT_RIGHT);
        QTest::newRow("centre") << uint(DT_CENTER);
    }
    void wrappedLinesAreAlignedEachOnItsOwn()
    {
        QFETCH(uint, alignment);
        const QRect rect(10, 4, Width("aaa bbb") + 10, 100);
        SAME_IMAGE(Drawn(QStringLiteral("aaa bbb ccc"), rect, alignment | DT_WORDBREAK),
                   DrawnLines({QStringLiteral("aaa bbb"), QStringLiteral("ccc")}, rect, alignment));
    }

    void withoutWordBreakTextKeepsItsLines()
    {
        const QString text = QStringLiteral("aaa bbb ccc");
        const QRect narrow(0, 0, Width("aaa"), 100);
        const QRect one = DrawTextFlags(nullptr, text, narrow, DT_CALCRECT, TestFont(), QColor());
        QCOMPARE(one.height(), LineHeight());
        QCOMPARE(one.width(), Width(text));
        // Its own line breaks still count; a single line ignores them too.
        QCOMPARE(DrawTextFlags(nullptr, QStringLiteral("aaa\nbbb"), narrow, DT_CALCRECT, TestFont(), QColor()).height(),
                 2 * LineHeight());
        QCOMPARE(DrawTextFlags(nullptr, QStringLiteral("aaa\nbbb"), narrow, DT_SINGLELINE | DT_CALCRECT, TestFont(),
                               QColor()).height(),
                 LineHeight());
    }

    // --- ellipses -----------------------------------------------------------
    void ellipsisShortensTextThatDoesNotFit_data()
    {
        // The rectangle is exactly as wide as the shortened text, so the
        // longest beginning that fits is the one given.
        QTest::addColumn<uint>("flag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("path, slashes") << uint(DT_PATH_ELLIPSIS) << "/home/user/pictures/holiday/beach.jpg"
                                       << "/home/us.../beach.jpg";
        QTest::newRow("path, backslashes") << uint(DT_PATH_ELLIPSIS) << "C:\\Program Files\\Yotsumado\\readme.txt"
                                           << "C:\\Prog...\\readme.txt";
        QTest::newRow("path, the last separator of either kind")
            << uint(DT_PATH_ELLIPSIS) << "C:\\data/photos\\2026/img.jpg" << "C:\\d.../img.jpg";
        QTest::newRow("path, nothing left in front of the last part")
            << uint(DT_PATH_ELLIPSIS) << "/a/b/c/verylongfilename.jpeg" << ".../verylongfilename.jpeg";
        QTest::newRow("path, Japanese names") << uint(DT_PATH_ELLIPSIS) << "/ホーム/写真/夏休み/海辺の写真.jpg"
                                              << "/ホーム/写.../海辺の写真.jpg";
        QTest::newRow("end") << uint(DT_END_ELLIPSIS) << "/home/user/pictures/holiday/beach.jpg"
                             << "/home/user/pictu...";
        QTest::newRow("end, keeps whole surrogate pairs")
            << uint(DT_END_ELLIPSIS) << QString::fromUtf8("ab\U0001F600\U0001F600cdefgh") << QString::fromUtf8("ab\U0001F600...");
    }
    void ellipsisShortensTextThatDoesNotFit()
    {
        QFETCH(uint, flag);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QVERIFY(Width(text) > Width(shown));
        const QRect rect(3, 5, Width(shown), LineHeight());
        const QRect needed = DrawTextFlags(nullptr, text, rect, flag | DT_CALCRECT, TestFont(), QColor());
        QCOMPARE(needed.width(), Width(shown));
        QCOMPARE(needed.height(), LineHeight());
        SAME_IMAGE(Drawn(text, rect, flag), Drawn(shown, rect, 0));
    }

    void textThatFitsIsNeverShortened_data()
    {
        QTest::addColumn<uint>("flag");
        QTest::newRow("path") << uint(DT_PATH_ELLIPSIS);
        QTest::newRow("end") << uint(DT_END_ELLIPSIS);
    }
    void textThatFitsIsNeverShortened()
    {
        QFETCH(uint, flag);
        const QString text = QStringLiteral("/home/user/beach.jpg");
        const QRect rect(3, 5, Width(text), LineHeight());
        SAME_IMAGE(Drawn(text, rect, flag), Drawn(text, rect, 0));
        QCOMPARE(DrawTextFlags(nullptr, text, rect, flag | DT_CALCRECT, TestFont(), QColor()).width(), Width(text));
    }

    // --- tabs -------------------------------------------------------------
    void expandedTabsReachTheNextStopOfEightAverageCharacters_data()
    {
        QTest::addColumn<QString>("before");  // the text up to the last tab
        QTest::addColumn<int>("stop");        // the stop the text after it starts at (1 = the first)
        QTest::newRow("tab first") << "\t" << 1;
        QTest::newRow("short text, tab") << "ab\t" << 1;
        QTest::newRow("two tabs") << "\t\t" << 2;
        QTest::newRow("text, tab, text, tab") << "a\tb\t" << 2;
        QTest::newRow("text past the first stop") << QStringLiteral("W").repeated(12) + QStringLiteral("\t") << -1;
    }
    void expandedTabsReachTheNextStopOfEightAverageCharacters()
    {
        QFETCH(QString, before);
        QFETCH(int, stop);
        const QFontMetrics fm(TestFont());
        const int interval = 8 * fm.averageCharWidth();
        if (stop < 0)  // the stop after the text in front of the tab
            stop = Width(before.chopped(1)) / interval + 1;
        const QString after = QStringLiteral("X");
        const QRect rect(0, 0, 300, LineHeight());
        // Advances are fractional and the measured width is rounded: half a
        // pixel either way is rounding.
        const QFontMetricsF exact(TestFont());
        const qreal start =
            DrawTextFlags(nullptr, before + after, rect, DT_EXPANDTABS | DT_CALCRECT, TestFont(), QColor()).width()
            - exact.horizontalAdvance(after);
        // Tabs are laid out as blanks: the text starts at the stop or, at
        // most, less than one blank after it.
        QVERIFY2(start > stop * interval - 0.5 && start < stop * interval + exact.horizontalAdvance(QLatin1Char(' ')) + 0.5,
                 qPrintable(QStringLiteral("starts at %1, the stop is at %2").arg(start).arg(stop * interval)));
        // Drawn: nothing left of the stop when only blanks come before it.
        if (before.trimmed().isEmpty()) {
            const int ink = FirstInkColumn(Drawn(before + after, rect, DT_EXPANDTABS));
            QVERIFY2(ink >= stop * interval, qPrintable(QStringLiteral("ink from column %1").arg(ink)));
            QVERIFY(ink < stop * interval + Width(QStringLiteral(" ")) + Width(after));
        }
    }
};

YOTSUMADO_TEST_MAIN(TestDrawText)
#include "tst_drawtext.moc"
