// The shine button gallery: every frame type, face, layout, glyph effect and
// group of the shine speed button in one window, with a playground button
// whose properties can be changed live.
#include "gallerywindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("shinebutton-gallery"));
    GalleryWindow window;
    window.show();
    return QApplication::exec();
}
