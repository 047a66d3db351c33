#pragma once
#include "services.h"

namespace platform {

// The save-file dialog: Qt's own (non-native) file dialog.
class QtSaveDialog final : public SaveDialog {
public:
    std::optional<QString> Execute(QWidget* parent, const SaveDialogRequest& request) override;
};

} // namespace platform
