#include "platform/services.h"

#include <QtGlobal>

namespace yotsumado {

namespace platform {

namespace {
template <typename T>
T& Checked(const std::unique_ptr<T>& service, const char* name, const char* to)
{
    if (!service)
        MissingService(name, to);
    return *service;
}
} // namespace

void MissingService(const char* service, const char* to)
{
    qFatal("no %s service was handed to %s", service, to);
}

SaveDialog& Services::SaveDialogService(const char* to) const { return Checked(saveDialog, "save-dialog", to); }
MessageBoxes& Services::MessageBoxService(const char* to) const { return Checked(messageBoxes, "message-box", to); }
ShellOpen& Services::ShellOpenService(const char* to) const { return Checked(shellOpen, "shell-open", to); }
MailHandOver& Services::MailService(const char* to) const { return Checked(mail, "mail hand-over", to); }
Clipboard& Services::ClipboardService(const char* to) const { return Checked(clipboard, "clipboard", to); }
Clock& Services::ClockService(const char* to) const { return Checked(clock, "clock", to); }
ProgramPath& Services::ProgramPathService(const char* to) const { return Checked(programPath, "program-path", to); }
DragFiles& Services::DragFileService(const char* to) const { return Checked(dragFiles, "drag-file", to); }

} // namespace platform

} // namespace yotsumado
