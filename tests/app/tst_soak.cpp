// Soak test: thousands of random user operations on one window, from a fixed
// seed, checking after each one that the window is still whole.

#include "appfixture.h"
#include "codec/jpegencoder.h"
#include "codec/pictureloader.h"
#include "controls/base/shape.h"
#include "controls/shadolbl/shadowlabel.h"
#include "core/error.h"
#include "support/bmpwriter.h"
#include "support/files.h"
#include "support/testdata.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

using namespace yotsumado;

using testing::Window;

#ifndef YOTSUMADO_SOAK_OPERATIONS
#define YOTSUMADO_SOAK_OPERATIONS 5000
#endif

namespace {

constexpr int kOperations = YOTSUMADO_SOAK_OPERATIONS;
constexpr quint32 kSeed = 20261206;

// A file the soak drops, and what the window must make of it.
struct DropFile {
    QString path;
    enum Outcome { Loads, Fails, Ignored } outcome;
    QImage picture;       // Loads: what the panel must then hold
    QString errorStart;   // Fails: how the error box's text begins
};

using testing::ReadAll;

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QVERIFY(testing::WriteFile(path, bytes));
}

QImage Noise(QRandomGenerator& rng, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, rng.generate() | 0xff000000u);
    return image;
}

QByteArray Garbage(QRandomGenerator& rng, int size)
{
    QByteArray bytes(size, '\0');
    for (char& b : bytes) b = char(rng.bounded(256));
    bytes[0] = 'G';  // neither "BM" nor a JPEG's start of image
    return bytes;
}

QString Geometry(const QWidget* w)
{
    const QRect r = w->geometry();
    return QStringLiteral("%1 %2,%3 %4x%5").arg(w->objectName()).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The four panels' rectangles still tile the client area, meeting at the
// dividers' middle lines. Empty when they do.
template <typename Panel>
QString CheckTiling(Panel* p1, Panel* p2, Panel* p3, Panel* p4, int v, int h)
{
    const QString all = Geometry(p1) + QLatin1String("; ") + Geometry(p2) + QLatin1String("; ") + Geometry(p3) +
                        QLatin1String("; ") + Geometry(p4);
    if (p1->width() + p2->width() != 480) return QStringLiteral("columns do not add up to 480: ") + all;
    if (p1->height() + p3->height() != 360) return QStringLiteral("rows do not add up to 360: ") + all;
    if (p3->width() + p4->width() != 480 || p2->height() + p4->height() != 360)
        return QStringLiteral("the lower right panel does not close the grid: ") + all;
    if (p1->geometry() != QRect(0, 0, v + 2, h + 2) || p2->pos() != QPoint(v + 2, 0) || p3->pos() != QPoint(0, h + 2) ||
        p4->pos() != QPoint(v + 2, h + 2))
        return QStringLiteral("the panels do not meet at (%1, %2): ").arg(v + 2).arg(h + 2) + all;
    return QString();
}

class Soak {
public:
    explicit Soak(Window& w, const QTemporaryDir& dir) : w_(w), f_(w.form.get()), rng_(kSeed), dir_(dir)
    {
        images_ = {f_->Image1, f_->Image2, f_->Image3, f_->Image4};
        tags_ = {QStringLiteral("左上"), QStringLiteral("上"), QStringLiteral("右上"), QStringLiteral("左")};
        modes_ = {f_->N6, f_->N7, f_->N10, f_->N11, f_->N8};
    }

    void MakeFiles()
    {
        QDir(dir_.path()).mkpath(QStringLiteral("saves"));
        QRandomGenerator made(kSeed + 1);
        const auto path = [this](const char* name) { return dir_.filePath(QLatin1String(name)); };
        const auto loads = [this](const QString& p) {
            files_.push_back({p, DropFile::Loads, LoadPicture(p), QString()});
        };

        // Good: small pictures made here, and a few real ones.
        const QImage small = Noise(made, 7, 5);
        QVERIFY(small.save(path("small.bmp"), "BMP"));
        QVERIFY(small.save(path("MIXED.Bmp"), "BMP"));
        WriteAll(path("small.jpg"), EncodeJpeg(Noise(made, 33, 17)));
        WriteAll(path("wide.JPEG"), EncodeJpeg(Noise(made, 300, 9)));
        WriteAll(path("jpeg-inside.bmp"), ReadAll(path("small.jpg")));  // its contents decide
        for (const char* name : {"small.bmp", "MIXED.Bmp", "small.jpg", "wide.JPEG", "jpeg-inside.bmp"})
            loads(path(name));
        // Bitmaps of other kinds, made by the test's bitmap writer.
        testing::BmpRecipe pal8;
        pal8.bitCount = 8;
        pal8.width = 41;
        pal8.height = 23;
        pal8.palette = testing::TestPalette(256);
        pal8.pixel = [](int x, int y) { return quint32(x * 5 + y * 11) % 256; };
        WriteAll(path("pal8.bmp"), testing::MakeBmp(pal8).bytes);
        testing::BmpRecipe rle4;
        rle4.bitCount = 4;
        rle4.compression = 2;
        rle4.width = 20;
        rle4.height = 3;
        rle4.palette = testing::TestPalette(16);
        rle4.runs = {testing::RleRun(20, 1, 2), testing::RleEndOfLine(), testing::RleLiteral({3, 4, 5}),
                     testing::RleDelta(4, 1), testing::RleRun(9, 6), testing::RleEndOfBitmap()};
        WriteAll(path("pal4rle.bmp"), testing::MakeBmp(rle4).bytes);
        for (const char* name : {"pal8.bmp", "pal4rle.bmp"})
            loads(path(name));
        // And a few real ones, when the external corpus is there.
        const QString shared = testing::SharedTestData();
        if (shared.isEmpty())
            qInfo("%s", testing::CorpusUnsetMessage());
        else
            for (const char* name : {"libjpeg-turbo/testorig.jpg", "libjpeg-turbo/testimgari.jpg",
                                     "bmpsuite/good/pal8.bmp", "bmpsuite/good/rgb24.bmp", "bmpsuite/good/pal4rle.bmp"}) {
                const QString p = shared + QLatin1Char('/') + QLatin1String(name);
                QVERIFY2(QFileInfo(p).isFile(), qPrintable(p));
                loads(p);
            }

        // Bad: each must end in exactly one error box.
        const QString kBitmap = QStringLiteral("ビットマップイメージが不正です");
        const QString kJpeg = QStringLiteral("JPEG エラー #");
        const QString kOpen = QStringLiteral("ファイル ");
        const auto fails = [this](const QString& p, const QString& start) {
            files_.push_back({p, DropFile::Fails, QImage(), start});
        };
        WriteAll(path("garbage.jpg"), Garbage(made, 700));
        fails(path("garbage.jpg"), kJpeg);
        WriteAll(path("garbage.bmp"), Garbage(made, 700));
        fails(path("garbage.bmp"), kBitmap);
        WriteAll(path("empty.jpg"), QByteArray());
        fails(path("empty.jpg"), kJpeg);
        WriteAll(path("cut.jpg"), ReadAll(path("small.jpg")).left(12));
        fails(path("cut.jpg"), kJpeg);
        WriteAll(path("cut.bmp"), ReadAll(path("small.bmp")).left(70));
        fails(path("cut.bmp"), kBitmap);
        WriteAll(path("garbage.png"), Garbage(made, 700));
        fails(path("garbage.png"), QStringLiteral("PNG イメージが不正です"));
        fails(path("missing.jpg"), kOpen);
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("x.jpg")));
        fails(path("x.jpg"), kOpen);
        for (const DropFile& d : files_) {
            if (d.outcome != DropFile::Fails) continue;
            bool threw = false;
            try { (void)LoadPicture(d.path); } catch (const Exception&) { threw = true; }
            QVERIFY2(threw, qPrintable(d.path + QLatin1String(" was meant not to load")));
        }

        // Ignored: no picture extension; nothing loads and nothing is said.
        QVERIFY(small.save(path("bitmap.svg"), "BMP"));
        files_.push_back({path("bitmap.svg"), DropFile::Ignored, QImage(), QString()});
        QVERIFY(small.save(path("f.bmp.txt"), "BMP"));
        files_.push_back({path("f.bmp.txt"), DropFile::Ignored, QImage(), QString()});
        WriteAll(path("x.jpg/inside"), ReadAll(path("small.jpg")));
        files_.push_back({path("x.jpg/inside"), DropFile::Ignored, QImage(), QString()});
    }

    void Run()
    {
        QVERIFY(!QTest::currentTestFailed());
        for (int i = 0; i < kOperations; ++i) {
            QString what;
            const QString problem = Step(&what);
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("operation %1 (%2): %3").arg(i).arg(what, problem)));
            const QString whole = CheckWhole();
            QVERIFY2(whole.isEmpty(), qPrintable(QStringLiteral("after operation %1 (%2): %3").arg(i).arg(what, whole)));
        }
        // Every file the saves left behind is a 480 x 360 JPEG.
        const QStringList saved = QDir(dir_.filePath(QStringLiteral("saves"))).entryList(QDir::Files);
        QVERIFY(!saved.isEmpty());
        for (const QString& name : saved)
            QCOMPARE(LoadPicture(dir_.filePath(QStringLiteral("saves/") + name)).size(), QSize(480, 360));
        qInfo("%d operations: %d drops (%d error boxes), %d drags, %d saves written, %d clears, %d mode changes",
              kOperations, drops_, errorBoxes_, drags_, savesWritten_, clears_, modeChanges_);
        QVERIFY(drops_ > 0 && errorBoxes_ > 0 && drags_ > 0 && savesWritten_ > 0 && clears_ > 0 && modeChanges_ > 0);
    }

private:
    // One random operation; returns what went wrong, or nothing.
    QString Step(QString* what)
    {
        const int kind = rng_.bounded(100);
        if (kind < 30) return PointerMove(what);
        if (kind < 55) return Drop(what);
        if (kind < 70) return DividerDrag(what);
        if (kind < 80) return ModeChange(what);
        if (kind < 90) return Clear(what);
        return Save(what);
    }

    QPoint RandomPoint() { return QPoint(rng_.bounded(480), rng_.bounded(360)); }

    // The tag a mouse move at p leaves in CurrentPanel: the panel's when its
    // picture is under the pointer, else whatever was there.
    QString TagAfterMove(const QString& before, QPoint p) const
    {
        QWidget* under = f_->childAt(p);
        for (int n = 0; n < 4; ++n)
            if (under == images_[n]) return tags_[n];
        return before;
    }

    QString PointerMove(QString* what)
    {
        const QPoint p = RandomPoint();
        *what = QStringLiteral("pointer move to (%1, %2)").arg(p.x()).arg(p.y());
        const QPoint beside = p + QPoint(p.x() > 0 ? -1 : 1, 0);
        const QString expected = TagAfterMove(TagAfterMove(f_->CurrentPanelTag(), beside), p);
        w_.MoveTo(p);
        if (f_->CurrentPanelTag() != expected)
            return QStringLiteral("CurrentPanel is \"%1\", expected \"%2\"").arg(f_->CurrentPanelTag(), expected);
        return QString();
    }

    QString Drop(QString* what)
    {
        QStringList paths;
        const int count = rng_.bounded(10) == 0 ? 2 : 1;
        for (int k = 0; k < count; ++k) paths << files_[rng_.bounded(int(files_.size()))].path;
        const DropFile* first = nullptr;
        for (const DropFile& d : files_)
            if (d.path == paths.first()) first = &d;
        *what = QStringLiteral("drop of ") + paths.join(QLatin1String(", "));

        // The drop point counts as a pointer move there.
        const QPoint at = RandomPoint();
        int target = -1;
        for (int n = 0; n < 4; ++n)
            if (TagAfterMove(f_->CurrentPanelTag(), at) == tags_[n]) target = n;
        QImage before[4];
        for (int n = 0; n < 4; ++n) before[n] = images_[n]->Picture();
        const qsizetype boxes = w_.platform.log.boxes.size();

        w_.Drop(paths, at);
        ++drops_;

        const QList<platform::ScriptedLog::Box> newBoxes = w_.platform.log.boxes.mid(boxes);
        // A file with a picture extension fails only when it reaches a panel.
        const bool fails = first->outcome == DropFile::Fails && target >= 0;
        if (newBoxes.size() != (fails ? 1 : 0))
            return QStringLiteral("%1 boxes, expected %2").arg(newBoxes.size()).arg(fails ? 1 : 0);
        if (fails) {
            ++errorBoxes_;
            const auto& box = newBoxes.first();
            if (box.kind != QLatin1String("error") || !box.text.startsWith(first->errorStart))
                return QStringLiteral("box %1 \"%2\", expected an error beginning \"%3\"")
                    .arg(box.kind, box.text, first->errorStart);
        }
        for (int n = 0; n < 4; ++n) {
            const bool loaded = n == target && first->outcome == DropFile::Loads;
            const QImage& expected = loaded ? first->picture : before[n];
            if (images_[n]->Picture() != expected)
                return QStringLiteral("panel %1 %2").arg(n + 1).arg(loaded ? "did not get the picture" : "changed");
        }
        return QString();
    }

    QString DividerDrag(QString* what)
    {
        const bool vertical = rng_.bounded(2) == 0;
        TSelShape* divider = vertical ? f_->SelShape2 : f_->SelShape1;
        // A point of the bar that the bar itself is under (not the other
        // divider where they cross).
        QPoint from;
        do {
            from = vertical ? QPoint(divider->Left() + rng_.bounded(4), rng_.bounded(360))
                            : QPoint(rng_.bounded(480), divider->Top() + rng_.bounded(4));
        } while (f_->childAt(from) != divider);
        const QPoint to = RandomPoint();
        *what = QStringLiteral("%1 divider drag (%2, %3) -> (%4, %5)")
                    .arg(vertical ? "vertical" : "horizontal")
                    .arg(from.x()).arg(from.y()).arg(to.x()).arg(to.y());
        const int edge = vertical ? std::clamp(divider->Left() + to.x() - from.x(), 60, 416)
                                  : std::clamp(divider->Top() + to.y() - from.y(), 60, 296);
        w_.Drag(from, to);
        ++drags_;
        const int now = vertical ? divider->Left() : divider->Top();
        if (now != edge) return QStringLiteral("the divider stands at %1, expected %2").arg(now).arg(edge);
        return QString();
    }

    QString ModeChange(QString* what)
    {
        static const QKeyCombination kKeys[] = {Qt::SHIFT | Qt::Key_F1, Qt::SHIFT | Qt::Key_F2, Qt::CTRL | Qt::Key_F1,
                                                Qt::CTRL | Qt::Key_F2, QKeyCombination(Qt::Key_Insert)};
        const int mode = rng_.bounded(5);
        const bool byKey = rng_.bounded(2) == 0;
        *what = QStringLiteral("mode %1 by %2").arg(modes_[mode]->objectName(), byKey ? "shortcut" : "menu");
        if (byKey)
            QTest::keyClick(f_, kKeys[mode].key(), kKeys[mode].keyboardModifiers());
        else
            modes_[mode]->trigger();
        ++modeChanges_;
        for (int m = 0; m < 5; ++m)
            if (modes_[m]->isChecked() != (m == mode)) return modes_[m]->objectName() + QLatin1String(" has the wrong check");
        mode_ = mode;
        return QString();
    }

    QString Clear(QString* what)
    {
        const int how = rng_.bounded(3);
        QImage before[4];
        for (int n = 0; n < 4; ++n) before[n] = images_[n]->Picture();
        int emptied = -2;  // -2: none, -1: all
        if (how == 0) {
            const QPoint p = RandomPoint();
            *what = QStringLiteral("double-click at (%1, %2)").arg(p.x()).arg(p.y());
            for (int n = 0; n < 4; ++n)
                if (f_->childAt(p) == images_[n]) emptied = n;
            w_.DoubleClick(p);
        } else if (how == 1) {
            *what = QStringLiteral("Del");
            QTest::keyClick(f_, Qt::Key_Delete);
            emptied = -1;
        } else {
            *what = QStringLiteral("menu: clear all");
            f_->D1->trigger();
            emptied = -1;
        }
        ++clears_;
        for (int n = 0; n < 4; ++n) {
            const bool empty = emptied == -1 || emptied == n;
            if (empty ? images_[n]->HasPicture() : images_[n]->Picture() != before[n])
                return QStringLiteral("panel %1 %2").arg(n + 1).arg(empty ? "kept its picture" : "changed");
        }
        return QString();
    }

    QString Save(QString* what)
    {
        const int choice = rng_.bounded(8);
        const QString target = dir_.filePath(QStringLiteral("saves/composite%1.jpg").arg(choice));
        const bool cancel = rng_.bounded(8) == 0;
        const bool existed = QFileInfo(target).isFile();
        const bool yes = rng_.bounded(3) != 0;
        const QByteArray old = existed ? ReadAll(target) : QByteArray();
        *what = QStringLiteral("save to %1%2").arg(target, cancel ? " (cancelled)" : existed ? (yes ? " (replace)" : " (keep)") : "");
        w_.platform.script.saveAnswers = {cancel ? std::nullopt : std::optional<QString>(target)};
        w_.platform.script.yesNoAnswers = {yes};
        const qsizetype questions = w_.platform.log.boxes.size();
        if (rng_.bounded(2) == 0)
            QTest::keyClick(f_, Qt::Key_S, Qt::ControlModifier);
        else
            f_->Save1->trigger();
        const qsizetype boxes = w_.platform.log.boxes.size() - questions;
        if (boxes != (!cancel && existed ? 1 : 0)) return QStringLiteral("%1 boxes after the save").arg(boxes);
        const bool written = !cancel && (!existed || yes);
        const QByteArray now = ReadAll(target);
        if (written) {
            ++savesWritten_;
            if (now != EncodeJpeg(f_->Image0->Picture())) return QStringLiteral("the file is not the capture's JPEG");
            if (LoadPicture(target).size() != QSize(480, 360)) return QStringLiteral("the saved file is not 480 x 360");
        } else if (now != old) {
            return QStringLiteral("the file changed although it was not to be written");
        }
        return QString();
    }

    // What must hold after any operation.
    QString CheckWhole() const
    {
        if (!f_->isVisible()) return QStringLiteral("the window is gone");
        if (!f_->SelShape1->isVisible() || !f_->SelShape2->isVisible()) return QStringLiteral("a divider is hidden");
        const int v = f_->SelShape2->Left();
        const int h = f_->SelShape1->Top();
        if (v < 60 || v > 416 || h < 60 || h > 296) return QStringLiteral("dividers out of bounds: %1, %2").arg(v).arg(h);
        QString problem = CheckTiling(f_->Shape1, f_->Shape2, f_->Shape3, f_->Shape4, v, h);
        if (problem.isEmpty()) problem = CheckTiling(f_->Image1, f_->Image2, f_->Image3, f_->Image4, v, h);
        if (!problem.isEmpty()) return problem;
        for (TShadowLabel* label : {f_->Label1, f_->Label2, f_->Label3, f_->Label4})
            if (label->isVisible() != (mode_ != 4)) return label->objectName() + QLatin1String(" shows in the wrong mode");
        if (w_.Errors().size() != errorBoxes_) return QStringLiteral("an unexpected error box");
        return QString();
    }

    Window& w_;
    TMainForm1* f_;
    QRandomGenerator rng_;
    const QTemporaryDir& dir_;
    std::vector<DropFile> files_;
    std::array<TImage*, 4> images_{};
    std::array<QString, 4> tags_;
    std::array<QAction*, 5> modes_{};
    int mode_ = 0;  // white numbers at start
    int drops_ = 0;
    int errorBoxes_ = 0;
    int drags_ = 0;
    int savesWritten_ = 0;
    int clears_ = 0;
    int modeChanges_ = 0;
};

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void randomUseKeepsTheWindowWhole()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Window w;
        Soak soak(w, dir);
        soak.MakeFiles();
        if (QTest::currentTestFailed()) return;
        soak.Run();
    }
};

YOTSUMADO_APP_TEST_MAIN(TestSoak)
#include "tst_soak.moc"
