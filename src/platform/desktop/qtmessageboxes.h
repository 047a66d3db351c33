#pragma once
#include "platform/services.h"

namespace yotsumado {

namespace platform {

// Message boxes through QMessageBox, with the design's buttons and captions.
class QtMessageBoxes final : public MessageBoxes {
public:
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowInformation(QWidget* parent, const QString& caption, const QString& text) override;
    void Beep() override;
};

} // namespace platform

} // namespace yotsumado
