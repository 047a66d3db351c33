#pragma once
// Tests of the real platform services that can run headless: the save
// dialog's configuration and preview (never shown), the mail hand-over (with
// fake mail programs, and GIO's default in private XDG folders), the detached
// launcher, and the store of mail attachments.

#include "support/files.h"

#include "core/filename.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

using testing::WriteFile;

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Save dialog (tst_savedialog.cpp)
    void filterTextIsParsedIntoDescriptionsAndPatterns_data();
    void filterTextIsParsedIntoDescriptionsAndPatterns();
    void defaultSuffixOnlyForNamesWithoutExtension_data();
    void defaultSuffixOnlyForNamesWithoutExtension();
    void dialogShowsTheDescriptionAndFiltersByThePatterns();
    void dialogListsJpegFilesOnly();
    void dialogHasTheRequestedOptions();
    void dialogOffersTheLastChosenName();
    void dialogStartsEmptyWithoutALastName();
    void typedNameGetsTheDefaultSuffixOnlyWithoutExtension_data();
    void typedNameGetsTheDefaultSuffixOnlyWithoutExtension();
    void previewSitsBesideTheFileList();
    void previewShowsPicturesAndNothingElse_data();
    void previewShowsPicturesAndNothingElse();
    void previewFollowsTheDialogsCurrentFile();
    void previewFollowsASelectionInTheList();
    void previewShrinksLargePicturesKeepingProportions();
    void previewNeverWaitsForItsLoaderAndDropsStaleResults();
    void previewWithoutLoaderShowsNothing();
    void previewPaintsThePictureCentred();

    // The mail hand-over (tst_mail.cpp)
    void execLineSplitsByTheQuotingRules_data();
    void execLineSplitsByTheQuotingRules();
    void mailProgramIsIdentifiedFromItsExecLine_data();
    void mailProgramIsIdentifiedFromItsExecLine();
    void sandboxedMailProgramsAreRecognised_data();
    void sandboxedMailProgramsAreRecognised();
    void thisProgramInsideASandbox_data();
    void thisProgramInsideASandbox();
    void thunderbirdValuesCannotBreakOutOfTheirQuotes();
    void eachMailProgramGetsTheMessageItsOwnWay_data();
    void eachMailProgramGetsTheMessageItsOwnWay();
    void failedHandOverLeavesNoAttachment_data();
    void failedHandOverLeavesNoAttachment();
    void unwritableStoreNamesTheFileAndStartsNothing();
    void mailProgramStillRunningIsAcceptedAndLeftRunning();
    void defaultMailProgramComesFromTheXdgConfigAndFollowsItsChanges();

    // Detached launcher (tst_mail.cpp)
    void launchReportsTheExitStatus_data();
    void launchReportsTheExitStatus();
    void launchPassesArgumentsWithoutAShell();
    void launchedProgramInheritsNoDescriptors();
    void launchWaitKeepsTheEventLoopRunning();

    // Mail attachment store (tst_mailattachments.cpp)
    void attachmentFolderIsPrivateUnderTheCacheHome();
    void cacheHomeDefaultsToDotCache_data();
    void cacheHomeDefaultsToDotCache();
    void everyCommandGetsAFreshFolder();
    void pruneRemovesOnlyOldFoldersOfThisProgram();
    void pruneLeavesAFolderWithUnexpectedSubfolders();

private:
    // A private folder per test; environment variables changed by a test are
    // restored afterwards.
    QString Tmp(const QString& relative = {}) const;
    void SetEnv(const char* name, const QString& value);
    void UnsetEnv(const char* name);
    // PATH holds only the test's bin folder.
    void UsePrivateDesktop();
    // A fake program in the bin folder that records its arguments (one a
    // line) in calls/NAME.args and its pid in calls/NAME.pid, then runs tail.
    void WriteFakeProgram(const QString& name, const QByteArray& tail = "exit 0");
    QStringList RecordedArgs(const QString& name) const;
    bool Ran(const QString& name) const;

    // The XDG folders GIO reads, set before its first use: GIO reads the
    // variables once per process.
    QTemporaryDir xdg_;
    std::unique_ptr<QTemporaryDir> tmp_;
    QList<QPair<QByteArray, std::optional<QByteArray>>> savedEnv_;
    QList<long long> startedPids_;
};
