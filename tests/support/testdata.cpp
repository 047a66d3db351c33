#include "testdata.h"

#include <QDir>

namespace testing {
QString SharedTestData()
{
    const QByteArray env = qgetenv("YOTSUMADO_TESTDATA");
    return QDir::cleanPath(env.isEmpty() ? QStringLiteral(YOTSUMADO_SHARED_TESTDATA) : QString::fromLocal8Bit(env));
}
} // namespace testing
