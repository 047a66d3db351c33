#pragma once
// Tests of the real platform services that can run headless: the save
// dialog's configuration and preview (never shown), the default mail program
// lookup and hand-over (with fake mail programs in private XDG folders), the
// detached launcher, and the store of mail attachments.

#include "core/filename.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
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

    // Desktop entries and default applications (tst_xdgapplications.cpp)
    void execLineSplitsByTheQuotingRules_data();
    void execLineSplitsByTheQuotingRules();
    void desktopFileStringEscapesAreUndone();
    void defaultIsTakenFromTheMostImportantList_data();
    void defaultIsTakenFromTheMostImportantList();
    void defaultSkipsEntriesThatAreNotInstalled();
    void hiddenEntryHidesTheSystemOne();
    void entryWithMissingTryExecIsNotInstalled();
    void dashedIdFindsAFileInASubfolder();
    void withoutDefaultTheAssociatedProgramIsUsed();
    void removedAssociationIsNotUsed();

    // Mail programs and the hand-over (tst_mail.cpp)
    void mailProgramIsIdentifiedFromItsExecLine_data();
    void mailProgramIsIdentifiedFromItsExecLine();
    void thunderbirdValuesCannotBreakOutOfTheirQuotes();
    void bodyIsPassedWhenThereIsOne();
    void eachMailProgramGetsTheMessageItsOwnWay_data();
    void eachMailProgramGetsTheMessageItsOwnWay();
    void evolutionGetsAnEncodedMailtoUrl();
    void flatpakThunderbirdIsStartedThroughFlatpak();
    void mailFailsWhenTheProgramReportsAnError();
    void mailFailsWhenTheProgramIsKilled();
    void mailFailsWithoutADefaultProgram();
    void mailFailsWhenTheDefaultProgramIsMissing();
    void mailFailsWhenXdgEmailIsMissing();
    void mailFailsForProgramsThatDropAttachments();
    void mailFailsWhenTheAttachmentIsMissing();
    void mailProgramStillRunningIsAcceptedAndLeftRunning();
    void changedDefaultIsUsedAtTheNextSend();

    // Detached launcher (tst_mail.cpp)
    void launchReportsTheExitStatus_data();
    void launchReportsTheExitStatus();
    void launchPassesArgumentsWithoutAShell();
    void launchedProgramInheritsNoDescriptors();
    void launchOfAMissingProgramIsNotFound();
    void launchWaitKeepsTheEventLoopRunning();

    // Mail attachment store (tst_mailattachments.cpp)
    void attachmentFolderIsPrivateUnderTheCacheHome();
    void cacheHomeDefaultsToDotCache_data();
    void cacheHomeDefaultsToDotCache();
    void attachmentIsNamedByTheMinuteStamp();
    void everyCommandGetsAFreshFolder();
    void folderCannotBeMadeWhereTheCacheIsBlocked();
    void failedHandOverFolderIsRemoved();
    void removeFolderRefusesAnythingNotOurs();
    void pruneRemovesOnlyOldFoldersOfThisProgram();
    void pruneLeavesAFolderWithUnexpectedSubfolders();

private:
    // A private folder per test; environment variables changed by a test are
    // restored afterwards.
    QString Tmp(const QString& relative = {}) const;
    void SetEnv(const char* name, const QString& value);
    void UnsetEnv(const char* name);
    // A private XDG world: PATH holds only the test's bin folder.
    void UsePrivateDesktop();
    void WriteFile(const QString& path, const QByteArray& content);
    // A fake program in the bin folder that records its arguments (one a
    // line) in calls/NAME.args and its pid in calls/NAME.pid, then runs tail.
    void WriteFakeProgram(const QString& name, const QByteArray& tail = "exit 0");
    void WriteDesktopEntry(const QString& dir, const QString& id, const QString& exec,
                           const QByteArray& extra = {});
    void MakeDefaultMailer(const QString& id, const QString& exec);
    QStringList RecordedArgs(const QString& name) const;
    bool Ran(const QString& name) const;
    QString MakeAttachment();

    std::unique_ptr<QTemporaryDir> tmp_;
    QList<QPair<QByteArray, std::optional<QByteArray>>> savedEnv_;
    QList<long long> startedPids_;
};
