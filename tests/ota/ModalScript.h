#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

// Plays the user in front of a modal dialog that a synchronous call (or a
// queued one) runs in its own event loop, where a test cannot step in
// itself. Each step waits for its condition, looked at on every pass of the
// event loop, then acts. An observer sees the dialog on every look. A step
// that does not come within the bound is recorded and the dialog is forced
// shut, so that the call under test returns and the test can fail.
class ModalScript : public QObject
{
    Q_OBJECT
public:
    using Find = std::function<QDialog *()>;
    using Ready = std::function<bool(QDialog *)>;
    using Act = std::function<void(QDialog *)>;

    explicit ModalScript(Find find, int boundMs = 30000);

    ModalScript &then(const QString &name, Ready ready, Act act);
    void observe(Act observer) { m_observer = std::move(observer); }
    // Starts looking; call before the call that runs the dialog.
    void start();

    bool done() const { return m_next == m_steps.size(); }
    QString failure() const { return m_failure; }
    // Steps whose act ran, in order.
    QStringList ran() const { return m_ran; }

    // The visible top-level window of type T, or null.
    template <class T>
    static T *visible()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
                return t;
        }
        return nullptr;
    }

private:
    struct Step
    {
        QString name;
        Ready ready;
        Act act;
    };

    void look();

    Find m_find;
    int m_boundMs;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    Act m_observer;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QString m_failure;
    QStringList m_ran;
    bool m_acting = false;
};
