// Helper of the services test: a window (and application object) put
// together with one service left out, running one command that needs it.
//   servicehelper COMMAND LEFT-OUT
// COMMAND: save, overwrite (the save dialog answers an existing file), mail,
// information (the information page), error (the application's error box).
// LEFT-OUT: a member of platform::Services ("saveDialog", "messageBoxes",
// "shellOpen", "mail", "clock", "programPath"), "application" (no services
// handed to the application object) or "nothing".
// Prints "done" once the command has run; a missing service should end the
// process before that, naming itself.

#include "app/application.h"
#include "app/mainform.h"
#include "core/error.h"
#include "support/scriptedplatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace yotsumado;

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const QByteArray command = argv[1];
    const QByteArray leftOut = argv[2];
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    platform::ScriptedPlatform scripted;
    platform::Services& s = scripted.services;
    if (leftOut == "saveDialog") s.saveDialog.reset();
    else if (leftOut == "messageBoxes") s.messageBoxes.reset();
    else if (leftOut == "shellOpen") s.shellOpen.reset();
    else if (leftOut == "mail") s.mail.reset();
    else if (leftOut == "clock") s.clock.reset();
    else if (leftOut == "programPath") s.programPath.reset();
    else if (leftOut != "application" && leftOut != "nothing") return 2;
    if (leftOut != "application")
        app.SetPlatformServices(&s);

    QTemporaryDir dir;
    TMainForm1 form(s);
    if (command == "save") {
        form.Save1Click(nullptr);
    } else if (command == "overwrite") {
        const QString existing = QDir(dir.path()).filePath(QStringLiteral("kept.jpg"));
        QFile file(existing);
        if (!file.open(QIODevice::WriteOnly) || file.write("keep me") != 7)
            return 2;
        file.close();
        scripted.script.saveAnswers.push_back(existing);
        form.Save1Click(nullptr);
    } else if (command == "mail") {
        form.M1Click(nullptr);
    } else if (command == "information") {
        form.N4Click(nullptr);
    } else if (command == "error") {
        app.ShowException(Exception(QStringLiteral("テスト")));
    } else {
        return 2;
    }
    app.SetPlatformServices(nullptr);
    std::puts("done");
    return 0;
}
