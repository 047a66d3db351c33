#include "tools/compose/composer.h"

#include "app/application.h"
#include "app/mainlayout.h"
#include "app/mainform.h"
#include "codec/atomicfile.h"
#include "codec/jpegencoder.h"
#include "codec/jpegerror.h"
#include "codec/pictureloader.h"
#include "controls/base/image.h"
#include "controls/selshape/selshape.h"
#include "core/error.h"
#include "core/tcolor.h"
#include "core/filename.h"
#include "tools/compose/headlessplatform.h"

#include <QAction>
#include <QCoreApplication>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>

#include <jerror.h>

namespace yotsumado {

namespace {

void PrintError(const QString& message)
{
    // File names in messages are shown escaped already; nothing else that
    // reaches the terminal may carry a control character either.
    const QByteArray text = ShownFileName(ErrorBoxText(message)).toUtf8() + '\n';
    std::fputs(text.constData(), stderr);
}

// Prints the error an exception pointer holds, as the error box would show it.
void PrintError(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        PrintError(e.Message());
    } catch (const std::bad_alloc&) {
        PrintError(QStringLiteral("メモリが足りません"));
    } catch (...) {
        PrintError(QString());
    }
}

// True for the errors a load refused by the memory budget ends with (its
// kind's too-big error), which another load in flight may have caused.
bool MayBeBudgetRefusal(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EJPEG& e) {
        return e.Message() == JpegError(JERR_IMAGE_TOO_BIG).Message();
    } catch (const EInvalidGraphic&) {
        return true;
    } catch (...) {
    }
    return false;
}

QAction* MarkerAction(TMainForm1& form, const QString& mode)
{
    const qsizetype i = MarkerModes().indexOf(mode);
    return form.MarkerModeItems()[i < 0 ? 0 : size_t(i)];
}

} // namespace

// ---- Loading ---------------------------------------------------------------

TPanelLoader::TPanelLoader(const QCoreApplication& app, const std::array<QString, 4>& paths,
                           const std::array<QSize, 4>& sizes, bool smooth, std::shared_ptr<MemoryBudget> budget)
    : budget_(std::move(budget)), smooth_(smooth)
{
    // The reference is the proof that the application object is complete.
    Q_ASSERT(QCoreApplication::instance() == &app);
    (void)app;
    size_t count = 0;
    for (size_t i = 0; i < 4; ++i) {
        slots_[i].path = paths[i];
        slots_[i].size = sizes[i];
        slots_[i].background = ToQColor(PanelColor(int(i))).rgb();
        count += paths[i].isEmpty() ? 0 : 1;
    }
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads = std::min(cores, count);
    for (size_t t = 0; t < threads; ++t)
        workers_.emplace_back([this] { Work(); });
}

TPanelLoader::~TPanelLoader()
{
    Wait();
}

void TPanelLoader::Work()
{
    for (size_t i; (i = next_.fetch_add(1)) < slots_.size();) {
        Slot& slot = slots_[i];
        if (slot.path.isEmpty())
            continue;
        // Alone: no other load was running at its start or began meanwhile.
        const int number = begun_.fetch_add(1) + 1;
        const bool aloneAtStart = active_.fetch_add(1) == 0;
        Load(slot);
        const bool alone = aloneAtStart && begun_.load() == number;
        active_.fetch_sub(1);
        slot.retry = slot.error && !alone && MayBeBudgetRefusal(slot.error);
    }
}

void TPanelLoader::Load(Slot& slot)
{
    slot.error = nullptr;
    try {
        BudgetShare share(*budget_);
        QImage picture = smooth_ ? LoadPictureSmooth(slot.path, slot.size, share, slot.background)
                                 : LoadPictureStretched(slot.path, slot.size, share, slot.background);
        slot.picture = HeldInBudget(std::move(picture), std::move(share), budget_);
    } catch (...) {
        slot.error = std::current_exception();
    }
}

void TPanelLoader::Wait()
{
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    for (Slot& slot : slots_) {
        if (slot.retry) {
            slot.retry = false;
            Load(slot);
        }
    }
}

std::array<QSize, 4> ForecastPanelSizes(int splitV, int splitH)
{
    const std::array<QRect, 4> panels = grid::PanelRects(splitV, splitH);
    return {panels[0].size(), panels[1].size(), panels[2].size(), panels[3].size()};
}

// ---- Output ----------------------------------------------------------------

QByteArray PpmBytes(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes = QByteArrayLiteral("P6\n") + QByteArray::number(rgb.width()) + ' '
        + QByteArray::number(rgb.height()) + QByteArrayLiteral("\n255\n");
    const qsizetype rowBytes = qsizetype(rgb.width()) * 3;
    bytes.reserve(bytes.size() + rowBytes * rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rowBytes);
    return bytes;
}

// ---- The composition -------------------------------------------------------

int RunCompose(const ComposeOptions& options, TPanelLoader& loader)
{
    // No dialog or box can ever appear: anything that would open one is
    // "cancelled", and any error box is reported below.
    HeadlessPlatform headless;
    TApplication* const app = TApplication::Instance();
    app->SetPlatformServices(&headless.services);
    const auto letGo = qScopeGuard([app] { app->SetPlatformServices(nullptr); });
    int status = 0;
    try {
        TMainForm1 form(headless.services);
        MainForm1 = &form;
        // The window's pictures and the loads share the loader's budget.
        form.UseMemoryBudget(loader.Budget());
        form.show();

        // The dividers where they were asked for, then the layout a release
        // of either runs.
        form.SelShape2->SetLeft(options.splitV);
        form.SelShape1->SetTop(options.splitH);
        form.SelShape1MouseUp(form.SelShape1, TMouseButton::mbLeft, TShiftState(), 0, 0);
        MarkerAction(form, options.markers)->trigger();

        loader.Wait();
        TImage* const images[4] = {form.Image1, form.Image2, form.Image3, form.Image4};
        for (size_t i = 0; i < 4; ++i) {
            if (options.pictures[i].isEmpty())
                continue;
            if (loader.Error(i)) {
                PrintError(loader.Error(i));
                status = 1;
                continue;
            }
            TImage* image = images[i];
            if (image->Stretch() && image->size() == loader.Size(i))
                image->SetPicture(loader.Picture(i));
            else if (options.scale == QLatin1String("smooth") && image->Stretch())
                image->SetPicture(LoadPictureSmooth(options.pictures[i], image->size(), ToQColor(PanelColor(int(i))).rgb()));
            else  // not what was forecast: load it as a drop would
                form.LoadIntoPanel(image, options.pictures[i]);
        }
        if (status != 0)
            return status;

        form.Capture();
        const QImage composite = form.Image0->Picture();
        if (!options.raw.isEmpty())
            WriteFileAtomically(options.raw, PpmBytes(composite));
        if (!options.output.isEmpty())
            SaveJpeg(composite, options.output);
    } catch (const EAbort&) {
        status = 1;
    } catch (const Exception& e) {
        PrintError(e.Message());
        status = 1;
    }
    // Errors the window's own handlers met were shown in its error box.
    for (const QString& error : headless.Errors()) {
        PrintError(error);
        status = 1;
    }
    return status;
}

} // namespace yotsumado
