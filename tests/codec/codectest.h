#pragma once
// Tests of the picture codecs: names, loading, JPEG decoding and writing, and
// replacing files safely. One executable; the slots live in the tst_*.cpp files.

#include <QObject>
#include <QTemporaryDir>

class CodecTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    // tst_pictureformat.cpp
    void extensionIsFromLastDotAfterLastSlash_data();
    void extensionIsFromLastDotAfterLastSlash();
    void acceptedExtensionsIgnoreCase_data();
    void acceptedExtensionsIgnoreCase();
    void firstBytesNameTheKind_data();
    void firstBytesNameTheKind();
    void pictureSizeBoundNeverOverflows_data();
    void pictureSizeBoundNeverOverflows();

    // tst_pictureloader.cpp
    void goodBitmapsMatchReferenceDecoder_data();
    void goodBitmapsMatchReferenceDecoder();
    void questionableBitmapsDisplayOrRefuse_data();
    void questionableBitmapsDisplayOrRefuse();
    void os2BitmapsShowLikeTheirWindowsTwin_data();
    void os2BitmapsShowLikeTheirWindowsTwin();
    void libjpegTurboPicturesLoad_data();
    void libjpegTurboPicturesLoad();
    void twelveBitJpegGivesLibraryErrorCode_data();
    void twelveBitJpegGivesLibraryErrorCode();
    void hostileBitmapsAreRefused_data();
    void hostileBitmapsAreRefused();
    void largeBitmapOverQtsDefaultLimitLoads();
    void hugeJpegHeaderIsRefusedBeforeDecoding();
    void emptyAndGarbageJpegsGiveLibraryCodes_data();
    void emptyAndGarbageJpegsGiveLibraryCodes();
    void jpegCutInDataShowsWhatArrived();
    void contentsDecideTheKindAndNamesTheError_data();
    void contentsDecideTheKindAndNamesTheError();
    void newerKindsTurnAndComposeAsAsked_data();
    void newerKindsTurnAndComposeAsAsked();
    void unopenableFilesGiveOpenErrorWithFullPath();
    void folderNamedLikePictureGivesOpenError();
    void fifoNamedLikePictureGivesOpenErrorWithoutBlocking();
    void longJapanesePathLoadsIntact();
    void nameWithoutPictureExtensionIsRefused();

    // tst_bmpvariants.cpp
    void madeBitmapsShowTheirPixels_data();
    void madeBitmapsShowTheirPixels();
    void madeBitmapsTheLoaderRefuses_data();
    void madeBitmapsTheLoaderRefuses();

    // tst_loadregressions.cpp
    void damagedFormatModuleSaysTheKindIsNotInstalled_data();
    void damagedFormatModuleSaysTheKindIsNotInstalled();
    void runLengthBitmapEndingEarlyIsColourZeroWithinMemory_data();
    void runLengthBitmapEndingEarlyIsColourZeroWithinMemory();
    // tst_jpegdecoder.cpp
    void jpegDecodeEqualsDjpeg_data();
    void jpegDecodeEqualsDjpeg();
    void cmykAndYcckShowTheirColours_data();
    void cmykAndYcckShowTheirColours();
    void progressiveScanLimit_data();
    void progressiveScanLimit();
    void reducedProgressiveDecodeEqualsFullOne_data();
    void reducedProgressiveDecodeEqualsFullOne();

    // tst_jpegencoder.cpp
    void encodedPictureIsBaselineJfif();
    void encodedBytesEqualCjpeg_data();
    void encodedBytesEqualCjpeg();
    void encoderTakesAnyImageFormatAsItsRgb();
    void encodingAnEmptyPictureGivesJpegError();
    void saveJpegEncoderErrorLeavesOldFileUntouched();

    // tst_atomicfile.cpp
    void writeReplacesFileAndKeepsItsMode();
    void newFileGetsModeFromUmask();
    void writeThroughSymlinkReplacesLinkedFile();
    void unwritableFolderGivesCreateErrorAndKeepsOldFile();
    void pathOfFolderGivesCreateError();
    void missingFolderOrBadNameGivesCreateError_data();
    void missingFolderOrBadNameGivesCreateError();
    void failingWriteKeepsOldFileAndLeavesNoTemporary();

private:
    QString Temp(const QString& name) const;      // a path in this run's temporary folder
    QTemporaryDir temp_;
};

#include "core/error.h"

#include <QString>
#include <exception>

using namespace yotsumado;

// Runs `action` and returns the message of the E it throws; anything else it
// does (no error, another error) comes back as a description that no
// expected message equals.
template <typename E, typename F>
QString ErrorOf(F&& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.Message();
    } catch (const Exception& e) {
        return QStringLiteral("<another error: %1>").arg(e.Message());
    } catch (const std::exception& e) {
        return QStringLiteral("<std::exception: %1>").arg(QString::fromLocal8Bit(e.what()));
    }
    return QStringLiteral("<no error>");
}

// The text of the library's error for a message code, as the error box shows it.
// (Not JpegError: that name is the codec's own, and two functions of one
// name and parameter list are one symbol to the linker.)
inline QString JpegErrorText(int code)
{
    return QStringLiteral("JPEG エラー #%1").arg(code);
}

inline const QString kInvalidBitmap = QStringLiteral("ビットマップイメージが不正です");
