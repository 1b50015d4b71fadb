#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A password field of the login window: the edit fills the 48 px high
// wrapper, the eye button sits 20 px from its right edge.
class LoginPasswordFieldWrap : public QWidget
{
    Q_OBJECT
public:
    explicit LoginPasswordFieldWrap(QWidget *parent = nullptr);
    ~LoginPasswordFieldWrap() override;

    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *eyeButton() const { return m_eye; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLineEdit *m_edit;
    QToolButton *m_eye;
};
