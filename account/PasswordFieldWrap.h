#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A 320 x 50 password field of the change-password dialog with its eye button
// 14 px from the right edge.
class PasswordFieldWrap : public QWidget
{
    Q_OBJECT
public:
    PasswordFieldWrap(const QString &placeholder, QWidget *parent);
    ~PasswordFieldWrap() override;

    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *eyeButton() const { return m_eye; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLineEdit *m_edit;
    QToolButton *m_eye;
};
