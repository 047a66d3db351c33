// The window's icon: the drawing the desktop installs, readable at the
// smallest size a panel or task bar shows.

#include <QApplication>
#include <QFile>
#include <QTest>

class TestProgramIcon : public QObject {
    Q_OBJECT
private slots:
    void builtInIconIsTheInstalledDrawing()
    {
        QFile built(QStringLiteral(":/icons/yotsumado.svg"));
        QFile installed(QStringLiteral(YOTSUMADO_ICON_FILE));
        QVERIFY(built.open(QIODevice::ReadOnly));
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QCOMPARE(built.readAll(), installed.readAll());
    }

    void iconIsLegibleAt16Pixels()
    {
        const QIcon icon(QStringLiteral(":/icons/yotsumado.svg"));
        QVERIFY2(!icon.pixmap(QSize(16, 16)).isNull(), "no SVG icon engine (libqt6svg6)");
        const QImage img = icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(img.size(), QSize(16, 16));
        // Four light panels around a blue cross, inside a dark frame.
        const auto isLight = [&](int x, int y) { return qGray(img.pixel(x, y)) > 200 && qAlpha(img.pixel(x, y)) == 255; };
        const auto isBlue = [&](int x, int y) {
            const QRgb p = img.pixel(x, y);
            return qBlue(p) > 180 && qRed(p) < 80 && qGreen(p) < 80;
        };
        QVERIFY(isBlue(7, 2) || isBlue(8, 2));
        QVERIFY(isBlue(2, 7) || isBlue(2, 8));
        for (const QPoint p : {QPoint(3, 3), QPoint(12, 3), QPoint(3, 12), QPoint(12, 12)})
            QVERIFY2(!isBlue(p.x(), p.y()), qPrintable(QStringLiteral("panel at %1,%2").arg(p.x()).arg(p.y())));
        int light = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                light += isLight(x, y);
        QVERIFY2(light >= 40, qPrintable(QString::number(light)));
    }
};

QTEST_MAIN(TestProgramIcon)
#include "tst_programicon.moc"
