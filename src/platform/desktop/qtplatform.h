#pragma once
// The real platform services over Qt and the freedesktop tools, for the
// programs to build once and hand to the window.

#include "platform/services.h"

namespace yotsumado {

namespace platform {

// Every service, the desktop's own.
Services MakeDesktopServices();

class DesktopShellOpen final : public ShellOpen {
public:
    void OpenUrl(const QUrl& url) override;
};

class QtClipboard final : public Clipboard {
public:
    void Offer(std::unique_ptr<QMimeData> data) override;
    const QMimeData* Offered() override;
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
