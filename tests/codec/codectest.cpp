#include "codectest.h"

#include "support/testdata.h"
#include "support/testmain.h"

#include <QDir>
#include <QTest>

void CodecTest::initTestCase()
{
    QVERIFY(temp_.isValid());
    if (testing::SharedTestData().isEmpty())
        qInfo("%s", testing::CorpusUnsetMessage());
}

QString CodecTest::Temp(const QString& name) const
{
    return temp_.filePath(name);
}

YOTSUMADO_TEST_MAIN(CodecTest)
