// Fixture of the unseen-thread check: two calls it must name, and mentions it must pass.
#include <QThread>
#include <future>

// QThread::create(work) in a comment is only a mention.
void startBoth()
{
    QThread *worker = QThread::create([] {});
    auto done = std::async(std::launch::async, [] {});
}
