// The two programs started as a user starts them: answers that need no
// display, the usage message, and a clear exit when there is no display.

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// The environment of a text console: no X display, no Wayland display, no
// Qt platform chosen.
QProcessEnvironment NoDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    return env;
}

Run Start(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessEnvironment(NoDisplay());
    p.start(program, args);
    Run r;
    if (!p.waitForStarted() || !p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    if (p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace

class TestProgramStart : public QObject {
    Q_OBJECT
private slots:
    void answersWithoutADisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // a pattern standard output must match
        QTest::addColumn<QString>("err");  // a pattern standard error must match
        const QString app = QStringLiteral(YOTSUMADO_PROGRAM);
        const QString compose = QStringLiteral(COMPOSE_PROGRAM);
        const QString version = QRegularExpression::escape(QStringLiteral(PROJECT_VERSION));
        QTest::newRow("help") << app << QStringList{"--help"} << 0
                              << "^Usage: yotsumado \\[P1 \\[P2 \\[P3 \\[P4\\]\\]\\]\\]\n(.*\n)+$" << "^$";
        QTest::newRow("-h with pictures") << app << QStringList{"a.jpg", "-h"} << 0 << "^Usage: yotsumado " << "^$";
        QTest::newRow("version") << app << QStringList{"--version"} << 0 << "^yotsumado " + version + "\n$" << "^$";
        QTest::newRow("compose version") << compose << QStringList{"--version"} << 0
                                         << "^yotsumado-compose " + version + "\n$" << "^$";
        // A launcher's five files: the window loads four and says so.
        QTest::newRow("five pictures, not refused") << app << QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"} << 1
                                                    << "^$" << "^yotsumado: no display[^\n]*\n$";
        QTest::newRow("unknown option") << app << QStringList{"--fullscreen"} << 2 << "^$"
                                        << "^yotsumado: unknown option '--fullscreen'\n";
        QTest::newRow("no display") << app << QStringList{} << 1 << "^$" << "^yotsumado: no display[^\n]*\n$";
        QTest::newRow("no display, pictures") << app << QStringList{"a.jpg", "-"} << 1 << "^$"
                                              << "^yotsumado: no display[^\n]*\n$";
    }
    void answersWithoutADisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run r = Start(program, args);
        QCOMPARE(r.code, code);
        QVERIFY2(QRegularExpression(out).match(r.out).hasMatch(), qPrintable(QStringLiteral("stdout: ") + r.out));
        QVERIFY2(QRegularExpression(err).match(r.err).hasMatch(), qPrintable(QStringLiteral("stderr: ") + r.err));
    }
};

QTEST_GUILESS_MAIN(TestProgramStart)
#include "tst_programstart.moc"
