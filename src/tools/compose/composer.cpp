#include "tools/compose/composer.h"

#include "app/application.h"
#include "app/formlayout.h"
#include "app/mainform.h"
#include "app/mainlayout.h"
#include "codec/atomicfile.h"
#include "codec/jpegencoder.h"
#include "codec/jpegerror.h"
#include "codec/pictureformat.h"
#include "codec/pictureloader.h"
#include "controls/base/image.h"
#include "controls/base/shape.h"
#include "controls/selshape/selshape.h"
#include "core/error.h"
#include "core/filename.h"
#include "core/stretch.h"
#include "core/tcolor.h"
#include "tools/compose/headlessplatform.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>

#include <jerror.h>

namespace yotsumado {

namespace {

// How many sets past the oldest one not yet written may be loading.
constexpr size_t kSetsAhead = 4;
// Pictures of fewer bytes than this in all decode in a few milliseconds:
// without a window they are loaded by the calling thread alone, which then
// never waits for a worker the system has not yet run.
constexpr qint64 kWorthAWorker = 256 * 1024;

// The text an exception pointer holds, as the error box would show it; null
// for a silent abort.
QString ErrorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return QString();
    } catch (const Exception& e) {
        return ErrorBoxText(e.Message());
    } catch (const std::bad_alloc&) {
        return ErrorBoxText(QStringLiteral("メモリが足りません"));
    } catch (...) {
        return QStringLiteral("");
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

// True when the file is a JPEG (by its first bytes, or by its name where
// they tell no kind): libjpeg's decoder is the one known never to reach Qt's
// plugin loader (the bitmap decoder reaches it through Qt's image reader).
bool ReadAsJpeg(const QString& path)
{
    QFile file(path);
    unsigned char head[kSniffBytes];
    qint64 got = 0;
    if (file.open(QIODevice::ReadOnly))
        got = std::max<qint64>(0, file.read(reinterpret_cast<char*>(head), sizeof head));
    const PictureKind sniffed = SniffPictureKind(head, size_t(got));
    return (sniffed == PictureKind::None ? PictureKindOf(path) : sniffed) == PictureKind::Jpeg;
}

QAction* MarkerAction(TMainForm1& form, const QString& mode)
{
    const qsizetype i = MarkerModes().indexOf(mode);
    return form.MarkerModeItems()[i < 0 ? 0 : size_t(i)];
}

} // namespace

// ---- Drawing ---------------------------------------------------------------

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

bool ReadBatch(const QString& name, std::vector<ComposeSet>& sets)
{
    QFile file;
    const bool standardInput = name == QLatin1String("-");
    const bool open = standardInput ? file.open(stdin, QIODevice::ReadOnly) : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!open)
        return false;
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const QString shown = standardInput ? QStringLiteral("standard input") : ShownFileName(name);
    const QList<QByteArray> lines = all.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const BatchLine line = ParseBatchLine(lines[n]);
        if (line.empty && line.error.isEmpty())
            continue;
        ComposeSet set;
        set.pictures = line.pictures;
        set.output = line.output;
        set.where = QStringLiteral("%1:%2: ").arg(shown).arg(n + 1);
        set.error = line.error;
        sets.push_back(std::move(set));
    }
    return true;
}

// ---- Loading ---------------------------------------------------------------

TComposer::TComposer(const ComposeOptions& options, std::vector<ComposeSet> sets, bool progress,
                     std::shared_ptr<MemoryBudget> budget)
    : options_(options), budget_(std::move(budget)), progress_(progress)
{
    const std::array<QRect, 4> panels = grid::PanelRects(options.splitV, options.splitH, options.outputScale);
    sets_.resize(sets.size());
    done_.assign(sets.size(), false);
    for (size_t s = 0; s < sets.size(); ++s) {
        Set& set = sets_[s];
        set.given = std::move(sets[s]);
        const size_t first = tasks_.size();
        std::array<qint64, 4> bytes{};
        for (size_t i = 0; i < 4; ++i) {
            Panel& panel = set.panels[i];
            panel.path = set.given.error.isEmpty() ? set.given.pictures[i] : QString();
            panel.size = panels[i].size();
            panel.background = ToQColor(PanelColor(int(i))).rgb();
            if (!panel.path.isEmpty()) {
                tasks_.push_back({s, int(i)});
                bytes[i] = QFileInfo(panel.path).size();
                bytes_ += bytes[i];
                ++set.pending;
            }
        }
        // The largest files first, so that the last to end are small ones
        // and the cores finish together.
        std::stable_sort(tasks_.begin() + qsizetype(first), tasks_.end(),
                         [&bytes](const Task& a, const Task& b) { return bytes[size_t(a.panel)] > bytes[size_t(b.panel)]; });
        if (set.pending == 0)
            tasks_.push_back({s, -1});
    }
}

TComposer::~TComposer()
{
    {
        std::lock_guard lock(mutex_);
        gateOpen_ = true;
        next_ = tasks_.size();
        std::fill(done_.begin(), done_.end(), true);
        oldest_ = done_.size();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void TComposer::Start(bool applicationComing)
{
    // Qt takes the first thread that makes a QObject (the decoders' files
    // are QObjects) for the main thread, which must build the application
    // object: that is this thread.
    (void)QThread::currentThread();
    gateOpen_ = !applicationComing;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    // Without a window the calling thread works too.
    const size_t threads = applicationComing ? std::min(cores, tasks_.size())
        : bytes_ < kWorthAWorker              ? 0
                                              : std::min(cores - 1, tasks_.size());
    for (size_t t = 0; t < threads; ++t)
        workers_.emplace_back([this, applicationComing] { Work(!applicationComing); });
}

void TComposer::ApplicationBuilt()
{
    {
        std::lock_guard lock(mutex_);
        gateOpen_ = true;
    }
    changed_.notify_all();
}

void TComposer::WaitForGate(const QString& path)
{
    {
        std::lock_guard lock(mutex_);
        if (gateOpen_)
            return;
    }
    if (ReadAsJpeg(path))
        return;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return gateOpen_; });
}

void TComposer::Work(bool composeHere)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        size_t t = 0;
        const bool retry = !retries_.empty();
        // A load to try again alone waits until nothing else loads, and
        // nothing new starts meanwhile.
        if (alone_ || (retry && active_ > 0)) {
            changed_.wait(lock);
            continue;
        }
        if (retry) {
            t = retries_.back();
            retries_.pop_back();
            alone_ = true;
        } else if (next_ < tasks_.size() && tasks_[next_].set < oldest_ + kSetsAhead) {
            t = next_++;
        } else if (next_ >= tasks_.size() && active_ == 0) {
            return;
        } else {
            changed_.wait(lock);
            continue;
        }
        const Task task = tasks_[t];
        Set& set = sets_[task.set];
        bool loaded = task.panel < 0;
        if (!loaded) {
            // Alone: no other load was running at its start or began meanwhile.
            const unsigned number = ++begun_;
            const bool aloneAtStart = active_++ == 0;
            Panel& panel = set.panels[size_t(task.panel)];
            lock.unlock();
            WaitForGate(panel.path);
            Load(panel);
            lock.lock();
            --active_;
            alone_ = false;
            const bool alone = aloneAtStart && begun_ == number;
            if (panel.error && !alone && MayBeBudgetRefusal(panel.error))
                retries_.push_back(t);
            else
                loaded = --set.pending == 0;
            changed_.notify_all();
        }
        if (loaded && composeHere) {
            lock.unlock();
            const int status = ComposeDrawn(set);
            lock.lock();
            Finished(set, status);
            changed_.notify_all();
        }
    }
}

void TComposer::Load(Panel& panel)
{
    panel.error = nullptr;
    try {
        BudgetShare share(*budget_);
        const TFitMode fit = FitModeNamed(options_.fit);
        QImage picture = options_.scale == QLatin1String("smooth")
            ? LoadPictureSmooth(panel.path, panel.size, share, panel.background, fit)
            : LoadPictureStretched(panel.path, panel.size, share, panel.background, fit);
        panel.picture = HeldInBudget(std::move(picture), std::move(share), budget_);
    } catch (...) {
        panel.error = std::current_exception();
    }
}

void TComposer::Finished(Set& set, int status)
{
    const size_t s = size_t(&set - sets_.data());
    for (Panel& panel : set.panels)
        panel.picture = QImage();
    done_[s] = true;
    while (oldest_ < done_.size() && done_[oldest_])
        ++oldest_;
    status_ = std::max(status_, status);
    std::lock_guard out(output_);
    ++written_;
    failed_ += status != 0 ? 1 : 0;
    DrawProgress();
}

// ---- Reporting -------------------------------------------------------------

void TComposer::Print(const Set& set, const QString& message)
{
    // File names in messages are shown escaped already; nothing else that
    // reaches the terminal may carry a control character either.
    const QByteArray text = ShownFileName(set.given.where + message).toUtf8() + '\n';
    std::lock_guard out(output_);
    if (progress_)
        std::fputs("\r\033[K", stderr);
    std::fputs(text.constData(), stderr);
    DrawProgress();
}

void TComposer::Print(const Set& set, const std::exception_ptr& error)
{
    const QString text = ErrorText(error);
    if (!text.isNull())
        Print(set, text);
}

void TComposer::DrawProgress()
{
    if (!progress_)
        return;
    constexpr int kWidth = 30;
    const size_t total = sets_.size();
    const int filled = total ? int(written_ * kWidth / total) : kWidth;
    QByteArray bar = "\r[" + QByteArray(filled, '#') + QByteArray(kWidth - filled, '.') + "] "
        + QByteArray::number(qulonglong(written_)) + '/' + QByteArray::number(qulonglong(total));
    if (failed_)
        bar += ", " + QByteArray::number(qulonglong(failed_)) + " failed";
    if (written_ == total)
        bar += '\n';
    std::fputs(bar.constData(), stderr);
    std::fflush(stderr);
}

int TComposer::ReportLoadErrors(const Set& set)
{
    if (!set.given.error.isEmpty()) {
        Print(set, set.given.error);
        return 1;
    }
    int status = 0;
    for (const Panel& panel : set.panels) {
        if (!panel.path.isEmpty() && panel.error) {
            Print(set, panel.error);
            status = 1;
        }
    }
    return status;
}

int TComposer::Write(const Set& set, const QImage& composite)
{
    try {
        if (!set.given.raw.isEmpty())
            WriteFileAtomically(set.given.raw, PpmBytes(composite));
        if (!set.given.output.isEmpty())
            SaveJpeg(composite, set.given.output);
    } catch (...) {
        Print(set, std::current_exception());
        return 1;
    }
    return 0;
}

// ---- The compositions ------------------------------------------------------

int TComposer::Run()
{
    Work(true);
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    return status_;
}

int TComposer::ComposeDrawn(Set& set)
{
    if (const int status = ReportLoadErrors(set))
        return status;
    std::array<QImage, 4> pictures;
    for (size_t i = 0; i < 4; ++i)
        pictures[i] = set.panels[i].picture;
    return Write(set, DrawPanels(pictures, options_.splitV, options_.splitH, FitModeNamed(options_.fit),
                                 options_.outputScale));
}

int TComposer::RunWithWindow()
{
    for (Set& set : sets_) {
        const int status = ComposeInWindow(set);
        std::lock_guard lock(mutex_);
        Finished(set, status);
        changed_.notify_all();
    }
    return status_;
}

int TComposer::ComposeInWindow(Set& set)
{
    if (!set.given.error.isEmpty())
        return ReportLoadErrors(set);
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
        // The window's pictures and the loads share one budget.
        form.UseMemoryBudget(budget_);
        form.show();

        // The dividers where they were asked for, then the layout a release
        // of either runs.
        form.SelShape2->SetLeft(options_.splitV);
        form.SelShape1->SetTop(options_.splitH);
        form.SelShape1MouseUp(form.SelShape1, TMouseButton::mbLeft, TShiftState(), 0, 0);
        MarkerAction(form, options_.markers)->trigger();
        form.FitItems()[size_t(FitModeNamed(options_.fit))]->trigger();
        const auto scales = grid::kOutputScales;
        form.SizeItems()[size_t(std::find(scales.begin(), scales.end(), options_.outputScale) - scales.begin())]->trigger();

        {
            // The pictures were decoding while the window was being built.
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&set] { return set.pending == 0; });
        }
        if ((status = ReportLoadErrors(set)) != 0)
            return status;
        // Larger than the window, the pictures were loaded as its larger
        // composite loads them; else they are shown in its panels.
        std::array<QImage, 4> pictures;
        TImage* const images[4] = {form.Image1, form.Image2, form.Image3, form.Image4};
        for (size_t i = 0; i < 4; ++i) {
            const Panel& panel = set.panels[i];
            TImage* image = images[i];
            if (panel.path.isEmpty())
                continue;
            if (options_.outputScale > 1)
                pictures[i] = panel.picture;
            else if (image->Stretch() && image->size() == panel.size)
                image->SetPicture(panel.picture);
            else if (options_.scale == QLatin1String("smooth") && image->Stretch())
                image->SetPicture(LoadPictureSmooth(panel.path, image->size(), panel.background, form.Fit()));
            else  // not what was forecast: load it as a drop would
                form.LoadIntoPanel(image, panel.path);
        }
        status = Write(set, options_.outputScale > 1 ? form.DrawComposite(pictures) : form.MakeComposite());
    } catch (...) {
        Print(set, std::current_exception());
        status = 1;
    }
    // Errors the window's own handlers met were shown in its error box.
    for (const QString& error : headless.Errors()) {
        Print(set, ErrorBoxText(error));
        status = 1;
    }
    return status;
}

} // namespace yotsumado
