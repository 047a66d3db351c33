#include "testdata.h"

#include <QDir>

namespace testing {

QString SharedTestData()
{
    const QString env = qEnvironmentVariable("YOTSUMADO_TESTDATA");
    return env.isEmpty() ? QString() : QDir::cleanPath(env);
}

QString CorpusFile(const QString& relative)
{
    const QString folder = SharedTestData();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + relative;
}

const char* CorpusUnsetMessage()
{
    return "YOTSUMADO_TESTDATA is not set: this check of the external corpus (BMP Suite, libjpeg-turbo test "
           "images) did not run; the pictures the tests make themselves were checked";
}

} // namespace testing
