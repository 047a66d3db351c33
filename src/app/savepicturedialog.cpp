#include "app/savepicturedialog.h"

#include "codec/memorybudget.h"
#include "codec/pictureformat.h"
#include "codec/pictureloader.h"
#include "core/error.h"
#include "platform/services.h"

#include <new>

namespace yotsumado {

bool TSavePictureDialog::Execute(QWidget* owner)
{
    if (!Platform)
        platform::MissingService("save-dialog", platform::Services::kWindow);
    platform::SaveDialog& dialog = Platform->SaveDialogService();
    platform::SaveDialogRequest request;
    request.Filter = Filter;
    request.DefaultSuffix = DefaultExt;
    request.FileName = FileName;
    request.HideReadOnly = true;
    request.Resizable = true;
    // The preview goes through the program's own loader, within the
    // window's budget and at a thumbnail's size; it runs off the dialog's
    // thread, so it must not touch this object.
    if (Budget) {
        request.PreviewLoader = [budget = Budget](const QString& path, QSize bound,
                                                  const std::atomic<bool>& cancelled) -> QImage {
            if (PictureKindOf(path) == PictureKind::None)
                return {};
            BudgetShare share(*budget);
            try {
                return HeldInBudget(LoadPicturePreview(path, bound, share, &cancelled), std::move(share), budget);
            } catch (const Exception&) {
            } catch (const std::bad_alloc&) {
            }
            return {};
        };
    }
    const std::optional<QString> chosen = dialog.Execute(owner, request);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

} // namespace yotsumado
