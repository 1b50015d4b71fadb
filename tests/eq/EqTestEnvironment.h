#pragma once

#include <QString>
#include <QTemporaryDir>

// Isolates one test from the user's files: a temporary home folder, the
// test-mode standard paths below it and a settings store of its own.
class EqTestEnvironment
{
public:
    EqTestEnvironment();
    ~EqTestEnvironment();
    EqTestEnvironment(const EqTestEnvironment &) = delete;
    EqTestEnvironment &operator=(const EqTestEnvironment &) = delete;

    bool isValid() const { return m_home.isValid(); }
    QString homePath() const { return m_home.path(); }
    // The writable application data folder, created.
    QString appDataPath() const;
    static void clearSettings();

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
};
