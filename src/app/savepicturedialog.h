#pragma once
// TSavePictureDialog: the save dialog component of the window. It keeps its
// settings and the name chosen last for the whole run, and shows the
// platform's save dialog (with its picture preview pane) when executed.

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace yotsumado {

class MemoryBudget;
namespace platform { struct Services; }

class TSavePictureDialog : public QObject {
    Q_OBJECT
public:
    explicit TSavePictureDialog(QObject* parent = nullptr) : QObject(parent) {}

    QString Filter;      // "description|patterns"
    QString DefaultExt;  // without the dot
    QString FileName;    // empty at start; afterwards the name chosen last
    // The memory budget the preview's loads count against (the window's);
    // without one the preview shows nothing.
    std::shared_ptr<MemoryBudget> Budget;
    // The services whose save dialog is shown (the window's); executing
    // without them ends the program, naming the missing service.
    platform::Services* Platform = nullptr;

    // Shows the dialog; true when the user chose a name (then in FileName).
    bool Execute(QWidget* owner);
};

} // namespace yotsumado
