// The save dialog as a Japanese user meets it: Qt's own texts in Japanese
// whatever the locale, the Pictures folder the first time, and the preview
// of the file it offers. The dialog is built and read, never shown.

#include "app/application.h"
#include "platform/desktop/picturepreview.h"
#include "platform/desktop/picturesfolder.h"
#include "platform/desktop/qtsavedialog.h"
#include "support/testmain.h"

#include <QPushButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>

using namespace yotsumado;

using namespace platform;

namespace {

SaveDialogRequest JpegRequest(const QString& fileName = QString())
{
    SaveDialogRequest r;
    r.Filter = QStringLiteral("JPEG ファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg");
    r.DefaultSuffix = QStringLiteral("jpg");
    r.FileName = fileName;
    // The program hands its own loader in; any loader shows the offered file.
    r.PreviewLoader = [](const QString& path, QSize, const std::atomic<bool>&) { return QImage(path); };
    return r;
}

bool HasJapanese(const QString& text)
{
    for (const QChar c : text) {
        // Hiragana, katakana, CJK ideographs.
        if ((c.unicode() >= 0x3040 && c.unicode() <= 0x30ff) || (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff))
            return true;
    }
    return false;
}

// Points HOME and the user-dirs file at a folder of the test's own for the
// life of this object.
class FakeHome {
public:
    FakeHome()
        : oldHome_(qgetenv("HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("HOME", dir_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral(".config")).toLocal8Bit());
        QDir().mkpath(dir_.filePath(QStringLiteral(".config")));
    }
    ~FakeHome()
    {
        qputenv("HOME", oldHome_);
        if (oldConfig_.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    FakeHome(const FakeHome&) = delete;
    FakeHome& operator=(const FakeHome&) = delete;

    QString Path(const QString& name = QString()) const { return name.isEmpty() ? dir_.path() : dir_.filePath(name); }
    void UserDirs(const QString& picturesLine)
    {
        QFile f(Path(QStringLiteral(".config/user-dirs.dirs")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
        f.write(picturesLine.toUtf8() + '\n');
    }
    void MakeFolder(const QString& name) { QVERIFY(QDir().mkpath(Path(name))); }

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
    QByteArray oldConfig_;
};

} // namespace

class TestSaveDialogStart : public QObject {
    Q_OBJECT
private slots:
    void qtTextsAreJapaneseWhateverTheLocale()
    {
        // The test runs under the C locale (see CMakeLists.txt).
        const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(box);
        QAbstractButton* cancel = box->button(QDialogButtonBox::Cancel);
        QVERIFY(cancel);
        QVERIFY2(HasJapanese(cancel->text()), qPrintable(cancel->text()));
        QAbstractButton* save = box->button(QDialogButtonBox::Save);
        QVERIFY(save);
        QVERIFY2(HasJapanese(save->text()), qPrintable(save->text()));
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
            auto* label = dialog->findChild<QLabel*>(QLatin1String(name));
            QVERIFY2(label, name);
            QVERIFY2(HasJapanese(label->text()), qPrintable(QLatin1String(name) + QLatin1String(": ") + label->text()));
        }
    }

    void picturesFolderFollowsTheUserDirs_data()
    {
        QTest::addColumn<QString>("userDirsLine");  // empty: no user-dirs file
        QTest::addColumn<QStringList>("folders");   // folders that exist under HOME
        QTest::addColumn<QString>("expected");      // relative to HOME; "" = HOME
        QTest::newRow("named and there") << "XDG_PICTURES_DIR=\"$HOME/写真\"" << QStringList{"写真", "Pictures"} << "写真";
        QTest::newRow("named, missing") << "XDG_PICTURES_DIR=\"$HOME/写真\"" << QStringList{} << "";
        QTest::newRow("no user-dirs, default there") << "" << QStringList{"Pictures"} << "Pictures";
        QTest::newRow("nothing") << "" << QStringList{} << "";
    }
    void picturesFolderFollowsTheUserDirs()
    {
        QFETCH(QString, userDirsLine);
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        FakeHome home;
        if (!userDirsLine.isEmpty())
            home.UserDirs(userDirsLine);
        for (const QString& f : folders)
            home.MakeFolder(f);
        QCOMPARE(QDir(PicturesFolder()).canonicalPath(), QDir(home.Path(expected)).canonicalPath());
    }

    void dialogStartsInThePicturesFolderTheFirstTime()
    {
        FakeHome home;
        home.UserDirs(QStringLiteral("XDG_PICTURES_DIR=\"$HOME/写真\""));
        home.MakeFolder(QStringLiteral("写真"));
        const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest());
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(home.Path(QStringLiteral("写真"))).canonicalPath());
        // Once a name was chosen, its folder wins.
        home.MakeFolder(QStringLiteral("other"));
        const auto again = CreateSaveFileDialog(nullptr, JpegRequest(home.Path(QStringLiteral("other/a.jpg"))));
        QCOMPARE(QDir(again->directory()).canonicalPath(), QDir(home.Path(QStringLiteral("other"))).canonicalPath());
    }

    void previewShowsTheOfferedFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("last.jpg"));
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(qRgb(255, 0, 0));
        QVERIFY(red.save(path, "JPEG"));
        const auto dialog = CreateSaveFileDialog(nullptr, JpegRequest(path));
        PicturePreview* preview = PreviewOf(*dialog);
        QVERIFY(preview);
        QCOMPARE(preview->FilePath(), path);
        QTRY_COMPARE(preview->Picture().size(), QSize(40, 30));
        // An offered name that is not there yet shows nothing.
        const auto fresh = CreateSaveFileDialog(nullptr, JpegRequest(dir.filePath(QStringLiteral("new.jpg"))));
        QVERIFY(PreviewOf(*fresh)->Picture().isNull());
    }
};

YOTSUMADO_TEST_MAIN_WITH_APP(TApplication, TestSaveDialogStart)
#include "tst_savedialogstart.moc"
