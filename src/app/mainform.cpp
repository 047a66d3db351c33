#include "app/mainform.h"

#include "app/grid.h"

#include "app/application.h"
#include "app/mainlayout.h"
#include "app/savepicturedialog.h"
#include "codec/colorprofile.h"
#include "codec/jpegencoder.h"
#include "codec/lanczosresize.h"
#include "codec/memorybudget.h"
#include "codec/pictureformat.h"
#include "codec/pictureloader.h"
#include "codec/rasterdecode.h"
#include "controls/base/image.h"
#include "controls/base/shape.h"
#include "controls/base/storedform.h"
#include "controls/selshape/selshape.h"
#include "controls/shadolbl/shadowlabel.h"
#include "core/error.h"
#include "core/filename.h"
#include "platform/filedrop.h"
#include "platform/services.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace yotsumado {

TMainForm1* MainForm1 = nullptr;

namespace {

// The panels' tags: keys only, never shown. Their words do not name the
// panels' places (the lower-left panel's tag is "右上"); what matters is that
// the four mouse-move handlers and the drop handler use the same values.
const QString kTag1 = QStringLiteral("左上");
const QString kTag2 = QStringLiteral("上");
const QString kTag3 = QStringLiteral("右上");
const QString kTag4 = QStringLiteral("左");

using grid::kClientHeight;
using grid::kClientWidth;

// The home page of the program's information site. The one place to change
// when the project has a home page of its own.
const QString kInformationSiteBase = QStringLiteral("https://www.example.com/yotsumado/");

// A drop takes the names ".bmp", ".jpg" and ".jpeg", and the names of the
// newer kinds, in any letter case; the other names of bitmaps and JPEG
// pictures (".dib", ".jpe", ".jfif") are read when the command line names
// them, ignored when dropped.
bool DropTakes(const QString& name)
{
    const QString extension = ExtensionOf(name);
    for (const char* taken : {".bmp", ".jpg", ".jpeg", ".png", ".webp", ".heic", ".heif", ".hif", ".avif", ".tif",
                              ".tiff", ".gif", ".jxl"})
        if (QString::compare(extension, QLatin1String(taken), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

const QString kMailSubject = QStringLiteral("(添付画像あり)");
const QString kMailFailure =
    QStringLiteral("お使いのメーラーを｢通常使うメールソフト(規定のプログラム)｣に設定してください。");

} // namespace

// ---- Binding the stored layout --------------------------------------------
//
// The layout names the components and the handlers; these two tables say which
// member each name fills and which member function each handler name calls,
// every name written once here (the macros turn it into both string and member).

namespace {

// The member a stored component fills, of the member's own type; a layout
// that lacks the component (or has one of another kind) is a fault of the
// program, reported as such.
template <auto Member>
void BindComponent(TMainForm1& form, const char* name)
{
    using T = std::remove_pointer_t<std::remove_reference_t<decltype(form.*Member)>>;
    T* c = form.findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!c)
        throw Exception(QStringLiteral("the stored layout has no %1").arg(QLatin1String(name)));
    form.*Member = c;
}

// A handler of the layout's event type for a member function of that shape.
template <typename... Args>
TEventHandler Forward(TMainForm1* form, void (TMainForm1::*handler)(QObject*, Args...))
{
    using Event = std::conditional_t<sizeof...(Args) == 0, TNotifyEvent,
                                     std::conditional_t<sizeof...(Args) == 3, TMouseMoveEvent, TMouseEvent>>;
    return Event([form, handler](QObject* sender, Args... args) { (form->*handler)(sender, args...); });
}

struct ComponentBinding {
    const char* Name;
    void (*Bind)(TMainForm1&, const char*);
};

#define YOTSUMADO_COMPONENT(name) ComponentBinding{#name, &BindComponent<&TMainForm1::name>}
const ComponentBinding kComponents[] = {
    YOTSUMADO_COMPONENT(Image1), YOTSUMADO_COMPONENT(Image2), YOTSUMADO_COMPONENT(Image3),
    YOTSUMADO_COMPONENT(Image4), YOTSUMADO_COMPONENT(Shape1), YOTSUMADO_COMPONENT(Shape2),
    YOTSUMADO_COMPONENT(Shape3), YOTSUMADO_COMPONENT(Shape4), YOTSUMADO_COMPONENT(Save1),
    YOTSUMADO_COMPONENT(Image0), YOTSUMADO_COMPONENT(M1), YOTSUMADO_COMPONENT(N1),
    YOTSUMADO_COMPONENT(N2), YOTSUMADO_COMPONENT(Label1), YOTSUMADO_COMPONENT(Label2),
    YOTSUMADO_COMPONENT(Label3), YOTSUMADO_COMPONENT(Label4), YOTSUMADO_COMPONENT(N3),
    YOTSUMADO_COMPONENT(N4), YOTSUMADO_COMPONENT(D1), YOTSUMADO_COMPONENT(N6),
    YOTSUMADO_COMPONENT(N7), YOTSUMADO_COMPONENT(N8), YOTSUMADO_COMPONENT(N10),
    YOTSUMADO_COMPONENT(N11), YOTSUMADO_COMPONENT(N9), YOTSUMADO_COMPONENT(SelShape1),
    YOTSUMADO_COMPONENT(SelShape2), YOTSUMADO_COMPONENT(Button1), YOTSUMADO_COMPONENT(Copy1),
    YOTSUMADO_COMPONENT(Paste1), YOTSUMADO_COMPONENT(Fit1),
    YOTSUMADO_COMPONENT(FitStretch1), YOTSUMADO_COMPONENT(FitWhole1), YOTSUMADO_COMPONENT(FitFill1),
    YOTSUMADO_COMPONENT(Size1), YOTSUMADO_COMPONENT(Size1x), YOTSUMADO_COMPONENT(Size2x),
    YOTSUMADO_COMPONENT(Size3x), YOTSUMADO_COMPONENT(Size4x),
};
#undef YOTSUMADO_COMPONENT

THandlerTable HandlerTable(TMainForm1* form)
{
#define YOTSUMADO_HANDLER(name) {#name, Forward(form, &TMainForm1::name)}
    return {
        YOTSUMADO_HANDLER(Image1MouseMove), YOTSUMADO_HANDLER(Image2MouseMove),
        YOTSUMADO_HANDLER(Image3MouseMove), YOTSUMADO_HANDLER(Image4MouseMove),
        YOTSUMADO_HANDLER(Image1DblClick), YOTSUMADO_HANDLER(Image2DblClick),
        YOTSUMADO_HANDLER(Image3DblClick), YOTSUMADO_HANDLER(Image4DblClick),
        YOTSUMADO_HANDLER(SelShape1MouseUp), YOTSUMADO_HANDLER(Button1Click),
        YOTSUMADO_HANDLER(Save1Click), YOTSUMADO_HANDLER(M1Click),
        YOTSUMADO_HANDLER(N6Click), YOTSUMADO_HANDLER(N7Click),
        YOTSUMADO_HANDLER(N10Click), YOTSUMADO_HANDLER(N11Click),
        YOTSUMADO_HANDLER(N8Click), YOTSUMADO_HANDLER(D1Click),
        YOTSUMADO_HANDLER(N4Click), YOTSUMADO_HANDLER(Copy1Click),
        YOTSUMADO_HANDLER(Paste1Click), YOTSUMADO_HANDLER(FitStretch1Click),
        YOTSUMADO_HANDLER(FitWhole1Click), YOTSUMADO_HANDLER(FitFill1Click),
        YOTSUMADO_HANDLER(Size1xClick), YOTSUMADO_HANDLER(Size2xClick),
        YOTSUMADO_HANDLER(Size3xClick), YOTSUMADO_HANDLER(Size4xClick),
    };
#undef YOTSUMADO_HANDLER
}

} // namespace

TMainForm1::TMainForm1(platform::Services& services, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint)
    , services_(services)
{
    ReadFormLayout(this, MainForm1Layout(), HandlerTable(this));
    for (const ComponentBinding& binding : kComponents)
        binding.Bind(*this, binding.Name);
    PopupMenu1 = PopupMenuOf(this, MainForm1Layout().PopupMenu);
    SavePictureDialog1 = new TSavePictureDialog(this);
    SavePictureDialog1->setObjectName(QStringLiteral("SavePictureDialog1"));
    SavePictureDialog1->Filter = QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg");
    SavePictureDialog1->DefaultExt = QStringLiteral("jpg");
    SavePictureDialog1->Platform = &services_;
    UseMemoryBudget(std::make_shared<MemoryBudget>(kProgramMemoryBudget));
    // The dividers keep the pointer inside the window while dragged, when
    // the services can confine it.
    SelShape1->SetPointerConfinement(services_.pointer.get());
    SelShape2->SetPointerConfinement(services_.pointer.get());

    CurrentPanel.clear();
    // Being the first window created, it becomes the application's main
    // window: the one whose closing ends the program and owns every box.
    if (auto* app = qobject_cast<TApplication*>(QCoreApplication::instance()); app && !app->MainForm())
        app->SetMainForm(this);
    // From here on the window takes files dropped from the file manager.
    setAcceptDrops(true);
    for (TImage* image : {Image1, Image2, Image3, Image4})
        image->installEventFilter(this);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

TMainForm1::~TMainForm1()
{
    if (MainForm1 == this)
        MainForm1 = nullptr;
}

// ---- Pointer tracking and dropping ----------------------------------------

void TMainForm1::Image1MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag1; }
void TMainForm1::Image2MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag2; }
void TMainForm1::Image3MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag3; }
void TMainForm1::Image4MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag4; }

void TMainForm1::DragMovedTo(QPointF position, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    // A drag brings no mouse moves, yet the pointer does move: over the
    // control a mouse move would reach there (a divider or a shown marker
    // keeps it from the picture below, as it keeps real moves).
    const QPoint at = position.toPoint();
    auto* image = qobject_cast<TImage*>(childAt(at));
    if (!image || !image->OnMouseMove)
        return;
    const QPoint local = image->mapFrom(this, at);
    image->OnMouseMove(image, ShiftStateOf(modifiers, buttons), local.x(), local.y());
}

void TMainForm1::WMDropFiles(platform::DropFiles& drop)
{
    // The drop's data is released in every case, also when the load fails.
    const auto finish = qScopeGuard([&drop] { drop.Finish(); });
    (void)drop.Count();
    const QString name = drop.Name(0);
    if (!DropTakes(name))
        return;
    // Decoded on a worker thread: the window keeps answering meanwhile.
    if (CurrentPanel == kTag1)
        LoadIntoPanelInBackground(Image1, name);
    else if (CurrentPanel == kTag2)
        LoadIntoPanelInBackground(Image2, name);
    else if (CurrentPanel == kTag3)
        LoadIntoPanelInBackground(Image3, name);
    else if (CurrentPanel == kTag4)
        LoadIntoPanelInBackground(Image4, name);
}

int TMainForm1::PanelOf(const TImage* image) const
{
    const TImage* images[4] = {Image1, Image2, Image3, Image4};
    for (int i = 0; i < 4; ++i)
        if (images[i] == image)
            return i;
    return -1;
}

QRgb TMainForm1::BackgroundOf(const TImage* image) const
{
    const TShape* backgrounds[4] = {Shape1, Shape2, Shape3, Shape4};
    const int panel = PanelOf(image);
    return panel < 0 ? kDefaultBackground : ToQColor(backgrounds[panel]->Brush()->Color()).rgb();
}

void TMainForm1::SupersedeLoads(const TImage* image)
{
    const int panel = PanelOf(image);
    if (panel >= 0)
        ++loadGeneration_[size_t(panel)];
}

namespace {

// A picture loaded for a panel, ready to be shown: the picture holds its
// share of the budget for as long as it lives, and its colours are converted
// where it is drawn, pixel by pixel as shown.
struct TLoadedPicture {
    QImage held;
    std::shared_ptr<const ColorProfileTransform> colour;
};

TLoadedPicture LoadForPanel(const QString& fileName, const TMainForm1::TPastedPicture& pasted, QRgb background,
                            const std::shared_ptr<MemoryBudget>& budget)
{
    BudgetShare share(*budget);
    TDisplayPicture picture = pasted.bytes.isEmpty() ? LoadPictureForDisplay(fileName, share, background)
                                                     : LoadPictureForDisplay(pasted.bytes, pasted.kind, share, background);
    return {HeldInBudget(std::move(picture.pixels), std::move(share), budget), std::move(picture.colour)};
}

void ShowInPanel(TImage* image, TLoadedPicture picture)
{
    if (!picture.colour) {
        image->SetPicture(std::move(picture.held));
        return;
    }
    image->SetPicture(std::move(picture.held), [colour = picture.colour](QImage& shown) { colour->ConvertImage(shown); });
}

} // namespace

void TMainForm1::LoadIntoPanel(TImage* image, const QString& fileName)
{
    // The new picture replaces the old one only once it has loaded; until
    // then the old one still counts against the budget. A picture with
    // transparent parts shows the panel's own colour through them, as the
    // empty panel does.
    TLoadedPicture picture = LoadForPanel(fileName, {}, BackgroundOf(image), budget_);
    SupersedeLoads(image);
    pasted_[size_t(PanelOf(image))] = {};
    ShowInPanel(image, std::move(picture));
    panelFiles_[size_t(PanelOf(image))] = {fileName, image->Picture().cacheKey()};
}

void TMainForm1::LoadIntoPanelInBackground(TImage* image, const QString& fileName,
                                           std::function<void(const std::optional<QString>& error)> done)
{
    LoadInBackground(image, fileName, {}, std::move(done));
}

void TMainForm1::PasteIntoPanelInBackground(TImage* image, TPastedPicture pasted,
                                            std::function<void(const std::optional<QString>& error)> done)
{
    LoadInBackground(image, {}, std::move(pasted), std::move(done));
}

void TMainForm1::LoadInBackground(TImage* image, const QString& fileName, TPastedPicture pasted,
                                  std::function<void(const std::optional<QString>& error)> done)
{
    const int panel = PanelOf(image);
    Q_ASSERT(panel >= 0);
    const quint64 generation = ++loadGeneration_[size_t(panel)];
    ++loadsRunning_;
    QPointer<TMainForm1> self(this);
    QThreadPool::globalInstance()->start([self, image, fileName, pasted, generation, panel, done = std::move(done),
                                          background = BackgroundOf(image), budget = budget_]() {
        auto picture = std::make_shared<TLoadedPicture>();
        QString error;
        bool failed = false;
        try {
            *picture = LoadForPanel(fileName, pasted, background, budget);
        } catch (const EAbort&) {
        } catch (const Exception& e) {
            error = e.Message();
            failed = true;
        } catch (...) {
            failed = true;
        }
        // Back on the window's thread; the window may be gone by then.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, image, picture, pasted, error, failed, generation, panel, done, fileName] {
            if (!self)
                return;
            --self->loadsRunning_;
            const bool latest = self->loadGeneration_[size_t(panel)] == generation;
            if (latest && !failed) {
                ShowInPanel(image, std::move(*picture));
                self->pasted_[size_t(panel)] = pasted;
                self->panelFiles_[size_t(panel)] = {fileName, image->Picture().cacheKey()};
            }
            *picture = TLoadedPicture();  // a superseded picture gives its budget back now
            if (done)
                done(latest && failed ? std::optional<QString>(error) : std::nullopt);
            else if (latest && failed)
                TApplication::Instance()->ShowException(Exception(error));
        }, Qt::QueuedConnection);
    });
}

void TMainForm1::WaitForLoads()
{
    while (loadsRunning_ > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

void TMainForm1::UseMemoryBudget(std::shared_ptr<MemoryBudget> budget)
{
    budget_ = std::move(budget);
    SavePictureDialog1->Budget = budget_;
}

bool TMainForm1::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Taken as a copy whatever the source proposes (a move under Shift,
        // or by some file managers): the source must keep the user's file.
        auto* e = static_cast<QDragMoveEvent*>(event);
        DragMovedTo(e->position(), e->modifiers(), e->buttons());
        const Qt::DropAction action = platform::DropFiles::AcceptedAction(e->possibleActions());
        if (e->mimeData()->hasUrls() && action != Qt::IgnoreAction) {
            e->setDropAction(action);
            e->accept();
        } else {
            e->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        DragMovedTo(e->position(), e->modifiers(), e->buttons());
        const Qt::DropAction action = platform::DropFiles::AcceptedAction(e->possibleActions());
        if (action == Qt::IgnoreAction) {
            e->ignore();
            return true;
        }
        e->setDropAction(action);
        e->accept();
        if (dragData_ && e->mimeData() == dragData_) {
            // The window's own drag let go over it: no file is loaded.
            SwapPanels(std::exchange(dragPanel_, -1), PanelOf(PanelUnderPointer()));
            return true;
        }
        platform::DropFiles drop = platform::DropFiles::FromMimeData(e->mimeData());
        try {
            WMDropFiles(drop);
        } catch (const Exception& error) {
            // The file manager waits until the drop has been handled; show
            // the error once the drop is over, as the original did after
            // releasing the drop.
            const bool silent = dynamic_cast<const EAbort*>(&error) != nullptr;
            const QString message = error.Message();
            if (!silent)
                QTimer::singleShot(0, this, [message] { TApplication::Instance()->ShowException(Exception(message)); });
        }
        return true;
    }
    case QEvent::WindowActivate:
        StayOnTopAgain();
        return QWidget::event(event);
    default:
        return QWidget::event(event);
    }
}

// ---- Dragging the grid out ------------------------------------------------

bool TMainForm1::eventFilter(QObject* watched, QEvent* event)
{
    // Watches Image1..4: a left press that moves past the drag distance
    // before its release starts a drag. The picture still gets every event
    // but the move that starts it (a double-click or a short wobble stays a
    // click, a right-button press never drags).
    const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
    if (!mouse)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        dragStart_ = mouse->position().toPoint();
    } else if (event->type() == QEvent::MouseMove && dragStart_ && mouse->buttons() == Qt::LeftButton) {
        if ((mouse->position().toPoint() - *dragStart_).manhattanLength() >= QApplication::startDragDistance()) {
            dragStart_.reset();
            DragOut(qobject_cast<TImage*>(watched));
            return true;
        }
    } else if (event->type() != QEvent::MouseMove || mouse->buttons() != Qt::LeftButton) {
        dragStart_.reset();
    }
    return QWidget::eventFilter(watched, event);
}

std::unique_ptr<QMimeData> TMainForm1::DragOutData(TImage* from)
{
    const QImage composite = MakeComposite();
    // Named as Mail names its attachment; the previous drag's file stays for
    // whatever target took it.
    const QString name = services_.ClockService().Now().toString(QStringLiteral("yyyyMMddHHmm")) + QStringLiteral(".jpg");
    const platform::DragFile file = services_.DragFileService().Offer(name, EncodeJpeg(composite));
    if (!file.Kept)
        throw CannotCreateError(file.Path);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    composite.save(&buffer, "PNG");
    auto offer = std::make_unique<QMimeData>();
    offer->setUrls({QUrl::fromLocalFile(file.Path)});
    offer->setData(QStringLiteral("image/png"), png);
    dragData_ = offer.get();
    dragPanel_ = PanelOf(from);
    return offer;
}

void TMainForm1::DragOut(TImage* from)
{
    std::unique_ptr<QMimeData> offer = DragOutData(from);
    auto* drag = new QDrag(this);
    drag->setMimeData(offer.release());
    const platform::DragFile file{drag->mimeData()->urls().constFirst().toLocalFile(), true};
    drag->setPixmap(QPixmap::fromImage(Image0->Picture().scaled(120, 90, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    // A file no one took, or one that came home as a swap, goes at once.
    const bool taken = drag->exec(Qt::CopyAction) != Qt::IgnoreAction && dragPanel_ >= 0;
    if (!taken)
        services_.DragFileService().Withdraw(file);
    dragPanel_ = -1;
    // The drag is Qt's to delete: on X11 it still serves the target after
    // exec() returns (a mail program's compose window asks for the file list
    // only then), and goes once the target has finished.
}

void TMainForm1::SwapPanels(int a, int b)
{
    TImage* const images[4] = {Image1, Image2, Image3, Image4};
    if (a < 0 || a >= 4 || b < 0 || b >= 4 || a == b)
        return;
    // Loads still running into either panel would land in the wrong place.
    SupersedeLoads(images[a]);
    SupersedeLoads(images[b]);
    images[a]->SwapPicture(*images[b]);
    std::swap(pasted_[size_t(a)], pasted_[size_t(b)]);
    // A larger composite reads each picture again from where it came.
    std::swap(panelFiles_[size_t(a)], panelFiles_[size_t(b)]);
}

// ---- Context menu ----------------------------------------------------------

void TMainForm1::mouseReleaseEvent(QMouseEvent* event)
{
    // A right-button release anywhere in the client area, over any control
    // (they pass it on), opens the popup menu, as the original platform does.
    if (event->button() == Qt::RightButton && rect().contains(event->position().toPoint())) {
        PopupMenu1->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TMainForm1::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's request is served at the release; the keyboard's at once.
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->accept();
        return;
    }
    PopupMenu1->popup(mapToGlobal(QPoint(kClientWidth / 2, kClientHeight / 2)));
}

void TMainForm1::closeEvent(QCloseEvent* event)
{
    // Closing the application's main window ends the program, without a
    // question. Qt's own last-window rule is off (a tool window does not
    // count for it, and a box would): this is the one way out.
    event->accept();
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    if (MainForm1 == this || (app && app->MainForm() == this))
        QCoreApplication::quit();
}

// ---- Grid layout -----------------------------------------------------------

void TMainForm1::SelShape1MouseUp(QObject*, TMouseButton, TShiftState, int, int)
{
    Button1Click(Button1);
}

void TMainForm1::Button1Click(QObject*)
{
    // V and H are the dividers' left and top edges; the split lines lie in
    // the middle of the 4-pixel bars. Sizes come from the grid's constants,
    // never from the window's actual client size.
    const std::array<QRect, 4> panels = grid::PanelRects(SelShape2->Left(), SelShape1->Top());
    TShape* const shapes[4] = {Shape1, Shape2, Shape3, Shape4};
    TImage* const images[4] = {Image1, Image2, Image3, Image4};
    for (size_t i = 0; i < 4; ++i)
        shapes[i]->SetBounds(panels[i].x(), panels[i].y(), panels[i].width(), panels[i].height());
    for (size_t i = 0; i < 4; ++i)
        images[i]->SetBounds(panels[i].x(), panels[i].y(), panels[i].width(), panels[i].height());
    // Each marker keeps its inset from its panel's corner.
    Label2->SetLeft(panels[1].x() + grid::kMarkerInset);
    Label3->SetTop(panels[2].y() + grid::kMarkerInset);
    Label4->SetBounds(panels[3].x() + grid::kMarkerInset, panels[3].y() + grid::kMarkerInset, Label4->Width(),
                      Label4->Height());
}

// ---- Markers ---------------------------------------------------------------

std::array<QAction*, grid::kMarkerModes.size()> TMainForm1::MarkerModeItems() const
{
    return {N6, N7, N10, N11, N8};
}

void TMainForm1::ApplyMarkerMode(size_t mode)
{
    const auto items = MarkerModeItems();
    items[mode]->setChecked(true);
    for (size_t i = 0; i < items.size(); ++i) {
        if (i != mode)
            items[i]->setChecked(false);
    }
    const grid::MarkerMode& m = grid::kMarkerModes[mode];
    TShadowLabel* const labels[4] = {Label1, Label2, Label3, Label4};
    for (size_t i = 0; i < 4; ++i) {
        if (m.visible) {
            labels[i]->SetCaption(QString::fromUtf8(m.captions[i]));
            labels[i]->SetVisible(true);
            labels[i]->Font()->SetColor(m.color);
        } else {
            labels[i]->SetVisible(false);
        }
    }
}

template <size_t N>
void TMainForm1::CheckAlone(const std::array<QAction*, N>& items, size_t index)
{
    for (size_t i = 0; i < N; ++i)
        items[i]->setChecked(i == index);
}

std::array<QAction*, grid::kFitModes.size()> TMainForm1::FitItems() const
{
    return {FitStretch1, FitWhole1, FitFill1};
}

std::array<QAction*, grid::kOutputScales.size()> TMainForm1::SizeItems() const
{
    return {Size1x, Size2x, Size3x, Size4x};
}

void TMainForm1::ApplyFit(TFitMode fit)
{
    CheckAlone(FitItems(), size_t(fit));
    fit_ = fit;
    for (TImage* image : {Image1, Image2, Image3, Image4})
        image->SetFit(fit);
}

void TMainForm1::ApplyOutputScale(size_t index)
{
    CheckAlone(SizeItems(), index);
    outputScale_ = grid::kOutputScales[index];
}

void TMainForm1::FitStretch1Click(QObject*) { ApplyFit(TFitMode::Stretch); }
void TMainForm1::FitWhole1Click(QObject*) { ApplyFit(TFitMode::Fit); }
void TMainForm1::FitFill1Click(QObject*) { ApplyFit(TFitMode::Fill); }
void TMainForm1::Size1xClick(QObject*) { ApplyOutputScale(0); }
void TMainForm1::Size2xClick(QObject*) { ApplyOutputScale(1); }
void TMainForm1::Size3xClick(QObject*) { ApplyOutputScale(2); }
void TMainForm1::Size4xClick(QObject*) { ApplyOutputScale(3); }

void TMainForm1::N6Click(QObject*) { ApplyMarkerMode(0); }
void TMainForm1::N7Click(QObject*) { ApplyMarkerMode(1); }
void TMainForm1::N10Click(QObject*) { ApplyMarkerMode(2); }
void TMainForm1::N11Click(QObject*) { ApplyMarkerMode(3); }
void TMainForm1::N8Click(QObject*) { ApplyMarkerMode(4); }

// ---- Clearing and the information page -------------------------------------

// Emptying a panel also drops a load into it still running: the panel stays
// as the user left it.
void TMainForm1::Image1DblClick(QObject*) { EmptyPanel(Image1); }
void TMainForm1::Image2DblClick(QObject*) { EmptyPanel(Image2); }
void TMainForm1::Image3DblClick(QObject*) { EmptyPanel(Image3); }
void TMainForm1::Image4DblClick(QObject*) { EmptyPanel(Image4); }

void TMainForm1::D1Click(QObject*)
{
    for (TImage* image : {Image1, Image2, Image3, Image4})
        EmptyPanel(image);
}

void TMainForm1::EmptyPanel(TImage* image)
{
    SupersedeLoads(image);
    image->ClearPicture();
    pasted_[size_t(PanelOf(image))] = {};
}

QString TMainForm1::InformationAddress(const QString& programPath)
{
    // The program file's name without folder and extension (several dots
    // kept), percent-encoded so that any name yields one valid address.
    QString name = programPath.mid(programPath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return kInformationSiteBase + QStringLiteral("info.php?pf=w&sn=")
        + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

void TMainForm1::N4Click(QObject*)
{
    const QString address = InformationAddress(services_.ProgramPathService().Path());
    services_.ShellOpenService().OpenUrl(QUrl::fromEncoded(address.toLatin1(), QUrl::StrictMode));
    GiveUpStayingOnTop();
}

void TMainForm1::GiveUpStayingOnTop()
{
    // QWindow::setFlags changes the live window (on X11 the window manager
    // is asked to drop _NET_WM_STATE_ABOVE); QWidget::setWindowFlag would
    // re-create the window. The widget's own flags keep the hint, so the
    // boxes it owns still stay on top.
    if (QWindow* window = windowHandle())
        window->setFlags(window->flags() & ~Qt::WindowStaysOnTopHint);
}

void TMainForm1::StayOnTopAgain()
{
    QWindow* window = windowHandle();
    if (window && windowFlags().testFlag(Qt::WindowStaysOnTopHint)
        && !window->flags().testFlag(Qt::WindowStaysOnTopHint))
        window->setFlags(window->flags() | Qt::WindowStaysOnTopHint);
}

// ---- Composite picture, Save and Mail --------------------------------------

void TMainForm1::ShowDividers(bool visible)
{
    SelShape1->SetVisible(visible);
    SelShape2->SetVisible(visible);
}

void TMainForm1::Capture()
{
    ShowDividers(false);
    repaint();
    // Render the window's own widgets rather than read the screen, so that
    // nothing covering the window leaks in and display scaling plays no part.
    QImage composite(kClientWidth, kClientHeight, QImage::Format_RGB32);
    composite.setDevicePixelRatio(1.0);
    composite.fill(palette().color(QPalette::Window));
    render(&composite, QPoint(0, 0), QRegion(0, 0, kClientWidth, kClientHeight),
           QWidget::DrawWindowBackground | QWidget::DrawChildren);
    Image0->SetPicture(std::move(composite));
}

QImage TMainForm1::MakeComposite()
{
    const auto restore = qScopeGuard([this, shown = !SelShape1->isHidden()] { ShowDividers(shown); });
    if (outputScale_ == 1) {
        Capture();
        return Image0->Picture();
    }
    const std::array<QRect, 4> panels = grid::PanelRects(SelShape2->Left(), SelShape1->Top(), outputScale_);
    const TImage* const images[4] = {Image1, Image2, Image3, Image4};
    std::array<QImage, 4> pictures;
    for (size_t i = 0; i < 4; ++i) {
        const QImage& shown = images[i]->Picture();
        if (shown.isNull())
            continue;
        const TPastedPicture& pasted = pasted_[i];
        const QString& file = panelFiles_[i].name;
        if (panelFiles_[i].picture == shown.cacheKey() && !(file.isEmpty() && pasted.bytes.isEmpty())) {
            BudgetShare share(*budget_);
            const QRgb background = BackgroundOf(images[i]);
            QImage picture = pasted.bytes.isEmpty()
                ? LoadPictureSmooth(file, panels[i].size(), share, background, fit_)
                : LoadPictureSmooth(pasted.bytes, pasted.kind, panels[i].size(), share, background, fit_);
            pictures[i] = HeldInBudget(std::move(picture), std::move(share), budget_);
        } else {
            // A picture that came from neither: smoothed from the one shown.
            const TPlacement placed = PlaceInPanel(shown.size(), panels[i].size(), fit_);
            pictures[i] = ResizeLanczos(shown.copy(placed.source), placed.target.size());
        }
    }
    Image0->SetPicture(DrawComposite(pictures));
    return Image0->Picture();
}

QImage TMainForm1::DrawComposite(const std::array<QImage, 4>& pictures) const
{
    const int k = outputScale_;
    QImage composite = DrawPanels(pictures, SelShape2->Left(), SelShape1->Top(), fit_, k);
    QPainter painter(&composite);
    // Each marker shown is drawn by a label of its own values with its font
    // and its shadows' offsets scaled, at its scaled place.
    QWidget host;
    for (const TShadowLabel* label : {Label1, Label2, Label3, Label4}) {
        if (label->isHidden())
            continue;
        auto* scaled = new TShadowLabel(&host);
        for (const auto& [name, value] : StoredValues(label))
            ApplyStoredValue(scaled, name.toUtf8().constData(), value);
        scaled->Font()->SetHeight(label->Font()->Height() * k);
        for (auto [from, to] : {std::pair(label->Shadow(), scaled->Shadow()), std::pair(label->Highlight(), scaled->Highlight())}) {
            to->SetShadowLeft(from->OffsetLeft() * k);
            to->SetShadowTop(from->OffsetTop() * k);
        }
        scaled->render(&painter, label->pos() * k, QRegion(), QWidget::DrawChildren);
    }
    return composite;
}

void TMainForm1::Save1Click(QObject*)
{
    const auto restore = qScopeGuard([this] { ShowDividers(true); });
    // The dividers stay hidden while the dialog is open.
    ShowDividers(false);
    const QImage composite = MakeComposite();
    if (!SavePictureDialog1->Execute(this))
        return;
    const QString fileName = SavePictureDialog1->FileName;
    if (IsExistingFile(fileName)) {
        const QString question = ShownFileName(fileName) + QStringLiteral(" は既に存在します。\n上書きしますか？");
        if (!services_.MessageBoxService().AskYesNo(this, QStringLiteral("確認"), question))
            return;
    }
    SaveJpeg(composite, fileName);
}

void TMainForm1::M1Click(QObject*)
{
    const auto restore = qScopeGuard([this] { ShowDividers(true); });
    // Named by the minute it was made, in local time.
    const QString name = services_.ClockService().Now().toString(QStringLiteral("yyyyMMddHHmm")) + QStringLiteral(".jpg");
    ShowDividers(false);
    const platform::MailResult result =
        services_.MailService().SendMail({kMailSubject, name, EncodeJpeg(MakeComposite())});
    if (result.Outcome == platform::MailOutcome::NotStored)
        throw CannotCreateError(result.UnwritablePath);
    if (result.Outcome != platform::MailOutcome::Accepted) {
        platform::MessageBoxes& boxes = services_.MessageBoxService();
        boxes.Beep();
        boxes.ShowInformation(this, TApplication::Instance()->Title(), kMailFailure);
        return;
    }
    // The mail program's compose window comes up above ours.
    GiveUpStayingOnTop();
}

// ---- Copy and paste --------------------------------------------------------

namespace {

// The image data a paste takes, the first one offered in this order: PNG,
// which is what most programs copy and loses nothing; JPEG; the other kinds
// read, by the names shared-mime-info gives them.
const std::pair<const char*, PictureKind> kPastedTypes[] = {
    {"image/png", PictureKind::Png},   {"image/jpeg", PictureKind::Jpeg}, {"image/webp", PictureKind::WebP},
    {"image/avif", PictureKind::Avif}, {"image/heic", PictureKind::Heif}, {"image/heif", PictureKind::Heif},
    {"image/jxl", PictureKind::JpegXl}, {"image/tiff", PictureKind::Tiff}, {"image/gif", PictureKind::Gif},
    {"image/bmp", PictureKind::Bitmap},
};

} // namespace

void TMainForm1::Copy1Click(QObject*)
{
    // PNG first: a program takes the first type it reads, and Qt's own
    // image type alone would offer a bitmap first (tens of megabytes on
    // Wayland, for a large screen scale). The JPEG is the very file Save
    // writes.
    const QImage composite = MakeComposite();
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    composite.save(&out, "PNG");
    auto offer = std::make_unique<QMimeData>();
    offer->setData(QStringLiteral("image/png"), png);
    offer->setData(QStringLiteral("image/jpeg"), EncodeJpeg(composite));
    offer->setImageData(composite);
    services_.ClipboardService().Offer(std::move(offer));
}

TImage* TMainForm1::PanelUnderPointer() const
{
    const QString tags[4] = {kTag1, kTag2, kTag3, kTag4};
    TImage* const images[4] = {Image1, Image2, Image3, Image4};
    for (size_t i = 0; i < 4; ++i)
        if (CurrentPanel == tags[i])
            return images[i];
    return nullptr;
}

void TMainForm1::Paste1Click(QObject*)
{
    // The panel is chosen as a drop's is: the pointer is over it, or was
    // last (the menu item lies outside the window).
    TImage* const image = PanelUnderPointer();
    if (!image)
        return;
    const QMimeData* offered = services_.ClipboardService().Offered();
    for (const auto& [type, kind] : kPastedTypes) {
        const QByteArray bytes = offered ? offered->data(QLatin1String(type)) : QByteArray();
        if (!bytes.isEmpty()) {
            PasteIntoPanelInBackground(image, {bytes, kind});
            return;
        }
    }
    // Files copied in a file manager: the first, if a drop would take it.
    const platform::DropFiles files = platform::DropFiles::FromMimeData(offered);
    if (files.Count() > 0 && DropTakes(files.Name(0))) {
        LoadIntoPanelInBackground(image, files.Name(0));
        return;
    }
    // Nothing to paste is no error worth a box to dismiss: the alert sound
    // says the command found nothing.
    services_.MessageBoxService().Beep();
}

} // namespace yotsumado
