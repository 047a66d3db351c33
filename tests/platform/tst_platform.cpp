#include "tst_platform.h"

#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

void TestPlatform::init()
{
    tmp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/test_platform-XXXXXX"));
    QVERIFY(tmp_->isValid());
}

void TestPlatform::cleanup()
{
    for (long long pid : std::as_const(startedPids_)) {
        if (pid > 0)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    startedPids_.clear();
    for (auto it = savedEnv_.crbegin(); it != savedEnv_.crend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
    savedEnv_.clear();
    tmp_.reset();
}

QString TestPlatform::Tmp(const QString& relative) const
{
    return relative.isEmpty() ? tmp_->path() : tmp_->path() + QLatin1Char('/') + relative;
}

void TestPlatform::SetEnv(const char* name, const QString& value)
{
    savedEnv_.append({QByteArray(name), qEnvironmentVariableIsSet(name)
                                            ? std::optional<QByteArray>(qgetenv(name))
                                            : std::nullopt});
    qputenv(name, FileNameBytes(value));
}

void TestPlatform::UnsetEnv(const char* name)
{
    SetEnv(name, QString());
    qunsetenv(name);
}

void TestPlatform::UsePrivateDesktop()
{
    for (const char* dir : {"bin", "calls", "config", "etc-xdg", "data/applications", "share/applications"})
        QVERIFY(QDir().mkpath(Tmp(QString::fromLatin1(dir))));
    SetEnv("PATH", Tmp(QStringLiteral("bin")));
    SetEnv("XDG_CONFIG_HOME", Tmp(QStringLiteral("config")));
    SetEnv("XDG_CONFIG_DIRS", Tmp(QStringLiteral("etc-xdg")));
    SetEnv("XDG_DATA_HOME", Tmp(QStringLiteral("data")));
    SetEnv("XDG_DATA_DIRS", Tmp(QStringLiteral("share")));
    UnsetEnv("XDG_CURRENT_DESKTOP");
}

void TestPlatform::WriteFile(const QString& path, const QByteArray& content)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(content), content.size());
}

void TestPlatform::WriteFakeProgram(const QString& name, const QByteArray& tail)
{
    const QByteArray calls = QFile::encodeName(Tmp(QStringLiteral("calls/")) + name);
    const QString path = Tmp(QStringLiteral("bin/")) + name;
    WriteFile(path, "#!/bin/sh\n"
                    "printf '%s\\n' \"$@\" > '" + calls + ".args'\n"
                    "echo $$ > '" + calls + ".pid'\n"
                    + tail + "\n");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestPlatform::WriteDesktopEntry(const QString& dir, const QString& id, const QString& exec,
                                     const QByteArray& extra)
{
    WriteFile(dir + QLatin1Char('/') + id, "[Desktop Entry]\nType=Application\nName=Mailer\nExec="
                                               + exec.toUtf8() + "\n" + extra);
}

void TestPlatform::MakeDefaultMailer(const QString& id, const QString& exec)
{
    WriteDesktopEntry(Tmp(QStringLiteral("data/applications")), id, exec);
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=" + id.toUtf8() + ";\n");
}

QStringList TestPlatform::RecordedArgs(const QString& name) const
{
    QFile f(Tmp(QStringLiteral("calls/")) + name + QStringLiteral(".args"));
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<not run>")};
    QString all = QString::fromUtf8(f.readAll());
    if (all.endsWith(QLatin1Char('\n')))
        all.chop(1);
    return all.split(QLatin1Char('\n'));
}

bool TestPlatform::Ran(const QString& name) const
{
    return QFile::exists(Tmp(QStringLiteral("calls/")) + name + QStringLiteral(".args"));
}

QString TestPlatform::MakeAttachment()
{
    // A folder name with a blank and non-ASCII letters, as a home folder may
    // have: every hand-over must carry it intact.
    const QString path = Tmp(QStringLiteral("メール テスト/202612061430.jpg"));
    WriteFile(path, "\xFF\xD8\xFF\xE0 not really a JPEG");
    return path;
}

YOTSUMADO_TEST_MAIN(TestPlatform)
