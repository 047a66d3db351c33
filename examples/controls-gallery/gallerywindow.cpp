#include "gallerywindow.h"

#include "controls/selshape/selshape.h"
#include "controls/shadolbl/shadowlabel.h"
#include "controls/shinespdbtn/shinespeedbutton.h"
#include "propertypanel.h"
#include "sampleglyphs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace yotsumado;

namespace {

template <typename E>
QComboBox* EnumCombo(E current, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    const QMetaEnum me = QMetaEnum::fromType<E>();
    for (int i = 0; i < me.keyCount(); ++i) combo->addItem(QString::fromLatin1(me.key(i)), me.value(i));
    combo->setCurrentIndex(combo->findData(static_cast<int>(current)));
    return combo;
}

} // namespace

GalleryWindow::GalleryWindow(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Controls gallery"));
    auto* tabs = new QTabWidget(this);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(tabs);
    auto* buttonPage = new QWidget(tabs);
    auto* columns = new QHBoxLayout(buttonPage);
    auto* samples = new QVBoxLayout;
    columns->addLayout(samples, 3);

    // Frame types.
    QWidget* frames = Section(QStringLiteral("Frame types (hover and press them)"), 56);
    const char* frameNames[] = {"ftFlatFrame", "ftNormalFrame", "ftEnclosedFrame"};
    for (int i = 0; i < 3; ++i) {
        auto* b = Sample(frames, 8 + i * 130, 8, 120, 36, QString::fromLatin1(frameNames[i]), QStringLiteral("ball"));
        b->SetFrameType(static_cast<TFrameType>(i));
    }
    samples->addWidget(frames);

    // Faces.
    QWidget* faces = Section(QStringLiteral("Faces: solid, gradients, pressed colours"), 56);
    auto* solid = Sample(faces, 8, 8, 100, 36, QStringLiteral("Solid"), QString());
    solid->Colors()->SetColor(RGBColor(230, 240, 255));
    auto* hgrad = Sample(faces, 116, 8, 100, 36, QStringLiteral("Left→right"), QString());
    hgrad->Colors()->SetColor(clWhite);
    hgrad->Colors()->SetGradColor(RGBColor(120, 160, 230));
    hgrad->Colors()->SetGradation(true);
    hgrad->SetFontShadow(clWhite);
    auto* vgrad = Sample(faces, 224, 8, 100, 36, QStringLiteral("Top→bottom"), QString());
    vgrad->Colors()->SetColor(RGBColor(255, 250, 220));
    vgrad->Colors()->SetGradColor(RGBColor(230, 150, 40));
    vgrad->Colors()->SetGradVertical(true);
    vgrad->Colors()->SetGradation(true);
    auto* pressed = Sample(faces, 332, 8, 110, 36, QStringLiteral("Press me"), QString());
    pressed->PressedColors()->SetColor(RGBColor(40, 40, 60));
    pressed->PressedColors()->SetGradColor(RGBColor(90, 90, 140));
    pressed->PressedColors()->SetGradVertical(true);
    pressed->PressedColors()->SetGradation(true);
    pressed->ActiveFont()->SetColor(RGBColor(200, 40, 40));
    samples->addWidget(faces);

    // Layouts.
    QWidget* layouts = Section(QStringLiteral("Layouts"), 70);
    const char* layoutNames[] = {"GlyphLeft", "GlyphRight", "GlyphTop", "GlyphBottom"};
    for (int i = 0; i < 4; ++i) {
        auto* b = Sample(layouts, 8 + i * 110, 8, 100, 50, QString::fromLatin1(layoutNames[i]), QStringLiteral("arrow"));
        b->SetLayout(static_cast<TButtonLayout>(i));
        b->SetSpacing(2);
    }
    samples->addWidget(layouts);

    // Hover effects.
    QWidget* active = Section(QStringLiteral("Hover effects (ActiveImage, shine colour yellow)"), 64);
    const QMetaEnum ai = QMetaEnum::fromType<TActiveImageType>();
    for (int i = 0; i < ai.keyCount(); ++i) {
        auto* b = Sample(active, 8 + i * 76, 8, 72, 48, QString::fromLatin1(ai.key(i) + 2), QStringLiteral("ball"));
        b->Font()->SetHeight(-11);
        b->ActiveFont()->SetHeight(-11);
        b->SetLayout(blGlyphTop);
        b->SetSpacing(1);
        b->SetActiveImage(static_cast<TActiveImageType>(ai.value(i)));
        b->SetShineColor(i == 0 ? clYellow : RGBColor(255, 220, 0));
    }
    samples->addWidget(active);

    // Disabled effects.
    QWidget* disabled = Section(QStringLiteral("Disabled looks (DisabledImage)"), 64);
    const QMetaEnum di = QMetaEnum::fromType<TDisabledImageType>();
    for (int i = 0; i < di.keyCount(); ++i) {
        auto* b = Sample(disabled, 8 + i * 110, 8, 104, 48, QString::fromLatin1(di.key(i) + 2), QStringLiteral("stop"));
        b->Font()->SetHeight(-11);
        b->SetLayout(blGlyphTop);
        b->SetSpacing(1);
        b->SetDisabledImage(static_cast<TDisabledImageType>(di.value(i)));
        b->SetEnabled(false);
    }
    samples->addWidget(disabled);

    // Groups.
    QWidget* groups = Section(QStringLiteral("Groups: radio (Alt+A/B/C) and toggles with AllowAllUp"), 56);
    const char* radio[] = {"&Apple", "&Banana", "&Cherry"};
    for (int i = 0; i < 3; ++i) {
        auto* b = Sample(groups, 8 + i * 78, 8, 74, 36, QString::fromUtf8(radio[i]), QString());
        b->SetGroupIndex(1);
        b->SetAccelCharDown(true);
        if (i == 0) b->SetDown(true);
    }
    const char* toggles[] = {"Bold", "Italic", "Under"};
    for (int i = 0; i < 3; ++i) {
        auto* b = Sample(groups, 260 + i * 62, 8, 58, 36, QString::fromLatin1(toggles[i]), QString());
        b->SetFrameType(ftFlatFrame);
        b->SetAllowAllUp(true);
        b->SetGroupIndex(2 + i);  // a group of one each: a plain toggle
    }
    samples->addWidget(groups);
    samples->addStretch();

    columns->addWidget(BuildPlayground(), 2);
    // No key filter is installed here: the buttons with accelerators give
    // the window one when they are shown.
    tabs->addTab(buttonPage, QStringLiteral("Shine speed button"));
    tabs->addTab(BuildLabelPage(), QStringLiteral("Shadow label"));
    tabs->addTab(BuildShapePage(), QStringLiteral("Selection shape"));
}

namespace {

// A stage with a plain background for one control, beside its property panel.
QWidget* Stage(QWidget* parent, QSize size, QColor background)
{
    auto* stage = new QWidget(parent);
    stage->setFixedSize(size);
    stage->setAutoFillBackground(true);
    QPalette pal = stage->palette();
    pal.setColor(QPalette::Window, background);
    stage->setPalette(pal);
    return stage;
}

} // namespace

QWidget* GalleryWindow::BuildLabelPage()
{
    auto* page = new QWidget(this);
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 3);
    QWidget* stage = Stage(page, QSize(480, 200), QColor(60, 90, 140));
    auto* label = new TShadowLabel(stage);
    label->SetBounds(20, 20, 440, 60);
    label->Font()->SetHeight(-36);
    label->Font()->SetStyle(TFont::fsBold);
    label->Font()->SetColor(RGBColor(255, 240, 200));
    label->SetColor(RGBColor(30, 50, 90));
    label->SetCaption(QStringLiteral("ヨツマド Shadow label"));
    label->Shadow()->SetShadowColor(clBlack);
    label->Shadow()->SetShadowLeft(2);
    label->Shadow()->SetShadowTop(2);
    label->OnMouseEnter = [this](QObject*) { Report(QStringLiteral("The pointer entered the label")); };
    label->OnMouseLeave = [this](QObject*) { Report(QStringLiteral("The pointer left the label")); };
    left->addWidget(stage);
    left->addWidget(new QLabel(QStringLiteral("Try TextGradation, Gradation, Ellipsis with AutoSize off, "
                                              "Transparent, ParentColor."), page));
    left->addStretch();
    columns->addWidget(new PropertyPanel(label, page), 2);
    return page;
}

QWidget* GalleryWindow::BuildShapePage()
{
    auto* page = new QWidget(this);
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 3);
    QWidget* stage = Stage(page, QSize(480, 320), Qt::white);
    auto* shape = new TSelShape(stage);
    shape->SetBounds(120, 80, 160, 100);
    shape->Pen()->SetColor(clAqua);
    shape->Brush()->SetColor(clBlue);
    shape->Brush()->SetStyle(TBrush::bsFDiagonal);
    shape->SetMinLeft(10);
    shape->SetMinTop(10);
    auto* where = new QLabel(page);
    auto show = [shape, where] {
        where->setText(QStringLiteral("Left %1, Top %2, Width %3, Height %4")
                           .arg(shape->Left()).arg(shape->Top()).arg(shape->Width()).arg(shape->Height()));
    };
    shape->OnMouseUp = [show](QObject*, TMouseButton, TShiftState, int, int) { show(); };
    show();
    left->addWidget(stage);
    left->addWidget(new QLabel(QStringLiteral("Drag inside to move, near an edge or corner to resize."), page));
    left->addWidget(where);
    left->addStretch();
    columns->addWidget(new PropertyPanel(shape, page), 2);
    return page;
}

QWidget* GalleryWindow::Section(const QString& title, int height)
{
    auto* box = new QGroupBox(title, this);
    box->setMinimumHeight(height + 24);
    box->setMinimumWidth(630);
    return box;
}

TShineSpeedButton* GalleryWindow::Sample(QWidget* parent, int x, int y, int w, int h, const QString& caption,
                                         const QString& glyph)
{
    auto* b = new TShineSpeedButton(parent);
    b->SetBounds(x, y + 16, w, h);
    b->SetCaption(caption);
    b->SetGlyph(gallery::MakeGlyph(glyph));
    b->OnClick = [this, b](QObject*) { Report(QStringLiteral("Click: %1").arg(QString(b->Caption()).remove(QLatin1Char('&')))); };
    return b;
}

void GalleryWindow::Report(const QString& what)
{
    ++clicks_;
    if (status_) status_->setText(QStringLiteral("%1  (#%2)").arg(what).arg(clicks_));
}

QWidget* GalleryWindow::BuildPlayground()
{
    auto* box = new QGroupBox(QStringLiteral("Playground"), this);
    auto* v = new QVBoxLayout(box);
    auto* stage = new QWidget(box);
    stage->setMinimumSize(220, 110);
    stage->setAutoFillBackground(true);
    QPalette pal = stage->palette();
    pal.setColor(QPalette::Window, QColor(200, 220, 200));
    stage->setPalette(pal);
    playground_ = new TShineSpeedButton(stage);
    playground_->SetBounds(20, 20, 170, 64);
    playground_->SetCaption(QStringLiteral("&Open file\nsecond line"));
    playground_->SetGlyph(gallery::MakeGlyph(QStringLiteral("page"), 16));
    playground_->OnClick = [this](QObject*) { Report(QStringLiteral("Click: playground")); };
    playground_->OnDblClick = [this](QObject*) { Report(QStringLiteral("Double-click: playground")); };
    v->addWidget(stage);

    auto* form = new QFormLayout;
    v->addLayout(form);
    TShineSpeedButton* b = playground_;

    auto* caption = new QLineEdit(b->Caption().replace(QLatin1Char('\n'), QLatin1String("\\n")), box);
    connect(caption, &QLineEdit::textChanged, this,
            [b](const QString& t) { b->SetCaption(QString(t).replace(QLatin1String("\\n"), QLatin1String("\n"))); });
    form->addRow(QStringLiteral("Caption (\\n breaks)"), caption);

    auto* frame = EnumCombo(b->FrameType(), box);
    connect(frame, &QComboBox::currentIndexChanged, this,
            [b, frame] { b->SetFrameType(static_cast<TFrameType>(frame->currentData().toInt())); });
    form->addRow(QStringLiteral("FrameType"), frame);
    auto* layout = EnumCombo(b->Layout(), box);
    connect(layout, &QComboBox::currentIndexChanged, this,
            [b, layout] { b->SetLayout(static_cast<TButtonLayout>(layout->currentData().toInt())); });
    form->addRow(QStringLiteral("Layout"), layout);
    auto* activeImage = EnumCombo(b->ActiveImage(), box);
    connect(activeImage, &QComboBox::currentIndexChanged, this, [b, activeImage] {
        b->SetActiveImage(static_cast<TActiveImageType>(activeImage->currentData().toInt()));
    });
    form->addRow(QStringLiteral("ActiveImage"), activeImage);
    auto* disabledImage = EnumCombo(b->DisabledImage(), box);
    connect(disabledImage, &QComboBox::currentIndexChanged, this, [b, disabledImage] {
        b->SetDisabledImage(static_cast<TDisabledImageType>(disabledImage->currentData().toInt()));
    });
    form->addRow(QStringLiteral("DisabledImage"), disabledImage);
    auto* glyph = new QComboBox(box);
    glyph->addItems(gallery::GlyphNames());
    glyph->setCurrentText(QStringLiteral("page"));
    connect(glyph, &QComboBox::currentTextChanged, this, [b](const QString& n) { b->SetGlyph(gallery::MakeGlyph(n)); });
    form->addRow(QStringLiteral("Glyph"), glyph);

    auto* margin = new QSpinBox(box);
    margin->setRange(-1, 100);
    margin->setValue(b->Margin());
    connect(margin, &QSpinBox::valueChanged, this, [b](int m) { b->SetMargin(m); });
    form->addRow(QStringLiteral("Margin (-1 centres)"), margin);
    auto* spacing = new QSpinBox(box);
    spacing->setRange(-20, 100);
    spacing->setValue(b->Spacing());
    connect(spacing, &QSpinBox::valueChanged, this, [b](int s) { b->SetSpacing(s); });
    form->addRow(QStringLiteral("Spacing"), spacing);

    auto check = [&](const QString& text, bool on, auto apply) {
        auto* c = new QCheckBox(text, box);
        c->setChecked(on);
        connect(c, &QCheckBox::toggled, this, apply);
        return c;
    };
    auto* flags = new QGridLayout;
    v->addLayout(flags);
    QList<QCheckBox*> boxes{
        check(QStringLiteral("Enabled"), true, [b](bool on) { b->SetEnabled(on); }),
        check(QStringLiteral("Transparent"), false, [b](bool on) { b->SetTransparent(on); }),
        check(QStringLiteral("Gradation"), false, [b](bool on) { b->Colors()->SetGradation(on); b->PressedColors()->SetGradation(on); }),
        check(QStringLiteral("GradVertical"), false, [b](bool on) { b->Colors()->SetGradVertical(on); b->PressedColors()->SetGradVertical(on); }),
        check(QStringLiteral("UpFrame"), true, [b](bool on) { b->SetUpFrame(on); }),
        check(QStringLiteral("ActiveFrame"), true, [b](bool on) { b->SetActiveFrame(on); }),
        check(QStringLiteral("DownFrame"), true, [b](bool on) { b->SetDownFrame(on); }),
        check(QStringLiteral("Grouped (toggles)"), false, [b](bool on) { b->SetAllowAllUp(on); b->SetGroupIndex(on ? 9 : 0); }),
        check(QStringLiteral("ClickDownHook"), false, [b](bool on) { b->SetClickDownHook(on); }),
        check(QStringLiteral("AccelCharDown"), false, [b](bool on) { b->SetAccelCharDown(on); }),
        check(QStringLiteral("FontShadow"), false, [b](bool on) { b->SetFontShadow(on ? clGray : clNone); }),
        check(QStringLiteral("FontHighlight"), false, [b](bool on) { b->SetFontHighlight(on ? clWhite : clNone); }),
    };
    for (int i = 0; i < boxes.size(); ++i) flags->addWidget(boxes[i], i / 2, i % 2);

    status_ = new QLabel(QStringLiteral("Click a button, or press O / Alt+A…"), box);
    v->addWidget(status_);
    v->addStretch();
    return box;
}
