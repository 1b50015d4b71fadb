#include "tests/fuzz/FuzzEnvironment.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace FuzzEnvironment {

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

void ensureQtCore()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "velkora-fuzz";
    static char *argv[] = {name, nullptr};
    qInstallMessageHandler(dropMessage);
    // Lives until the process ends, as the fuzzer's own state does.
    new QCoreApplication(argc, argv);
}

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace FuzzEnvironment
