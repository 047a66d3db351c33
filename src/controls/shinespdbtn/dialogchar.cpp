#include "dialogchar.h"

#include "message.h"

#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

bool Offer(QWidget* parent, TMessage& message)
{
    QList<QPointer<QWidget>> controls;
    for (QObject* child : parent->children()) {
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
            controls.append(w);
    }
    for (const auto& w : controls) {
        if (!w) continue;
        SendControlMessage(w, message);
        if (message.Result != 0) return true;
        if (w && Offer(w, message)) return true;
    }
    return false;
}

// The character a key press offers, or 0 when it offers none: printable
// text with no modifier but Shift, or Alt with a letter or digit key.
char32_t OfferedChar(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier && mods != Qt::AltModifier)
        return 0;
    const QList<uint> text = key.text().toUcs4();
    if (text.size() == 1 && QChar::isPrint(text[0]) && text[0] != U' ')
        return text[0];
    if (mods == Qt::AltModifier) {
        const int k = key.key();
        if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
            return static_cast<char32_t>(k);
    }
    return 0;
}

} // namespace

bool OfferDialogChar(QWidget* window, char32_t c)
{
    if (!window || c == 0) return false;
    TMessage message{CM_DIALOGCHAR, static_cast<std::intptr_t>(c), 0, 0};
    return Offer(window, message);
}

TDialogCharFilter::TDialogCharFilter(QWidget* window)
    : QObject(window), window_(window)
{
}

TDialogCharFilter* TDialogCharFilter::Install(QWidget* window)
{
    auto* filter = new TDialogCharFilter(window);
    window->installEventFilter(filter);
    return filter;
}

bool TDialogCharFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_ || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const char32_t c = OfferedChar(*key);
    if (c != 0 && OfferDialogChar(window_, c)) {
        key->accept();
        return true;
    }
    return false;
}
