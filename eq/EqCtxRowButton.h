#pragma once

#include <QPushButton>

// One row of the curve editor's point context panel ("Reset" or "Delete"):
// a flat text button with a soft hover plate.
class EqCtxRowButton : public QPushButton
{
public:
    enum class Kind { Reset = 0, Delete = 1 };

    EqCtxRowButton(const QString &text, Kind kind, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    bool isHovered() const { return m_hovered; }
    void refreshPalette();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Kind m_kind;
    bool m_hovered = false;
};
