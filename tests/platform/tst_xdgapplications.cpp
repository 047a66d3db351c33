#include "tst_platform.h"

#include "platform/desktop/xdgapplications.h"

#include <QTest>

using namespace yotsumado;

using namespace platform;

namespace {
const QString kMailto = QStringLiteral("x-scheme-handler/mailto");

QString DefaultMailId()
{
    const auto entry = DefaultApplicationFor(kMailto, XdgDirs::FromEnvironment());
    return entry ? entry->id : QStringLiteral("<none>");
}
} // namespace

void TestPlatform::execLineSplitsByTheQuotingRules_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("expected");  // empty: refused
    QTest::newRow("plain") << "thunderbird %u" << QStringList{"thunderbird"};
    QTest::newRow("extra blanks") << "  kmail   -q  %U " << QStringList{"kmail", "-q"};
    QTest::newRow("double quotes") << R"("/opt/My Mail/mailer" --x "a b")"
                                   << QStringList{"/opt/My Mail/mailer", "--x", "a b"};
    QTest::newRow("escapes in quotes") << R"(run "say \"hi\" \$HOME \`x\` \\ end")"
                                       << QStringList{"run", R"(say "hi" $HOME `x` \ end)"};
    QTest::newRow("single quotes") << "sh -c 'mailer --go now' %u"
                                   << QStringList{"sh", "-c", "mailer --go now"};
    QTest::newRow("file code inside quotes drops the argument") << "sh -c 'mailer %u'"
                                                               << QStringList{"sh", "-c"};
    QTest::newRow("name and path codes") << "kmail -qwindowtitle %c --desktop %k %u"
                                         << QStringList{"kmail", "-qwindowtitle", "Mailer", "--desktop",
                                                        "/apps/m.desktop"};
    QTest::newRow("icon code") << "mailer %i %u" << QStringList{"mailer", "--icon", "mail-icon"};
    QTest::newRow("percent sign") << "mailer --ratio=100%% %F" << QStringList{"mailer", "--ratio=100%"};
    QTest::newRow("argument with a file code dropped") << "mailer --file=%f --go"
                                                      << QStringList{"mailer", "--go"};
    QTest::newRow("deprecated codes dropped") << "mailer %d %D %n %N %v %m" << QStringList{"mailer"};
    QTest::newRow("unclosed double quote") << R"(mailer "open)" << QStringList{};
    QTest::newRow("unclosed single quote") << "mailer 'open" << QStringList{};
    QTest::newRow("nothing left") << "%u" << QStringList{};
}

void TestPlatform::execLineSplitsByTheQuotingRules()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, expected);
    DesktopEntry entry;
    entry.id = QStringLiteral("m.desktop");
    entry.path = QStringLiteral("/apps/m.desktop");
    entry.name = QStringLiteral("Mailer");
    entry.icon = QStringLiteral("mail-icon");
    entry.exec = exec;
    const std::optional<QStringList> split = SplitExec(entry);
    if (expected.isEmpty())
        QVERIFY2(!split, qPrintable(split ? split->join(QLatin1Char('|')) : QString()));
    else {
        QVERIFY(split);
        QCOMPARE(*split, expected);
    }
}

void TestPlatform::desktopFileStringEscapesAreUndone()
{
    WriteFile(Tmp(QStringLiteral("e.desktop")),
              "# comment\n[Other Group]\nExec=wrong\n[Desktop Entry]\nName=Post\\sOffice\n"
              "Name[ja]=郵便\nExec=\"/opt/post office/bin\"\\s--flag %u\nHidden=false\n");
    const auto entry = ReadDesktopEntry(Tmp(QStringLiteral("e.desktop")), QStringLiteral("e.desktop"));
    QVERIFY(entry);
    QCOMPARE(entry->name, QStringLiteral("Post Office"));
    QCOMPARE(entry->exec, QStringLiteral("\"/opt/post office/bin\" --flag %u"));
    QVERIFY(!entry->hidden);
    QCOMPARE(*SplitExec(*entry), (QStringList{"/opt/post office/bin", "--flag"}));

    WriteFile(Tmp(QStringLiteral("none.desktop")), "[Something]\nExec=x\n");
    QVERIFY(!ReadDesktopEntry(Tmp(QStringLiteral("none.desktop")), QStringLiteral("none.desktop")));
    QVERIFY(!ReadDesktopEntry(Tmp(QStringLiteral("absent.desktop")), QStringLiteral("absent.desktop")));
}

void TestPlatform::defaultIsTakenFromTheMostImportantList_data()
{
    // Each list names a different program; the expected one wins.
    QTest::addColumn<QStringList>("lists");  // relative paths of mimeapps lists to write
    QTest::addColumn<QString>("desktop");    // XDG_CURRENT_DESKTOP
    QTest::addColumn<QString>("expected");
    const QStringList all{"config/mimeapps.list", "etc-xdg/mimeapps.list",
                          "data/applications/mimeapps.list", "share/applications/mimeapps.list"};
    QTest::newRow("config home first") << all << "" << "config.desktop";
    QTest::newRow("then config dirs") << all.mid(1) << "" << "etc-xdg.desktop";
    QTest::newRow("then data home") << all.mid(2) << "" << "data.desktop";
    QTest::newRow("then data dirs") << all.mid(3) << "" << "share.desktop";
    QTest::newRow("desktop-specific list first")
        << QStringList{"config/mimeapps.list", "config/kde-mimeapps.list"} << "KDE" << "config-kde.desktop";
    QTest::newRow("desktop list of another desktop ignored")
        << QStringList{"config/mimeapps.list", "config/gnome-mimeapps.list"} << "KDE" << "config.desktop";
    QTest::newRow("legacy defaults.list last") << QStringList{"share/applications/defaults.list"} << ""
                                               << "share-defaults.desktop";
}

void TestPlatform::defaultIsTakenFromTheMostImportantList()
{
    QFETCH(QStringList, lists);
    QFETCH(QString, desktop);
    QFETCH(QString, expected);
    UsePrivateDesktop();
    if (!desktop.isEmpty())
        SetEnv("XDG_CURRENT_DESKTOP", desktop);
    for (const QString& list : lists) {
        // "config/kde-mimeapps.list" names "config-kde.desktop", and so on.
        QString id = list.section(QLatin1Char('/'), 0, 0);
        const QString file = list.section(QLatin1Char('/'), -1);
        if (file.contains(QLatin1Char('-')))
            id += QLatin1Char('-') + file.section(QLatin1Char('-'), 0, 0);
        if (file == QLatin1String("defaults.list"))
            id += QStringLiteral("-defaults");
        id += QStringLiteral(".desktop");
        WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), id, QStringLiteral("mailer %u"));
        WriteFile(Tmp(list), "[Default Applications]\nX-Scheme-Handler/Mailto=" + id.toUtf8() + "\n");
    }
    QCOMPARE(DefaultMailId(), expected);
}

void TestPlatform::defaultSkipsEntriesThatAreNotInstalled()
{
    UsePrivateDesktop();
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("second.desktop"),
                      QStringLiteral("mailer %u"));
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("lower.desktop"),
                      QStringLiteral("mailer %u"));
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("noexec.desktop"), QString());
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=gone.desktop;noexec.desktop;second.desktop;\n");
    WriteFile(Tmp(QStringLiteral("etc-xdg/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=lower.desktop\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("second.desktop"));
    // When none of a list is installed, the next list is asked.
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=gone.desktop\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("lower.desktop"));
}

void TestPlatform::hiddenEntryHidesTheSystemOne()
{
    UsePrivateDesktop();
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("mail.desktop"),
                      QStringLiteral("mailer %u"));
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=mail.desktop\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("mail.desktop"));
    WriteDesktopEntry(Tmp(QStringLiteral("data/applications")), QStringLiteral("mail.desktop"),
                      QStringLiteral("mailer %u"), "Hidden=true\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("<none>"));
}

void TestPlatform::entryWithMissingTryExecIsNotInstalled()
{
    UsePrivateDesktop();
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("mail.desktop"),
                      QStringLiteral("mailer %u"), "TryExec=mailer\n");
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=mail.desktop\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("<none>"));
    WriteFakeProgram(QStringLiteral("mailer"));
    QCOMPARE(DefaultMailId(), QStringLiteral("mail.desktop"));
}

void TestPlatform::dashedIdFindsAFileInASubfolder()
{
    UsePrivateDesktop();
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications/kde")), QStringLiteral("kmail.desktop"),
                      QStringLiteral("kmail %u"));
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=kde-kmail.desktop\n");
    const auto entry = DefaultApplicationFor(kMailto, XdgDirs::FromEnvironment());
    QVERIFY(entry);
    QCOMPARE(entry->id, QStringLiteral("kde-kmail.desktop"));
    QCOMPARE(entry->path, Tmp(QStringLiteral("share/applications/kde/kmail.desktop")));
}

void TestPlatform::withoutDefaultTheAssociatedProgramIsUsed()
{
    UsePrivateDesktop();
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("cached.desktop"),
                      QStringLiteral("mailer %u"));
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("added.desktop"),
                      QStringLiteral("mailer %u"));
    WriteFile(Tmp(QStringLiteral("share/applications/mimeinfo.cache")),
              "[MIME Cache]\ntext/plain=editor.desktop;\nx-scheme-handler/mailto=cached.desktop;\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("cached.desktop"));
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Added Associations]\nx-scheme-handler/mailto=added.desktop;\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("added.desktop"));
    // Other types never count.
    WriteFile(Tmp(QStringLiteral("share/applications/mimeinfo.cache")),
              "[MIME Cache]\ntext/plain=cached.desktop;\n");
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")), "");
    QCOMPARE(DefaultMailId(), QStringLiteral("<none>"));
}

void TestPlatform::removedAssociationIsNotUsed()
{
    UsePrivateDesktop();
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("browser.desktop"),
                      QStringLiteral("browser %u"));
    WriteDesktopEntry(Tmp(QStringLiteral("share/applications")), QStringLiteral("mail.desktop"),
                      QStringLiteral("mailer %u"));
    WriteFile(Tmp(QStringLiteral("share/applications/mimeinfo.cache")),
              "[MIME Cache]\nx-scheme-handler/mailto=browser.desktop;mail.desktop;\n");
    WriteFile(Tmp(QStringLiteral("config/mimeapps.list")),
              "[Removed Associations]\nx-scheme-handler/mailto=browser.desktop;\n");
    QCOMPARE(DefaultMailId(), QStringLiteral("mail.desktop"));
}
