#include "tests/support/testenv/ModalWatch.h"

#include <QDeadlineTimer>
#include <QTimer>

namespace ModalWatch {

std::shared_ptr<bool> whenModalWidget(std::function<bool(QWidget *)> matches, std::function<void(QWidget *)> action,
                                      int timeoutMs, QObject *owner)
{
    auto ran = std::make_shared<bool>(false);
    auto *poll = new QTimer(owner ? owner : qApp);
    poll->setInterval(5);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, ran, matches, action, deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && matches(modal)) {
            // Stopped first: the action may open a dialog of its own and run its loop.
            poll->stop();
            poll->deleteLater();
            *ran = true;
            action(modal);
            return;
        }
        if (deadline.hasExpired()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
    return ran;
}

} // namespace ModalWatch
