#pragma once
#include "platform/services.h"

#include <QStringList>

#include <memory>

class QFileDialog;

namespace yotsumado {

namespace platform {

class PicturePreview;

// One entry of a dialog filter: what the user reads, and the patterns.
struct FileFilter {
    QString description;
    QStringList patterns;
};

// Splits a filter text "description|pattern;pattern|description|pattern".
// A description without patterns gets "*".
QList<FileFilter> ParseFileFilter(const QString& filter);

// Appends "." + suffix when the file name (not its folder) has no extension.
QString ApplyDefaultSuffix(const QString& path, const QString& suffix);

// Builds Qt's own (non-native) save dialog configured by the request, with a
// picture preview pane beside the file list, without showing it.
std::unique_ptr<QFileDialog> CreateSaveFileDialog(QWidget* parent, const SaveDialogRequest& request);

// The preview pane of a dialog made by CreateSaveFileDialog.
PicturePreview* PreviewOf(const QFileDialog& dialog);

// The path an accepted dialog stands for, default suffix applied; empty when
// nothing is chosen.
QString ChosenPath(const QFileDialog& dialog, const SaveDialogRequest& request);

// The save-file dialog: Qt's own file dialog, which asks nothing before
// replacing a file (the caller asks).
class QtSaveDialog final : public SaveDialog {
public:
    std::optional<QString> Execute(QWidget* parent, const SaveDialogRequest& request) override;
};

} // namespace platform

} // namespace yotsumado
