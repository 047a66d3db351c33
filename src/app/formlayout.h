#pragma once
// A form's stored layout: one declarative description of the window's own
// settings, its controls (name, kind, bounds, published values, event
// bindings) and its popup menu, read when the form is constructed. Values go
// through the controls' published properties (storedform.h), so a value the
// layout omits keeps what the control's constructor set; handlers are bound
// by name from the form's handler table.

#include "controls/base/graphiccontrol.h"
#include "controls/base/storedform.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QRect>
#include <QString>

class QMenu;

namespace yotsumado {

enum class TControlKind { Shape, Image, ShadowLabel, SelShape, PushButton };

struct TEventBinding {
    const char* Event;    // "OnMouseMove"
    const char* Handler;  // "Image1MouseMove"
};

struct TControlLayout {
    const char* Name;
    TControlKind Kind;
    QRect Bounds;
    QList<TStoredValue> Values;
    QList<TEventBinding> Events;
};

struct TMenuItemLayout {
    const char* Name;
    const char* Parent;   // nullptr: the popup menu itself; else the submenu item's name
    QString Caption;      // "-" is a separator; "&" marks the accelerator letter
    QKeySequence ShortCut;
    bool Checkable = false;
    bool Checked = false;
    const char* Handler = nullptr;
};

struct TFormLayout {
    QString Caption;
    QPoint Position;
    QSize ClientSize;
    TColor Color;
    QString FontName;
    int FontHeight;
    const char* PopupMenu;
    QList<TControlLayout> Controls;       // bottom of the stacking order first
    QList<TMenuItemLayout> MenuItems;     // in menu order
};

using THandlerTable = QHash<QByteArray, TEventHandler>;

// Creates the controls and the menu on form from layout, in layout order,
// and binds their events to handlers. Every created object is a child of form
// (found again by its name). Throws Exception on a fault of the description
// (unknown handler, property or event).
void ReadFormLayout(QWidget* form, const TFormLayout& layout, const THandlerTable& handlers);

// The popup menu that ReadFormLayout created.
QMenu* PopupMenuOf(QWidget* form, const char* name);

} // namespace yotsumado
