#include "qtsavedialog.h"

#include <QFileDialog>

namespace platform {

std::optional<QString> QtSaveDialog::Execute(QWidget* parent, const SaveDialogRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const int bar = static_cast<int>(request.Filter.indexOf(QLatin1Char('|')));
    const QString description = bar >= 0 ? request.Filter.left(bar) : request.Filter;
    dialog.setNameFilter(description);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (!request.FileName.isEmpty())
        dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace platform
