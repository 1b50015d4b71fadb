#pragma once

#include <QWidget>

class QLabel;
class SoundEffectIcon;

// A radio-like item (disc icon and label). It never changes its own state: the
// owner calls setChecked, which also keeps siblings exclusive.
class WindowRadioButtonStyleTwo : public QWidget
{
    Q_OBJECT
public:
    WindowRadioButtonStyleTwo(const QString &text, bool checked, QWidget *parent);
    ~WindowRadioButtonStyleTwo() override;

    void setButtonText(const QString &text);
    QString buttonText() const { return m_text; }
    void setChecked(bool checked);
    bool isChecked() const { return m_checked; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyLabelStyle();

    QString m_text;
    bool m_checked;
    SoundEffectIcon *m_icon = nullptr;
    QLabel *m_label = nullptr;
};
