#include "controls/shinespdbtn/shinespeedbutton.h"
#include "controls/base/storeifchanged.h"

#include "controls/base/drawtext.h"
#include "controls/shinespdbtn/dialogchar.h"
#include "controls/shinespdbtn/glypheffects.h"
#include "controls/shinespdbtn/groupsender.h"
#include "controls/shinespdbtn/shinestate.h"
#include "core/error.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QScopeGuard>
#include <QTimer>
#include <QtMath>

namespace yotsumado {

using namespace ShineSpdBtn;

TShineSpeedButton::TShineSpeedButton(QWidget* parent)
    : TGraphicControl(parent)
{
    // Opaque unless Transparent; the whole face is drawn on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    resize(25, 25);

    colors_ = std::make_unique<TShineBtnColors>();
    colors_->SetColor(clBtnFace);
    pressedColors_ = std::make_unique<TShineBtnColors>();
    pressedColors_->SetColor(clBtnHighlight);
    font_ = std::make_unique<TFont>();
    font_->SetColor(clBtnText);
    activeFont_ = std::make_unique<TFont>();
    activeFont_->SetColor(clHighlight);
    auto changed = [this](QObject* sender) { FontsAndColorsOnChange(sender); };
    colors_->OnChange = changed;
    pressedColors_->OnChange = changed;
    font_->OnChange = changed;
    activeFont_->OnChange = changed;

    activeButtonTimer_ = std::make_unique<QTimer>();
    activeButtonTimer_->setInterval(200);
    connect(activeButtonTimer_.get(), &QTimer::timeout, this, [this] { ActiveButtonTimerOnTimer(); });
}

TShineSpeedButton::~TShineSpeedButton()
{
    activeButtonTimer_.reset();
    glyph_ = QImage();
    colors_.reset();
    pressedColors_.reset();
    font_->OnChange = nullptr;
    font_.reset();
    activeFont_->OnChange = nullptr;
    activeFont_.reset();
}

bool TShineSpeedButton::HoverTimerActive() const
{
    return activeButtonTimer_->isActive();
}

TShineState TShineSpeedButton::Next(TShineEvent event, bool inside) const
{
    TShineFlags flags = 0;
    if (down_) flags |= sfDown;
    if (inside) flags |= sfInside;
    if (groupIndex_ != 0) flags |= sfGrouped;
    return NextState(state_, event, flags);
}

// ---------------------------------------------------------------------------
// Properties

void TShineSpeedButton::SetGroupIndex(int v)
{
    if (v == groupIndex_) return;
    GroupUpdateStatus(v);
}

void TShineSpeedButton::SetDown(bool v)
{
    if (v == down_) return;
    // Outside a group a button never stays down.
    if (groupIndex_ == 0) return;
    if (allowAllUp_) {
        down_ = v;
        GroupUpdateStatus(groupIndex_);
        state_ = Next(TShineEvent::DownChanged);
        repaint();
        return;
    }
    // A down member of an exclusive group comes up only when another goes down.
    if (down_) return;
    down_ = true;
    GroupUpdateStatus(groupIndex_);
    state_ = Next(TShineEvent::DownChanged);
    repaint();
}


void TShineSpeedButton::SetClickDownHook(bool v) { if (StoreIfChanged(clickDownHook_, v)) update(); }
void TShineSpeedButton::SetAccelCharDown(bool v) { if (StoreIfChanged(accelCharDown_, v)) update(); }
void TShineSpeedButton::SetFrameType(TFrameType v) { if (StoreIfChanged(frameType_, v)) update(); }
void TShineSpeedButton::SetActiveFrame(bool v) { if (StoreIfChanged(activeFrame_, v)) update(); }
void TShineSpeedButton::SetUpFrame(bool v) { if (StoreIfChanged(upFrame_, v)) update(); }
void TShineSpeedButton::SetDownFrame(bool v) { if (StoreIfChanged(downFrame_, v)) update(); }
void TShineSpeedButton::SetActiveImage(TActiveImageType v) { if (StoreIfChanged(activeImage_, v)) update(); }
void TShineSpeedButton::SetDisabledImage(TDisabledImageType v) { if (StoreIfChanged(disabledImage_, v)) update(); }
void TShineSpeedButton::SetDisabledHighlight(TColor v) { if (StoreIfChanged(disabledHighlight_, v)) update(); }
void TShineSpeedButton::SetDisabledShadow(TColor v) { if (StoreIfChanged(disabledShadow_, v)) update(); }
void TShineSpeedButton::SetShineColor(TColor v) { if (StoreIfChanged(shineColor_, v)) update(); }
void TShineSpeedButton::SetLayout(TButtonLayout v) { if (StoreIfChanged(layout_, v)) update(); }
void TShineSpeedButton::SetMargin(int v) { if (StoreIfChanged(margin_, v)) update(); }
void TShineSpeedButton::SetSpacing(int v) { if (StoreIfChanged(spacing_, v)) update(); }

void TShineSpeedButton::SetFontHighlight(TColor v) { if (StoreIfChanged(fontHighlight_, v)) update(); }
void TShineSpeedButton::SetFontShadow(TColor v) { if (StoreIfChanged(fontShadow_, v)) update(); }

void TShineSpeedButton::SetTransparent(bool v)
{
    if (!StoreIfChanged(transparent_, v)) return;
    setAttribute(Qt::WA_OpaquePaintEvent, !v);
    update();
}

void TShineSpeedButton::SetColors(QObject* v) { colors_->Assign(v); }
void TShineSpeedButton::SetPressedColors(QObject* v) { pressedColors_->Assign(v); }

namespace {
void AssignFont(TFont& own, QObject* v)
{
    if (!v) return;
    const auto* font = qobject_cast<const TFont*>(v);
    if (!font)
        throw EConvertError::AssignError(v->metaObject()->className(), own.metaObject()->className());
    own.Assign(*font);
}
} // namespace

void TShineSpeedButton::SetFont(QObject* v)
{
    if (!v) return;
    AssignFont(*font_, v);
    update();
}

void TShineSpeedButton::SetActiveFont(QObject* v)
{
    if (!v) return;
    AssignFont(*activeFont_, v);
    update();
}

void TShineSpeedButton::SetAllowAllUp(bool v)
{
    if (!StoreIfChanged(allowAllUp_, v)) return;
    // The whole group takes the new value.
    GroupUpdateStatus(groupIndex_);
}

void TShineSpeedButton::SetGlyph(const QImage& v)
{
    if (v == glyph_) return;
    if (v.isNull()) {
        glyph_ = QImage();
    } else {
        glyph_ = v.copy();
        GlyphOnChange();
    }
    update();
}

void TShineSpeedButton::GlyphOnChange()
{
    // The effects read and write whole 32-bit pixels. A picture with an
    // alpha channel keeps it: its alpha, not a key colour, says what is
    // background.
    const QImage::Format format = glyph_.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (!glyph_.isNull() && glyph_.format() != format)
        glyph_ = glyph_.convertToFormat(format);
    update();
}

void TShineSpeedButton::SetCaption(const QString& v)
{
    if (v == caption_) return;
    caption_ = v;
    Perform(CM_TEXTCHANGED);
}

void TShineSpeedButton::SetAction(QAction* v)
{
    if (v == action_) return;
    if (action_) disconnect(action_, nullptr, this, nullptr);
    action_ = v;
    if (!action_) return;
    connect(action_, &QAction::changed, this, [this] { ActionChanged(); });
    ActionChanged();
}

void TShineSpeedButton::ActionChanged()
{
    if (!action_) return;
    SetCaption(action_->text());
    SetEnabled(action_->isEnabled());
    if (action_->isCheckable()) SetDown(action_->isChecked());
}

void TShineSpeedButton::SetHint(const QString& v)
{
    if (StoreIfChanged(hint_, v)) setToolTip(showHint_ ? hint_ : QString());
}

void TShineSpeedButton::SetShowHint(bool v)
{
    if (StoreIfChanged(showHint_, v)) setToolTip(showHint_ ? hint_ : QString());
}

void TShineSpeedButton::FontsAndColorsOnChange(QObject*)
{
    update();
}

bool TShineSpeedButton::BindEvent(const QByteArray& name, const TEventHandler& handler)
{
    if (name == "OnMouseEnter" || name == "OnMouseLeave") {
        const auto* h = std::get_if<TMouseMoveEvent>(&handler);
        if (!h) return false;
        (name == "OnMouseEnter" ? OnMouseEnter : OnMouseLeave) = *h;
        return true;
    }
    return TGraphicControl::BindEvent(name, handler);
}

// ---------------------------------------------------------------------------
// Groups and Click

void TShineSpeedButton::GroupUpdateStatus(int groupIndex)
{
    groupIndex_ = groupIndex;
    if (groupIndex_ == 0 || !parentWidget()) return;
    TGroupSender sender(groupIndex_, allowAllUp_, down_);
    const auto restore = qScopeGuard([this] { groupSender_ = nullptr; });
    groupSender_ = &sender;
    sender.Announce(parentWidget());
}

void TShineSpeedButton::CMButtonPressed(TMessage& message)
{
    if (message.WParam != groupIndex_) return;
    const TGroupSender* sender = TGroupSender::FromMessage(message);
    if (!sender || sender == groupSender_) return;
    if (sender->Down() && down_) {
        down_ = false;
        state_ = Next(TShineEvent::DownChanged);
        update();
    }
    allowAllUp_ = sender->AllowAllUp();
}

void TShineSpeedButton::BaseClick()
{
    // OnClick, when assigned, replaces the linked action's trigger.
    if (OnClick)
        TGraphicControl::Click();
    else if (action_)
        action_->trigger();
}

void TShineSpeedButton::Click()
{
    if (!clickDownHook_) {
        BaseClick();
        return;
    }
    const TShineState remembered = state_;
    state_ = Next(TShineEvent::HookedClick);
    repaint();
    {
        // The look comes back even when the handler fails.
        const auto restore = qScopeGuard([this, remembered] { state_ = remembered; });
        BaseClick();
    }
    repaint();
}

// ---------------------------------------------------------------------------
// Pointer

void TShineSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft || !isEnabled()) return;
    state_ = Next(TShineEvent::Press);
    if (!down_) update();
    pressing_ = true;
}

void TShineSpeedButton::MouseMove(TShiftState shift, int x, int y)
{
    TGraphicControl::MouseMove(shift, x, y);
    if (pressing_) {
        const TShineState next = Next(TShineEvent::PressMove, Inside(x, y));
        if (next != state_) {
            state_ = next;
            update();
        }
    } else if (!mouseInControl_) {
        UpdateTracking();
    }
}

void TShineSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseUp(button, shift, x, y);
    // The release of any mouse button ends a press.
    if (!pressing_) return;
    const bool inside = Inside(x, y);
    state_ = Next(TShineEvent::Release, inside);
    if (groupIndex_ == 0) {
        mouseInControl_ = false;
        down_ = false;
        if (inside) repaint();
    } else if (inside) {
        SetDown(!down_);
        if (down_) repaint();
    } else {
        repaint();
    }
    pressing_ = false;
    if (inside) Click();
    UpdateTracking();
}

void TShineSpeedButton::WMLButtonDblClick(TShiftState shift, int x, int y)
{
    // The second press counts as a press; the double-click event is only
    // for a button that is down at that moment.
    MouseDown(TMouseButton::mbLeft, shift | ssDouble, x, y);
    if (down_) DblClick();
}

namespace {
// Another window holding the pointer (an explicit grab, or an open popup)
// keeps every button from looking hot.
bool PointerHeldElsewhere()
{
    return QWidget::mouseGrabber() != nullptr || QApplication::activePopupWidget() != nullptr;
}
} // namespace

void TShineSpeedButton::MouseEnter(TShiftState shift, int x, int y)
{
    if (OnMouseEnter) OnMouseEnter(this, shift, x, y);
    if (mouseInControl_ || !isEnabled() || PointerHeldElsewhere()) return;
    mouseInControl_ = true;
    state_ = Next(TShineEvent::Enter);
    repaint();
    activeButtonTimer_->start();
}

void TShineSpeedButton::MouseLeave(TShiftState shift, int x, int y)
{
    if (OnMouseLeave) OnMouseLeave(this, shift, x, y);
    if (!mouseInControl_ || !isEnabled() || pressing_) return;
    activeButtonTimer_->stop();
    mouseInControl_ = false;
    state_ = Next(TShineEvent::Leave);
    repaint();
}

void TShineSpeedButton::UpdateTracking()
{
    if (!isEnabled()) return;
    // The topmost control under the pointer; disabled controls count.
    const bool over = QApplication::widgetAt(QCursor::pos()) == this;
    // The opposite of the truth, so that the message below always makes its
    // transition and raises its event.
    mouseInControl_ = !over;
    Perform(over ? CM_MOUSEENTER : CM_MOUSELEAVE);
}

void TShineSpeedButton::ActiveButtonTimerOnTimer()
{
    if (!mouseInControl_ || !isEnabled() || pressing_) {
        activeButtonTimer_->stop();
        return;
    }
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (Inside(p.x(), p.y())) return;
    MouseLeave(CurrentShiftState(), p.x(), p.y());
}

// ---------------------------------------------------------------------------
// Messages

bool TShineSpeedButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter: Perform(CM_MOUSEENTER); break;
    case QEvent::Leave: Perform(CM_MOUSELEAVE); break;
    case QEvent::EnabledChange:
        // Qt reports a change of an ancestor's state too; only the button's
        // own Enabled clears Down. A container going off and on again only
        // changes the look.
        if (Enabled() != ownEnabled_) {
            ownEnabled_ = Enabled();
            Perform(CM_ENABLEDCHANGED);
        } else {
            EffectiveEnabledChanged();
        }
        break;
    case QEvent::Show: InstallAcceleratorKeys(); break;
    case QEvent::FontChange: Perform(CM_FONTCHANGED); break;
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange: Perform(CM_SYSCOLORCHANGE); break;
    default: break;
    }
    return TGraphicControl::event(event);
}

void TShineSpeedButton::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CM_BUTTONPRESSED: CMButtonPressed(message); break;
    case CM_MOUSEENTER: CMMouseEnter(message); break;
    case CM_MOUSELEAVE: CMMouseLeave(message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(message); break;
    case CM_DIALOGCHAR: CMDialogChar(message); break;
    case CM_FONTCHANGED: CMFontChanged(message); break;
    case CM_TEXTCHANGED: CMTextChanged(message); break;
    case CM_SYSCOLORCHANGE: CMSysColorChange(message); break;
    default: TGraphicControl::WndProc(message); break;
    }
}

void TShineSpeedButton::CMMouseEnter(TMessage&)
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseEnter(CurrentShiftState(), p.x(), p.y());
}

void TShineSpeedButton::CMMouseLeave(TMessage&)
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseLeave(CurrentShiftState(), p.x(), p.y());
}

void TShineSpeedButton::CMEnabledChanged(TMessage&)
{
    // Without an announcement: the other members keep their state.
    down_ = false;
    state_ = Next(isEnabled() ? TShineEvent::Enable : TShineEvent::Disable);
    UpdateTracking();
    update();
}

void TShineSpeedButton::EffectiveEnabledChanged()
{
    if (!isEnabled()) {
        activeButtonTimer_->stop();
        mouseInControl_ = false;
        pressing_ = false;
        state_ = Next(TShineEvent::Disable);
    } else if (state_ == shDisabled) {
        state_ = Next(TShineEvent::Enable);
        UpdateTracking();
    }
    update();
}

void TShineSpeedButton::CMDialogChar(TMessage& message)
{
    const QString accel = AcceleratorOf(caption_);
    const auto code = static_cast<char32_t>(message.WParam);
    const bool matches = !accel.isEmpty() && message.WParam > 0 && message.WParam <= 0x10FFFF
        && accel.compare(QString::fromUcs4(&code, 1), Qt::CaseInsensitive) == 0;
    if (matches && isEnabled() && !isHidden() && parentWidget() && parentWidget()->isVisible()) {
        if (accelCharDown_) SetDown(!down_);
        Click();
        message.Result = 1;
        return;
    }
    TGraphicControl::WndProc(message);
}

void TShineSpeedButton::CMFontChanged(TMessage&) { update(); }
void TShineSpeedButton::CMTextChanged(TMessage&)
{
    if (isVisible()) InstallAcceleratorKeys();
    update();
}

void TShineSpeedButton::InstallAcceleratorKeys()
{
    // Alt+letter reaches the button only through its window's key filter;
    // the window gets one the first time it shows a button that needs it.
    if (parentWidget() && !AcceleratorOf(caption_).isEmpty())
        TDialogCharFilter::Install(window());
}
// Colours are kept unresolved, so a repaint shows the new system colours.
void TShineSpeedButton::CMSysColorChange(TMessage&) { update(); }

// ---------------------------------------------------------------------------
// Painting

std::optional<TStateGlyph> TShineSpeedButton::CreateStateGlyph() const
{
    return ShineSpdBtn::CreateStateGlyph(glyph_, state_, activeImage_, disabledImage_, ColorToPixel(shineColor_),
                                         ColorToPixel(colors_->Color()));
}

void TShineSpeedButton::Paint()
{
    if (!isEnabled()) {
        state_ = Next(TShineEvent::Disable);
        pressing_ = false;
    }
    if (transparent_) {
        BackDraw(Canvas());
        ImageDraw(Canvas());
        FrameDraw(Canvas());
        return;
    }
    // The buffer has the device pixels of the surface, so that the caption
    // and the frame stay sharp on a scaled screen.
    const qreal dpr = DevicePixelRatioOf(Canvas());
    QImage buffer(qCeil(width() * dpr), qCeil(height() * dpr), QImage::Format_RGB32);
    buffer.setDevicePixelRatio(dpr);
    {
        QPainter surface(&buffer);
        surface.setRenderHint(QPainter::Antialiasing, false);
        BackDraw(surface);
        ImageDraw(surface);
        FrameDraw(surface);
    }
    Canvas().drawImage(QRectF(QPointF(0, 0), QSizeF(size())), buffer);
}

void TShineSpeedButton::BackDraw(QPainter& surface)
{
    if (transparent_) return;
    DrawFace(surface, size(), IsDownState(state_) ? *pressedColors_ : *colors_);
}

TDrawPosition TShineSpeedButton::CalcDrawPosition(const QFont& font) const
{
    QSize text;
    if (!caption_.isEmpty()) {
        const QRect r = DrawTextFlags(nullptr, caption_, QRect(0, 0, width(), 0), DT_CALCRECT, font, QColor());
        text = r.size();
    }
    return ShineSpdBtn::CalcDrawPosition(layout_, margin_, spacing_, size(), glyph_.size(), text,
                                         !caption_.isEmpty());
}

void TShineSpeedButton::ImageDraw(QPainter& surface)
{
    const TFont& font = IsActiveState(state_) ? *activeFont_ : *font_;
    // Crisp text, as the labels draw it: every copy of the caption keeps
    // exactly its colour, so the shadow, the highlight and the disabled
    // emboss never blend into each other or into the face.
    QFont qfont = font.ToQFont();
    qfont.setStyleStrategy(QFont::NoAntialias);
    const std::optional<TStateGlyph> glyph = CreateStateGlyph();
    const TDrawPosition pos = CalcDrawPosition(qfont);

    if (glyph) {
        QPoint p = pos.Glyph;
        if (IsDownState(state_)) p += QPoint(1, 1);
        if (glyph->HasAlpha) {
            surface.drawImage(p, glyph->Image);
        } else if (!glyph->IsEdgePicture) {
            DrawTransparentGlyph(surface, p, glyph->Image, glyph->TransparentColor);
        } else {
            DrawBrushWhereWhite(surface, p + QPoint(1, 1), glyph->Image, ToQColor(disabledHighlight_));
            DrawBrushWhereWhite(surface, p, glyph->Image, ToQColor(disabledShadow_));
        }
    }

    if (caption_.isEmpty()) return;
    QRect r = pos.Caption;
    if (IsDownState(state_)) r.translate(1, 1);
    auto draw = [&](const QRect& at, TColor color) {
        DrawTextFlags(&surface, caption_, at, DT_CENTER, qfont, ToQColor(color));
    };
    if (state_ == shDisabled) {
        draw(r.translated(1, 1), disabledHighlight_);
        draw(r, disabledShadow_);
        return;
    }
    if (fontShadow_ != clNone) draw(r.translated(1, 1), fontShadow_);
    if (fontHighlight_ != clNone) draw(r.translated(-1, -1), fontHighlight_);
    draw(r, font.Color());
}

bool TShineSpeedButton::FrameWanted() const
{
    switch (state_) {
    case shDownActive:
    case shUpActive: return activeFrame_;
    case shDown: return downFrame_;
    case shUp:
    case shDisabled: return upFrame_;
    }
    return false;
}

void TShineSpeedButton::FrameDraw(QPainter& surface)
{
    if (!FrameWanted()) return;
    const bool down = IsDownState(state_);
    DrawFrame(surface, size(), frameType_, down, down ? *pressedColors_ : *colors_, colors_->DarkShadow());
}

} // namespace yotsumado
