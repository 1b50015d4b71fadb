#pragma once

#include "tests/support/testenv/TestHome.h"

// The EQ tests' private home: a settings store of their own organisation,
// emptied before and after each test.
class EqTestEnvironment : public TestHome
{
public:
    EqTestEnvironment() : TestHome(QStringLiteral("VelkoraEqTest"), Settings::Clear) {}
};
