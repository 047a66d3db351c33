// File names that are bytes, not text: a Latin-1 "café" is the bytes
// "caf\xE9", which are not UTF-8. Such names load (dropped or given to the
// compose tool), save, and show recognisably in messages; control characters
// in names never reach a message or the terminal as they are.

#include "app/appfixture.h"
#include "codec/atomicfile.h"
#include "codec/jpegencoder.h"
#include "codec/pictureloader.h"
#include "core/error.h"
#include "core/filename.h"
#include "platform/filedrop.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

using namespace yotsumado;

using testing::Window;

namespace {

// Writes a file whose name is given as bytes.
bool WriteBytesNamed(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && ok;
}

QByteArray ReadBytesNamed(const QByteArray& path)
{
    QByteArray content;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray("<missing>");
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, n);
    ::close(fd);
    return content;
}

// The names in a folder, as bytes (QDir leaves out names it cannot decode).
QList<QByteArray> NamesIn(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

QByteArray BmpBytes(const QColor& colour)
{
    QImage image(40, 30, QImage::Format_RGB888);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

struct ToolRun {
    int status = -1;
    QByteArray err;
};

// Runs the compose tool with arguments given as bytes, as a shell would pass
// them; QProcess would encode the arguments as UTF-8 text.
ToolRun Compose(const QList<QByteArray>& args, const QByteArray& errFile)
{
    std::vector<QByteArray> storage{QByteArray(COMPOSE_PROGRAM)};
    for (const QByteArray& a : args)
        storage.push_back(a);
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ToolRun run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0)
            ::_exit(127);
        ::dup2(err, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return run;
    run.status = WEXITSTATUS(status);
    run.err = ReadBytesNamed(errFile);
    return run;
}

QString MessageOf(const QString& path)
{
    try {
        LoadPicture(path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class TestFileNames : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QByteArray Dir() const { return QFile::encodeName(tmp_.path()); }

private slots:
    void init() { QVERIFY(tmp_.isValid()); }
    void cleanup()
    {
        // QDir cannot remove what it cannot name.
        for (const QByteArray& name : NamesIn(Dir()))
            QVERIFY(::unlink((Dir() + '/' + name).constData()) == 0);
    }

    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("/tmp/caf\xC3\xA9 \xE5\x86\x99\xE7\x9C\x9F.jpg") << QStringLiteral("/tmp/café 写真.jpg");
        QTest::newRow("outside the basic plane") << QByteArray("\xF0\x9F\x93\xB7.jpg") << QStringLiteral("📷.jpg");
        QTest::newRow("Latin-1") << QByteArray("caf\xE9.jpg") << QStringLiteral("caf\\xE9.jpg");
        QTest::newRow("Shift_JIS") << QByteArray("\x83\x65\x83\x58\x83\x67.jpg") << QStringLiteral("\\x83e\\x83X\\x83g.jpg");
        QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF" "b") << QStringLiteral("a\\xC0\\xAFb");
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xB3\xA9") << QStringLiteral("\\xED\\xB3\\xA9");
        QTest::newRow("cut short at the end") << QByteArray("x\xE3\x81") << QStringLiteral("x\\xE3\\x81");
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\\xF4\\x90\\x80\\x80");
        QTest::newRow("control characters") << QByteArray("a\tb\nc\rd\x1B[31m\x7F" "e\xC2\x9B" "f")
                                            << QStringLiteral("a\\tb\\nc\\rd\\x1B[31m\\x7Fe\\u009Bf");
        QTest::newRow("bidi controls") << QByteArray("a\xE2\x80\xAEgpj\xE2\x80\x8E\xE2\x81\xA6\xD8\x9C.exe") << QStringLiteral("a\\u202Egpj\\u200E\\u2066\\u061C.exe");
        QTest::newRow("separators, invisible") << QByteArray("\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\x8B\xE2\x81\xA0\xEF\xBB\xBF\xF3\xA0\x80\x81") << QStringLiteral("\\u2028\\u2029\\u200B\\u2060\\uFEFF\\U000E0001");
    }
    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString name = FileNameFromBytes(bytes);
        QCOMPARE(FileNameBytes(name), bytes);
        QCOMPARE(ShownFileName(name), shown);
        // What is shown is plain text: no control, format, line or paragraph separator (Zl..Cf), no lone surrogate.
        const QString text = ShownFileName(name);
        QCOMPARE(QString::fromUtf8(text.toUtf8()), text);
        for (const char32_t c : text.toUcs4())
            QVERIFY(QChar::category(c) < QChar::Separator_Line || QChar::category(c) > QChar::Other_Format);
    }

    void droppedNameThatIsNotUtf8Loads()
    {
        const QByteArray path = Dir() + "/caf\xE9.bmp";
        QVERIFY(WriteBytesNamed(path, BmpBytes(QColor(200, 10, 10))));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), "file://" + QUrl::toPercentEncoding(QString::fromLatin1(Dir()), "/") + "/caf%E9.bmp\r\n");
        const platform::DropFiles drop = platform::DropFiles::FromMimeData(&data);
        QCOMPARE(drop.Count(), 1);
        QCOMPARE(FileNameBytes(drop.Name(0)), path);
        const QImage picture = LoadPicture(drop.Name(0));
        QCOMPARE(picture.size(), QSize(40, 30));
        QCOMPARE(picture.pixelColor(5, 5), QColor(200, 10, 10));
    }

    void nameThatIsNotUtf8SavesUnderItsBytes()
    {
        const QByteArray path = Dir() + "/caf\xE9.jpg";
        WriteFileAtomically(FileNameFromBytes(path), "new contents");
        QCOMPARE(ReadBytesNamed(path), QByteArray("new contents"));
        QCOMPARE(NamesIn(Dir()), QList<QByteArray>{"caf\xE9.jpg"});
        // And over itself, the same file again.
        WriteFileAtomically(FileNameFromBytes(path), "newer contents");
        QCOMPARE(ReadBytesNamed(path), QByteArray("newer contents"));
        QCOMPARE(NamesIn(Dir()), QList<QByteArray>{"caf\xE9.jpg"});
    }

    void messagesShowTheNameRecognisably()
    {
        const QByteArray notAPicture = Dir() + "/caf\xE9.txt";
        QVERIFY(WriteBytesNamed(notAPicture, "text"));
        QCOMPARE(MessageOf(FileNameFromBytes(notAPicture)),
                 QStringLiteral("ファイル %1/caf\\xE9.txt は画像ファイルではありません").arg(tmp_.path()));
        QCOMPARE(MessageOf(FileNameFromBytes(Dir() + "/gone\xE9.jpg")),
                 QStringLiteral("ファイル %1/gone\\xE9.jpg は開けません").arg(tmp_.path()));
        QCOMPARE(MessageOf(FileNameFromBytes(Dir() + "/two\nlines\x1B[2J.jpg")),
                 QStringLiteral("ファイル %1/two\\nlines\\x1B[2J.jpg は開けません").arg(tmp_.path()));
        QCOMPARE(MessageOf(FileNameFromBytes(notAPicture + QByteArray("\0.jpg", 5))),  // as a dropped "….txt%00.jpg" gives
                 QStringLiteral("ファイル %1/caf\\xE9.txt\\x00.jpg は開けません").arg(tmp_.path()));
    }

    void windowDropsAndSavesOverANameThatIsNotUtf8()
    {
        const QByteArray picture = Dir() + "/caf\xE9.bmp";
        QVERIFY(WriteBytesNamed(picture, BmpBytes(QColor(10, 200, 10))));
        const QByteArray saved = Dir() + "/caf\xE9 4.jpg";
        QVERIFY(WriteBytesNamed(saved, "old picture"));
        Window w;
        w.MoveTo(QPoint(100, 100));
        QMimeData data;
        data.setUrls({QUrl::fromEncoded("file://" + QUrl::toPercentEncoding(QString::fromLatin1(Dir()), "/") + "/caf%E9.bmp")});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.form.get(), &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.form.get(), &drop);
        QCoreApplication::processEvents();
        QCOMPARE(w.Errors(), QStringList());
        QTRY_VERIFY(!w.form->Image1->Picture().isNull());

        w.platform.script.saveAnswers.push_back(FileNameFromBytes(saved));
        w.platform.script.yesNoAnswers.push_back(true);
        w.form->Save1->trigger();
        QCOMPARE(w.Errors(), QStringList());
        QCOMPARE(w.platform.log.boxes.size(), 1);
        QCOMPARE(w.platform.log.boxes[0].kind, QStringLiteral("question"));
        QCOMPARE(w.platform.log.boxes[0].text,
                 QStringLiteral("%1/caf\\xE9 4.jpg は既に存在します。\n上書きしますか？").arg(tmp_.path()));
        QVERIFY(ReadBytesNamed(saved).startsWith("\xFF\xD8"));
        QCOMPARE(NamesIn(Dir()), (QList<QByteArray>{"caf\xE9 4.jpg", "caf\xE9.bmp"}));
    }

    void composeToolTakesNamesAsBytes()
    {
        const QByteArray input = Dir() + "/caf\xE9.bmp";
        QVERIFY(WriteBytesNamed(input, BmpBytes(QColor(10, 10, 200))));
        const QByteArray output = Dir() + "/out\xE9.jpg";
        const ToolRun run = Compose({"-o", output, input}, Dir() + "/err.txt");
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(run.err, QByteArray());
        QVERIFY(ReadBytesNamed(output).startsWith("\xFF\xD8"));
    }

    void composeToolMessagesShowNamesSafely_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("not UTF-8") << QByteArray("gone\xE9.jpg") << QByteArray("gone\\xE9.jpg");
        QTest::newRow("terminal escape") << QByteArray("x\x1B]0;owned\x07\x1B[2J.jpg") << QByteArray("x\\x1B]0;owned\\x07\\x1B[2J.jpg");
        QTest::newRow("new line") << QByteArray("fake\nyotsumado-compose: done.jpg") << QByteArray("fake\\nyotsumado-compose: done.jpg");
        QTest::newRow("right to left, line separator") << QByteArray("x\xE2\x80\xAEgpj.exe\xE2\x80\xA8.jpg") << QByteArray("x\\u202Egpj.exe\\u2028.jpg");
    }
    void composeToolMessagesShowNamesSafely()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, shown);
        const ToolRun run = Compose({"--raw", Dir() + "/out.ppm", Dir() + '/' + name}, Dir() + "/err.txt");
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "ファイル " + Dir() + '/' + shown + " は開けません.\n");
    }
};

YOTSUMADO_APP_TEST_MAIN(TestFileNames)
#include "tst_filenames.moc"
