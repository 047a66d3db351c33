#pragma once
// TGroupSender: what a speed button announces to the controls of its parent
// when it joins a group, goes down or changes AllowAllUp. The announcement
// (CM_BUTTONPRESSED) carries the group index in WParam and a pointer to the
// sender, as a QObject*, in LParam; receivers read Down and AllowAllUp from
// it. Any control that wants to take part in speed-button groups handles the
// message and announces itself with such a sender.

#include "controls/base/message.h"

#include <QObject>

class QWidget;

namespace yotsumado {

class TGroupSender : public QObject {
    Q_OBJECT
public:
    TGroupSender(int groupIndex, bool allowAllUp, bool down)
        : groupIndex_(groupIndex), allowAllUp_(allowAllUp), down_(down) {}

    int GroupIndex() const { return groupIndex_; }
    bool AllowAllUp() const { return allowAllUp_; }
    bool Down() const { return down_; }

    // Sends the announcement to every control of parent.
    void Announce(QWidget* parent);

    // The sender carried by an announcement, or null when LParam holds none.
    static const TGroupSender* FromMessage(const TMessage& message);

private:
    int groupIndex_;
    bool allowAllUp_;
    bool down_;
};

} // namespace yotsumado
