#pragma once
/*!
    \class TShineSpeedButton
    \brief A self-drawn, window-less push button with a gradient face,
    glyph effects, caption copies and three bevel frames, which can stay
    down alone or in a group.

    The look follows a drawing state (shUp, shUpActive while the pointer is
    over it, shDown, shDownActive, shDisabled), changed only as NextState
    (shinestate.h) says: Colors paints the up looks,
    PressedColors the down ones, ActiveFont the caption while the pointer is
    over the button. A 200 ms timer confirms that the pointer is still there.

    \section1 Properties
    \list
    \li Caption, Font, ActiveFont, FontShadow / FontHighlight (copies one
        pixel right-down / left-up; clNone: none), Layout, Margin (negative:
        centred), Spacing.
    \li Glyph: the picture beside the caption. ShineColor, ActiveImage (the
        hover effect) and DisabledImage, DisabledHighlight, DisabledShadow
        (the disabled look).
    \li Colors, PressedColors: TShineBtnColors sets (face Color, optional
        Gradation to GradColor, GradVertical, and the Highlight, Shadow and
        DarkShadow edges). Writing one copies into the button's own set.
    \li FrameType (ftFlatFrame, ftNormalFrame, ftEnclosedFrame) and
        UpFrame, DownFrame, ActiveFrame: which states get a frame.
    \li GroupIndex, Down, AllowAllUp, AccelCharDown, ClickDownHook.
    \li Transparent: no face and no off-screen bitmap; the parent shows.
    \li Action, Hint, ShowHint, Tag, Enabled, Visible and the bounds.
    \endlist

    \section1 Events
    OnClick (a release over the button, its accelerator, or Click()),
    OnDblClick (only while Down), OnMouseDown, OnMouseMove, OnMouseUp,
    OnMouseEnter, OnMouseLeave.

    \section1 Rules worth knowing
    \list
    \li Glyph transparency: a picture without an alpha channel is keyed:
        every pixel of the colour of its bottom-left pixel is transparent
        and shows the face. A picture with an alpha channel uses its alpha
        instead and is blended onto the face.
    \li Groups: buttons with the same non-zero GroupIndex on one parent
        form a group. Without AllowAllUp exactly one can be down, and only
        another member going down releases it; with AllowAllUp a click
        toggles it. Down on a button with GroupIndex 0 is ignored. Switching
        the button's own Enabled releases it quietly; disabling a container
        only changes the look.
    \li Accelerators: "&O" in the caption makes Alt+O (or O when no
        focused control takes it) click the button. The window gets its key
        filter (TDialogCharFilter) the first time it shows such a button.
    \li Action: the button follows the action's text, enabled and checked
        state; a click triggers it unless OnClick is assigned.
    \li Colours are TColor values; system colours are looked up in the
        application palette at each paint, so a palette change shows.
    \endlist
*/

#include "controls/base/font.h"
#include "controls/base/graphiccontrol.h"
#include "controls/shinespdbtn/glypheffects.h"
#include "controls/shinespdbtn/shinebtncolors.h"
#include "controls/shinespdbtn/shinebuttonpaint.h"
#include "controls/shinespdbtn/shinestate.h"
#include "controls/shinespdbtn/shinetypes.h"

#include <QAction>
#include <QImage>
#include <QPointer>

#include <memory>
#include <optional>

class QTimer;

namespace yotsumado {

class TGroupSender;

class TShineSpeedButton : public TGraphicControl {
    Q_OBJECT
    Q_CLASSINFO("default:GroupIndex", "0")
    Q_CLASSINFO("default:Down", "false")
    Q_CLASSINFO("default:ClickDownHook", "false")
    Q_CLASSINFO("default:AccelCharDown", "false")
    Q_CLASSINFO("default:FrameType", "ftNormalFrame")
    Q_CLASSINFO("default:Transparent", "false")
    Q_CLASSINFO("default:ActiveFrame", "true")
    Q_CLASSINFO("default:UpFrame", "true")
    Q_CLASSINFO("default:DownFrame", "true")
    Q_CLASSINFO("default:ActiveImage", "aiFrameLight")
    Q_CLASSINFO("default:DisabledImage", "diDefault")
    Q_CLASSINFO("default:DisabledHighlight", "clBtnHighlight")
    Q_CLASSINFO("default:DisabledShadow", "clBtnShadow")
    Q_CLASSINFO("default:ShineColor", "clYellow")
    Q_CLASSINFO("default:FontHighlight", "clNone")
    Q_CLASSINFO("default:FontShadow", "clNone")
    Q_CLASSINFO("default:AllowAllUp", "false")
    Q_CLASSINFO("default:Layout", "blGlyphLeft")
    Q_CLASSINFO("default:Margin", "-1")
    Q_CLASSINFO("default:Spacing", "4")
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool ClickDownHook READ ClickDownHook WRITE SetClickDownHook)
    Q_PROPERTY(bool AccelCharDown READ AccelCharDown WRITE SetAccelCharDown)
    Q_PROPERTY(yotsumado::ShineSpdBtn::TFrameType FrameType READ FrameType WRITE SetFrameType)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool ActiveFrame READ ActiveFrame WRITE SetActiveFrame)
    Q_PROPERTY(bool UpFrame READ UpFrame WRITE SetUpFrame)
    Q_PROPERTY(bool DownFrame READ DownFrame WRITE SetDownFrame)
    Q_PROPERTY(yotsumado::ShineSpdBtn::TActiveImageType ActiveImage READ ActiveImage WRITE SetActiveImage)
    Q_PROPERTY(yotsumado::ShineSpdBtn::TDisabledImageType DisabledImage READ DisabledImage WRITE SetDisabledImage)
    Q_PROPERTY(int DisabledHighlight READ DisabledHighlight WRITE SetDisabledHighlight)
    Q_PROPERTY(int DisabledShadow READ DisabledShadow WRITE SetDisabledShadow)
    Q_PROPERTY(TShineBtnColors* Colors READ Colors WRITE SetColors)
    Q_PROPERTY(TShineBtnColors* PressedColors READ PressedColors WRITE SetPressedColors)
    Q_PROPERTY(int ShineColor READ ShineColor WRITE SetShineColor)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(int FontHighlight READ FontHighlight WRITE SetFontHighlight)
    Q_PROPERTY(int FontShadow READ FontShadow WRITE SetFontShadow)
    Q_PROPERTY(TFont* ActiveFont READ ActiveFont WRITE SetActiveFont)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(yotsumado::ShineSpdBtn::TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    // An action is linked in code, not written to a stored form.
    Q_PROPERTY(QAction* Action READ Action WRITE SetAction STORED false)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("default:Hint", "")
    Q_CLASSINFO("default:ShowHint", "false")
    Q_CLASSINFO("default:Tag", "0")

public:
    explicit TShineSpeedButton(QWidget* parent = nullptr);
    ~TShineSpeedButton() override;

    int GroupIndex() const { return groupIndex_; }
    bool Down() const { return down_; }
    bool ClickDownHook() const { return clickDownHook_; }
    bool AccelCharDown() const { return accelCharDown_; }
    TFrameType FrameType() const { return frameType_; }
    bool Transparent() const { return transparent_; }
    bool ActiveFrame() const { return activeFrame_; }
    bool UpFrame() const { return upFrame_; }
    bool DownFrame() const { return downFrame_; }
    TActiveImageType ActiveImage() const { return activeImage_; }
    TDisabledImageType DisabledImage() const { return disabledImage_; }
    TColor DisabledHighlight() const { return disabledHighlight_; }
    TColor DisabledShadow() const { return disabledShadow_; }
    TShineBtnColors* Colors() const { return colors_.get(); }
    TShineBtnColors* PressedColors() const { return pressedColors_.get(); }
    TColor ShineColor() const { return shineColor_; }
    TFont* Font() const { return font_.get(); }
    TColor FontHighlight() const { return fontHighlight_; }
    TColor FontShadow() const { return fontShadow_; }
    TFont* ActiveFont() const { return activeFont_.get(); }
    bool AllowAllUp() const { return allowAllUp_; }
    TButtonLayout Layout() const { return layout_; }
    int Margin() const { return margin_; }
    int Spacing() const { return spacing_; }
    QImage Glyph() const { return glyph_; }
    QString Caption() const { return caption_; }
    QAction* Action() const { return action_; }
    QString Hint() const { return hint_; }
    bool ShowHint() const { return showHint_; }
    int Tag() const { return tag_; }

    void SetGroupIndex(int v);
    void SetDown(bool v);
    void SetClickDownHook(bool v);
    void SetAccelCharDown(bool v);
    void SetFrameType(TFrameType v);
    void SetTransparent(bool v);
    void SetActiveFrame(bool v);
    void SetUpFrame(bool v);
    void SetDownFrame(bool v);
    void SetActiveImage(TActiveImageType v);
    void SetDisabledImage(TDisabledImageType v);
    void SetDisabledHighlight(TColor v);
    void SetDisabledShadow(TColor v);
    // Copy the given set into the button's own; anything but a colour set
    // raises EConvertError.
    void SetColors(QObject* v);
    void SetPressedColors(QObject* v);
    void SetShineColor(TColor v);
    // Copy the given font into the button's own; no font is ignored.
    void SetFont(QObject* v);
    void SetActiveFont(QObject* v);
    void SetFontHighlight(TColor v);
    void SetFontShadow(TColor v);
    void SetAllowAllUp(bool v);
    void SetLayout(TButtonLayout v);
    void SetMargin(int v);
    void SetSpacing(int v);
    // Takes a copy of the picture, kept as 32 bits per pixel; a null image
    // clears the glyph.
    void SetGlyph(const QImage& v);
    void SetCaption(const QString& v);
    // Links an action (not owned; null unlinks): the button takes its text,
    // enabled state and checked state (as Down, by the group rules) whenever
    // they change, and a click triggers it unless OnClick is assigned.
    void SetAction(QAction* v);
    // The tooltip shows Hint while ShowHint is on.
    void SetHint(const QString& v);
    void SetShowHint(bool v);
    // A number for the program's own use; the button never reads it.
    void SetTag(int v) { tag_ = v; }

    bool BindEvent(const QByteArray& name, const TEventHandler& handler) override;

    // Raises OnClick; with ClickDownHook the button shows the pressed hot
    // look while it runs.
    void Click() override;

    // The drawing state and the pointer flags, for whoever needs to know
    // how the button currently looks.
    TShineState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    bool Pressing() const { return pressing_; }
    bool HoverTimerActive() const;

    // The glyph as the current state draws it, or none without a glyph.
    std::optional<ShineSpdBtn::TStateGlyph> CreateStateGlyph() const;

    TMouseMoveEvent OnMouseEnter;
    TMouseMoveEvent OnMouseLeave;

protected:
    void Paint() override;
    void BackDraw(QPainter& surface);
    void ImageDraw(QPainter& surface);
    void FrameDraw(QPainter& surface);
    // Layout of glyph and caption, the caption measured in font.
    ShineSpdBtn::TDrawPosition CalcDrawPosition(const QFont& font) const;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual void MouseEnter(TShiftState shift, int x, int y);
    virtual void MouseLeave(TShiftState shift, int x, int y);
    void WMLButtonDblClick(TShiftState shift, int x, int y) override;

    // The message map.
    void WndProc(TMessage& message) override;
    bool event(QEvent* event) override;
    void CMButtonPressed(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    // An ancestor was disabled or enabled: the look follows, Down does not.
    void EffectiveEnabledChanged();
    // Gives the window its accelerator key filter when the caption has an
    // accelerator.
    void InstallAcceleratorKeys();
    void CMDialogChar(TMessage& message);
    void CMFontChanged(TMessage& message);
    void CMTextChanged(TMessage& message);
    void CMSysColorChange(TMessage& message);

    void GroupUpdateStatus(int groupIndex);
    void UpdateTracking();
    void ActiveButtonTimerOnTimer();
    void FontsAndColorsOnChange(QObject* sender);
    void GlyphOnChange();
    void ActionChanged();
    // The click of the base: OnClick, or else the linked action.
    void BaseClick();

private:
    // The state NextState gives for the event, with the button's flags now.
    TShineState Next(ShineSpdBtn::TShineEvent event, bool inside = false) const;
    bool FrameWanted() const;
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }

    int groupIndex_ = 0;
    bool down_ = false;
    bool clickDownHook_ = false;
    bool accelCharDown_ = false;
    TFrameType frameType_ = ftNormalFrame;
    bool transparent_ = false;
    bool activeFrame_ = true;
    bool upFrame_ = true;
    bool downFrame_ = true;
    TActiveImageType activeImage_ = aiFrameLight;
    TDisabledImageType disabledImage_ = diDefault;
    TColor disabledHighlight_ = clBtnHighlight;
    TColor disabledShadow_ = clBtnShadow;
    TColor shineColor_ = clYellow;
    TColor fontHighlight_ = clNone;
    TColor fontShadow_ = clNone;
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    QString caption_;
    QPointer<QAction> action_;
    QString hint_;
    bool showHint_ = false;
    int tag_ = 0;

    std::unique_ptr<TShineBtnColors> colors_;
    std::unique_ptr<TShineBtnColors> pressedColors_;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TFont> activeFont_;
    QImage glyph_;
    std::unique_ptr<QTimer> activeButtonTimer_;

    TShineState state_ = shUp;
    bool mouseInControl_ = false;
    bool pressing_ = false;
    bool ownEnabled_ = true;
    const TGroupSender* groupSender_ = nullptr;
};

} // namespace yotsumado
