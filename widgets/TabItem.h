#pragma once

#include <QWidget>

class QFrame;
class QLabel;

// A text tab with a short underline that marks it while selected.
class TabItem : public QWidget
{
    Q_OBJECT
public:
    TabItem(const QString &text, QWidget *parent);
    ~TabItem() override;

    void setText(const QString &text);
    QString text() const;
    void setHovered(bool hovered);
    bool isSelected() const { return m_selected; }
    bool isHovered() const { return m_hovered; }

    static QString titleStyleSheet(const QString &colour);

public slots:
    void setSelected(bool selected);

signals:
    void clicked();
    void toggled(bool selected);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyLook();

    QLabel *m_title = nullptr;
    QFrame *m_underline = nullptr;
    bool m_selected = false;
    bool m_hovered = true;
};
