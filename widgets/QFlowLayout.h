#pragma once

#include <QLayout>
#include <QList>
#include <QStyle>

// Places items left to right and wraps them onto further rows; its height
// depends on the width it is given.
class QFlowLayout : public QLayout
{
    Q_OBJECT
public:
    explicit QFlowLayout(QWidget *parent = nullptr, int hSpacing = -1, int vSpacing = -1);
    ~QFlowLayout() override;

    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect &rect) override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

    int horizontalSpacing() const;
    int verticalSpacing() const;
    void setSpacings(int hSpacing, int vSpacing);

private:
    int doLayout(const QRect &rect, bool testOnly) const;
    int smartSpacing(QStyle::PixelMetric metric) const;

    QList<QLayoutItem *> m_items;
    int m_hSpacing;
    int m_vSpacing;
};
