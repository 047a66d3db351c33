#include "controls/shinespdbtn/groupsender.h"

namespace yotsumado {

void TGroupSender::Announce(QWidget* parent)
{
    TMessage m{CM_BUTTONPRESSED, groupIndex_, reinterpret_cast<std::intptr_t>(static_cast<QObject*>(this)), 0};
    BroadcastToControls(parent, m);
}

const TGroupSender* TGroupSender::FromMessage(const TMessage& message)
{
    if (message.LParam == 0) return nullptr;
    return qobject_cast<const TGroupSender*>(reinterpret_cast<const QObject*>(message.LParam));
}

} // namespace yotsumado
