#pragma once
// The real platform services over Qt and the freedesktop tools, for the
// programs to build once and hand to the window.

#include "platform/services.h"

#include <functional>
#include <memory>

namespace yotsumado {

namespace platform {

// Whether this program runs inside a sandbox (RunsInsideSandbox in
// sandbox.h, for the running process).
bool InsideSandbox();

// Every service, the desktop's own.
Services MakeDesktopServices(const std::function<bool()>& insideSandbox = InsideSandbox);

// The mail hand-over: the direct one, except inside a sandbox, where the
// desktop portal (when the named session bus offers it) passes the file in.
std::unique_ptr<MailHandOver> DesktopMail(std::unique_ptr<MailHandOver> direct,
                                          const std::function<bool()>& insideSandbox);

class DesktopShellOpen final : public ShellOpen {
public:
    void OpenUrl(const QUrl& url) override;
};

class SystemClock final : public Clock {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }
};

class ProcessProgramPath final : public ProgramPath {
public:
    QString Path() override;
};

} // namespace platform

} // namespace yotsumado
