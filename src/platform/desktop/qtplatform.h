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

// The drag's files, in private folders under the cache directory
// (~/.cache/yotsumado/drag), kept as the mail's attachments are: a target
// may read the file long after the drop (a mail program when the message is
// sent), so a later drag removes those older than a day.
class CacheDragFiles final : public DragFiles {
public:
    // `root` empty: the folder under the cache directory.
    explicit CacheDragFiles(QString root = {}) : root_(std::move(root)) {}
    DragFile Offer(const QString& name, const QByteArray& data) override;
    void Withdraw(const DragFile& file) override;

private:
    QString root_;
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
