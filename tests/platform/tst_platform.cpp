#include "tst_platform.h"

#include "support/files.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

void TestPlatform::initTestCase()
{
    QVERIFY(xdg_.isValid());
    for (const char* dir : {"config", "data/applications", "share/applications", "bin"})
        QVERIFY(QDir().mkpath(xdg_.filePath(QString::fromLatin1(dir))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg_.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(xdg_.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(xdg_.filePath(QStringLiteral("data"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(xdg_.filePath(QStringLiteral("share"))));
    qunsetenv("XDG_CURRENT_DESKTOP");
}

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
    for (const char* dir : {"bin", "calls"})
        QVERIFY(QDir().mkpath(Tmp(QString::fromLatin1(dir))));
    SetEnv("PATH", Tmp(QStringLiteral("bin")));
}

void TestPlatform::WriteFakeProgram(const QString& name, const QByteArray& tail)
{
    const QByteArray calls = QFile::encodeName(Tmp(QStringLiteral("calls/")) + name);
    const QString path = Tmp(QStringLiteral("bin/")) + name;
    QVERIFY(testing::WriteFile(path, "#!/bin/sh\n"
                                     "printf '%s\\n' \"$@\" > '" + calls + ".args'\n"
                                     "echo $$ > '" + calls + ".pid'\n"
                                     + tail + "\n"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QStringList TestPlatform::RecordedArgs(const QString& name) const
{
    if (!Ran(name))
        return {QStringLiteral("<not run>")};
    QString all = QString::fromUtf8(testing::ReadAll(Tmp(QStringLiteral("calls/")) + name + QStringLiteral(".args")));
    if (all.endsWith(QLatin1Char('\n')))
        all.chop(1);
    return all.split(QLatin1Char('\n'));
}

bool TestPlatform::Ran(const QString& name) const
{
    return QFile::exists(Tmp(QStringLiteral("calls/")) + name + QStringLiteral(".args"));
}

YOTSUMADO_TEST_MAIN(TestPlatform)
