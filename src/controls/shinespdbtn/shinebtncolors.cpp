#include "controls/shinespdbtn/shinebtncolors.h"
#include "controls/base/storeifchanged.h"

#include "core/error.h"

namespace yotsumado {

TShineBtnColors::TShineBtnColors() = default;

TShineBtnColors::~TShineBtnColors()
{
    // Nothing is reported while the set goes away.
    OnChange = nullptr;
}

void TShineBtnColors::Changed()
{
    if (OnChange) OnChange(this);
}


void TShineBtnColors::SetColor(TColor v) { if (StoreIfChanged(color_, v)) Changed(); }
void TShineBtnColors::SetHighlight(TColor v) { if (StoreIfChanged(highlight_, v)) Changed(); }
void TShineBtnColors::SetShadow(TColor v) { if (StoreIfChanged(shadow_, v)) Changed(); }
void TShineBtnColors::SetDarkShadow(TColor v) { if (StoreIfChanged(darkShadow_, v)) Changed(); }
void TShineBtnColors::SetGradColor(TColor v) { if (StoreIfChanged(gradColor_, v)) Changed(); }
void TShineBtnColors::SetGradVertical(bool v) { if (StoreIfChanged(gradVertical_, v)) Changed(); }
void TShineBtnColors::SetGradation(bool v) { if (StoreIfChanged(gradation_, v)) Changed(); }

void TShineBtnColors::CopyValuesFrom(const TShineBtnColors& source)
{
    color_ = source.color_;
    highlight_ = source.highlight_;
    shadow_ = source.shadow_;
    darkShadow_ = source.darkShadow_;
    gradColor_ = source.gradColor_;
    gradVertical_ = source.gradVertical_;
    gradation_ = source.gradation_;
}

void TShineBtnColors::Assign(const QObject* source)
{
    const auto* set = qobject_cast<const TShineBtnColors*>(source);
    if (!set)
        throw EConvertError::AssignError(source ? source->metaObject()->className() : nullptr,
                                         metaObject()->className());
    if (set != this)
        CopyValuesFrom(*set);
    Changed();
}

void TShineBtnColors::AssignTo(QObject* dest) const
{
    auto* set = qobject_cast<TShineBtnColors*>(dest);
    if (!set)
        throw EConvertError::AssignError(metaObject()->className(),
                                         dest ? dest->metaObject()->className() : "nil");
    if (set != this)
        set->CopyValuesFrom(*this);
    set->Changed();
}

} // namespace yotsumado
