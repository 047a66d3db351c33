// The controls gallery: the shine speed button's frame types, faces,
// layouts, glyph effects and groups, and the shadow label and the selection
// shape, each with its properties to change live. Built against the
// installed YotsumadoControls package as any other program would be.
//
// --smoke shows the window once and quits, for a check that the program
// runs (with QT_QPA_PLATFORM=offscreen it needs no display).
#include "gallerywindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("controls-gallery"));
    GalleryWindow window;
    window.show();
    if (QApplication::arguments().contains(QStringLiteral("--smoke")))
        QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
