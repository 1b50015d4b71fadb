#pragma once

#include <QWidget>

// Two concentric discs: purple when checked, grey when not.
class SoundEffectIcon : public QWidget
{
    Q_OBJECT
public:
    SoundEffectIcon(QWidget *parent, bool checked);
    ~SoundEffectIcon() override;

    bool isChecked() const { return m_checked; }
    void setChecked(bool checked);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_checked;
};
