#include "savepicturedialog.h"

#include "services.h"

bool TSavePictureDialog::Execute(QWidget* owner)
{
    platform::SaveDialogRequest request;
    request.Filter = Filter;
    request.DefaultSuffix = DefaultExt;
    request.FileName = FileName;
    request.HideReadOnly = true;
    request.Resizable = true;
    const std::optional<QString> chosen = platform::Current().saveDialog->Execute(owner, request);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}
