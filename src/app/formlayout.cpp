#include "app/formlayout.h"

#include "app/application.h"
#include "controls/base/font.h"
#include "controls/base/image.h"
#include "controls/base/label.h"
#include "controls/base/shape.h"
#include "controls/selshape/selshape.h"
#include "controls/shadolbl/shadowlabel.h"
#include "core/error.h"

#include <QAction>
#include <QMenu>
#include <QPalette>
#include <QPushButton>

namespace yotsumado {

namespace {

QWidget* CreateControl(TControlKind kind, QWidget* parent)
{
    switch (kind) {
    case TControlKind::Shape: return new TShape(parent);
    case TControlKind::Image: return new TImage(parent);
    case TControlKind::ShadowLabel: return new TShadowLabel(parent);
    case TControlKind::SelShape: return new TSelShape(parent);
    case TControlKind::PushButton: return new QPushButton(parent);
    }
    return nullptr;
}

// The handler of that name, wrapped so that an error it raises reaches the
// error box however the handler was called (an event, a shortcut, a menu
// item triggered from code), and the window keeps running.
TEventHandler HandlerNamed(const THandlerTable& handlers, const char* name)
{
    const auto it = handlers.constFind(QByteArray(name));
    if (it == handlers.constEnd())
        throw Exception(QStringLiteral("no handler %1").arg(QLatin1String(name)));
    return std::visit([](const auto& f) -> TEventHandler {
        return std::decay_t<decltype(f)>([f](auto... args) { RunGuarded([&] { f(args...); }); });
    }, *it);
}

void Bind(QWidget* control, const TEventBinding& binding, const THandlerTable& handlers)
{
    const TEventHandler handler = HandlerNamed(handlers, binding.Handler);
    if (auto* c = qobject_cast<TGraphicControl*>(control)) {
        if (!c->BindEvent(QByteArray(binding.Event), handler))
            throw Exception(QStringLiteral("%1 cannot bind %2").arg(c->objectName(), QLatin1String(binding.Event)));
        return;
    }
    auto* button = qobject_cast<QPushButton*>(control);
    const TNotifyEvent* notify = std::get_if<TNotifyEvent>(&handler);
    if (!button || !notify || QByteArray(binding.Event) != "OnClick")
        throw Exception(QStringLiteral("%1 cannot bind %2").arg(control->objectName(), QLatin1String(binding.Event)));
    QObject::connect(button, &QPushButton::clicked, button, [button, f = *notify] { f(button); });
}

void ApplyButtonValues(QPushButton* button, const QList<TStoredValue>& values)
{
    for (const TStoredValue& v : values) {
        const QByteArray name(v.Name);
        if (name == "Caption") button->setText(v.Value.toString());
        else if (name == "Visible") button->setVisible(v.Value.toBool());
        else if (name == "TabOrder") continue;  // the only control that takes focus
        else throw Exception(QStringLiteral("push button has no property %1").arg(QLatin1String(v.Name)));
    }
}

void ReadMenu(QWidget* form, const TFormLayout& layout, const THandlerTable& handlers)
{
    auto* popup = new QMenu(form);
    popup->setObjectName(QLatin1String(layout.PopupMenu));
    QHash<QByteArray, QMenu*> menus{{QByteArray(), popup}};
    for (const TMenuItemLayout& item : layout.MenuItems) {
        QMenu* owner = menus.value(QByteArray(item.Parent ? item.Parent : ""));
        if (!owner)
            throw Exception(QStringLiteral("menu item %1 has no parent").arg(QLatin1String(item.Name)));
        QAction* action = nullptr;
        if (item.Caption == QLatin1String("-")) {
            action = owner->addSeparator();
        } else if (!item.Handler && item.ShortCut.isEmpty() && !item.Checkable
                   && std::any_of(layout.MenuItems.begin(), layout.MenuItems.end(),
                                  [&](const TMenuItemLayout& m) { return m.Parent && QByteArray(m.Parent) == item.Name; })) {
            QMenu* sub = owner->addMenu(item.Caption);
            sub->setObjectName(QLatin1String(item.Name) + QLatin1String("Menu"));
            menus.insert(QByteArray(item.Name), sub);
            action = sub->menuAction();
        } else {
            action = owner->addAction(item.Caption);
            action->setCheckable(item.Checkable);
            action->setChecked(item.Checked);
            if (!item.ShortCut.isEmpty()) {
                action->setShortcut(item.ShortCut);
                action->setShortcutContext(Qt::WindowShortcut);
                // Shortcuts act while the window is active and the menu is closed.
                form->addAction(action);
            }
            if (item.Handler) {
                const TEventHandler handler = HandlerNamed(handlers, item.Handler);
                const TNotifyEvent* notify = std::get_if<TNotifyEvent>(&handler);
                if (!notify)
                    throw Exception(QStringLiteral("menu handler %1 is not a notify event").arg(QLatin1String(item.Handler)));
                QObject::connect(action, &QAction::triggered, form, [action, f = *notify] { f(action); });
            }
        }
        action->setObjectName(QLatin1String(item.Name));
        action->setParent(form);  // owned by the window like every other component
    }
}

} // namespace

void ReadFormLayout(QWidget* form, const TFormLayout& layout, const THandlerTable& handlers)
{
    form->setWindowTitle(layout.Caption);
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, ToQColor(layout.Color));
    form->setPalette(pal);
    form->setAutoFillBackground(true);
    QFont font(layout.FontName);
    font.setPixelSize(-layout.FontHeight);
    form->setFont(font);
    form->setFixedSize(layout.ClientSize);
    form->move(layout.Position);

    for (const TControlLayout& c : layout.Controls) {
        QWidget* control = CreateControl(c.Kind, form);
        control->setObjectName(QLatin1String(c.Name));
        control->setGeometry(c.Bounds);
        auto* label = qobject_cast<TLabel*>(control);
        if (label)
            label->BeginLoading();  // sizes itself once, with the final values
        if (auto* button = qobject_cast<QPushButton*>(control))
            ApplyButtonValues(button, c.Values);
        else
            ApplyStoredValues(control, c.Values);
        if (label)
            label->Loaded();
        for (const TEventBinding& b : c.Events)
            Bind(control, b, handlers);
    }
    ReadMenu(form, layout, handlers);
}

QMenu* PopupMenuOf(QWidget* form, const char* name)
{
    return form->findChild<QMenu*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

} // namespace yotsumado
