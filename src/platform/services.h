#pragma once
// The platform seam: every service of the desktop that the window and the
// controls use beyond drawing and input. Nothing above this layer calls
// QFileDialog, QMessageBox, QClipboard, QProcess or QDesktopServices
// directly, and nothing fetches a service from a global: the program builds the real
// Qt/freedesktop services (desktop/qtplatform.h) and hands them to the window
// and the application object; a test hands in its scripted doubles, the
// compose tool its headless ones. A service that was not handed in is never
// replaced by the real desktop's.

#include "controls/base/pointerconfinement.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;
class QWidget;

namespace yotsumado {

namespace platform {

// The save-file dialog with a picture preview pane.
struct SaveDialogRequest {
    QString Filter;        // "description|pattern;pattern"
    QString DefaultSuffix; // appended when the typed name has no extension
    QString FileName;      // offered at start (the last name chosen)
    bool HideReadOnly = true;
    bool Resizable = true;
    // Loads the preview pane's picture of a file, no larger than the size
    // given; null when the file is no picture it takes. Called on a worker
    // thread, never on the dialog's; once `cancelled` is set the picture is
    // no longer wanted and the load should end soon. Without it the pane
    // shows nothing.
    std::function<QImage(const QString& path, QSize bound, const std::atomic<bool>& cancelled)> PreviewLoader;
};
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // The chosen full path (default suffix applied), or nothing when cancelled.
    virtual std::optional<QString> Execute(QWidget* parent, const SaveDialogRequest& request) = 0;
};

// Modal message boxes and the alert sound.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Error icon, one OK button.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Question icon, "はい(&Y)" (default) and "いいえ(&N)" (Escape), centred on
    // the screen. True only when "はい(&Y)" was chosen; closing counts as no.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // No icon, one OK button, centred on the screen.
    virtual void ShowInformation(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The platform's default alert sound.
    virtual void Beep() = 0;
};

// Hands a web address to the desktop's default browser and returns at once.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    virtual void OpenUrl(const QUrl& url) = 0;
};

// Hands a new message to the desktop's default mail program, which opens its
// own compose window. The attachment travels as its name and its bytes;
// where it is kept until the mail program has read it is the hand-over's
// business.
struct MailMessage {
    QString Subject;
    QString AttachmentName;  // the file's name as the mail shows it; empty: none
    QByteArray Attachment;
};
enum class MailOutcome {
    Accepted,          // the mail program (or the portal) took the message
    NotStored,         // the attachment's file could not be made (see MailResult)
    NoMailProgram,     // no default handler of mailto:
    DropsAttachments,  // the default would lose the attachment silently
    CommandMissing,    // the program (or xdg-email) is not installed
    CommandFailed,     // it could not be started, or ended with an error
    Cancelled,         // the user cancelled in the portal's own dialog
};
struct MailResult {
    MailResult(MailOutcome outcome = MailOutcome::CommandFailed, QString unwritablePath = {})
        : Outcome(outcome), UnwritablePath(std::move(unwritablePath)) {}
    MailOutcome Outcome;
    QString UnwritablePath;  // with NotStored: the file that could not be made
};
class MailHandOver {
public:
    virtual ~MailHandOver() = default;
    virtual MailResult SendMail(const MailMessage& message) = 0;
};

// The desktop's clipboard, the one copy and paste use (not X11's selection
// of marked text).
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Offers `data` to every program, in the order of its formats, until
    // something else is copied.
    virtual void Offer(std::unique_ptr<QMimeData> data) = 0;
    // What the clipboard offers now (null: nothing), whoever copied it; valid
    // until the next call.
    virtual const QMimeData* Offered() = 0;
};

// Keeps the pointer inside a screen rectangle while a button is held: the
// selection shape's own interface, which the window hands on to its dividers.
using yotsumado::PointerConfinement;

// Keeps the files a drag out of the window offers, where the drop target
// can still copy them once the drop is over (a file manager copies after
// the drop returns, a mail program may read an attachment only when the
// message is sent). Each file goes into a fresh private folder of its own.
struct DragFile {
    QString Path;  // where the file is, or would have been
    bool Kept = false;
};
class DragFiles {
public:
    virtual ~DragFiles() = default;
    // Writes a new file `name` holding `data`; not Kept when it cannot be made.
    virtual DragFile Offer(const QString& name, const QByteArray& data) = 0;
    // Removes a kept file that no target took.
    virtual void Withdraw(const DragFile& file) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() = 0;  // local time
};

class ProgramPath {
public:
    virtual ~ProgramPath() = default;
    // Full path of the running program's file.
    virtual QString Path() = 0;
};

// One set of services, as handed to the window. Any of them may be missing:
// a window without the pointer confinement simply does not confine; any
// other service is asked for through its checked accessor, which ends the
// program at once, naming the service and whom it was not handed to ("the
// window", "the application"), rather than let a test that forgot its doubles
// reach for the real desktop or carry on without a box the user would see.
struct Services {
    std::unique_ptr<SaveDialog> saveDialog;
    std::unique_ptr<MessageBoxes> messageBoxes;
    std::unique_ptr<ShellOpen> shellOpen;
    std::unique_ptr<MailHandOver> mail;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<PointerConfinement> pointer;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<ProgramPath> programPath;
    std::unique_ptr<DragFiles> dragFiles;

    SaveDialog& SaveDialogService(const char* to = kWindow) const;
    MessageBoxes& MessageBoxService(const char* to = kWindow) const;
    ShellOpen& ShellOpenService(const char* to = kWindow) const;
    MailHandOver& MailService(const char* to = kWindow) const;
    Clipboard& ClipboardService(const char* to = kWindow) const;
    Clock& ClockService(const char* to = kWindow) const;
    ProgramPath& ProgramPathService(const char* to = kWindow) const;
    DragFiles& DragFileService(const char* to = kWindow) const;

    static constexpr const char* kWindow = "the window";
};

// Ends the program with "no <service> service was handed to <to>": a program
// (or test) put together without a service it uses is a mistake to fix, not
// a state to run on.
[[noreturn]] void MissingService(const char* service, const char* to);

} // namespace platform

} // namespace yotsumado
