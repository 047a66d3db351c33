#pragma once
// The work of yotsumado-compose: decoding the pictures of one composite or of
// a batch of them in worker threads, then making each composite as the
// program's window makes it, and writing it out.

#include "codec/memorybudget.h"
#include "tools/compose/composeoptions.h"

#include <QImage>
#include <QSize>

#include <array>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace yotsumado {

// One composite to make.
struct ComposeSet {
    std::array<QString, 4> pictures;  // an empty name leaves its panel empty
    QString output;                   // the JPEG (may be empty when raw is given)
    QString raw;                      // the composite before encoding, as PPM
    QString where;                    // "FILE:LINE: " before the set's messages in a batch
    QString error;                    // why the set cannot be made at all (a bad batch line)
};

// Makes composites. Worker threads (one per core) decode the pictures of
// every set, each already stretched to the size its panel shows it at, in the
// order of the sets and a few sets ahead of the composites made; no Qt widget
// is touched there. Every load, and every picture kept until its composite is
// written, counts against one memory budget; a load refused while others were
// in flight is tried again alone once they have ended, so that what is
// refused does not depend on timing.
//
// Without markers no application object is needed: the panels are drawn as
// the window draws them (backgrounds, then pictures) and each composite is
// made and written by the worker that finished its last picture. Markers need
// fonts, so they are drawn by the program's own window, built off screen on
// the main thread in the running TApplication, one per set.
//
// The decoders may start before the application object is built, but the
// bitmap decoder reaches Qt's plugin loader, which must not run while that
// object is being built (its library paths are reset in the constructor):
// with `applicationComing`, every picture but a JPEG waits until
// ApplicationBuilt().
class TComposer {
public:
    // `progress`: a bar on standard error, updated as sets are written.
    TComposer(const ComposeOptions& options, std::vector<ComposeSet> sets, bool progress = false,
              std::shared_ptr<MemoryBudget> budget = std::make_shared<MemoryBudget>(kProgramMemoryBudget));
    ~TComposer();
    TComposer(const TComposer&) = delete;
    TComposer& operator=(const TComposer&) = delete;

    // Starts the workers. `applicationComing`: RunWithWindow will follow.
    void Start(bool applicationComing);
    void ApplicationBuilt();

    // Makes every set without a window (no markers), the calling thread
    // working beside the workers. Returns the exit status: 0, or 1 when any
    // set failed (its errors on standard error, in the error box's words).
    int Run();
    // Makes every set in the program's window, in the running TApplication.
    int RunWithWindow();

private:
    struct Panel {
        QString path;
        QSize size;
        QRgb background = 0xFFFFFFFFu;  // shows through transparent parts
        QImage picture;
        std::exception_ptr error;
    };
    struct Set {
        ComposeSet given;
        std::array<Panel, 4> panels;
        int pending = 0;  // panels still loading
    };
    struct Task {
        size_t set;
        int panel;  // -1: a set with nothing to load
    };

    void Work(bool composeHere);
    void WaitForGate(const QString& path);
    void Load(Panel& panel);
    // The composite of a set whose pictures are loaded; its status.
    int ComposeDrawn(Set& set);
    int ComposeInWindow(Set& set);
    // Writes the set's files; errors are printed.
    int Write(const Set& set, const QImage& composite);
    int ReportLoadErrors(const Set& set);
    void Print(const Set& set, const std::exception_ptr& error);
    void Print(const Set& set, const QString& message);
    void Finished(Set& set, int status);
    void DrawProgress();  // with output_ held

    ComposeOptions options_;
    std::vector<Set> sets_;
    std::vector<Task> tasks_;
    std::shared_ptr<MemoryBudget> budget_;
    bool progress_ = false;
    qint64 bytes_ = 0;  // the pictures' files together

    std::mutex mutex_;  // guards what follows
    std::condition_variable changed_;
    size_t next_ = 0;                 // the next task to take
    std::vector<bool> done_;          // sets written (or failed)
    size_t oldest_ = 0;               // the first set not yet done
    std::vector<size_t> retries_;     // tasks to load again alone
    bool alone_ = false;              // a retry is loading alone
    int active_ = 0;                  // loads running
    unsigned begun_ = 0;              // loads begun so far
    bool gateOpen_ = true;
    int status_ = 0;

    std::mutex output_;  // standard error's lines and the progress bar
    size_t written_ = 0;
    size_t failed_ = 0;

    std::vector<std::thread> workers_;
};

// The composite as a binary PPM (P6) file's bytes.
QByteArray PpmBytes(const QImage& picture);

// The sets a batch file lists, `name` ("-": standard input) shown in their
// messages; a line that is not a valid set gives a set holding its error.
// False when the file cannot be read.
bool ReadBatch(const QString& name, std::vector<ComposeSet>& sets);

} // namespace yotsumado
