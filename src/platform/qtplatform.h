#pragma once
// The real platform services over Qt and the freedesktop tools.

#include "services.h"

namespace platform {

std::unique_ptr<Services> MakeQtServices();

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
