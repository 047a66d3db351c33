// Pictures in: drops, the panel-choice rule, hostile files through the
// window, stretching, marker modes, clearing and the information page.

#include "appfixture.h"
#include "codec/jpegencoder.h"
#include "controls/shadolbl/shadowlabel.h"
#include "platform/desktop/qtplatform.h"
#include "support/files.h"

#include <QAction>
#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrlQuery>

using namespace yotsumado;

using testing::Window;

namespace {

constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kPink = 0xffe1ff;
constexpr QRgb kRed = 0xff0000;
constexpr QRgb kBlue = 0x0000ff;

QRgb Rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xffffffu; }

// A 4 x 2 picture: left half red, right half blue.
QImage Halves()
{
    QImage img(4, 2, QImage::Format_RGB888);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            img.setPixel(x, y, x < 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return img;
}

// A 2 x 2 picture in the i-th of a few plain colours.
QImage Solid(int i)
{
    QImage img(2, 2, QImage::Format_RGB888);
    img.fill(QColor::fromRgb(std::array<QRgb, 3>{0xff0000, 0x00ff00, 0x0000ff}[size_t(i)]));
    return img;
}

// Writes a picture file whose contents match its extension's kind.
QString Write(const QTemporaryDir& dir, const QString& name, const QImage& img = Halves())
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString lower = name.toLower();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")))
        f.write(EncodeJpeg(img));
    else
        img.save(&f, "BMP");
    return path;
}

} // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void handle(const QUrl& u) { urls.append(u); }
};

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    // A drag's position counts as the pointer moving over the picture under
    // it (a real drag from another program brings no mouse moves); the
    // window's own drag offers Save's grid, and swaps the panels it joins.
    void aDropLandsInThePanelItIsLetGoOver_data()
    {
        QTest::addColumn<QList<QPoint>>("moves");  // pointer moves before the drops
        QTest::addColumn<QList<QPoint>>("drops");
        QTest::addColumn<QList<QPoint>>("ownDrag");  // from, to: the window's own drag after the drops
        QTest::addColumn<QString>("shown");  // which drop's picture each panel shows afterwards
        QTest::newRow("onto a fresh window") << QList<QPoint>{} << QList<QPoint>{{100, 300}} << QList<QPoint>{} << "--1-";
        QTest::newRow("panel 2 right after panel 1") << QList<QPoint>{{100, 100}} << QList<QPoint>{{100, 100}, {350, 100}}
                                                     << QList<QPoint>{} << "12--";
        QTest::newRow("elsewhere than last hovered") << QList<QPoint>{{350, 90}} << QList<QPoint>{{100, 300}}
                                                     << QList<QPoint>{} << "--1-";
        QTest::newRow("on a divider of a fresh window") << QList<QPoint>{} << QList<QPoint>{{239, 100}}
                                                        << QList<QPoint>{} << "----";
        QTest::newRow("on a divider: the picture last crossed") << QList<QPoint>{{350, 90}} << QList<QPoint>{{239, 100}}
                                                                << QList<QPoint>{} << "-1--";
        QTest::newRow("own drag onto a picture") << QList<QPoint>{} << QList<QPoint>{{100, 100}, {350, 100}} << QList<QPoint>{{350, 100}, {90, 120}} << "21--";
        QTest::newRow("own drag onto an empty panel") << QList<QPoint>{} << QList<QPoint>{{100, 100}, {350, 100}} << QList<QPoint>{{100, 100}, {300, 300}} << "-2-1";
        QTest::newRow("own drag onto its own panel") << QList<QPoint>{} << QList<QPoint>{{100, 100}, {350, 100}} << QList<QPoint>{{100, 100}, {120, 90}} << "12--";
    }
    void aDropLandsInThePanelItIsLetGoOver()
    {
        QFETCH(QList<QPoint>, moves);
        QFETCH(QList<QPoint>, drops);
        QFETCH(QList<QPoint>, ownDrag);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        Window w;
        for (QPoint p : moves)
            w.MoveTo(p);
        for (int i = 0; i < drops.size(); ++i)
            w.Drop({Write(dir, QString("photo%1.bmp").arg(i), Solid(i))}, drops[i]);
        if (!ownDrag.isEmpty()) {
            w.platform.services.dragFiles = std::make_unique<platform::CacheDragFiles>(dir.filePath("drag"));
            w.platform.script.saveAnswers.push_back(dir.filePath("saved.jpg"));
            w.form->Save1Click(nullptr);
            const std::unique_ptr<QMimeData> offer = w.form->DragOutData(qobject_cast<TImage*>(w.form->childAt(ownDrag[0])));
            const QFileInfo file(offer->urls().value(0).toLocalFile());
            QCOMPARE(QFileInfo(file.path()).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);  // 0700
            QCOMPARE(QFileInfo(file.path()).path() + "/" + file.fileName(), dir.filePath("drag/202612061430.jpg"));
            QCOMPARE(testing::ReadAll(file.filePath()), testing::ReadAll(dir.filePath("saved.jpg")));
            QCOMPARE(QImage::fromData(offer->data("image/png"), "PNG"), w.form->Image0->Picture().convertToFormat(QImage::Format_RGB32));
            w.Drop(*offer, ownDrag[1]);
        }
        TImage* images[4] = {w.form->Image1, w.form->Image2, w.form->Image3, w.form->Image4};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(images[i]->HasPicture() ? Rgb(images[i]->Picture(), 0, 0) : 0u, shown[i] == '-' ? 0u : Rgb(Solid(shown[i].digitValue() - 1), 0, 0));
        QVERIFY(w.Errors().isEmpty());
    }

    void panelTagsAreTheStoredKeys_data()
    {
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("panel");
        QTest::newRow("upper left") << QPoint(100, 100) << "左上" << 1;
        QTest::newRow("upper right") << QPoint(300, 100) << "上" << 2;
        QTest::newRow("lower left") << QPoint(100, 300) << "右上" << 3;
        QTest::newRow("lower right") << QPoint(300, 300) << "左" << 4;
    }
    void panelTagsAreTheStoredKeys()
    {
        QFETCH(QPoint, where);
        QFETCH(QString, tag);
        QFETCH(int, panel);
        QTemporaryDir dir;
        Window w;
        w.MoveTo(where);
        QCOMPARE(w.form->CurrentPanelTag(), tag);
        w.MoveTo(QPoint(239, 100));  // over a divider: the tag stays
        QCOMPARE(w.form->CurrentPanelTag(), tag);
        w.Drop({Write(dir, "a.jpg")});
        TImage* images[4] = {w.form->Image1, w.form->Image2, w.form->Image3, w.form->Image4};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(images[i]->HasPicture(), i + 1 == panel);
    }

    // A paste takes image data (PNG first), else the first file a file
    // manager copied, into the panel under the pointer; nothing usable beeps.
    void aPasteTakesImageDataElseACopiedFile_data()
    {
        QTest::addColumn<QVariantMap>("offered");  // type -> content; %1 is a folder of files
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("kept");  // the type whose bytes the panel keeps
        QBuffer png;
        Halves().save(&png, "PNG");
        QTest::newRow("PNG before a bitmap") << QVariantMap{{"image/bmp", "no bitmap"}, {"image/png", png.data()}} << true << "image/png";
        QTest::newRow("JPEG") << QVariantMap{{"image/jpeg", EncodeJpeg(Halves())}} << true << "image/jpeg";
        QTest::newRow("uri-list") << QVariantMap{{"text/uri-list", "file://%1/y.bmp\r\n"}} << true << "";
        QTest::newRow("pcmanfm's copy") << QVariantMap{{"x-special/gnome-copied-files", "copy\nfile://%1/y.bmp\nfile://%1/x.txt"}} << true << "";
        QTest::newRow("first file no picture") << QVariantMap{{"text/uri-list", "file://%1/x.txt\r\nfile://%1/y.bmp"}} << false << "";
    }
    void aPasteTakesImageDataElseACopiedFile()
    {
        QFETCH(QVariantMap, offered);
        QFETCH(bool, taken);
        QFETCH(QString, kept);
        QTemporaryDir dir;
        Write(dir, "y.bmp"), Write(dir, "x.txt");
        Window w;
        for (QVariant& content : offered)
            content = content.toString().contains("%1") ? content.toString().arg(dir.path()).toUtf8() : content.toByteArray();
        w.Paste({});  // the pointer has not been over a panel yet: nothing happens
        w.MoveTo(QPoint(300, 300));
        w.Paste(offered);
        QVERIFY(w.form->Image4->HasPicture() == taken && !w.form->Image1->HasPicture());
        QCOMPARE(w.form->PastedPicture(3).bytes, kept.isEmpty() ? QByteArray() : offered[kept].toByteArray());
        QCOMPARE(w.platform.log.beeps, taken ? 0 : 1);
        w.platform.services.dragFiles = std::make_unique<platform::CacheDragFiles>(dir.filePath("drag"));
        w.Drop(*w.form->DragOutData(w.form->Image4), QPoint(100, 100));  // what it was pasted from goes with the picture
        QCOMPARE(w.form->PastedPicture(0).bytes, kept.isEmpty() ? QByteArray() : offered[kept].toByteArray());
    }

    void extensionsDecideWhatIsTaken_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a.jpeg") << "a.jpeg" << true;
        QTest::newRow("A.JPEG") << "A.JPEG" << true;
        QTest::newRow("b.Bmp") << "b.Bmp" << true;
        QTest::newRow("photo.JPG") << "photo.JPG" << true;
        QTest::newRow("c.jpe") << "c.jpe" << false;  // read when a launcher names it, not dropped
        QTest::newRow("c.jfif") << "c.jfif" << false;
        QTest::newRow("c.dib") << "c.dib" << false;
        QTest::newRow("d.gif") << "d.gif" << true;  // a bitmap inside: its contents decide
        QTest::newRow("IMG_1.HEIC") << "IMG_1.HEIC" << true;
        QTest::newRow("g.svg") << "g.svg" << false;
        QTest::newRow("e") << "e" << false;
        QTest::newRow("f.bmp.txt") << "f.bmp.txt" << false;
        QTest::newRow("dot only in a folder name") << "dir.jpg/file" << false;
    }
    void extensionsDecideWhatIsTaken()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        const QString path = Write(dir, name);
        QVERIFY(!path.isEmpty());
        Window w;
        w.MoveTo(QPoint(100, 100));
        w.Drop({path});
        QCOMPARE(w.form->Image1->HasPicture(), taken);
        QVERIFY(w.Errors().isEmpty());
    }

    void onlyTheFirstDroppedFileCounts()
    {
        QTemporaryDir dir;
        Window w;
        w.MoveTo(QPoint(100, 100));
        w.Drop({Write(dir, "x.txt"), Write(dir, "y.bmp"), Write(dir, "z.jpg")});
        QVERIFY(!w.form->Image1->HasPicture());
        w.Drop({Write(dir, "y.bmp"), Write(dir, "x.txt")});
        QVERIFY(w.form->Image1->HasPicture());
    }

    // Loads run beside the window: it answers at once, and the latest load or
    // emptying of a panel wins, whichever load ends first.
    void aLaterLoadOrEmptyingSupersedesOneStillRunning()
    {
        QTemporaryDir dir;
        QImage big(3000, 2000, QImage::Format_RGB888), small(2, 2, QImage::Format_RGB888);
        big.fill(Qt::red);
        small.fill(Qt::green);
        const QString slow = Write(dir, "slow.bmp", big), quick = Write(dir, "quick.bmp", small);
        Window w;
        w.form->LoadIntoPanelInBackground(w.form->Image1, slow);
        QVERIFY(!w.form->Image1->HasPicture() && w.form->LoadsRunning() == 1);
        w.form->LoadIntoPanelInBackground(w.form->Image1, quick);
        w.form->WaitForLoads();
        QCOMPARE(w.form->Image1->Picture().size(), QSize(2, 2));
        w.form->LoadIntoPanelInBackground(w.form->Image2, slow);
        w.form->Image2DblClick(w.form->Image2);
        w.form->WaitForLoads();
        QVERIFY(!w.form->Image2->HasPicture());
        w.platform.services.dragFiles = std::make_unique<platform::CacheDragFiles>(dir.filePath("drag"));
        w.form->LoadIntoPanelInBackground(w.form->Image2, slow);
        w.Drop(*w.form->DragOutData(w.form->Image1), QPoint(350, 100));  // panel 1 swapped with 2 wins
        QCOMPARE(w.form->Image2->Picture().size(), QSize(2, 2));
        QVERIFY(w.Errors().isEmpty());
    }

    void aNewDropReplacesThePictureOfThatPanelOnly()
    {
        QTemporaryDir dir;
        Window w;
        w.MoveTo(QPoint(300, 300));
        w.Drop({Write(dir, "one.bmp")});
        w.MoveTo(QPoint(100, 100));
        w.Drop({Write(dir, "two.bmp")});
        QImage green(2, 2, QImage::Format_RGB888);
        green.fill(Qt::green);
        w.MoveTo(QPoint(300, 300));
        w.Drop({Write(dir, "three.bmp", green)});
        QCOMPARE(w.form->Image4->Picture().pixel(0, 0), qRgb(0, 255, 0));
        QCOMPARE(w.form->Image1->Picture().pixel(0, 0), qRgb(255, 0, 0));
        QVERIFY(!w.form->Image2->HasPicture());
    }

    void aBadFileShowsItsErrorOnceAndKeepsThePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");  // empty: do not create the file
        QTest::addColumn<QString>("message");
        QTest::newRow("garbage jpg") << "broken.jpg" << QByteArray("not a jpeg at all") << "JPEG エラー #";
        QTest::newRow("empty bmp") << "empty.bmp" << QByteArray("\0", 1) << "ビットマップイメージが不正です.";
        QTest::newRow("missing") << "missing.jpg" << QByteArray() << "ファイル %1 は開けません.";
        QTest::newRow("pasted garbage png") << "image/png" << QByteArray("not a png at all") << "PNG イメージが不正です.";
    }
    void aBadFileShowsItsErrorOnceAndKeepsThePicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString good = Write(dir, "good.bmp");
        const QString bad = dir.filePath(name);
        if (!content.isEmpty() && !name.startsWith("image/")) {  // a type: pasted, not a file
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        Window w;
        w.MoveTo(QPoint(100, 100));
        w.Drop({good});
        const QImage before = w.form->Image1->Picture();
        name.startsWith("image/") ? w.Paste({{name, content}}) : w.Drop({bad});
        const QStringList errors = w.Errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(message.contains("%1") ? message.arg(bad) : message), qPrintable(errors[0]));
        QCOMPARE(w.form->Image1->Picture(), before);
        // A following valid drop works.
        QImage green(2, 2, QImage::Format_RGB888);
        green.fill(Qt::green);
        w.Drop({Write(dir, "next.bmp", green)});
        QCOMPARE(w.form->Image1->Picture().pixel(0, 0), qRgb(0, 255, 0));
        QCOMPARE(w.Errors().size(), 1);
    }

    void aPictureIsStretchedWholeIntoNarrowAndWideColumns()
    {
        QTemporaryDir dir;
        Window w;
        w.MoveTo(QPoint(100, 100));
        w.Drop({Write(dir, "halves.bmp")});
        w.Drag(QPoint(239, 100), QPoint(5, 100));  // vertical divider to 60
        QCOMPARE(w.form->Image1->width(), 62);
        w.form->N8->trigger();  // markers out of the way
        w.form->SelShape1->hide();
        w.form->SelShape2->hide();
        QImage img = w.Shot();
        // 4 source columns over 62: columns 0..30 from the red half, 31..61 blue.
        UNIFORM(img, QRect(0, 0, 31, 180), kRed);
        UNIFORM(img, QRect(31, 0, 31, 180), kBlue);
        PIXEL_IS(img, 62, 10, kPink);
        w.form->SelShape2->show();
        w.Drag(QPoint(61, 100), QPoint(475, 100));  // to 416: a 418-pixel column
        QCOMPARE(w.form->Image1->width(), 418);
        w.form->SelShape2->hide();
        img = w.Shot();
        UNIFORM(img, QRect(0, 0, 209, 180), kRed);
        UNIFORM(img, QRect(209, 0, 209, 180), kBlue);
    }

    void markerModesRewriteCaptionsColoursAndVisibility_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("color");
        QTest::addColumn<bool>("visible");
        const QStringList numbers{"①", "②", "③", "④"};
        const QStringList letters{"Ａ", "Ｂ", "Ｃ", "Ｄ"};
        QTest::newRow("white numbers") << "N6" << numbers << int(clWhite) << true;
        QTest::newRow("black numbers") << "N7" << numbers << int(clBlack) << true;
        QTest::newRow("white letters") << "N10" << letters << int(clWhite) << true;
        QTest::newRow("black letters") << "N11" << letters << int(clBlack) << true;
        QTest::newRow("none") << "N8" << letters << int(clBlack) << false;  // keeps the last mode's values
    }
    void markerModesRewriteCaptionsColoursAndVisibility()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, captions);
        QFETCH(int, color);
        QFETCH(bool, visible);
        Window w;
        TMainForm1* f = w.form.get();
        f->N11->trigger();  // start from black letters
        f->findChild<QAction*>(item)->trigger();
        TShadowLabel* labels[4] = {f->Label1, f->Label2, f->Label3, f->Label4};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(labels[i]->Caption(), captions[i]);
            QCOMPARE(labels[i]->Font()->Color(), TColor(color));
            QCOMPARE(labels[i]->isVisible(), visible);
        }
        for (QAction* a : {f->N6, f->N7, f->N10, f->N11, f->N8})
            QCOMPARE(a->isChecked(), a->objectName() == item);
        // Choosing the mode in force again keeps it checked.
        f->findChild<QAction*>(item)->trigger();
        QVERIFY(f->findChild<QAction*>(item)->isChecked());

        // Pixels of marker 2 on the pale-pink panel.
        const QImage img = w.Shot();
        int white = 0, black = 0, silver = 0;
        for (int y = 4; y < 30; ++y)
            for (int x = 244; x < 272; ++x) {
                const QRgb c = Rgb(img, x, y);
                white += c == kWhite;
                black += c == 0;
                silver += c == 0xc0c0c0;
            }
        if (!visible) {
            UNIFORM(img, QRect(244, 4, 28, 26), kPink);
        } else {
            QVERIFY(silver > 10);
            QVERIFY(color == clWhite ? (white > 20 && black == 0) : (black > 20 && white == 0));
        }
    }

    void hiddenMarkersLetMovementAndDoubleClicksThrough()
    {
        QTemporaryDir dir;
        Window w;
        TMainForm1* f = w.form.get();
        w.MoveTo(QPoint(100, 100));
        w.MoveTo(QPoint(250, 10));  // over marker 2
        QCOMPARE(f->CurrentPanelTag(), QStringLiteral("左上"));
        w.MoveTo(QPoint(300, 100));
        w.Drop({Write(dir, "a.bmp")});
        w.DoubleClick(QPoint(250, 10));
        QVERIFY(f->Image2->HasPicture());  // the marker took the double-click
        f->N8->trigger();
        w.MoveTo(QPoint(100, 100));
        w.MoveTo(QPoint(250, 10));
        QCOMPARE(f->CurrentPanelTag(), QStringLiteral("上"));
        w.DoubleClick(QPoint(250, 10));
        QVERIFY(!f->Image2->HasPicture());
    }

    void doubleClickEmptiesOnePanelAndDeleteAllFour()
    {
        QTemporaryDir dir;
        Window w;
        TMainForm1* f = w.form.get();
        const QPoint centres[4] = {{100, 100}, {350, 100}, {100, 300}, {350, 300}};
        for (QPoint p : centres) {
            w.MoveTo(p);
            w.Drop({Write(dir, "a.bmp")});
        }
        w.DoubleClick(QPoint(100, 300));
        QVERIFY(!f->Image3->HasPicture());
        QVERIFY(f->Image1->HasPicture() && f->Image2->HasPicture() && f->Image4->HasPicture());
        w.DoubleClick(QPoint(239, 300));  // on the divider
        QVERIFY(f->Image1->HasPicture() && f->Image4->HasPicture());

        f->N10->trigger();
        w.Drag(QPoint(239, 100), QPoint(200, 100));
        const QString tag = f->CurrentPanelTag();
        f->Image0->SetPicture(Halves());
        f->activateWindow();
        QTest::keyClick(f, Qt::Key_Delete);
        for (TImage* i : {f->Image1, f->Image2, f->Image3, f->Image4})
            QVERIFY(!i->HasPicture());
        QVERIFY(f->Image0->HasPicture());
        QVERIFY(f->N10->isChecked());
        QCOMPARE(f->Label1->Caption(), QStringLiteral("Ａ"));
        QCOMPARE(f->SelShape2->Left(), 199);
        QCOMPARE(f->Shape1->width(), 201);
        QCOMPARE(f->CurrentPanelTag(), tag);
        // An emptied panel shows its background again and takes a new drop.
        UNIFORM(w.Shot(), QRect(40, 40, 120, 120), kWhite);
        w.MoveTo(QPoint(100, 300));
        w.Drop({Write(dir, "a.bmp")});
        QVERIFY(f->Image3->HasPicture());
    }

    void informationAddressCarriesTheProgramFileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("sn");
        QTest::newRow("plain") << "/usr/bin/yotsumado" << "yotsumado";
        QTest::newRow("several dots") << "/opt/x/my.viewer.exe" << "my.viewer";
        QTest::newRow("dot in folder only") << "/opt/v1.2/viewer" << "viewer";
        QTest::newRow("spaces, & and #") << "/home/u/my app&co #2.bin" << "my%20app%26co%20%232";
        QTest::newRow("japanese") << "/home/u/ヨツマド" << "%E3%83%A8%E3%83%84%E3%83%9E%E3%83%89";
    }
    void informationAddressCarriesTheProgramFileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, sn);
        Window w;
        w.platform.script.programPath = path;
        w.form->N4->trigger();
        QCOMPARE(w.platform.log.openedUrls.size(), 1);
        const QUrl url = w.platform.log.openedUrls[0];
        QVERIFY(url.isValid());
        QCOMPARE(QString::fromLatin1(url.toEncoded()),
                 QStringLiteral("https://www.example.com/yotsumado/info.php?pf=w&sn=") + sn);
        // One query with two items, whatever characters the name holds.
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().size(), 2);
        QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        name.truncate(name.lastIndexOf(QLatin1Char('.')) >= 0 ? name.lastIndexOf(QLatin1Char('.')) : name.size());
        QCOMPARE(query.queryItemValue(QStringLiteral("sn"), QUrl::FullyDecoded), name);
    }

    void theRealShellOpenHandsTheAddressToTheDesktop()
    {
        // A URL handler stands in for the browser.
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "handle");
        platform::DesktopShellOpen open;
        open.OpenUrl(QUrl(TMainForm1::InformationAddress(QStringLiteral("/x/yotsumado"))));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.urls.size(), 1);
        QVERIFY(catcher.urls[0].toString().endsWith(QLatin1String("sn=yotsumado")));
    }
};

YOTSUMADO_APP_TEST_MAIN(TestPictures)
#include "tst_pictures.moc"
