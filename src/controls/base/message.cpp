#include "controls/base/message.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace yotsumado {

QEvent::Type TMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::intptr_t SendControlMessage(QWidget* target, TMessage& message)
{
    TMessageEvent event(message);
    QCoreApplication::sendEvent(target, &event);
    return message.Result;
}

std::intptr_t BroadcastToControls(QWidget* parent, TMessage& message)
{
    if (!parent)
        return message.Result;
    // Children may be added or removed by a receiver; walk a snapshot and
    // skip the ones that are gone by the time their turn comes.
    QList<QPointer<QWidget>> controls;
    for (QObject* child : parent->children()) {
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
            controls.append(w);
    }
    for (const auto& w : controls) {
        if (w)
            SendControlMessage(w, message);
    }
    return message.Result;
}

} // namespace yotsumado
