#include "application.h"

#include <QWidget>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    QWidget w;
    w.show();
    app.exec();
    return 0;
}
