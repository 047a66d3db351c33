#include "platform/desktop/qtmessageboxes.h"

#include "platform/desktop/dialogowner.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QResizeEvent>
#include <QShowEvent>

namespace yotsumado {

namespace platform {

namespace {
void CentreOnScreen(QMessageBox& box)
{
    QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // move() places the frame, so the frame is what is centred.
    const QRect area = screen->geometry();
    const QSize outer = box.frameGeometry().size();
    box.move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

// Room beside the caption for what a title bar also holds: the icon and three
// buttons of a window manager's frame, or of Qt's own Wayland decorations.
constexpr int kTitleBarExtras = 160;

// QMessageBox wraps any text wider than about 500 pixels, and Japanese text
// may break between any two characters ("くださ" / "い。"). A text whose lines
// fit well on the screen keeps them whole: the label is asked to be as wide
// as its longest line, which the box's own sizing then respects.
void KeepLinesWhole(QMessageBox& box)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    if (!label || !screen)
        return;
    const int longestLine = label->fontMetrics().size(0, label->text()).width();
    if (longestLine <= screen->availableGeometry().width() * 2 / 3)
        label->setMinimumWidth(longestLine);
}

// A narrow box's title bar cuts its caption ("ヨツマ"): the box is widened,
// about its centre, to hold the caption beside the title bar's buttons.
void WidenForCaption(QMessageBox& box)
{
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() * 9 / 10 : box.width();
    const int width = qMin(box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarExtras, room);
    if (box.width() >= width)
        return;
    QLayout* layout = box.layout();
    const int height = layout && layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : box.height();
    const QRect before = box.geometry();
    box.setFixedSize(width, height);
    box.move(before.center() - QPoint(width / 2, height / 2) - (box.geometry().topLeft() - box.pos()));
}

// A box of the program's: its lines whole and its caption in view, and, when
// asked, in the middle of the screen. QMessageBox settles its size as it is
// shown and again on each layout request, so the box is fitted after each,
// and a centred box is placed again whenever its size changes while shown.
class ProgramBox final : public QMessageBox {
public:
    ProgramBox(bool screenCentred, Icon icon, const QString& caption, const QString& text, QWidget* parent)
        : QMessageBox(icon, caption, text, QMessageBox::NoButton, parent), screenCentred_(screenCentred)
    {
    }

protected:
    bool event(QEvent* event) override
    {
        const bool result = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest && isVisible())
            WidenForCaption(*this);
        return result;
    }
    void showEvent(QShowEvent* event) override
    {
        KeepLinesWhole(*this);
        QMessageBox::showEvent(event);
        WidenForCaption(*this);
        if (screenCentred_)
            CentreOnScreen(*this);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QMessageBox::resizeEvent(event);
        if (screenCentred_ && isVisible())
            CentreOnScreen(*this);
    }

private:
    bool screenCentred_;
};
} // namespace

void QtMessageBoxes::ShowError(QWidget* parent, const QString& caption, const QString& text)
{
    ProgramBox box(false, QMessageBox::Critical, caption, text, parent);
    BelongTo(box, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool QtMessageBoxes::AskYesNo(QWidget* parent, const QString& caption, const QString& text)
{
    ProgramBox box(true, QMessageBox::Question, caption, text, parent);
    BelongTo(box, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtMessageBoxes::ShowInformation(QWidget* parent, const QString& caption, const QString& text)
{
    ProgramBox box(true, QMessageBox::NoIcon, caption, text, parent);
    BelongTo(box, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void QtMessageBoxes::Beep()
{
    QApplication::beep();
}

} // namespace platform

} // namespace yotsumado
