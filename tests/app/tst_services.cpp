// The window and the application object use only the services handed to
// them: one that was left out ends the program at once with a message
// naming it, instead of reaching for the real desktop (a real dialog or box
// in a test, a browser, a mail program).

#include "support/testmain.h"

#include <QProcess>
#include <QtTest>

class Services : public QObject {
    Q_OBJECT

private slots:
    void missingServiceEndsTheProgramNamingIt_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("leftOut");
        QTest::addColumn<QString>("message");  // empty: the command runs to its end
        const QString window = QStringLiteral("no %1 service was handed to the window");
        const QString application = QStringLiteral("no %1 service was handed to the application");
        QTest::newRow("save dialog") << "save" << "saveDialog" << window.arg("save-dialog");
        QTest::newRow("overwrite question") << "overwrite" << "messageBoxes" << window.arg("message-box");
        QTest::newRow("mail: the time") << "mail" << "clock" << window.arg("clock");
        QTest::newRow("mail: the mail program") << "mail" << "mail" << window.arg("mail hand-over");
        QTest::newRow("mail: the failure box") << "mail" << "messageBoxes" << window.arg("message-box");
        QTest::newRow("information: program path") << "information" << "programPath" << window.arg("program-path");
        QTest::newRow("information: browser") << "information" << "shellOpen" << window.arg("shell-open");
        QTest::newRow("error box, no services") << "error" << "application" << application.arg("message-box");
        QTest::newRow("error box, no boxes") << "error" << "messageBoxes" << application.arg("message-box");
        // The same commands with every service handed in run to their end.
        for (const char* command : {"save", "overwrite", "mail", "information", "error"})
            QTest::addRow("%s, all services", command) << command << "nothing" << QString();
    }

    void missingServiceEndsTheProgramNamingIt()
    {
        QFETCH(QString, command);
        QFETCH(QString, leftOut);
        QFETCH(QString, message);
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        helper.setProcessEnvironment(env);
        helper.start(QStringLiteral(SERVICE_HELPER), {command, leftOut});
        QVERIFY2(helper.waitForFinished(60000), "the helper neither ended nor failed: a real dialog or box is open");
        const QString out = QString::fromUtf8(helper.readAllStandardOutput());
        const QString err = QString::fromUtf8(helper.readAllStandardError());
        if (message.isEmpty()) {
            QVERIFY2(helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0, qPrintable(err));
            QCOMPARE(out.trimmed(), QStringLiteral("done"));
            return;
        }
        QVERIFY2(helper.exitStatus() == QProcess::CrashExit || helper.exitCode() != 0, qPrintable(out + err));
        QVERIFY2(!out.contains(QLatin1String("done")), "the command ran on without its service");
        QVERIFY2(err.contains(message), qPrintable(err));
    }
};

YOTSUMADO_TEST_MAIN(Services)
#include "tst_services.moc"
