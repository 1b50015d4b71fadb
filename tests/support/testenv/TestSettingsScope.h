#pragma once

#include <QString>

// A settings store of its own for one test, without moving HOME: test-mode
// paths and a unique organisation name; the store's file is removed and the
// names are put back when the scope ends.
class TestSettingsScope
{
public:
    TestSettingsScope();
    ~TestSettingsScope();
    TestSettingsScope(const TestSettingsScope &) = delete;
    TestSettingsScope &operator=(const TestSettingsScope &) = delete;

private:
    QString m_previousOrganisation;
    QString m_previousApplication;
};
