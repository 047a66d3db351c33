#pragma once
// TMainForm1: the one window of the program. Four panels (a background
// rectangle, a stretched picture and a marker each) in a 2 x 2 grid, two
// dividers that re-lay the grid when released, and a popup menu with the
// user's commands. Every control is created from the stored layout
// (mainlayout.cpp); this class holds the handlers the layout binds.
//
// The names are the ones a form designer gave: components are numbered by
// kind (Image1..4 are the panels' pictures, Shape1..4 their backgrounds,
// Label1..4 their markers, SelShape1/2 the horizontal and vertical
// dividers, Image0 the hidden composite), menu items by creation order, and
// a handler is its component's name plus the event: N6Click is the "white
// numbers" item's click (N7 black numbers, N10 white letters, N11 black
// letters, N8 no markers), Save1/M1/D1/N4 are Save, Mail, clear all and the
// information page, Copy1/Paste1 copy the composite and paste a picture,
// Button1Click is the grid's layout routine. Fit1 and Size1 are the submenus
// of the pictures' fit (FitStretch1, FitWhole1, FitFill1) and of the
// composite's size (Size1x .. Size4x).

#include "app/grid.h"
#include "codec/pictureformat.h"
#include "controls/base/graphiccontrol.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMimeData;
class QPushButton;

namespace yotsumado {

class MemoryBudget;
class TImage;
class TSavePictureDialog;
class TSelShape;
class TShadowLabel;
class TShape;

namespace platform { class DropFiles; struct Services; }

class TMainForm1 : public QWidget {
    Q_OBJECT
public:
    // The window uses the desktop only through `services` (the program's, a
    // tool's or a test's), which must outlive it; it hands the dividers their
    // pointer confinement and its save dialog component the save dialog.
    explicit TMainForm1(platform::Services& services, QWidget* owner = nullptr);
    ~TMainForm1() override;

    // Components, in declared order; all owned by the window.
    TImage* Image1;
    TImage* Image2;
    TImage* Image3;
    TImage* Image4;
    TShape* Shape1;
    TShape* Shape2;
    TShape* Shape3;
    TShape* Shape4;
    QMenu* PopupMenu1;
    QAction* Save1;
    TSavePictureDialog* SavePictureDialog1;
    TImage* Image0;
    QAction* M1;
    QAction* N1;
    QAction* N2;
    TShadowLabel* Label1;
    TShadowLabel* Label2;
    TShadowLabel* Label3;
    TShadowLabel* Label4;
    QAction* N3;
    QAction* N4;
    QAction* D1;
    QAction* N6;
    QAction* N7;
    QAction* N8;
    QAction* N10;
    QAction* N11;
    QAction* N9;
    TSelShape* SelShape1;
    TSelShape* SelShape2;
    QPushButton* Button1;
    QAction* Copy1;
    QAction* Paste1;
    QAction* Fit1;
    QAction* FitStretch1;
    QAction* FitWhole1;
    QAction* FitFill1;
    QAction* Size1;
    QAction* Size1x;
    QAction* Size2x;
    QAction* Size3x;
    QAction* Size4x;

    // The marker-mode menu items in the order of grid::kMarkerModes, the
    // fit's in TFitMode's order, the sizes' in that of grid::kOutputScales.
    std::array<QAction*, grid::kMarkerModes.size()> MarkerModeItems() const;
    std::array<QAction*, grid::kFitModes.size()> FitItems() const;
    std::array<QAction*, grid::kOutputScales.size()> SizeItems() const;
    TFitMode Fit() const { return fit_; }
    int OutputScale() const { return outputScale_; }

    // The tag of the panel whose picture last saw the pointer move.
    const QString& CurrentPanelTag() const { return CurrentPanel; }

    // Handlers bound by the stored layout.
    void Image1MouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    void Image2MouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    void Image3MouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    void Image4MouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    void Image1DblClick(QObject* Sender);
    void Image2DblClick(QObject* Sender);
    void Image3DblClick(QObject* Sender);
    void Image4DblClick(QObject* Sender);
    void SelShape1MouseUp(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Button1Click(QObject* Sender);
    void Save1Click(QObject* Sender);
    void M1Click(QObject* Sender);
    void N6Click(QObject* Sender);
    void N7Click(QObject* Sender);
    void N10Click(QObject* Sender);
    void N11Click(QObject* Sender);
    void N8Click(QObject* Sender);
    void D1Click(QObject* Sender);
    void N4Click(QObject* Sender);
    void Copy1Click(QObject* Sender);
    void Paste1Click(QObject* Sender);
    void FitStretch1Click(QObject* Sender);
    void FitWhole1Click(QObject* Sender);
    void FitFill1Click(QObject* Sender);
    void Size1xClick(QObject* Sender);
    void Size2xClick(QObject* Sender);
    void Size3xClick(QObject* Sender);
    void Size4xClick(QObject* Sender);

    // The file drop (WM_DROPFILES).
    void WMDropFiles(platform::DropFiles& drop);
    // Loads a picture file into a panel's picture (a drop's step 4). The
    // pictures the window keeps and the load in flight share one memory
    // budget: a picture that would cross it is refused with its kind's
    // too-big error and the panel keeps its picture.
    void LoadIntoPanel(TImage* image, const QString& fileName);
    // The same load on a worker thread, so that the window keeps painting
    // and answering while a large picture decodes: the panel takes the
    // picture once it is ready and keeps its old one on failure. A later load
    // into the same panel, or emptying it, supersedes one still running
    // (whose result is dropped). A failure shows its error box, unless
    // `done` is given: that then gets the error's message (which may be
    // empty), on the window's thread, once the load has ended; nothing when
    // it loaded or was superseded.
    void LoadIntoPanelInBackground(TImage* image, const QString& fileName,
                                   std::function<void(const std::optional<QString>& error)> done = {});
    // LoadIntoPanelInBackground for a picture file's bytes (pasted from the
    // clipboard), read as LoadPictureForDisplay reads them; once the panel
    // shows the picture, PastedPicture gives them back.
    struct TPastedPicture {
        QByteArray bytes;
        PictureKind kind = PictureKind::None;
    };
    void PasteIntoPanelInBackground(TImage* image, TPastedPicture pasted,
                                    std::function<void(const std::optional<QString>& error)> done = {});
    // What the picture of panel 0..3 was pasted from, for as long as the
    // panel shows it; empty bytes when it came from a file or is empty.
    const TPastedPicture& PastedPicture(int panel) const { return pasted_[size_t(panel)]; }
    // Loads started in the background that have not yet ended.
    int LoadsRunning() const { return loadsRunning_; }
    // Runs the event loop until every load started in the background has
    // ended and its picture or error box is out (for tools and tests).
    void WaitForLoads();

    // The memory budget of the pictures (kProgramMemoryBudget of its own
    // unless another is handed in). Pictures loaded from now on count against
    // `budget`; those already kept stay with theirs until they go.
    MemoryBudget& Budget() const { return *budget_; }
    void UseMemoryBudget(std::shared_ptr<MemoryBudget> budget);

    // Hides both dividers, brings the window's picture up to date and copies
    // the client rectangle (0, 0)-(480, 360) into Image0's bitmap. The
    // dividers stay hidden until the calling command shows them again.
    void Capture();
    // The composite that Save, Mail and the others hand on, at the chosen
    // size and fit; the dividers are left as they were found. At the
    // window's size it is Capture()'s picture. Larger, it is drawn anew from
    // the pictures' files, each shrunk to its scaled panel with the smooth
    // filter (LoadPictureSmooth) within the window's budget, the markers at
    // the scaled places and sizes; a file that no longer loads throws its
    // error. Image0 holds it afterwards. Save, Mail, Copy and the drag-out
    // all hand on this picture.
    QImage MakeComposite();
    // The composite at the chosen size from pictures already as the fit
    // shows them at their scaled panels' sizes (null for an empty panel):
    // the panels, then the markers shown, scaled.
    QImage DrawComposite(const std::array<QImage, 4>& pictures) const;
    // The information page's address for a program file path.
    static QString InformationAddress(const QString& programPath);

    // What a drag out of the window started over `from` (one of Image1..4)
    // offers: the composite as a JPEG file kept for the drop target
    // (text/uri-list) and as image/png. Let go over another panel of this
    // window, it makes the two panels trade pictures instead.
    std::unique_ptr<QMimeData> DragOutData(TImage* from);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A drag over the window at `position` (client coordinates): the
    // pointer moving over whatever picture lies under it, through that
    // picture's own mouse-move event.
    void DragMovedTo(QPointF position, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
    // Checks the mode's menu item alone and shows the markers it asks for
    // (an index into grid::kMarkerModes).
    void ApplyMarkerMode(size_t mode);
    void ShowDividers(bool visible);
    // Checks item `index` alone among `items`.
    template <size_t N>
    static void CheckAlone(const std::array<QAction*, N>& items, size_t index);
    void ApplyFit(TFitMode fit);
    void ApplyOutputScale(size_t index);
    // Lets the window just opened by another program (the mail program's,
    // the browser's) come up above this one: the window stops staying on top
    // until it is activated again. The window is changed in place, never
    // re-created (that would hide it).
    void GiveUpStayingOnTop();
    void StayOnTopAgain();

    // The panel (0..3) of one of Image1..Image4, -1 for another control.
    int PanelOf(const TImage* image) const;
    // What shows through a picture's transparent parts: its panel's colour.
    QRgb BackgroundOf(const TImage* image) const;
    // Drops the result of any load into the panel still running.
    void SupersedeLoads(const TImage* image);
    // Empties a panel, dropping any load into it still running.
    void EmptyPanel(TImage* image);
    // LoadIntoPanelInBackground from the pasted bytes, or from the file
    // when there are none.
    void LoadInBackground(TImage* image, const QString& fileName, TPastedPicture pasted,
                          std::function<void(const std::optional<QString>& error)> done);
    // The picture of the panel the pointer is over, or was last over; null
    // before it has been over any.
    TImage* PanelUnderPointer() const;
    // Runs a drag out of the window from a panel's picture.
    void DragOut(TImage* from);
    // Panels a and b (0..3) trade their pictures; nothing when either is
    // none or both are the same.
    void SwapPanels(int a, int b);

    QString CurrentPanel;
    // One number a panel, raised by every load started into it and every
    // emptying: a background load lands only when it still holds the latest.
    std::array<quint64, 4> loadGeneration_{};
    std::array<TPastedPicture, 4> pasted_;
    // The file each panel's picture came from (empty when pasted; pasted_
    // then holds its bytes), for composites larger than the window. It is
    // that of the picture whose cacheKey() is noted beside it: a picture set
    // otherwise came from neither.
    struct PanelFile {
        QString name;
        qint64 picture = 0;
    };
    std::array<PanelFile, 4> panelFiles_;
    TFitMode fit_ = TFitMode::Stretch;
    int outputScale_ = 1;
    int loadsRunning_ = 0;
    // A left press on a picture that may become a drag; the data of the
    // window's own drag and the panel it left (-1 once it came home).
    std::optional<QPoint> dragStart_;
    QPointer<QMimeData> dragData_;
    int dragPanel_ = -1;
    std::shared_ptr<MemoryBudget> budget_;
    platform::Services& services_;
};

extern TMainForm1* MainForm1;

} // namespace yotsumado
