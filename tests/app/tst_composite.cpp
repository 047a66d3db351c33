// The composite picture: capture, Save and Mail through the scripted platform.

#include "appfixture.h"
#include "codec/jpegencoder.h"
#include "support/files.h"

#include <QAction>
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace yotsumado;

using testing::FilesBelow;
using testing::ReadAll;
using testing::Window;

namespace {

constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kPink = 0xffe1ff;

QString WriteBmp(const QTemporaryDir& dir, const QString& name, QColor colour)
{
    QImage img(8, 6, QImage::Format_RGB888);
    img.fill(colour);
    const QString path = dir.filePath(name);
    img.save(path, "BMP");
    return path;
}

} // namespace

class TestComposite : public QObject {
    Q_OBJECT
private slots:
    void captureShowsThePanelsWithoutDividers()
    {
        Window w;
        TMainForm1* f = w.form.get();
        f->Capture();
        QVERIFY(!f->SelShape1->isVisible() && !f->SelShape2->isVisible());
        const QImage c = f->Image0->Picture();
        QCOMPARE(c.size(), QSize(480, 360));
        QCOMPARE(c.devicePixelRatio(), 1.0);
        // Where the dividers stood, the panels that meet under them show through.
        UNIFORM(c, QRect(0, 100, 239, 1), kWhite);
        UNIFORM(c, QRect(240, 100, 239, 1), kPink);
        PIXEL_IS(c, 479, 100, kWhite);
        UNIFORM(c, QRect(100, 0, 1, 179), kWhite);
        PIXEL_IS(c, 100, 179, kWhite);
        UNIFORM(c, QRect(100, 180, 1, 179), kPink);
        PIXEL_IS(c, 100, 359, kWhite);
        for (int x = 0; x < 480; ++x)
            for (int y = 176; y < 184; ++y)
                QVERIFY((c.pixel(x, y) & 0xffffff) != 0x0000ff && (c.pixel(x, y) & 0xffffff) != 0x00ffff);
        // Markers as shown: the silver shadow of marker 2 is there.
        bool silver = false;
        for (int y = 4; y < 30; ++y)
            for (int x = 244; x < 272; ++x)
                silver |= (c.pixel(x, y) & 0xffffff) == 0xc0c0c0;
        QVERIFY(silver);
        // Hidden markers leave their panels plain.
        f->N8->trigger();
        f->Capture();
        UNIFORM(f->Image0->Picture(), QRect(244, 4, 30, 28), kPink);
        // Image0 and Button1 never appear (Button1 stands over panel 3).
        UNIFORM(f->Image0->Picture(), QRect(36, 276, 75, 25), kPink);
    }

    void captureFollowsTheSplitAndThePictures()
    {
        QTemporaryDir dir;
        Window w;
        TMainForm1* f = w.form.get();
        w.MoveTo(QPoint(350, 300));
        w.Drop({WriteBmp(dir, "g.bmp", Qt::green)});
        f->FitWhole1->trigger();
        w.Drag(QPoint(239, 100), QPoint(100, 100));   // V = 99
        w.Drag(QPoint(300, 179), QPoint(300, 250));   // H = 249
        f->N8->trigger();
        f->Capture();
        // Whole, 145 x 109, centred in panel 4 at (101, 251), its colour beside.
        UNIFORM(f->Image0->Picture(), QRect(101, 251, 117, 109), kWhite);
        UNIFORM(f->Image0->Picture(), QRect(218, 251, 145, 109), 0x00ff00);
        f->FitStretch1->trigger();
        QVERIFY(f->FitStretch1->isChecked() && !f->FitWhole1->isChecked());
        f->Capture();
        const QImage c = f->Image0->Picture();
        QCOMPARE(c.size(), QSize(480, 360));
        UNIFORM(c, QRect(101, 251, 379, 109), 0x00ff00);  // panel 4 at (101, 251)
        UNIFORM(c, QRect(0, 0, 100, 250), kWhite);
        UNIFORM(c, QRect(101, 0, 378, 250), kPink);
    }

    void aLargerCompositeIsDrawnAtScaleNotEnlarged()
    {
        QTemporaryDir dir;
        Window w;
        TMainForm1* f = w.form.get();
        w.MoveTo(QPoint(350, 300));
        w.Drop({WriteBmp(dir, "g.bmp", Qt::green)});
        w.MoveTo(QPoint(120, 90));
        w.Paste({{"image/bmp", ReadAll(WriteBmp(dir, "b.bmp", Qt::blue))}});
        f->Size2x->trigger();
        const QImage c = f->MakeComposite();
        UNIFORM(c, QRect(40, 80, 400, 200), 0x0000ff);  // the pasted picture, from its bytes
        QVERIFY(f->SelShape1->isVisible() && f->SelShape2->isVisible());
        QCOMPARE(c.size(), QSize(960, 720));
        UNIFORM(c, QRect(480, 60, 479, 1), kPink);  // panel 2 begins at 2 x 240
        UNIFORM(c, QRect(560, 440, 400, 280), 0x00ff00);
        // Marker 2's silver shadow at twice its inset, twice as tall; drawn at
        // that size, not enlarged: not every pixel repeats its 2 x 2 block's first.
        QRect silver;
        int unlike = 0;
        for (int y = 0; y < 360; ++y)
            for (int x = 480; x < 960; ++x) {
                silver |= (c.pixel(x, y) & 0xffffff) == 0xc0c0c0 ? QRect(x, y, 1, 1) : QRect();
                unlike += c.pixel(x, y) != c.pixel(x & ~1, y & ~1);
            }
        QVERIFY(silver.left() >= 488 && silver.top() >= 8 && silver.height() > 30 && unlike > 0);
        // Drawn from the file: one gone since is the usual error box, and no dialog.
        QVERIFY(QFile::remove(dir.filePath("g.bmp")));
        f->Save1->trigger();
        QVERIFY(w.Errors().size() == 1 && w.Errors()[0].contains("g.bmp") && w.platform.log.saveDialogs.isEmpty());
    }

    void saveWritesTheCompositeAsJpegAndBringsTheDividersBack()
    {
        QTemporaryDir dir;
        Window w;
        TMainForm1* f = w.form.get();
        const QString target = dir.filePath("out.jpg");
        w.platform.script.saveAnswers.push_back(target);
        bool hiddenWhileOpen = false;
        w.platform.script.whileModal = [&] { hiddenWhileOpen = !f->SelShape1->isVisible() && !f->SelShape2->isVisible(); };
        f->activateWindow();
        QTest::keyClick(f, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(hiddenWhileOpen);
        QVERIFY(f->SelShape1->isVisible() && f->SelShape2->isVisible());
        QCOMPARE(w.platform.log.saveDialogs.size(), 1);
        const auto& request = w.platform.log.saveDialogs[0];
        QCOMPARE(request.Filter, QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg"));
        QCOMPARE(request.DefaultSuffix, QStringLiteral("jpg"));
        QVERIFY(request.FileName.isEmpty());
        const QByteArray bytes = ReadAll(target);
        QCOMPARE(bytes, EncodeJpeg(f->Image0->Picture()));
        QImageReader reader(target);
        QCOMPARE(reader.size(), QSize(480, 360));
        // The dialog offers the last name again.
        w.platform.script.saveAnswers.push_back(std::nullopt);
        f->Save1->trigger();
        QCOMPARE(w.platform.log.saveDialogs.last().FileName, target);
        QVERIFY(w.Errors().isEmpty());
    }

    void cancellingTheDialogWritesNothing()
    {
        QTemporaryDir dir;
        Window w;
        w.form->Save1->trigger();
        QVERIFY(FilesBelow(dir.path()).isEmpty());
        QVERIFY(w.form->SelShape1->isVisible() && w.form->SelShape2->isVisible());
        QVERIFY(w.platform.log.boxes.isEmpty());
    }

    void anotherExtensionIsKeptAndStillHoldsJpeg()
    {
        QTemporaryDir dir;
        Window w;
        const QString target = dir.filePath("picture.bmp");
        w.platform.script.saveAnswers.push_back(target);
        w.form->Save1->trigger();
        QVERIFY(ReadAll(target).startsWith("\xff\xd8\xff"));
    }

    void anExistingFileIsReplacedOnlyAfterYes()
    {
        QTemporaryDir dir;
        Window w;
        const QString target = dir.filePath("old.jpg");
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old content");
        }
        w.platform.script.saveAnswers = {target, target};
        w.platform.script.yesNoAnswers = {false, true};
        w.form->Save1->trigger();
        QCOMPARE(ReadAll(target), QByteArray("old content"));
        QCOMPARE(w.platform.log.boxes.size(), 1);
        QCOMPARE(w.platform.log.boxes[0].kind, QStringLiteral("question"));
        QCOMPARE(w.platform.log.boxes[0].caption, QStringLiteral("確認"));
        QCOMPARE(w.platform.log.boxes[0].text, target + QStringLiteral(" は既に存在します。\n上書きしますか？"));
        w.form->Save1->trigger();
        QVERIFY(ReadAll(target).startsWith("\xff\xd8\xff"));
        QCOMPARE(FilesBelow(dir.path()), QStringList{target});
        QVERIFY(w.form->SelShape1->isVisible());
    }

    void aFolderOfThatNameIsNoFileToAskAbout()
    {
        QTemporaryDir dir;
        Window w;
        const QString target = dir.filePath("folder.jpg");
        QVERIFY(QDir().mkdir(target));
        w.platform.script.saveAnswers.push_back(target);
        w.form->Save1->trigger();
        QCOMPARE(w.Errors(), QStringList{QStringLiteral("ファイル %1 を作成できません.").arg(target)});
        QVERIFY(QFileInfo(target).isDir());
        QVERIFY(w.form->SelShape1->isVisible() && w.form->SelShape2->isVisible());
    }

    void aFolderThatCannotTakeTheFileGivesTheCreateErrorAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        Window w;
        // A "folder" that is a regular file cannot hold anything, for root too.
        const QString notAFolder = dir.filePath("plain");
        {
            QFile plain(notAFolder);
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write("keep me");
        }
        const QString target = notAFolder + QStringLiteral("/x.jpg");
        w.platform.script.saveAnswers.push_back(target);
        w.form->Save1->trigger();
        QCOMPARE(w.Errors(), QStringList{QStringLiteral("ファイル %1 を作成できません.").arg(target)});
        QCOMPARE(ReadAll(notAFolder), QByteArray("keep me"));
        QCOMPARE(FilesBelow(dir.path()), QStringList{notAFolder});
        QVERIFY(w.form->SelShape1->isVisible() && w.form->SelShape2->isVisible());
    }

    void mailHandsOverTheCapturedJpegNamedByTheMinute()
    {
        Window w;
        TMainForm1* f = w.form.get();
        w.platform.script.mailResults.push_back(platform::MailOutcome::Accepted);
        bool hiddenWhileOpen = false;
        w.platform.script.whileModal = [&] { hiddenWhileOpen = !f->SelShape1->isVisible() && !f->SelShape2->isVisible(); };
        f->activateWindow();
        QTest::keyClick(f, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(hiddenWhileOpen);
        QCOMPARE(w.platform.log.mails.size(), 1);
        const platform::MailMessage m = w.platform.log.mails[0];
        QCOMPARE(m.Subject, QStringLiteral("(添付画像あり)"));
        QCOMPARE(m.AttachmentName, QStringLiteral("202612061430.jpg"));
        QCOMPARE(m.Attachment, EncodeJpeg(f->Image0->Picture()));
        QVERIFY(w.platform.log.boxes.isEmpty());
        QCOMPARE(w.platform.log.beeps, 0);
        QVERIFY(f->SelShape1->isVisible() && f->SelShape2->isVisible());
    }

    void copyOffersPngThenTheSavedJpegThenQtsOwnImage()
    {
        Window w;
        w.form->Copy1->trigger();
        const QMimeData* copied = w.platform.script.clipboard.get();
        QVERIFY(copied && w.form->SelShape1->isVisible() && w.form->SelShape2->isVisible());
        QCOMPARE(copied->formats(), (QStringList{"image/png", "image/jpeg", "application/x-qt-image"}));
        const QImage composite = w.form->Image0->Picture();
        QCOMPARE(QImage::fromData(copied->data("image/png"), "PNG").convertToFormat(composite.format()), composite);
        QCOMPARE(copied->data("image/jpeg"), EncodeJpeg(composite));
    }

    void aFailedHandOverBeepsAndShowsTheBox()
    {
        Window w;
        w.platform.script.mailResults.push_back(platform::MailOutcome::DropsAttachments);
        w.form->M1->trigger();
        QCOMPARE(w.platform.log.beeps, 1);
        QCOMPARE(w.platform.log.boxes.size(), 1);
        QCOMPARE(w.platform.log.boxes[0].kind, QStringLiteral("information"));
        QCOMPARE(w.platform.log.boxes[0].caption, QStringLiteral("ヨツマド"));
        QCOMPARE(w.platform.log.boxes[0].text,
                 QStringLiteral("お使いのメーラーを｢通常使うメールソフト(規定のプログラム)｣に設定してください。"));
        QVERIFY(w.form->SelShape1->isVisible() && w.form->SelShape2->isVisible());
    }

    void anAttachmentThatCannotBeKeptIsTheCreateErrorNamingIt()
    {
        Window w;
        w.platform.script.mailResults.push_back({platform::MailOutcome::NotStored, QStringLiteral("/c/mail\n/x.jpg")});
        w.form->M1->trigger();
        QCOMPARE(w.Errors(), QStringList{QStringLiteral("ファイル /c/mail\\n/x.jpg を作成できません.")});
        QCOMPARE(w.platform.log.beeps, 0);
        QVERIFY(w.form->SelShape1->isVisible() && w.form->SelShape2->isVisible());
    }

    void savedBytesEqualCjpegOfTheSamePixels()
    {
        if (QStandardPaths::findExecutable(QStringLiteral(CJPEG_PROGRAM)).isEmpty())
            QSKIP("cjpeg (libjpeg-turbo-progs) is not installed");
        QTemporaryDir dir;
        Window w;
        w.MoveTo(QPoint(100, 100));
        w.Drop({WriteBmp(dir, "a.bmp", QColor(10, 200, 90))});
        const QString target = dir.filePath("s.jpg");
        w.platform.script.saveAnswers.push_back(target);
        w.form->Save1->trigger();
        const QImage rgb = w.form->Image0->Picture().convertToFormat(QImage::Format_RGB888);
        QByteArray ppm = "P6\n480 360\n255\n";
        for (int y = 0; y < 360; ++y)
            ppm.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), 480 * 3);
        QProcess cjpeg;
        cjpeg.start(QStringLiteral(CJPEG_PROGRAM), {"-quality", "80", "-dct", "float"});
        QVERIFY(cjpeg.waitForStarted());
        cjpeg.write(ppm);
        cjpeg.closeWriteChannel();
        QVERIFY(cjpeg.waitForFinished());
        QCOMPARE(ReadAll(target), cjpeg.readAllStandardOutput());
    }
};

YOTSUMADO_APP_TEST_MAIN(TestComposite)
#include "tst_composite.moc"
