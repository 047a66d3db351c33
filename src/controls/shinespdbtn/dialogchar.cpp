#include "controls/shinespdbtn/dialogchar.h"

#include "controls/base/message.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace yotsumado {

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

bool IsAltKey(const QKeyEvent& key)
{
    return (key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::AltModifier;
}

// The character a key press offers, or 0 when it offers none: printable
// text with no modifier but Shift, or Alt with a letter or digit key.
char32_t OfferedChar(const QKeyEvent& key)
{
    if (IsAltKey(key)) {
        const int k = key.key();
        if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
            return static_cast<char32_t>(k);
        return 0;
    }
    if ((key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::NoModifier)
        return 0;
    const QList<uint> text = key.text().toUcs4();
    if (text.size() == 1 && QChar::isPrint(text[0]) && text[0] != U' ')
        return text[0];
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
    if (!window) return nullptr;
    // One filter per window: a second one would offer every key twice.
    if (auto* existing = window->findChild<TDialogCharFilter*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    auto* filter = new TDialogCharFilter(window);
    // On the application, so that Alt keys are seen before the focused control.
    QCoreApplication::instance()->installEventFilter(filter);
    return filter;
}

bool TDialogCharFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != window_)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // An Alt key at its first receiver (an unhandled one is offered again
    // at each step of its way up, which changes nothing); a plain key only
    // when no focused control took it on its way up to the window.
    if (!IsAltKey(*key) && target != window_)
        return false;
    const char32_t c = OfferedChar(*key);
    if (c != 0 && OfferDialogChar(window_, c)) {
        key->accept();
        return true;
    }
    return false;
}

} // namespace yotsumado
