#pragma once
// Starts a program that must outlive this one (a mail program opening its
// compose window) and learns whether it failed early.
//
// The program runs as a grandchild that is no child of ours: nothing this
// process does later, not even exiting, kills it, and it leaves no zombie
// behind. A small monitor process between the two waits for the program and
// reports its exit status through a pipe; we wait for that report for a
// bounded time while the event loop keeps painting (user input stays queued,
// so no other command can start meanwhile).

#include <QString>
#include <QStringList>

#include <chrono>

namespace yotsumado {

namespace platform {

struct LaunchResult {
    enum class Outcome {
        NotFound,      // the program is not on PATH or not executable
        NotStarted,    // the processes could not be created
        Exited,        // ended within the wait; see exitCode
        Crashed,       // ended by a signal within the wait
        StillRunning,  // still running when the wait ended: left to run on
    };
    Outcome outcome = Outcome::NotStarted;
    int exitCode = -1;
    long long pid = -1;  // the program's process id, when it was started

    // Accepted: exited with status 0, or still running.
    bool Accepted() const
    {
        return (outcome == Outcome::Exited && exitCode == 0) || outcome == Outcome::StillRunning;
    }
};

// Runs program (a name looked up on PATH, or a path) with the arguments,
// passed as UTF-8 without any shell, standard input from /dev/null and no
// other inherited descriptors. Waits at most `wait` for it to end.
LaunchResult LaunchDetached(const QString& program, const QStringList& arguments,
                            std::chrono::milliseconds wait);

} // namespace platform

} // namespace yotsumado
