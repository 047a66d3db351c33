#include "codectest.h"

#include "testdata.h"
#include "testmain.h"

#include <QDir>
#include <QTest>

void CodecTest::initTestCase()
{
    QVERIFY(temp_.isValid());
    QVERIFY2(QDir(testing::SharedTestData()).exists(QStringLiteral("bmpsuite/good")),
             qPrintable(QStringLiteral("test pictures missing in %1").arg(testing::SharedTestData())));
}

QString CodecTest::Data(const QString& relative) const
{
    return testing::SharedTestData() + QLatin1Char('/') + relative;
}

QString CodecTest::Temp(const QString& name) const
{
    return temp_.filePath(name);
}

YOTSUMADO_TEST_MAIN(CodecTest)
