#include "tests/ota/ModalScript.h"

ModalScript::ModalScript(Find find, int boundMs) : m_find(std::move(find)), m_boundMs(boundMs)
{
    m_timer.setInterval(2);
    connect(&m_timer, &QTimer::timeout, this, &ModalScript::look);
}

ModalScript &ModalScript::then(const QString &name, Ready ready, Act act)
{
    m_steps.push_back({name, std::move(ready), std::move(act)});
    return *this;
}

void ModalScript::start()
{
    m_clock.start();
    m_timer.start();
}

void ModalScript::look()
{
    // An act may run an event loop of its own (a click that starts work).
    if (m_acting)
        return;
    QDialog *dialog = m_find();
    if (dialog && m_observer)
        m_observer(dialog);
    if (done()) {
        m_timer.stop();
        return;
    }
    if (m_clock.elapsed() > m_boundMs) {
        m_failure = QStringLiteral("step \"%1\" did not come within %2 ms").arg(m_steps[m_next].name).arg(m_boundMs);
        m_timer.stop();
        if (dialog)
            dialog->done(QDialog::Rejected);
        return;
    }
    if (!dialog || !m_steps[m_next].ready(dialog))
        return;
    const Step &step = m_steps[m_next++];
    m_ran.append(step.name);
    m_acting = true;
    step.act(dialog);
    m_acting = false;
}
