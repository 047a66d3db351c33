#pragma once
// Shared set-up of the window tests: the application object of the program,
// the scripted platform, and small helpers that drive a shown main window
// with real mouse and drop events.

#include "app/application.h"
#include "app/mainform.h"
#include "controls/base/image.h"
#include "controls/selshape/selshape.h"
#include "support/pixels.h"
#include "support/scriptedplatform.h"
#include "support/testmain.h"

#include <QMimeData>
#include <QWindow>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace yotsumado;

namespace testing {

// Hands scripted services to the application object (for its error box)
// for the life of this object.
class AppServices {
public:
    explicit AppServices(platform::Services& services) : services_(&services)
    {
        TApplication::Instance()->SetPlatformServices(services_);
    }
    ~AppServices()
    {
        if (TApplication::Instance()->PlatformServices() == services_)
            TApplication::Instance()->SetPlatformServices(nullptr);
    }
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

private:
    platform::Services* services_;
};

// A shown main window with the scripted platform, handed to the window and
// to the application object.
struct Window {
    platform::ScriptedPlatform platform;
    AppServices appServices{platform.services};
    std::unique_ptr<TMainForm1> form;

    // A button a test left held is released here, through the window, so
    // that the next test's mouse events do not carry it.
    ~Window()
    {
        for (const Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (form && (held_ & b))
                Release(last_, b);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    Window()
    {
        TApplication::Instance()->SetTitle(QStringLiteral("ヨツマド"));
        form = std::make_unique<TMainForm1>(platform.services);
        form->show();
        (void)QTest::qWaitForWindowExposed(form.get());
    }

    // A pointer move over the window at p (client coordinates), no button
    // held. A move to where the pointer already is delivers nothing, so the
    // pointer first steps beside the target.
    void MoveTo(QPoint p)
    {
        pointer_ = p;
        QTest::mouseMove(Win(), p + QPoint(p.x() > 0 ? -1 : 1, 0));
        QTest::mouseMove(Win(), p);
    }
    // Mouse events through the window system, so that they reach the control
    // under the pointer (or the one holding the press) as real ones do.
    void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        held_ |= b;
        last_ = p;
        QTest::mousePress(Win(), b, Qt::NoModifier, p);
    }
    void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        held_ &= ~Qt::MouseButtons(b);
        last_ = p;
        QTest::mouseRelease(Win(), b, Qt::NoModifier, p);
    }
    void Click(QPoint p, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(Win(), b, Qt::NoModifier, p); }
    void DoubleClick(QPoint p) { QTest::mouseDClick(Win(), Qt::LeftButton, Qt::NoModifier, p); }
    void MoveHeld(QPoint p)
    {
        pointer_ = p;
        QTest::mouseMove(Win(), p);
    }
    QWindow* Win() { return form->windowHandle(); }

    // Drags from one client point to another with the button held, then releases.
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
    {
        MoveTo(from);
        Press(from, button);
        MoveHeld(QPoint((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
        MoveHeld(to);
        Release(to, button);
    }

    // Drops files (local paths) at p, the way a file manager's drop arrives:
    // by default where the pointer last moved (over panel 1 at first).
    void Drop(const QStringList& paths) { Drop(paths, pointer_); }
    void Drop(const QStringList& paths, QPoint p)
    {
        QList<QUrl> urls;
        for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
        QMimeData data;
        data.setUrls(urls);
        Drop(data, p);
    }
    void Drop(const QMimeData& data, QPoint p)
    {
        QDragEnterEvent enter(p, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(p), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
        form->WaitForLoads();  // the picture, or the error box, follows the drop
    }

    // Puts `offered` (type -> content) on the clipboard and pastes it with Ctrl+V.
    void Paste(const QVariantMap& offered)
    {
        platform.script.clipboard = std::make_unique<QMimeData>();
        for (auto it = offered.cbegin(); it != offered.cend(); ++it)
            platform.script.clipboard->setData(it.key(), it->toByteArray());
        QTest::keyClick(form.get(), Qt::Key_V, Qt::ControlModifier);
        form->WaitForLoads();
    }

    QImage Shot() { return Grab(form.get()); }

    QStringList Errors() const
    {
        QStringList out;
        for (const auto& b : platform.log.boxes)
            if (b.kind == QLatin1String("error")) out.append(b.text);
        return out;
    }

private:
    Qt::MouseButtons held_;
    QPoint last_;
    QPoint pointer_{100, 100};
};

} // namespace testing

#define YOTSUMADO_APP_TEST_MAIN(TestObject) YOTSUMADO_TEST_MAIN_WITH_APP(TApplication, TestObject)
