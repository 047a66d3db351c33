#include "application.h"
#include "error.h"
#include "mainform.h"

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("ヨツマド"));
    try {
        MainForm1 = new TMainForm1();
        MainForm1->show();
        app.exec();
    } catch (const Exception& error) {
        app.ShowException(error);
    } catch (...) {
        app.ShowException(Exception(QString()));
    }
    delete MainForm1;
    return 0;
}
