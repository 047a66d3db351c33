#pragma once
#include <QString>

namespace testing {
// The folder of real test pictures from outside the project (../shared/testdata).
QString SharedTestData();
} // namespace testing
