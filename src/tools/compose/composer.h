#pragma once
// The work of yotsumado-compose: the program's own main window, built off
// screen, filled, laid out and captured, then written out.

#include "codec/memorybudget.h"
#include "tools/compose/composeoptions.h"

#include <QImage>
#include <QSize>

#include <array>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

class QCoreApplication;

namespace yotsumado {

// Loads up to four pictures in worker threads, each already stretched to the
// size its panel will show it at, while the caller builds the window. Only
// the decoders run in the workers; no Qt widget is touched there. The
// decoders reach Qt's plugin loader, which must not run while the
// application object is being built: a loader can only be made from a
// finished application object, and its threads start inside the constructor.
// The loads share one memory budget with the window that shows their
// pictures; a load refused while others were in flight is tried again alone
// once they have ended, so that what is refused does not depend on timing.
class TPanelLoader {
public:
    // `smooth`: shrink with a filter (LoadPictureSmooth) instead of the
    // window's nearest-neighbour stretch.
    TPanelLoader(const QCoreApplication& app, const std::array<QString, 4>& paths,
                 const std::array<QSize, 4>& sizes, bool smooth = false,
                 std::shared_ptr<MemoryBudget> budget = std::make_shared<MemoryBudget>(kProgramMemoryBudget));
    ~TPanelLoader();
    TPanelLoader(const TPanelLoader&) = delete;
    TPanelLoader& operator=(const TPanelLoader&) = delete;

    // Waits for every load to end.
    void Wait();
    // After Wait: panel i's picture (null when empty or failed) and the size
    // it was stretched to, and its error (null when none).
    const QImage& Picture(size_t i) const { return slots_[i].picture; }
    QSize Size(size_t i) const { return slots_[i].size; }
    std::exception_ptr Error(size_t i) const { return slots_[i].error; }
    // The budget the loads count against.
    const std::shared_ptr<MemoryBudget>& Budget() const { return budget_; }

private:
    struct Slot {
        QString path;
        QSize size;
        QRgb background = 0xFFFFFFFFu;  // shows through transparent parts
        QImage picture;
        std::exception_ptr error;
        bool retry = false;  // failed while other loads were in flight
    };
    void Work();
    void Load(Slot& slot);

    std::shared_ptr<MemoryBudget> budget_;
    std::array<Slot, 4> slots_;
    bool smooth_ = false;
    std::atomic<int> active_{0};  // loads running
    std::atomic<int> begun_{0};   // loads begun so far
    std::vector<std::thread> workers_;
    std::atomic<size_t> next_{0};
};

// The size each panel's picture has once the window is laid out for the
// split V,H (the grid's panel rectangles). Only a forecast to start decoding early: the composer checks it
// against the laid-out window and decodes again where they differ.
std::array<QSize, 4> ForecastPanelSizes(int splitV, int splitH);

// Runs one composition in the running TApplication. Errors go to standard
// error in the error box's words. Returns the exit status (0 or 1).
int RunCompose(const ComposeOptions& options, TPanelLoader& loader);

// The composite as a binary PPM (P6) file's bytes.
QByteArray PpmBytes(const QImage& picture);

} // namespace yotsumado
