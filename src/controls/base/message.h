#pragma once
// Control messages: a number, two parameters and a result, sent to a control
// (TGraphicControl::Perform) or broadcast to every control of a parent.

#include <QEvent>
#include <cstdint>

class QWidget;

namespace yotsumado {

// Message numbers of the original toolkit.
enum : int {
    WM_DROPFILES = 0x0233,
    CM_BASE = 0xB000,
    CM_DIALOGCHAR = CM_BASE + 6,
    CM_ENABLEDCHANGED = CM_BASE + 12,
    CM_FONTCHANGED = CM_BASE + 14,
    CM_TEXTCHANGED = CM_BASE + 18,
    CM_MOUSEENTER = CM_BASE + 19,
    CM_MOUSELEAVE = CM_BASE + 20,
    CM_BUTTONPRESSED = CM_BASE + 24,
    CM_SYSCOLORCHANGE = CM_BASE + 36,
};

struct TMessage {
    int Msg = 0;
    std::intptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

// The Qt event that carries a TMessage to a control.
class TMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    explicit TMessageEvent(TMessage& message) : QEvent(EventType()), message_(message) {}
    TMessage& Message() const { return message_; }

private:
    TMessage& message_;
};

// Sends the message to every direct child widget of parent, in creation
// order, and returns the message's final result.
std::intptr_t BroadcastToControls(QWidget* parent, TMessage& message);
// Sends the message to one widget; returns its result.
std::intptr_t SendControlMessage(QWidget* target, TMessage& message);

} // namespace yotsumado
