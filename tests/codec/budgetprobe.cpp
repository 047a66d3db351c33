// Helper of the budget tests: does one thing with pictures in a process of
// its own and reports, line by line, what came of it and the process's peak
// resident memory, so that a test can bound the peak (and a load's own time).
//
//   budgetprobe load FILE        LoadPicture alone
//   budgetprobe window FILE...   the window, FILE i dropped onto panel i
//                                (1 to 4; more files go round again)
//   budgetprobe preview FILE     the save dialog's preview pane, as the
//                                window's Save command sets it up
//   budgetprobe smooth FILE      LoadPictureSmooth to a panel's 240 x 180
//   budgetprobe preview-closed FILE  the pane closed as it starts on FILE
//
// Output: one line per picture, "ok <width> <height>" or "error <message>"
// (for the preview "shown <width> <height>" or "none"); for the window then
// "panels <w>x<h> ..." (0x0 for an empty panel) and "inuse <bytes>"; last
// "user <ms>" (processor time in the program's own code, which unlike system
// time does not swing with the machine's load) and "peak <KiB>" (VmHWM).

#include "app/application.h"
#include "app/mainform.h"
#include "controls/base/image.h"
#include "core/error.h"
#include "platform/filedrop.h"
#ifndef BUDGETPROBE_BEFORE_BUDGET
#include "codec/memorybudget.h"
#endif
#include "codec/pictureloader.h"
#include "platform/desktop/picturepreview.h"
#include "platform/desktop/qtsavedialog.h"
#include "support/scriptedplatform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QScopeGuard>
#include <QThread>

#include <cstdio>

#include <sys/resource.h>

using namespace yotsumado;

namespace {

long PeakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void Say(const QString& text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

int Load(const QString& path, bool smooth)
{
    try {
        const QImage picture = smooth ? LoadPictureSmooth(path, QSize(240, 180)) : LoadPicture(path);
        Say(QStringLiteral("ok %1 %2").arg(picture.width()).arg(picture.height()));
    } catch (const Exception& e) {
        Say(QStringLiteral("error ") + e.Message());
    }
    return 0;
}

int Window(const QStringList& files)
{
    platform::ScriptedPlatform scripted;
    TApplication::Instance()->SetPlatformServices(&scripted.services);
    const auto letGo = qScopeGuard([] { TApplication::Instance()->SetPlatformServices(nullptr); });
    TMainForm1 form(scripted.services);
    MainForm1 = &form;
    form.show();
    using Move = void (TMainForm1::*)(QObject*, TShiftState, int, int);
    const Move moves[4] = {&TMainForm1::Image1MouseMove, &TMainForm1::Image2MouseMove,
                           &TMainForm1::Image3MouseMove, &TMainForm1::Image4MouseMove};
    TImage* const images[4] = {form.Image1, form.Image2, form.Image3, form.Image4};
    for (qsizetype i = 0; i < files.size(); ++i) {
        (form.*moves[i % 4])(nullptr, 0, 10, 10);
        const qsizetype boxes = scripted.log.boxes.size();
        platform::DropFiles drop({files[i]});
        RunGuarded([&] { form.WMDropFiles(drop); });
        form.WaitForLoads();
        form.repaint();
        if (scripted.log.boxes.size() > boxes) {
            Say(QStringLiteral("error ") + scripted.log.boxes.last().text);
        } else {
            const QImage& picture = images[i % 4]->Picture();
            Say(QStringLiteral("ok %1 %2").arg(picture.width()).arg(picture.height()));
        }
    }
    QString panels = QStringLiteral("panels");
    for (TImage* image : images)
        panels += QStringLiteral(" %1x%2").arg(image->Picture().width()).arg(image->Picture().height());
    Say(panels);
#ifndef BUDGETPROBE_BEFORE_BUDGET  // built against the code before the budget, to see the tests fail
    Say(QStringLiteral("inuse %1").arg(form.Budget().InUse()));
#endif
    return 0;
}

int Preview(const QString& path, bool closeAtOnce)
{
    platform::ScriptedPlatform scripted;
    TApplication::Instance()->SetPlatformServices(&scripted.services);
    const auto letGo = qScopeGuard([] { TApplication::Instance()->SetPlatformServices(nullptr); });
    TMainForm1 form(scripted.services);
    MainForm1 = &form;
    // The Save command shows the dialog (cancelled here); its request is
    // what the real dialog would be built from.
    form.Save1Click(nullptr);
    if (scripted.log.saveDialogs.isEmpty())
        return 1;
    const auto dialog = platform::CreateSaveFileDialog(nullptr, scripted.log.saveDialogs.last());
    platform::PicturePreview* preview = platform::PreviewOf(*dialog);
    if (!preview)
        return 1;
    preview->ShowFile(path);
    if (closeAtOnce) {
        QThread::msleep(100);  // the load is under way
        Say(QStringLiteral("closed"));
        return 0;
    }
    // The dialog's thread goes on; wait here for the pane's load to end.
#ifndef BUDGETPROBE_BEFORE_BUDGET
    QElapsedTimer waited;
    waited.start();
    while (preview->Loading() && waited.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
#endif
    const QImage& picture = preview->Picture();
    Say(picture.isNull() ? QStringLiteral("none")
                         : QStringLiteral("shown %1 %2").arg(picture.width()).arg(picture.height()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2)
        return 2;
    int status = 2;
    if (args[0] == QLatin1String("load") || args[0] == QLatin1String("smooth"))
        status = Load(args[1], args[0] == QLatin1String("smooth"));
    else if (args[0] == QLatin1String("window"))
        status = Window(args.mid(1));
    else if (args[0] == QLatin1String("preview") || args[0] == QLatin1String("preview-closed"))
        status = Preview(args[1], args[0] == QLatin1String("preview-closed"));
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    Say(QStringLiteral("user %1").arg(usage.ru_utime.tv_sec * 1000 + usage.ru_utime.tv_usec / 1000));
    Say(QStringLiteral("peak %1").arg(PeakKiB()));
    return status;
}
