#include "platform/desktop/mail/detachedlaunch.h"

#include "core/posixfile.h"

#include "core/filename.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace yotsumado {

namespace platform {

namespace {

// What the monitor writes: first the program's pid (or -1 when it could not
// be forked), then its wait status once it has ended.
constexpr std::size_t kPidSize = sizeof(std::int64_t);
constexpr std::size_t kReportSize = kPidSize + sizeof(std::int32_t);

// Everything after fork() below runs in a copy of a threaded process: only
// async-signal-safe calls, and no memory allocation.

void SetDisposition(int sig, void (*handler)(int))
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
}

void CloseDescriptorsFrom(int first, int limit)
{
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0U, 0U) == 0)
        return;
#endif
    for (int fd = first; fd < limit; ++fd)
        ::close(fd);
}

[[noreturn]] void RunProgram(char* const* argv, int stdinFd, int fdLimit)
{
    ::dup2(stdinFd, STDIN_FILENO);
    CloseDescriptorsFrom(STDERR_FILENO + 1, fdLimit);
    for (int sig = 1; sig < NSIG; ++sig)
        SetDisposition(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(argv[0], argv);
    ::_exit(127);
}

[[noreturn]] void RunMonitor(char* const* argv, int stdinFd, int reportFd, int fdLimit)
{
    // The parent's SIGCHLD handler must not reap our program before we do.
    SetDisposition(SIGCHLD, SIG_DFL);
    const pid_t program = ::fork();
    if (program == 0)
        RunProgram(argv, stdinFd, fdLimit);
    // If nobody listens any more, writing must fail quietly, not kill us.
    SetDisposition(SIGPIPE, SIG_IGN);
    const std::int64_t pid = program;
    WriteAll(reportFd, reinterpret_cast<const char*>(&pid), kPidSize);
    if (program < 0)
        ::_exit(1);
    int status = 0;
    while (::waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    const std::int32_t report = status;
    WriteAll(reportFd, reinterpret_cast<const char*>(&report), sizeof report);
    ::_exit(0);
}

QString ResolveProgram(const QString& program)
{
    const QString path = program.contains(QLatin1Char('/'))
        ? program
        : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

// Reads what is available into the report; false at end of file or error.
bool ReadSome(int fd, char* report, std::size_t& have)
{
    for (;;) {
        const ssize_t n = ::read(fd, report + have, kReportSize - have);
        if (n > 0) {
            have += static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        return false;
    }
}

// Waits for the whole report, the end of the pipe, or the deadline. True
// when the pipe ended (the monitor is gone).
bool WaitForReport(int fd, char* report, std::size_t& have, std::chrono::milliseconds wait)
{
    bool ended = false;
    const QDeadlineTimer deadline(wait);
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        // Keep painting while we wait; user input waits in the queue.
        QEventLoop loop;
        QSocketNotifier notifier(fd, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
            if (!ReadSome(fd, report, have))
                ended = true;
            if (ended || have == kReportSize)
                loop.quit();
        });
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0)));
        if (have < kReportSize && !ended)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        return ended;
    }
    while (have < kReportSize && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        if (!ReadSome(fd, report, have))
            return true;
    }
    return false;
}

} // namespace

LaunchResult LaunchDetached(const QString& program, const QStringList& arguments,
                            std::chrono::milliseconds wait)
{
    LaunchResult result;
    const QString path = ResolveProgram(program);
    if (path.isEmpty()) {
        result.outcome = LaunchResult::Outcome::NotFound;
        return result;
    }

    // Everything the children need is prepared before fork().
    std::vector<QByteArray> storage;
    // Arguments are bytes; a file name among them keeps its own (filename.h).
    storage.push_back(FileNameBytes(path));
    for (const QString& a : arguments) {
        if (a.contains(QChar(0)))
            return result;  // cannot be passed as an argument
        storage.push_back(FileNameBytes(a));
    }
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    struct rlimit files {};
    int fdLimit = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
        fdLimit = static_cast<int>(std::min<rlim_t>(files.rlim_cur, 65536));

    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull < 0)
        return result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        ::close(devNull);
        return result;
    }

    const pid_t first = ::fork();
    if (first == 0) {
        // A new session, so that signals meant for our terminal's process
        // group never reach the program; then leave it to the monitor.
        ::setsid();
        const pid_t monitor = ::fork();
        if (monitor != 0)
            ::_exit(monitor < 0 ? 1 : 0);
        ::close(pipeFds[0]);
        RunMonitor(argv.data(), devNull, pipeFds[1], fdLimit);
    }
    ::close(pipeFds[1]);
    ::close(devNull);
    const int readFd = pipeFds[0];
    if (first < 0) {
        ::close(readFd);
        return result;
    }
    int firstStatus = 0;
    while (::waitpid(first, &firstStatus, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(firstStatus) || WEXITSTATUS(firstStatus) != 0) {
        ::close(readFd);
        return result;
    }

    ::fcntl(readFd, F_SETFL, ::fcntl(readFd, F_GETFL) | O_NONBLOCK);
    char report[kReportSize];
    std::size_t have = 0;
    const bool ended = WaitForReport(readFd, report, have, wait);
    ::close(readFd);

    if (have >= kPidSize) {
        std::int64_t pid = -1;
        std::memcpy(&pid, report, kPidSize);
        result.pid = pid;
        if (pid < 0)
            return result;  // NotStarted
    }
    if (have == kReportSize) {
        std::int32_t status = 0;
        std::memcpy(&status, report + kPidSize, sizeof status);
        if (WIFEXITED(status)) {
            result.outcome = LaunchResult::Outcome::Exited;
            result.exitCode = WEXITSTATUS(status);
        } else {
            result.outcome = LaunchResult::Outcome::Crashed;
        }
    } else if (have == kPidSize) {
        // Without the monitor nobody can tell how the program ends.
        result.outcome = ended ? LaunchResult::Outcome::Crashed : LaunchResult::Outcome::StillRunning;
    }
    // Less than the pid: the monitor vanished without a word: NotStarted.
    return result;
}

} // namespace platform

} // namespace yotsumado
