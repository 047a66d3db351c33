#pragma once
// Shared set-up of the window tests: the application object of the program,
// the scripted platform, and small helpers that drive a shown main window
// with real mouse and drop events.

#include "application.h"
#include "image.h"
#include "mainform.h"
#include "pixels.h"
#include "scriptedplatform.h"
#include "selshape.h"
#include "testmain.h"

#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <memory>

namespace testing {

// A shown main window under the scripted platform.
struct Window {
    platform::ScopedScriptedPlatform platform;
    std::unique_ptr<TMainForm1> form;

    Window()
    {
        TApplication::Instance()->SetTitle(QStringLiteral("ヨツマド"));
        form = std::make_unique<TMainForm1>();
        form->show();
        (void)QTest::qWaitForWindowExposed(form.get());
    }

    // A pointer move over the window at p (client coordinates), no button held.
    void MoveTo(QPoint p) { QTest::mouseMove(form.get(), p); }

    // Drags from one client point to another with the button held, then releases.
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseMove(form.get(), from);
        QTest::mousePress(form.get(), button, Qt::NoModifier, from);
        QTest::mouseMove(form.get(), QPoint((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
        QTest::mouseMove(form.get(), to);
        QTest::mouseRelease(form.get(), button, Qt::NoModifier, to);
    }

    // Drops files (local paths) at p, the way a file manager's drop arrives.
    void Drop(const QStringList& paths, QPoint p = QPoint(100, 100))
    {
        QList<QUrl> urls;
        for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(p, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(p), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
        QCoreApplication::processEvents();  // the error box follows the drop
    }

    QImage Shot() { return Grab(form.get()); }

    QStringList Errors() const
    {
        QStringList out;
        for (const auto& b : platform.log.boxes)
            if (b.kind == QLatin1String("error")) out.append(b.text);
        return out;
    }
};

} // namespace testing

#define YOTSUMADO_APP_TEST_MAIN(TestObject) YOTSUMADO_TEST_MAIN_WITH_APP(TApplication, TestObject)
