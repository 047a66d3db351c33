#pragma once
// The external test corpus (BMP Suite, libjpeg-turbo's test images): an
// additional check beside the pictures the tests make themselves. It is found
// only through the folder named by YOTSUMADO_TESTDATA; when that is unset the
// corpus rows are skipped with a message saying so, and every other row runs.

#include <QFileInfo>
#include <QString>

namespace testing {

// The folder named by YOTSUMADO_TESTDATA, or empty when it is unset.
QString SharedTestData();

// The path of a corpus file, or empty when YOTSUMADO_TESTDATA is unset.
QString CorpusFile(const QString& relative);

// Why a corpus check did not run.
const char* CorpusUnsetMessage();

} // namespace testing

// Declares `var` as the path of a corpus file. Skips the current row with a
// clear message when YOTSUMADO_TESTDATA is unset; fails when it is set but
// the file is not there (a corpus that was asked for and is incomplete).
#define CORPUS_FILE(var, relative)                                                                 \
    const QString var = testing::CorpusFile(relative);                                             \
    if (var.isEmpty())                                                                             \
        QSKIP(testing::CorpusUnsetMessage());                                                      \
    QVERIFY2(QFileInfo(var).isFile(),                                                              \
             qPrintable(QStringLiteral("corpus file missing: %1 (YOTSUMADO_TESTDATA is %2)")      \
                            .arg(var, testing::SharedTestData())))
