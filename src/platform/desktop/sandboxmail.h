#pragma once
// Attachments a sandboxed mail program can read. A mail program installed as
// a snap or flatpak sees the user's ordinary folders but not hidden ones
// such as ~/.cache, where the private attachment store lives: given that
// path it opens its compose window without the attachment, and nobody
// notices. When this program hands the message over directly (outside a
// sandbox of its own, see qtplatform.cpp) and the default mail program runs
// sandboxed, the attachment
// is copied into a folder of the Pictures folder ("yotsumado-mail", not
// hidden) under the same rules as the private store: a fresh folder of its
// own per command, mode 0700, made and written without following links, and
// removed by a later command once a day old.

#include "platform/services.h"

#include <QDateTime>
#include <QStringList>

#include <functional>
#include <memory>

namespace yotsumado {

namespace platform {

struct DesktopEntry;
struct XdgDirs;

// Whether a mail program's command (its split Exec line) runs it in a snap
// or flatpak sandbox.
bool RunsSandboxed(const QStringList& command);

class SandboxReadableMail final : public MailHandOver {
public:
    enum Result : int {
        CopyFailed = 8,  // the sandbox-readable copy could not be made
    };

    struct Environment {
        std::function<XdgDirs()> dirs;           // where the default mail program is looked up
        std::function<QString()> picturesFolder;  // where the readable copies go
        std::function<QDateTime()> now;
    };
    // The environment of the running session.
    static Environment SessionEnvironment();

    explicit SandboxReadableMail(std::unique_ptr<MailHandOver> direct, Environment environment = SessionEnvironment());
    ~SandboxReadableMail() override;

    int SendMail(const MailMessage& message) override;

    // The folder that holds the readable copies' folders.
    static QString StoreRoot(const QString& picturesFolder);

private:
    std::unique_ptr<MailHandOver> direct_;
    Environment env_;
};

} // namespace platform

} // namespace yotsumado
