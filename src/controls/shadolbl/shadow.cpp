#include "controls/shadolbl/shadow.h"

#include "core/error.h"

namespace yotsumado {

TShadow::TShadow(QObject* parent)
    : QObject(parent)
{
}

void TShadow::Changed()
{
    if (OnChange) OnChange(this);
}

void TShadow::SetShadowVisible(bool v)
{
    if (v == visible_) return;
    visible_ = v;
    Changed();
}

void TShadow::SetShadowColor(TColor v)
{
    if (v == color_) return;
    color_ = v;
    Changed();
}

void TShadow::SetShadowLeft(int v)
{
    if (v == offsetLeft_) return;
    offsetLeft_ = v;
    Changed();
}

void TShadow::SetShadowTop(int v)
{
    if (v == offsetTop_) return;
    offsetTop_ = v;
    Changed();
}

void TShadow::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TShadow*>(source);
    if (!other)
        throw EConvertError::AssignError(source ? source->metaObject()->className() : nullptr,
                                         metaObject()->className());
    visible_ = other->visible_;
    color_ = other->color_;
    offsetLeft_ = other->offsetLeft_;
    offsetTop_ = other->offsetTop_;
    Changed();
}

} // namespace yotsumado
