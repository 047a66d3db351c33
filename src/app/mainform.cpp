#include "mainform.h"

#include "application.h"
#include "error.h"
#include "filedrop.h"
#include "image.h"
#include "jpegencoder.h"
#include "mailattachments.h"
#include "mainlayout.h"
#include "memorybudget.h"
#include "pictureloader.h"
#include "pictureformat.h"
#include "savepicturedialog.h"
#include "selshape.h"
#include "services.h"
#include "shadowlabel.h"
#include "shape.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <chrono>

TMainForm1* MainForm1 = nullptr;

namespace {

// The panels' tags: keys only, never shown. Their words do not name the
// panels' places (the lower-left panel's tag is "右上"); what matters is that
// the four mouse-move handlers and the drop handler use the same values.
const QString kTag1 = QStringLiteral("左上");
const QString kTag2 = QStringLiteral("上");
const QString kTag3 = QStringLiteral("右上");
const QString kTag4 = QStringLiteral("左");

// The client area the layout, the capture and the composite are made for.
constexpr int kClientWidth = 480;
constexpr int kClientHeight = 360;

// The home page of the program's information site. The one place to change
// when the project has a home page of its own.
const QString kInformationSiteBase = QStringLiteral("https://www.example.com/yotsumado/");

const QString kMailSubject = QStringLiteral("(添付画像あり)");
const QString kMailFailure =
    QStringLiteral("お使いのメーラーを｢通常使うメールソフト(規定のプログラム)｣に設定してください。");

// Runs a step when the scope ends, whichever way it ends.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
private:
    F f_;
};

} // namespace

TMainForm1::TMainForm1(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    const THandlerTable handlers{
        {"Image1MouseMove", TMouseMoveEvent([this](QObject* s, TShiftState sh, int x, int y) { Image1MouseMove(s, sh, x, y); })},
        {"Image2MouseMove", TMouseMoveEvent([this](QObject* s, TShiftState sh, int x, int y) { Image2MouseMove(s, sh, x, y); })},
        {"Image3MouseMove", TMouseMoveEvent([this](QObject* s, TShiftState sh, int x, int y) { Image3MouseMove(s, sh, x, y); })},
        {"Image4MouseMove", TMouseMoveEvent([this](QObject* s, TShiftState sh, int x, int y) { Image4MouseMove(s, sh, x, y); })},
        {"Image1DblClick", TNotifyEvent([this](QObject* s) { Image1DblClick(s); })},
        {"Image2DblClick", TNotifyEvent([this](QObject* s) { Image2DblClick(s); })},
        {"Image3DblClick", TNotifyEvent([this](QObject* s) { Image3DblClick(s); })},
        {"Image4DblClick", TNotifyEvent([this](QObject* s) { Image4DblClick(s); })},
        {"SelShape1MouseUp", TMouseEvent([this](QObject* s, TMouseButton b, TShiftState sh, int x, int y) { SelShape1MouseUp(s, b, sh, x, y); })},
        {"Button1Click", TNotifyEvent([this](QObject* s) { Button1Click(s); })},
        {"Save1Click", TNotifyEvent([this](QObject* s) { Save1Click(s); })},
        {"M1Click", TNotifyEvent([this](QObject* s) { M1Click(s); })},
        {"N6Click", TNotifyEvent([this](QObject* s) { N6Click(s); })},
        {"N7Click", TNotifyEvent([this](QObject* s) { N7Click(s); })},
        {"N10Click", TNotifyEvent([this](QObject* s) { N10Click(s); })},
        {"N11Click", TNotifyEvent([this](QObject* s) { N11Click(s); })},
        {"N8Click", TNotifyEvent([this](QObject* s) { N8Click(s); })},
        {"D1Click", TNotifyEvent([this](QObject* s) { D1Click(s); })},
        {"N4Click", TNotifyEvent([this](QObject* s) { N4Click(s); })},
    };
    const TFormLayout& layout = MainForm1Layout();
    ReadFormLayout(this, layout, handlers);

    Image1 = Component<TImage>("Image1");
    Image2 = Component<TImage>("Image2");
    Image3 = Component<TImage>("Image3");
    Image4 = Component<TImage>("Image4");
    Shape1 = Component<TShape>("Shape1");
    Shape2 = Component<TShape>("Shape2");
    Shape3 = Component<TShape>("Shape3");
    Shape4 = Component<TShape>("Shape4");
    PopupMenu1 = PopupMenuOf(this, layout.PopupMenu);
    Save1 = MenuItem("Save1");
    SavePictureDialog1 = new TSavePictureDialog(this);
    SavePictureDialog1->setObjectName(QStringLiteral("SavePictureDialog1"));
    SavePictureDialog1->Filter = QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg");
    SavePictureDialog1->DefaultExt = QStringLiteral("jpg");
    UseMemoryBudget(std::make_shared<MemoryBudget>(kProgramMemoryBudget));
    Image0 = Component<TImage>("Image0");
    M1 = MenuItem("M1");
    N1 = MenuItem("N1");
    N2 = MenuItem("N2");
    Label1 = Component<TShadowLabel>("Label1");
    Label2 = Component<TShadowLabel>("Label2");
    Label3 = Component<TShadowLabel>("Label3");
    Label4 = Component<TShadowLabel>("Label4");
    N3 = MenuItem("N3");
    N4 = MenuItem("N4");
    D1 = MenuItem("D1");
    N6 = MenuItem("N6");
    N7 = MenuItem("N7");
    N8 = MenuItem("N8");
    N10 = MenuItem("N10");
    N11 = MenuItem("N11");
    N9 = MenuItem("N9");
    SelShape1 = Component<TSelShape>("SelShape1");
    SelShape2 = Component<TSelShape>("SelShape2");
    Button1 = Component<QPushButton>("Button1");

    CurrentPanel.clear();
    // From here on the window takes files dropped from the file manager.
    setAcceptDrops(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

TMainForm1::~TMainForm1()
{
    if (MainForm1 == this)
        MainForm1 = nullptr;
}

template <typename T>
T* TMainForm1::Component(const char* name)
{
    T* c = findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!c)
        throw Exception(QStringLiteral("the stored layout has no %1").arg(QLatin1String(name)));
    return c;
}

QAction* TMainForm1::MenuItem(const char* name)
{
    return Component<QAction>(name);
}

// ---- Pointer tracking and dropping ----------------------------------------

void TMainForm1::Image1MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag1; }
void TMainForm1::Image2MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag2; }
void TMainForm1::Image3MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag3; }
void TMainForm1::Image4MouseMove(QObject*, TShiftState, int, int) { CurrentPanel = kTag4; }

void TMainForm1::WMDropFiles(platform::DropFiles& drop)
{
    // The drop's data is released in every case, also when the load fails.
    ScopeExit finish([&drop] { drop.Finish(); });
    (void)drop.Count();
    const QString name = drop.Name(0);
    if (PictureKindOf(name) == PictureKind::None)
        return;
    if (CurrentPanel == kTag1)
        LoadIntoPanel(Image1, name);
    else if (CurrentPanel == kTag2)
        LoadIntoPanel(Image2, name);
    else if (CurrentPanel == kTag3)
        LoadIntoPanel(Image3, name);
    else if (CurrentPanel == kTag4)
        LoadIntoPanel(Image4, name);
}

void TMainForm1::LoadIntoPanel(TImage* image, const QString& fileName)
{
    // The new picture replaces the old one only once it has loaded; until
    // then the old one still counts against the budget. The picture holds
    // its share for as long as it lives.
    BudgetShare share(*budget_);
    QImage picture = LoadPicture(fileName, share);
    image->SetPicture(HeldInBudget(std::move(picture), std::move(share), budget_));
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
        auto* e = static_cast<QDragMoveEvent*>(event);
        if (e->mimeData()->hasUrls()) e->acceptProposedAction();
        else e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        platform::DropFiles drop = platform::DropFiles::FromMimeData(e->mimeData());
        e->acceptProposedAction();
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
    default:
        return QWidget::event(event);
    }
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
    // question. A tool window does not count for Qt's own last-window rule.
    event->accept();
    if (MainForm1 == this)
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
    // the middle of the 4-pixel bars. Sizes come from the constants, never
    // from the window's actual client size.
    const auto V = [this] { return SelShape2->Left(); };
    const auto H = [this] { return SelShape1->Top(); };
    Shape1->SetBounds(Shape1->Left(), Shape1->Top(), V() + 2, H() + 2);
    Shape2->SetBounds(V() + 2, Shape2->Top(), kClientWidth - Shape1->Width(), H() + 2);
    Shape3->SetBounds(Shape3->Left(), H() + 2, V() + 2, kClientHeight - Shape1->Height());
    Shape4->SetBounds(V() + 2, H() + 2, kClientWidth - Shape3->Width(), kClientHeight - Shape2->Height());
    Image1->SetBounds(Image1->Left(), Image1->Top(), V() + 2, H() + 2);
    Image2->SetBounds(V() + 2, Image2->Top(), kClientWidth - Image1->Width(), H() + 2);
    Image3->SetBounds(Image3->Left(), H() + 2, V() + 2, kClientHeight - Image1->Height());
    Image4->SetBounds(V() + 2, H() + 2, kClientWidth - Image3->Width(), kClientHeight - Image2->Height());
    Label2->SetLeft(V() + 6);
    Label3->SetTop(H() + 6);
    Label4->SetBounds(V() + 6, H() + 6, Label4->Width(), Label4->Height());
}

// ---- Markers ---------------------------------------------------------------

void TMainForm1::CheckModeItem(QAction* chosen)
{
    chosen->setChecked(true);
    for (QAction* item : {N6, N7, N10, N11, N8}) {
        if (item != chosen)
            item->setChecked(false);
    }
}

void TMainForm1::SetMarkers(const QString (&captions)[4], TColor color)
{
    TShadowLabel* const labels[4] = {Label1, Label2, Label3, Label4};
    for (int i = 0; i < 4; ++i) {
        labels[i]->SetCaption(captions[i]);
        labels[i]->SetVisible(true);
        labels[i]->Font()->SetColor(color);
    }
}

void TMainForm1::N6Click(QObject*)
{
    CheckModeItem(N6);
    SetMarkers({QStringLiteral("①"), QStringLiteral("②"), QStringLiteral("③"), QStringLiteral("④")}, clWhite);
}

void TMainForm1::N7Click(QObject*)
{
    CheckModeItem(N7);
    SetMarkers({QStringLiteral("①"), QStringLiteral("②"), QStringLiteral("③"), QStringLiteral("④")}, clBlack);
}

void TMainForm1::N10Click(QObject*)
{
    CheckModeItem(N10);
    SetMarkers({QStringLiteral("Ａ"), QStringLiteral("Ｂ"), QStringLiteral("Ｃ"), QStringLiteral("Ｄ")}, clWhite);
}

void TMainForm1::N11Click(QObject*)
{
    CheckModeItem(N11);
    SetMarkers({QStringLiteral("Ａ"), QStringLiteral("Ｂ"), QStringLiteral("Ｃ"), QStringLiteral("Ｄ")}, clBlack);
}

void TMainForm1::N8Click(QObject*)
{
    CheckModeItem(N8);
    for (TShadowLabel* label : {Label1, Label2, Label3, Label4})
        label->SetVisible(false);
}

// ---- Clearing and the information page -------------------------------------

void TMainForm1::Image1DblClick(QObject*) { Image1->ClearPicture(); }
void TMainForm1::Image2DblClick(QObject*) { Image2->ClearPicture(); }
void TMainForm1::Image3DblClick(QObject*) { Image3->ClearPicture(); }
void TMainForm1::Image4DblClick(QObject*) { Image4->ClearPicture(); }

void TMainForm1::D1Click(QObject*)
{
    for (TImage* image : {Image1, Image2, Image3, Image4})
        image->ClearPicture();
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
    platform::Services& p = platform::Current();
    p.shellOpen->OpenUrl(QUrl::fromEncoded(InformationAddress(p.programPath->Path()).toLatin1(), QUrl::StrictMode));
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

void TMainForm1::Save1Click(QObject*)
{
    ScopeExit restore([this] { ShowDividers(true); });
    Capture();
    if (!SavePictureDialog1->Execute(this))
        return;
    const QString fileName = SavePictureDialog1->FileName;
    if (QFileInfo(fileName).isFile()) {
        const QString question = fileName + QStringLiteral(" は既に存在します。\n上書きしますか？");
        if (!platform::Current().messageBoxes->AskYesNo(this, QStringLiteral("確認"), question))
            return;
    }
    SaveJpeg(Image0->Picture(), fileName);
}

void TMainForm1::M1Click(QObject*)
{
    ScopeExit restore([this] { ShowDividers(true); });
    platform::Services& p = platform::Current();
    ShowDividers(false);
    repaint();
    const QDateTime now = p.clock->Now();
    const QString stamp = now.toString(QStringLiteral("yyyyMMddHHmm"));
    Capture();

    // The attachment goes into a private folder of this command, never next
    // to the user's files; the mail program reads it only when the message
    // is sent, so it stays until a later command finds it a day old.
    platform::MailAttachmentStore store;
    store.PruneOlderThan(now, std::chrono::hours(24));
    const QString folder = store.CreateFolder(now);
    const QString writePath = (folder.isEmpty() ? store.Root() : folder) + QLatin1Char('/') + stamp + QStringLiteral(".jpg");
    if (folder.isEmpty())
        throw EFCreateError(QStringLiteral("ファイル %1 を作成できません").arg(writePath));
    bool handedOver = false;
    ScopeExit cleanUp([&] { if (!handedOver) store.RemoveFolder(folder); });
    SaveJpeg(Image0->Picture(), writePath);

    const int result = p.mail->SendMail({kMailSubject, QString(), writePath});
    if (result != 0) {
        p.messageBoxes->Beep();
        p.messageBoxes->ShowInformation(this, TApplication::Instance()->Title(), kMailFailure);
        return;
    }
    handedOver = true;
}
