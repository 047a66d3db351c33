// Boxes, dialogs and the end of the program: every box belongs to the main
// window (above it, modal), closing a box never ends the program, only
// closing the main window does; and a drop is always taken as a copy.
//
// These run the application's own event loop, as the program does, with the
// real message boxes: Qt ends a program from inside that loop only, so a test
// without it could not see a box quit the program.

#include "appfixture.h"
#include "platform/desktop/qtmessageboxes.h"
#include "platform/desktop/qtsavedialog.h"
#include "platform/filedrop.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace yotsumado;

using testing::Window;

namespace {

// A 4 x 2 picture, written as a bitmap file.
QString WritePicture(const QTemporaryDir& dir, const QString& name)
{
    QImage img(4, 2, QImage::Format_RGB888);
    img.fill(qRgb(255, 0, 0));
    const QString path = dir.filePath(name);
    return img.save(path, "BMP") ? path : QString();
}

QString WriteBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

// What one drag event ended as.
struct DropAnswer {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// The keys that make Qt propose an action, as a user holds them during a
// drag (Shift: move, Ctrl+Shift: link, none or Ctrl: copy).
Qt::KeyboardModifiers ModifiersProposing(Qt::DropAction action)
{
    switch (action) {
    case Qt::MoveAction: return Qt::ShiftModifier;
    case Qt::LinkAction: return Qt::ControlModifier | Qt::ShiftModifier;
    default: return Qt::ControlModifier;
    }
}

// A drag over the window and its drop, as Qt delivers one from another
// program: enter, move, drop, each offering the source's actions and
// proposing one of them.
struct DragAnswers {
    DropAnswer enter, move, drop;
    bool proposedAsAsked = true;
};
DragAnswers DragAndDrop(QWidget* form, const QString& path, Qt::DropActions possible, Qt::DropAction proposed)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint p(100, 100);
    const Qt::KeyboardModifiers keys = ModifiersProposing(proposed);
    DragAnswers out;
    QDragEnterEvent enter(p, possible, &data, Qt::LeftButton, keys);
    out.proposedAsAsked = out.proposedAsAsked && enter.proposedAction() == proposed;
    QCoreApplication::sendEvent(form, &enter);
    out.enter = {enter.isAccepted(), enter.dropAction()};
    QDragMoveEvent move(p, possible, &data, Qt::LeftButton, keys);
    out.proposedAsAsked = out.proposedAsAsked && move.proposedAction() == proposed;
    QCoreApplication::sendEvent(form, &move);
    out.move = {move.isAccepted(), move.dropAction()};
    QDropEvent drop(QPointF(p), possible, &data, Qt::NoButton, keys);
    out.proposedAsAsked = out.proposedAsAsked && drop.proposedAction() == proposed;
    QCoreApplication::sendEvent(form, &drop);
    out.drop = {drop.isAccepted(), drop.dropAction()};
    return out;
}

// What a test saw of a box while it was open.
struct SeenBox {
    QString text;
    QString caption;
    const QWidget* parent = nullptr;
    const QWindow* transientParent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    bool onTop = false;
    bool quitsOnClose = true;
    QPoint centre;  // of the window with its frame
    bool ownsNextBox = false;  // a box opened now would belong to this one
    int textLines = 0;         // the lines its text is shown in
    int captionRoom = 0;       // the box's width beyond its caption's
};

// How the user closes a box.
enum class Close { Ok, Return, Escape, Window };

} // namespace

Q_DECLARE_METATYPE(Close)

namespace {

// Counts the requests to leave the event loop, whoever makes them.
class QuitWatch : public QObject {
public:
    QuitWatch() { qApp->installEventFilter(this); }
    ~QuitWatch() override { qApp->removeEventFilter(this); }
    int requests = 0;
protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == qApp && e->type() == QEvent::Quit)
            ++requests;
        return false;
    }
};

// The end of one run of the event loop.
struct LoopRun {
    QList<SeenBox> boxes;
    bool ranOn = false;      // the loop was still running after the boxes closed
    int quitRequests = 0;
    int exitCode = 0;
};

constexpr int kEndedByTest = 77;

// Runs the application's event loop with step as its first event. While the
// loop runs, each message box that opens is looked at and closed the way the
// test asks; once expectedBoxes have closed and the loop has gone round a
// few more times, the test ends the loop itself. Something else ending it
// first (a box's closing taken for the program's end) shows as !ranOn.
LoopRun RunLoop(const std::function<void()>& step, int expectedBoxes, Close how)
{
    LoopRun run;
    QObject context;
    QuitWatch quit;
    QTimer poll(&context);
    int idleRounds = 0;
    int rounds = 0;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &context, [&] {
        ++rounds;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            SeenBox seen;
            seen.text = box->text();
            seen.caption = box->windowTitle();
            seen.parent = box->parentWidget();
            seen.transientParent = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
            seen.modality = box->windowModality();
            seen.onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            seen.quitsOnClose = box->testAttribute(Qt::WA_QuitOnClose);
            seen.centre = box->frameGeometry().center();
            seen.ownsNextBox = TApplication::Instance()->DialogOwner() == box;
            if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
                seen.textLines = (label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height())
                    / label->fontMetrics().lineSpacing();
            seen.captionRoom = box->width() - box->fontMetrics().horizontalAdvance(box->windowTitle());
            run.boxes.append(seen);
            switch (how) {
            case Close::Ok: box->buttons().value(0)->click(); break;
            case Close::Return: QTest::keyClick(box, Qt::Key_Return); break;
            case Close::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
            case Close::Window: box->close(); break;
            }
            if (box->isVisible())  // not closed the asked way: do not hang
                box->done(0);
            idleRounds = 0;
            return;
        }
        // A safety net against a box that never comes, not a time limit.
        if ((run.boxes.size() >= expectedBoxes && ++idleRounds >= 3) || rounds > 1000) {
            run.ranOn = true;
            QCoreApplication::exit(kEndedByTest);
        }
    });
    QTimer::singleShot(0, &context, [&] { poll.start(); step(); });
    run.exitCode = QCoreApplication::exec();
    run.quitRequests = quit.requests;
    if (run.exitCode != kEndedByTest)
        run.ranOn = false;
    return run;
}

// A shown main window with the real message boxes (all other services
// scripted) and a picture in its upper-left panel.
struct RealBoxesWindow : Window {
    QTemporaryDir dir;
    QImage picture;

    RealBoxesWindow()
    {
        platform.services.messageBoxes = std::make_unique<platform::QtMessageBoxes>();
        MoveTo(QPoint(60, 60));  // over the upper-left picture
        DragAndDrop(form.get(), WritePicture(dir, QStringLiteral("kept.bmp")), Qt::CopyAction, Qt::CopyAction);
        form->WaitForLoads();
        picture = form->Image1->Picture();
    }

    // As after a drop from another program, or once a dialog has closed:
    // none of the program's windows is active.
    static void NoWindowActive() { QApplication::setActiveWindow(nullptr); }
};

} // namespace

class Dialogs : public QObject {
    Q_OBJECT

private slots:
    void errorBoxBelongsToTheMainWindowAndClosingItKeepsTheProgram_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<Close>("how");
        for (const char* source : {"drop", "save"}) {
            QTest::addRow("%s, OK", source) << QString::fromLatin1(source) << Close::Ok;
            QTest::addRow("%s, Return", source) << QString::fromLatin1(source) << Close::Return;
            QTest::addRow("%s, Escape", source) << QString::fromLatin1(source) << Close::Escape;
            QTest::addRow("%s, window closed", source) << QString::fromLatin1(source) << Close::Window;
        }
    }

    void errorBoxBelongsToTheMainWindowAndClosingItKeepsTheProgram()
    {
        QFETCH(QString, source);
        QFETCH(Close, how);
        RealBoxesWindow w;
        TMainForm1* f = w.form.get();
        QVERIFY(w.form->Image1->HasPicture());
        QString expected;
        std::function<void()> step;
        if (source == QLatin1String("drop")) {
            // The drop comes from another program, which stays the active one.
            // A short text: the box is as narrow as it gets.
            const QString broken = WriteBytes(w.dir, QStringLiteral("broken.jpg"), QByteArray("not a JPEG"));
            expected = QStringLiteral("JPEG エラー #53.");
            step = [f, broken] {
                RealBoxesWindow::NoWindowActive();
                DragAndDrop(f, broken, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
            };
        } else {
            // The Save fails once the (scripted) dialog has closed, leaving no
            // window of the program active.
            const QString target = w.dir.filePath(QStringLiteral("missing/x.jpg"));
            expected = QStringLiteral("ファイル %1 を作成できません.").arg(target);
            w.platform.script.saveAnswers.push_back(target);
            w.platform.script.whileModal = [] { RealBoxesWindow::NoWindowActive(); };
            step = [f] { f->Save1->trigger(); };
        }
        RealBoxesWindow::NoWindowActive();
        QVERIFY(!QApplication::activeWindow());

        const LoopRun run = RunLoop(step, 1, how);

        QVERIFY2(run.ranOn, "closing the error box ended the program");
        QCOMPARE(run.quitRequests, 0);
        QCOMPARE(run.boxes.size(), 1);
        const SeenBox& box = run.boxes[0];
        QCOMPARE(box.text, expected);
        QCOMPARE(box.caption, QStringLiteral("ヨツマド"));
        QVERIFY2(box.parent == f, "the error box does not belong to the main window");
        QVERIFY(box.transientParent == f->windowHandle());
        QCOMPARE(box.modality, Qt::ApplicationModal);
        QVERIFY2(box.onTop, "the error box can go under the always-on-top main window");
        QVERIFY(!box.quitsOnClose);
        QVERIFY(box.ownsNextBox);
        QVERIFY2(box.captionRoom >= 150, "a title bar cuts the caption");
        QVERIFY(f->isVisible());
        QVERIFY(f->Image1->HasPicture());
        QCOMPARE(f->Image1->Picture(), w.picture);
    }

    void questionAndInformationBoxesBelongToTheMainWindowAndStayCentred_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<Close>("how");
        QTest::newRow("question, window closed") << "question" << Close::Window;
        QTest::newRow("question, Escape") << "question" << Close::Escape;
        QTest::newRow("information, OK") << "information" << Close::Ok;
        QTest::newRow("information, Return") << "information" << Close::Return;
    }

    void questionAndInformationBoxesBelongToTheMainWindowAndStayCentred()
    {
        QFETCH(QString, box);
        QFETCH(Close, how);
        RealBoxesWindow w;
        TMainForm1* f = w.form.get();
        std::function<void()> step;
        QString existing;
        if (box == QLatin1String("question")) {
            // Saving over an existing file asks first; closing the box is a no.
            existing = WriteBytes(w.dir, QStringLiteral("old.jpg"), QByteArray("keep me"));
            w.platform.script.saveAnswers.push_back(existing);
            step = [f] { f->Save1->trigger(); };
        } else {
            w.platform.script.mailResults.push_back(platform::MailOutcome::CommandFailed);
            step = [f] { f->M1->trigger(); };
        }
        RealBoxesWindow::NoWindowActive();

        const LoopRun run = RunLoop(step, 1, how);

        QVERIFY2(run.ranOn, "closing the box ended the program");
        QCOMPARE(run.quitRequests, 0);
        QCOMPARE(run.boxes.size(), 1);
        const SeenBox& seen = run.boxes[0];
        QCOMPARE(seen.caption, box == QLatin1String("question") ? QStringLiteral("確認") : QStringLiteral("ヨツマド"));
        QVERIFY(seen.parent == f);
        QVERIFY(seen.transientParent == f->windowHandle());
        QCOMPARE(seen.modality, Qt::ApplicationModal);
        QVERIFY2(seen.onTop, "the box can go under the always-on-top main window");
        QVERIFY(!seen.quitsOnClose);
        QVERIFY2(seen.ownsNextBox, "an error raised while the box is open would go under it");
        // Lines break where the text says only, never inside a word.
        QCOMPARE(seen.textLines, seen.text.count(QLatin1Char('\n')) + 1);
        QVERIFY2(seen.captionRoom >= 150, "a title bar cuts the caption");
        // These two boxes keep their place in the middle of the screen.
        const QPoint screenCentre = f->screen()->geometry().center();
        QVERIFY2((seen.centre - screenCentre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("box centre (%1, %2), screen centre (%3, %4)")
                                .arg(seen.centre.x()).arg(seen.centre.y())
                                .arg(screenCentre.x()).arg(screenCentre.y())));
        if (!existing.isEmpty()) {
            QFile kept(existing);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("keep me"));
        }
        QVERIFY(f->isVisible());
        QCOMPARE(f->Image1->Picture(), w.picture);
    }

    void saveDialogBelongsToTheMainWindow()
    {
        Window w;
        platform::SaveDialogRequest request;
        request.Filter = QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg");
        request.DefaultSuffix = QStringLiteral("jpg");
        const auto dialog = platform::CreateSaveFileDialog(w.form.get(), request);
        QVERIFY(dialog->parentWidget() == w.form.get());
        QVERIFY(dialog->isWindow());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QVERIFY2(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                 "the save dialog can go under the always-on-top main window");
        QVERIFY(!dialog->testAttribute(Qt::WA_QuitOnClose));
    }

    void firstMainWindowIsTheApplicationsMainWindow()
    {
        Window w;
        QVERIFY(TApplication::Instance()->MainForm() == w.form.get());
        TMainForm1 second(w.platform.services);
        QVERIFY(TApplication::Instance()->MainForm() == w.form.get());
    }

    void closingTheMainWindowEndsTheProgram_data()
    {
        QTest::addColumn<bool>("active");
        QTest::newRow("active") << true;
        QTest::newRow("no window active") << false;
    }

    void closingTheMainWindowEndsTheProgram()
    {
        QFETCH(bool, active);
        Window w;
        TMainForm1* f = w.form.get();
        if (active)
            QApplication::setActiveWindow(f);
        else
            QApplication::setActiveWindow(nullptr);
        const LoopRun run = RunLoop([f] { f->windowHandle()->close(); }, 0, Close::Ok);
        QVERIFY2(!run.ranOn, "closing the main window left the program running");
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.quitRequests >= 1);
        QVERIFY(run.boxes.isEmpty());
    }

    void dropIsTakenAsACopy_data()
    {
        QTest::addColumn<Qt::DropActions>("possible");
        QTest::addColumn<Qt::DropAction>("proposed");
        QTest::addColumn<Qt::DropAction>("taken");  // IgnoreAction: refused
        QTest::newRow("move proposed, copy or move offered") << (Qt::CopyAction | Qt::MoveAction) << Qt::MoveAction << Qt::CopyAction;
        QTest::newRow("copy proposed, copy or move offered") << (Qt::CopyAction | Qt::MoveAction) << Qt::CopyAction << Qt::CopyAction;
        QTest::newRow("move proposed, all offered") << (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) << Qt::MoveAction << Qt::CopyAction;
        QTest::newRow("link proposed, all offered") << (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) << Qt::LinkAction << Qt::CopyAction;
        QTest::newRow("copy only") << Qt::DropActions(Qt::CopyAction) << Qt::CopyAction << Qt::CopyAction;
        QTest::newRow("move proposed, link or move offered") << (Qt::LinkAction | Qt::MoveAction) << Qt::MoveAction << Qt::LinkAction;
        QTest::newRow("move only") << Qt::DropActions(Qt::MoveAction) << Qt::MoveAction << Qt::IgnoreAction;
    }

    void dropIsTakenAsACopy()
    {
        QFETCH(Qt::DropActions, possible);
        QFETCH(Qt::DropAction, proposed);
        QFETCH(Qt::DropAction, taken);
        QTemporaryDir dir;
        const QString path = WritePicture(dir, QStringLiteral("photo.bmp"));
        Window w;
        w.MoveTo(QPoint(60, 60));
        const DragAnswers a = DragAndDrop(w.form.get(), path, possible, proposed);
        w.form->WaitForLoads();
        QVERIFY2(a.proposedAsAsked, "the drag did not propose the row's action");
        const bool accepted = taken != Qt::IgnoreAction;
        for (const DropAnswer& answer : {a.enter, a.move, a.drop}) {
            QCOMPARE(answer.accepted, accepted);
            if (accepted)
                QCOMPARE(answer.action, taken);
        }
        QCOMPARE(w.form->Image1->HasPicture(), accepted);
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(w.Errors().isEmpty());
    }
};

YOTSUMADO_APP_TEST_MAIN(Dialogs)
#include "tst_dialogs.moc"
