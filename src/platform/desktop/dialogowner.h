#pragma once
// Every box and dialog of the program belongs to the window that opened it.
// The main window is an always-on-top tool window: a box that is not tied to
// it can open under it (and, being modal, make the program look frozen), and
// a parentless box counts for Qt as the program's last window, so closing it
// would end the program.



class QDialog;
class QWidget;

namespace yotsumado {

namespace platform {

// Ties dialog to owner's window before it is shown: the dialog becomes that
// window's child window (transient for it), stays on top when the window
// does, and is modal. Closing the dialog never ends the program, whether or
// not it has an owner.
void BelongTo(QDialog& dialog, QWidget* owner);

} // namespace platform

} // namespace yotsumado
