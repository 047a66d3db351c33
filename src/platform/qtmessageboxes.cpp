#include "qtmessageboxes.h"

#include "dialogowner.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace platform {

namespace {
void CentreOnScreen(QMessageBox& box)
{
    QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
}

// A box in the middle of the screen. QMessageBox settles its size only as it
// is shown, so the box is placed again then, before it appears.
class ScreenCentredBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
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
