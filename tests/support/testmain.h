#pragma once
// Test main for the Qt Test executables: an offscreen application with the
// project's font substitutions, so pixel tests see the faces the program uses.

#include "platform/fonts.h"

#include <QApplication>
#include <QTest>

using namespace yotsumado;

#define YOTSUMADO_TEST_MAIN_WITH_APP(AppClass, TestObject)          \
    int main(int argc, char** argv)                                   \
    {                                                                 \
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM")); \
        AppClass app(argc, argv);                                     \
        platform::InstallFontSubstitutions();                         \
        app.setAttribute(Qt::AA_Use96Dpi, true);                      \
        TestObject tc;                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                    \
        return QTest::qExec(&tc, argc, argv);                         \
    }

#define YOTSUMADO_TEST_MAIN(TestObject) YOTSUMADO_TEST_MAIN_WITH_APP(QApplication, TestObject)
