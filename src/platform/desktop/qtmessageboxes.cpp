#include "platform/desktop/qtmessageboxes.h"

#include "platform/desktop/dialogowner.h"

#include <QApplication>
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

// A box in the middle of the screen. QMessageBox settles its size only as it
// is shown (and its layout may adjust it once more), so the box is placed
// again whenever its size changes while shown.
class ScreenCentredBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        CentreOnScreen(*this);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QMessageBox::resizeEvent(event);
        if (isVisible())
            CentreOnScreen(*this);
    }
};
} // namespace

void QtMessageBoxes::ShowError(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::NoButton, parent);
    BelongTo(box, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool QtMessageBoxes::AskYesNo(QWidget* parent, const QString& caption, const QString& text)
{
    ScreenCentredBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
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
    ScreenCentredBox box(QMessageBox::NoIcon, caption, text, QMessageBox::NoButton, parent);
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
