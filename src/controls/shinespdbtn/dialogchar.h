#pragma once
// Accelerator characters for window-less controls: a host window offers a
// character key that no focused control took (a plain letter, or Alt with
// the letter) to its controls as CM_DIALOGCHAR, WParam = the character's code
// point, until one of them marks it handled (Result 1).

#include <QObject>

class QWidget;

namespace yotsumado {

// Offers c to every control inside window (depth first, in creation order,
// not entering other windows) until one handles it. True when handled.
bool OfferDialogChar(QWidget* window, char32_t c);

// The key handling of a host window. A plain character key is offered when
// it reaches the window itself: its focused control ignored it, or nothing
// has the focus. Alt with a letter or digit is an accelerator: it is offered
// before the focused control sees it (an edit field would otherwise type the
// letter). A handled key is consumed.
class TDialogCharFilter : public QObject {
    Q_OBJECT
public:
    // Installs a filter on window, owned by it, unless the window has one
    // already; returns the window's filter either way (null for no window).
    // A shine speed button whose caption has an accelerator installs it on
    // its window when it is shown, so a window rarely needs to call this.
    static TDialogCharFilter* Install(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TDialogCharFilter(QWidget* window);
    QWidget* window_;
};

} // namespace yotsumado
