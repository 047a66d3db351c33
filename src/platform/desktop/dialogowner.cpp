#include "platform/desktop/dialogowner.h"

#include <QDialog>
#include <QWidget>

namespace yotsumado {

namespace platform {

void BelongTo(QDialog& dialog, QWidget* owner)
{
    QWidget* const window = owner ? owner->window() : nullptr;
    if (window && dialog.parentWidget() != window)
        dialog.setParent(window, dialog.windowFlags());
    // A transient window is stacked above its owner by most window managers,
    // but not always above an owner in the always-on-top layer: put the
    // dialog into that layer too.
    if (window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAttribute(Qt::WA_QuitOnClose, false);
}

} // namespace platform

} // namespace yotsumado
