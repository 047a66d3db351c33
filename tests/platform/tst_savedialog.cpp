#include "tst_platform.h"

#include "platform/desktop/picturepreview.h"
#include "platform/desktop/qtsavedialog.h"
#include "support/pixels.h"

#include <QComboBox>
#include <QFileDialog>
#include <QImageReader>
#include <QSemaphore>
#include <QSignalSpy>
#include <QFileSystemModel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QSplitter>
#include <QTest>

using namespace yotsumado;

using namespace platform;

namespace {

const QString kJpegFilter = QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg");

// The program hands its own loader in; these tests of the pane need only
// some loader: Qt's reader, whole pictures.
QImage ReaderLoader(const QString& path, QSize, const std::atomic<bool>& = {})
{
    QImageReader reader(path);
    return reader.read();
}

SaveDialogRequest JpegRequest(const QString& fileName = {})
{
    SaveDialogRequest r;
    r.Filter = kJpegFilter;
    r.DefaultSuffix = QStringLiteral("jpg");
    r.FileName = fileName;
    r.PreviewLoader = ReaderLoader;
    return r;
}

void SavePicture(const QString& path, const QSize& size, QRgb colour, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY2(image.save(path, format), qPrintable(path));
}

QStringList ListedNames(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    if (!view)
        return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        const QModelIndex index = view->model()->index(row, 0, root);
        if (view->isRowHidden(row) || !(index.flags() & Qt::ItemIsEnabled))
            continue;
        names << index.data().toString();
    }
    names.sort();
    return names;
}

} // namespace

void TestPlatform::filterTextIsParsedIntoDescriptionsAndPatterns_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QList<QStringList>>("patterns");
    QTest::newRow("jpeg") << kJpegFilter << QStringList{QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)")}
                          << QList<QStringList>{{QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}};
    QTest::newRow("two entries") << QStringLiteral("Bitmap|*.bmp|All|*.*")
                                 << QStringList{QStringLiteral("Bitmap"), QStringLiteral("All")}
                                 << QList<QStringList>{{QStringLiteral("*.bmp")}, {QStringLiteral("*.*")}};
    QTest::newRow("description only") << QStringLiteral("Anything")
                                      << QStringList{QStringLiteral("Anything")}
                                      << QList<QStringList>{{QStringLiteral("*")}};
    QTest::newRow("empty patterns dropped") << QStringLiteral("X|*.a;;*.b;")
                                            << QStringList{QStringLiteral("X")}
                                            << QList<QStringList>{{QStringLiteral("*.a"), QStringLiteral("*.b")}};
}

void TestPlatform::filterTextIsParsedIntoDescriptionsAndPatterns()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, descriptions);
    QFETCH(QList<QStringList>, patterns);
    const QList<FileFilter> parsed = ParseFileFilter(filter);
    QCOMPARE(parsed.size(), descriptions.size());
    for (qsizetype i = 0; i < parsed.size(); ++i) {
        QCOMPARE(parsed.at(i).description, descriptions.at(i));
        QCOMPARE(parsed.at(i).patterns, patterns.at(i));
    }
}

void TestPlatform::defaultSuffixOnlyForNamesWithoutExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no extension") << "/home/u/name" << "/home/u/name.jpg";
    QTest::newRow("jpg kept") << "/home/u/name.jpg" << "/home/u/name.jpg";
    QTest::newRow("other extension kept") << "/home/u/name.bmp" << "/home/u/name.bmp";
    QTest::newRow("dotted folder") << "/home/u/my.pictures/name" << "/home/u/my.pictures/name.jpg";
    QTest::newRow("trailing dot kept") << "/home/u/name." << "/home/u/name.";
    QTest::newRow("japanese name") << "/home/u/写真" << "/home/u/写真.jpg";
}

void TestPlatform::defaultSuffixOnlyForNamesWithoutExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ApplyDefaultSuffix(path, QStringLiteral("jpg")), expected);
    QCOMPARE(ApplyDefaultSuffix(path, QString()), path);
}

void TestPlatform::dialogShowsTheDescriptionAndFiltersByThePatterns()
{
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(combo);
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->currentText(), QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)"));
    auto* model = dialog->findChild<QFileSystemModel*>();
    QVERIFY(model);
    QStringList filters = model->nameFilters();
    filters.sort();
    QCOMPARE(filters, (QStringList{QStringLiteral("*.jpeg"), QStringLiteral("*.jpg")}));
}

void TestPlatform::dialogListsJpegFilesOnly()
{
    const QString dir = Tmp(QStringLiteral("pictures"));
    for (const char* name : {"a.jpg", "B.JPEG", "c.bmp", "d.txt", "e.jpg.txt"})
        WriteFile(dir + QLatin1Char('/') + QString::fromLatin1(name), "x");
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest(dir + QStringLiteral("/a.jpg")));
    QTRY_COMPARE(ListedNames(*dialog), (QStringList{QStringLiteral("B.JPEG"), QStringLiteral("a.jpg")}));
    // A picture saved into the folder while the dialog is open shows up too.
    WriteFile(dir + QStringLiteral("/later.jpg"), "x");
    QTRY_COMPARE(ListedNames(*dialog), (QStringList{QStringLiteral("B.JPEG"), QStringLiteral("a.jpg"), QStringLiteral("later.jpg")}));
}

void TestPlatform::dialogHasTheRequestedOptions()
{
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
    QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(!dialog->testOption(QFileDialog::ReadOnly));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(dialog->defaultSuffix(), QStringLiteral("jpg"));
    QVERIFY(dialog->isSizeGripEnabled());
    QVERIFY(dialog->layout()->sizeConstraint() != QLayout::SetFixedSize);

    SaveDialogRequest fixed = JpegRequest();
    fixed.Resizable = false;
    const auto fixedDialog = CreateSaveFileDialog(nullptr, fixed);
    QVERIFY(!fixedDialog->isSizeGripEnabled());
    QCOMPARE(fixedDialog->layout()->sizeConstraint(), QLayout::SetFixedSize);
}

void TestPlatform::dialogOffersTheLastChosenName()
{
    const QString dir = Tmp(QStringLiteral("saved"));
    QVERIFY(QDir().mkpath(dir));
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest(dir + QStringLiteral("/last.jpg")));
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("last.jpg"));
    QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(dir).canonicalPath());
    QCOMPARE(ChosenPath(*dialog, JpegRequest()), dir + QStringLiteral("/last.jpg"));
}

void TestPlatform::dialogStartsEmptyWithoutALastName()
{
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    QCOMPARE(edit->text(), QString());
    QCOMPARE(ChosenPath(*dialog, JpegRequest()), QString());  // a folder is no choice
}

void TestPlatform::typedNameGetsTheDefaultSuffixOnlyWithoutExtension_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no extension") << "out" << "name" << "out/name.jpg";
    QTest::newRow("bmp kept") << "out" << "name.bmp" << "out/name.bmp";
    QTest::newRow("jpeg kept") << "out" << "name.jpeg" << "out/name.jpeg";
    QTest::newRow("dotted folder") << "my.pictures" << "name" << "my.pictures/name.jpg";
}

void TestPlatform::typedNameGetsTheDefaultSuffixOnlyWithoutExtension()
{
    QFETCH(QString, folder);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QVERIFY(QDir().mkpath(Tmp(folder)));
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    dialog->setDirectory(Tmp(folder));
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(typed);
    QCOMPARE(ChosenPath(*dialog, JpegRequest()), Tmp(expected));
}

void TestPlatform::previewSitsBesideTheFileList()
{
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    PicturePreview* preview = PreviewOf(*dialog);
    QVERIFY(preview);
    auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QVERIFY(list);
    auto* splitter = qobject_cast<QSplitter*>(preview->parentWidget());
    QVERIFY(splitter);
    QVERIFY(splitter->isAncestorOf(list));
    QCOMPARE(splitter->indexOf(preview), splitter->count() - 1);  // right of the list
    QCOMPARE(splitter->orientation(), Qt::Horizontal);
}

void TestPlatform::previewShowsPicturesAndNothingElse_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");
    QTest::newRow("jpeg") << "red.jpg" << true;
    QTest::newRow("bitmap") << "red.bmp" << true;
    QTest::newRow("jpeg named otherwise") << "jpeg-data.txt" << true;
    QTest::newRow("text") << "notes.txt" << false;
    QTest::newRow("broken jpeg") << "broken.jpg" << false;
    QTest::newRow("empty file") << "empty.jpg" << false;
    QTest::newRow("folder") << "sub" << false;
    QTest::newRow("missing") << "missing.jpg" << false;
    QTest::newRow("no path") << "" << false;
}

void TestPlatform::previewShowsPicturesAndNothingElse()
{
    QFETCH(QString, name);
    QFETCH(bool, shown);
    SavePicture(Tmp(QStringLiteral("red.jpg")), {64, 32}, qRgb(255, 0, 0), "JPEG");
    SavePicture(Tmp(QStringLiteral("red.bmp")), {64, 32}, qRgb(255, 0, 0), "BMP");
    SavePicture(Tmp(QStringLiteral("jpeg-data.txt")), {64, 32}, qRgb(255, 0, 0), "JPEG");
    WriteFile(Tmp(QStringLiteral("notes.txt")), "just words\n");
    WriteFile(Tmp(QStringLiteral("broken.jpg")), QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
    WriteFile(Tmp(QStringLiteral("empty.jpg")), QByteArray());
    QVERIFY(QDir().mkpath(Tmp(QStringLiteral("sub"))));

    PicturePreview preview;
    preview.SetLoader(ReaderLoader);
    // Something shown before must go when the next file is no picture.
    preview.ShowFile(Tmp(QStringLiteral("red.bmp")));
    QTRY_VERIFY(!preview.Loading());
    QVERIFY(!preview.Picture().isNull());
    preview.ShowFile(name.isEmpty() ? QString() : Tmp(name));
    QTRY_VERIFY(!preview.Loading());
    QCOMPARE(!preview.Picture().isNull(), shown);
    if (shown) {
        QCOMPARE(preview.Picture().size(), QSize(64, 32));
        const QRgb centre = preview.Picture().pixel(32, 16);
        QVERIFY2(qRed(centre) > 200 && qGreen(centre) < 60 && qBlue(centre) < 60,
                 qPrintable(testing::ColorName(centre)));
    }
}

void TestPlatform::previewFollowsTheDialogsCurrentFile()
{
    SavePicture(Tmp(QStringLiteral("pic.jpg")), {40, 30}, qRgb(0, 0, 255), "JPEG");
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    PicturePreview* preview = PreviewOf(*dialog);
    QVERIFY(preview);
    emit dialog->currentChanged(Tmp(QStringLiteral("pic.jpg")));
    QCOMPARE(preview->FilePath(), Tmp(QStringLiteral("pic.jpg")));
    QTRY_COMPARE(preview->Picture().size(), QSize(40, 30));
    emit dialog->currentChanged(Tmp());
    QVERIFY(preview->Picture().isNull());
}

void TestPlatform::previewFollowsASelectionInTheList()
{
    const QString dir = Tmp(QStringLiteral("list"));
    QVERIFY(QDir().mkpath(dir));
    SavePicture(dir + QStringLiteral("/one.jpg"), {50, 20}, qRgb(0, 255, 0), "JPEG");
    const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
    dialog->setDirectory(dir);
    auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
    QVERIFY(list);
    // The dialog's model lists the folder on a thread of its own: slow on a
    // loaded machine.
    QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(list->rootIndex()), 1, 30000);
    const QModelIndex index = list->model()->index(0, 0, list->rootIndex());
    list->setCurrentIndex(index);  // what a click or an arrow key does
    PicturePreview* preview = PreviewOf(*dialog);
    QTRY_COMPARE(preview->FilePath(), dir + QStringLiteral("/one.jpg"));
    QTRY_COMPARE(preview->Picture().size(), QSize(50, 20));
}

void TestPlatform::previewShrinksLargePicturesKeepingProportions()
{
    // Whatever size the loader gives, the pane keeps at most its bound.
    SavePicture(Tmp(QStringLiteral("wide.jpg")), {2400, 1200}, qRgb(200, 100, 0), "JPEG");
    SavePicture(Tmp(QStringLiteral("tall.png")), {300, 1200}, qRgb(0, 100, 200), "PNG");
    PicturePreview preview;
    preview.SetLoader(ReaderLoader);
    preview.ShowFile(Tmp(QStringLiteral("wide.jpg")));
    QTRY_VERIFY(!preview.Loading());
    const QImage wide = preview.Picture();
    QVERIFY(!wide.isNull());
    QVERIFY2(wide.width() <= 512 && wide.height() <= 512, qPrintable(QString::number(wide.width())));
    QVERIFY(wide.width() >= 300);
    QVERIFY(qAbs(wide.width() - 2 * wide.height()) <= 2);
    preview.ShowFile(Tmp(QStringLiteral("tall.png")));
    QTRY_VERIFY(!preview.Loading());
    QCOMPARE(preview.Picture().size(), QSize(128, 512));
}

void TestPlatform::previewNeverWaitsForItsLoaderAndDropsStaleResults()
{
    SavePicture(Tmp(QStringLiteral("first.png")), {10, 10}, qRgb(255, 0, 0), "PNG");
    SavePicture(Tmp(QStringLiteral("second.png")), {20, 10}, qRgb(0, 255, 0), "PNG");
    // The loader of the first file is held until the test lets it go, like
    // a huge picture taking its time; the pane must not wait for it.
    QSemaphore firstStarted;
    QSemaphore firstMayEnd;
    QSemaphore firstEnded;
    std::atomic<bool> firstCancelled{false};
    const QString first = Tmp(QStringLiteral("first.png"));
    PicturePreview preview;
    preview.SetLoader([&](const QString& path, QSize bound, const std::atomic<bool>& cancelled) {
        if (path == first) {
            firstStarted.release();
            firstMayEnd.acquire();
            firstCancelled = cancelled.load();
            const QImage picture = ReaderLoader(path, bound);
            firstEnded.release();
            return picture;
        }
        return ReaderLoader(path, bound);
    });
    QSignalSpy loaded(&preview, &PicturePreview::Loaded);
    preview.ShowFile(first);
    QVERIFY(preview.Loading());
    QVERIFY(preview.Picture().isNull());
    QVERIFY(firstStarted.tryAcquire(1, 10000));
    // The selection moves on while the first load is still running.
    preview.ShowFile(Tmp(QStringLiteral("second.png")));
    QTRY_VERIFY(!preview.Loading());
    QCOMPARE(preview.Picture().size(), QSize(20, 10));
    // The first load ends late (it was told it may stop): its picture is
    // never shown.
    firstMayEnd.release();
    QVERIFY(firstEnded.tryAcquire(1, 10000));
    QVERIFY(firstCancelled);
    QTest::qWait(50);
    QCOMPARE(preview.Picture().size(), QSize(20, 10));
    QCOMPARE(preview.FilePath(), Tmp(QStringLiteral("second.png")));
    QCOMPARE(loaded.count(), 1);
}

void TestPlatform::previewWithoutLoaderShowsNothing()
{
    SavePicture(Tmp(QStringLiteral("plain.png")), {10, 10}, qRgb(255, 0, 0), "PNG");
    PicturePreview preview;
    QSignalSpy loaded(&preview, &PicturePreview::Loaded);
    preview.ShowFile(Tmp(QStringLiteral("plain.png")));
    QVERIFY(!preview.Loading());
    QVERIFY(preview.Picture().isNull());
    QCOMPARE(loaded.count(), 1);
}

void TestPlatform::previewPaintsThePictureCentred()
{
    SavePicture(Tmp(QStringLiteral("red.png")), {100, 50}, qRgb(255, 0, 0), "PNG");
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    auto* preview = new PicturePreview(&window);
    preview->SetLoader(ReaderLoader);
    preview->setGeometry(0, 0, 208, 208);
    window.resize(208, 208);
    preview->ShowFile(Tmp(QStringLiteral("red.png")));
    QTRY_VERIFY(!preview->Loading());
    const QImage shot = testing::Grab(&window);
    // 100 × 50 fits the 200 × 200 inner area: drawn at its size, centred.
    UNIFORM(shot, QRect(54, 79, 100, 50), qRgb(255, 0, 0));
    UNIFORM(shot, QRect(0, 0, 208, 79), qRgb(255, 255, 255));
    UNIFORM(shot, QRect(0, 129, 208, 79), qRgb(255, 255, 255));

    preview->setGeometry(0, 0, 58, 208);  // narrower than the picture: shrunk
    const QImage narrow = testing::Grab(&window);
    // Shrunk to 50 × 25 at (4, 91); its edges may be blended by the
    // smoothing, its inside not.
    UNIFORM(narrow, QRect(6, 93, 46, 21), qRgb(255, 0, 0));
    PIXEL_IS(narrow, 28, 88, qRgb(255, 255, 255));
    PIXEL_IS(narrow, 28, 118, qRgb(255, 255, 255));
}
