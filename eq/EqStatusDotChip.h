#pragma once

#include <QColor>
#include <QWidget>

namespace FloatingPointEditorDetail {

// The band's colour as a small filled dot in the point editor's header.
class EqStatusDotChip : public QWidget
{
public:
    explicit EqStatusDotChip(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    // Repaints only when the colour changes.
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color{QStringLiteral("#EFE11B")};
};

} // namespace FloatingPointEditorDetail
