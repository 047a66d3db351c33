// The peer of bench_startup: the least a Qt Widgets program does to show one
// empty window of the same size, ending at its first painted frame.

#include "firstpaint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TFirstPaintExit exitAtFirstPaint;
    QWidget window;
    window.setFixedSize(480, 360);
    window.installEventFilter(&exitAtFirstPaint);
    window.show();
    app.exec();
    return 0;
}
