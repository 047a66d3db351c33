#include "platform/desktop/qtsavedialog.h"

#include "platform/desktop/dialogowner.h"
#include "platform/desktop/picturepreview.h"
#include "platform/desktop/picturesfolder.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QSplitter>

namespace yotsumado {

namespace platform {

QList<FileFilter> ParseFileFilter(const QString& filter)
{
    QList<FileFilter> out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        FileFilter f;
        f.description = parts.at(i).trimmed();
        if (i + 1 < parts.size()) {
            for (const QString& p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (!p.trimmed().isEmpty())
                    f.patterns << p.trimmed();
            }
        }
        if (f.patterns.isEmpty())
            f.patterns << QStringLiteral("*");
        if (f.description.isEmpty())
            f.description = f.patterns.join(QLatin1Char(';'));
        out << f;
    }
    return out;
}

QString ApplyDefaultSuffix(const QString& path, const QString& suffix)
{
    if (path.isEmpty() || suffix.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + suffix;
}

std::unique_ptr<QFileDialog> CreateSaveFileDialog(QWidget* parent, const SaveDialogRequest& request)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    BelongTo(*dialog, parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    // The command asks before replacing a file; the dialog must not.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    // Qt's dialog has no read-only box to hide; the folder view stays
    // writable (new folder, rename) as it is without the box.
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(request.DefaultSuffix);

    // Qt reads a filter's patterns from the parentheses of its text and
    // splits them at blanks, so "(*.jpg;*.jpeg)" would match nothing. Give
    // it blank-separated patterns, then show the request's descriptions.
    const QList<FileFilter> filters = ParseFileFilter(request.Filter);
    if (!filters.isEmpty()) {
        QStringList qtFilters;
        for (const FileFilter& f : filters)
            qtFilters << f.description + QStringLiteral(" (") + f.patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        dialog->setNameFilters(qtFilters);
        if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < combo->count() && i < filters.size(); ++i)
                combo->setItemText(i, filters.at(i).description);
        }
    }

    // The first time the dialog starts in the user's Pictures folder; later
    // in the folder of the name chosen last.
    if (!request.FileName.isEmpty())
        dialog->selectFile(request.FileName);
    else
        dialog->setDirectory(PicturesFolder());

    // Qt 6.4's folder model makes a listed file visible only when it sorts
    // the folder; a file whose information equals what the node was made
    // with is never announced. When the listing thread is slower than the
    // first sort (a busy machine, a slow disk), the folder shows only the
    // preselected name. Sorting again once the shown folder is loaded makes
    // every file in it appear.
    if (auto* model = dialog->findChild<QFileSystemModel*>()) {
        QObject::connect(model, &QFileSystemModel::directoryLoaded, model, [model](const QString& path) {
            if (path == model->rootPath())
                model->setNameFilters(model->nameFilters());
        });
    }

    dialog->setSizeGripEnabled(request.Resizable);
    if (!request.Resizable && dialog->layout())
        dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The preview pane goes beside the file list, inside the splitter that
    // holds the side bar and the list, so the user can size it too.
    auto* preview = new PicturePreview;
    preview->SetLoader(request.PreviewLoader);
    if (auto* splitter = dialog->findChild<QSplitter*>(QStringLiteral("splitter"))) {
        splitter->addWidget(preview);
        splitter->setStretchFactor(splitter->indexOf(preview), 0);
    } else if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    } else {
        preview->setParent(dialog.get());
    }
    QObject::connect(dialog.get(), &QFileDialog::currentChanged, preview, &PicturePreview::ShowFile);
    // The name offered at start is preselected before the pane exists, so
    // no change announces it: show its picture now.
    if (!request.FileName.isEmpty())
        preview->ShowFile(QFileInfo(request.FileName).isFile() ? request.FileName : QString());
    return dialog;
}

PicturePreview* PreviewOf(const QFileDialog& dialog)
{
    return dialog.findChild<PicturePreview*>();
}

QString ChosenPath(const QFileDialog& dialog, const SaveDialogRequest& request)
{
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    const QString path = files.constFirst();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return {};
    return ApplyDefaultSuffix(path, request.DefaultSuffix);
}

std::optional<QString> QtSaveDialog::Execute(QWidget* parent, const SaveDialogRequest& request)
{
    const std::unique_ptr<QFileDialog> dialog = CreateSaveFileDialog(parent, request);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    const QString path = ChosenPath(*dialog, request);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace platform

} // namespace yotsumado
