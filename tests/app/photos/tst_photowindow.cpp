// A photo stored sideways, dropped on the window: the panel shows it turned as
// its Exif tag says, stretched to the panel, and the save dialog's preview
// shows it turned too. A photo with a colour profile shows converted to sRGB.

#include "app/appfixture.h"
#include "codec/memorybudget.h"
#include "codec/pictureloader.h"
#include "photofixtures.h"

#include <QAction>
#include <QTemporaryDir>

using namespace yotsumado;

using photos::Corners;
using photos::kTurned;

namespace {

// The save dialog's preview loads through the program's loader, as the
// window hands it in.
QImage Preview(const QString& path, QSize bound)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return LoadPicturePreview(path, bound, share);
}

// The corners of `rect` in `shot`, a little inside, as stored quarters.
Corners CornersIn(const QImage& shot, const QRect& rect)
{
    // Clear of the dividers, which overlap the panels' edges.
    const QRect r = rect.adjusted(8, 8, -8, -8);
    return {photos::QuarterOf(shot.pixel(r.topLeft())), photos::QuarterOf(shot.pixel(r.topRight())),
            photos::QuarterOf(shot.pixel(r.bottomLeft())), photos::QuarterOf(shot.pixel(r.bottomRight()))};
}

} // namespace

class PhotoWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir temp_;

    QString TurnedPhoto(int value)
    {
        const QString path = temp_.filePath(QStringLiteral("photo%1.jpg").arg(value));
        photos::WriteFile(path, photos::WithApp1(photos::QuarterJpeg(), photos::ExifPayload(value, value > 4)));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(temp_.isValid()); }

    void orientations_data()
    {
        QTest::addColumn<int>("value");
        for (int value = 1; value <= 8; ++value)
            QTest::addRow("%d", value) << value;
    }

    void droppedPhotoShowsTurnedInPanel_data() { orientations_data(); }
    void droppedPhotoShowsTurnedInPanel()
    {
        QFETCH(int, value);
        testing::Window w;
        w.form->N8->trigger();  // no markers over the corners
        w.MoveTo(QPoint(350, 90));  // over the upper-right picture
        w.Drop({TurnedPhoto(value)});
        QVERIFY2(w.Errors().isEmpty(), qPrintable(w.Errors().join(QLatin1Char('\n'))));
        TImage* image = w.form->Image2;
        QVERIFY(image->HasPicture());
        QCOMPARE(image->Picture().size(), value >= 5 ? QSize(photos::kHeight, photos::kWidth)
                                                      : QSize(photos::kWidth, photos::kHeight));
        // The turned picture fills the panel.
        const QRect panel(image->mapTo(w.form.get(), QPoint(0, 0)), image->size());
        QCOMPARE(photos::CornersText(CornersIn(w.Shot(), panel)), photos::CornersText(kTurned[value]));
    }

    // The window converts only the pixels it draws; each must be the one the
    // conversion of the whole picture gives.
    void droppedProfiledPhotoShowsConvertedColours_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QPoint>("split");
        QTest::newRow("as stored, stored split") << 1 << QPoint(238, 178);
        QTest::newRow("turned, other split") << 6 << QPoint(120, 250);
    }
    void droppedProfiledPhotoShowsConvertedColours()
    {
        QFETCH(int, value);
        QFETCH(QPoint, split);
        const QByteArray plain = photos::WithApp1(photos::DetailedJpeg(301, 173), photos::ExifPayload(value, false));
        const QString path = temp_.filePath(QStringLiteral("profiled.jpg"));
        photos::WriteFile(path, photos::WithIccProfile(plain, photos::WideGamutProfile()));
        const QString plainPath = temp_.filePath(QStringLiteral("plain.jpg"));
        photos::WriteFile(plainPath, plain);
        testing::Window w;
        w.MoveTo(QPoint(100, 300));  // over the lower-left picture
        w.Drop({path});
        QVERIFY2(w.Errors().isEmpty(), qPrintable(w.Errors().join(QLatin1Char('\n'))));
        w.Drag(QPoint(239, 100), QPoint(239 + split.x() - 238, 100));
        w.Drag(QPoint(400, 179), QPoint(400, 179 + split.y() - 178));
        TImage* image = w.form->Image3;
        const QImage whole = LoadPicture(path);
        SAME_IMAGE(image->Scaled(), StretchNearest(whole, image->size()));
        QVERIFY(!testing::CheckSame(image->Scaled(), StretchNearest(LoadPicture(plainPath), image->size())).isEmpty());
        // The composite holds the converted pixels too.
        w.form->N8->trigger();
        w.form->Capture();
        const QRect panel(image->mapTo(w.form.get(), QPoint(0, 0)), image->size());
        const QImage shown = w.form->Image0->Picture().copy(panel.intersected(QRect(0, 0, 480, 360)));
        const QImage expected = StretchNearest(whole, image->size()).copy(QRect(QPoint(0, 0), shown.size()));
        SAME_IMAGE(shown.convertToFormat(QImage::Format_RGB32), expected);
    }

    // The preview converts a profiled photo to sRGB as well.
    void previewShowsProfiledPhotoInSrgb()
    {
        const QByteArray plain = photos::QuarterJpeg();
        const QString path = temp_.filePath(QStringLiteral("preview-profiled.jpg"));
        photos::WriteFile(path, photos::WithIccProfile(plain, photos::WideGamutProfile()));
        const QString plainPath = temp_.filePath(QStringLiteral("preview-plain.jpg"));
        photos::WriteFile(plainPath, plain);
        const QImage preview = Preview(path, QSize(512, 512));
        const QImage unconverted = Preview(plainPath, QSize(512, 512));
        const QImage converted = LoadPicture(path);
        QCOMPARE(preview.size(), converted.size());
        int changed = 0;
        for (const QPoint p : {QPoint(8, 4), QPoint(56, 4), QPoint(8, 28), QPoint(56, 28)}) {
            const QRgb a = preview.pixel(p), b = converted.pixel(p);
            QVERIFY2(std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4
                         && std::abs(qBlue(a) - qBlue(b)) <= 4,
                     qPrintable(QStringLiteral("preview %1, window %2")
                                    .arg(testing::ColorName(a), testing::ColorName(b))));
            changed += preview.pixel(p) != unconverted.pixel(p) ? 1 : 0;
        }
        QVERIFY(changed >= 2);  // pure red stays pure red; the others move
    }

    void previewShowsPhotoTurned_data() { orientations_data(); }
    void previewShowsPhotoTurned()
    {
        QFETCH(int, value);
        const QImage preview = Preview(TurnedPhoto(value), QSize(512, 512));
        QCOMPARE(preview.size(), value >= 5 ? QSize(photos::kHeight, photos::kWidth)
                                            : QSize(photos::kWidth, photos::kHeight));
        QCOMPARE(photos::CornersText(photos::CornerQuarters(preview)), photos::CornersText(kTurned[value]));
        // Shrunk for a small pane, still turned.
        const QImage small = Preview(TurnedPhoto(value), QSize(16, 16));
        QCOMPARE(small.size(), value >= 5 ? QSize(8, 16) : QSize(16, 8));
    }
};

YOTSUMADO_APP_TEST_MAIN(PhotoWindowTest)
#include "tst_photowindow.moc"
