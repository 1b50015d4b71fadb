#pragma once

#include <QWidget>

// One of the three entries under the EQ entry: official presets, cloud
// sharing, custom. "Marked" lights its dot; "selected" colours its text.
class EQSubMenuItem : public QWidget
{
    Q_OBJECT
public:
    EQSubMenuItem(const QString &text, bool selected, bool marked, QWidget *parent = nullptr);
    ~EQSubMenuItem() override;

    QString text() const { return m_text; }
    void setText(const QString &text);
    bool isSelected() const { return m_selected; }
    bool isMarked() const { return m_marked; }
    // Both repaint only on a change.
    void setSelected(bool selected);
    void setMarked(bool marked);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    bool m_selected;
    bool m_marked;
};
