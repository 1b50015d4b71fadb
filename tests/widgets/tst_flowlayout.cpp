#include "widgets/QFlowLayout.h"
#include "widgets/StyledButton.h"
#include "widgets/StyledButtonGroup.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QTest>
#include <QVBoxLayout>

namespace {
QSpacerItem *box(int w, int h)
{
    return new QSpacerItem(w, h, QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QList<QRect> geometries(const QFlowLayout &layout)
{
    QList<QRect> result;
    for (int i = 0; i < layout.count(); ++i)
        result << layout.itemAt(i)->geometry();
    return result;
}
} // namespace

class TestFlowLayout : public QObject
{
    Q_OBJECT
private slots:
    void wrapping_data();
    void wrapping();
    void emptyLayoutHeightIsMargins();
    void heightForWidthMovesNothing();
    void negativeSpacingWithoutParent();
    void minimumSizeTakesLargestOfEach();
    void indexAccessOutOfRange();

    void duplicateIdentifierIsRefused();
    void selectionIsExclusiveAndSticky();
    void selectById();
    void clearSelectionAndClear();
    void layoutModes();
    void fontPixelSize();
};

void TestFlowLayout::wrapping_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<QRect>>("expected");
    QTest::addColumn<int>("height");
    QTest::newRow("101 px: two share a row") << 101 << QList<int>{40, 40, 40}
                                             << QList<QRect>{{0, 0, 40, 30}, {60, 0, 40, 30}, {0, 50, 40, 30}} << 80;
    QTest::newRow("100 px: the second wraps") << 100 << QList<int>{40, 40, 40}
                                              << QList<QRect>{{0, 0, 40, 30}, {0, 50, 40, 30}, {0, 100, 40, 30}}
                                              << 130;
    QTest::newRow("wider than the row stays first") << 100 << QList<int>{150, 40}
                                                    << QList<QRect>{{0, 0, 150, 30}, {0, 50, 40, 30}} << 80;
}

void TestFlowLayout::wrapping()
{
    QFETCH(int, width);
    QFETCH(QList<int>, widths);
    QFETCH(QList<QRect>, expected);
    QFETCH(int, height);
    QFlowLayout layout(nullptr, 20, 20);
    layout.setContentsMargins(0, 0, 0, 0);
    for (int w : widths)
        layout.addItem(box(w, 30));
    QCOMPARE(layout.heightForWidth(width), height);
    layout.setGeometry(QRect(0, 0, width, height));
    QCOMPARE(geometries(layout), expected);
}

void TestFlowLayout::emptyLayoutHeightIsMargins()
{
    QFlowLayout layout(nullptr, 20, 20);
    layout.setContentsMargins(3, 5, 7, 11);
    QCOMPARE(layout.heightForWidth(200), 16);
    QCOMPARE(layout.minimumSize(), QSize(10, 16));
}

void TestFlowLayout::heightForWidthMovesNothing()
{
    QFlowLayout layout(nullptr, 20, 20);
    layout.setContentsMargins(4, 6, 4, 6);
    layout.addItem(box(40, 30));
    layout.addItem(box(40, 30));
    layout.setGeometry(QRect(0, 0, 300, 100));
    const QList<QRect> placed = geometries(layout);
    QCOMPARE(placed.at(0), QRect(4, 6, 40, 30));
    QCOMPARE(placed.at(1), QRect(64, 6, 40, 30));
    QCOMPARE(layout.heightForWidth(50), 6 + 30 + 20 + 30 + 6);
    QCOMPARE(geometries(layout), placed);
}

void TestFlowLayout::negativeSpacingWithoutParent()
{
    QFlowLayout layout(nullptr, -1, -1);
    layout.setContentsMargins(0, 0, 0, 0);
    QCOMPARE(layout.horizontalSpacing(), -1);
    layout.addItem(box(40, 30));
    layout.addItem(box(40, 30));
    layout.setGeometry(QRect(0, 0, 300, 30));
    QCOMPARE(layout.itemAt(1)->geometry().x(), 39);
}

void TestFlowLayout::minimumSizeTakesLargestOfEach()
{
    QFlowLayout layout(nullptr, 20, 20);
    layout.setContentsMargins(1, 2, 3, 4);
    layout.addItem(box(50, 10));
    layout.addItem(box(20, 40));
    QCOMPARE(layout.minimumSize(), QSize(54, 46));
    QCOMPARE(layout.sizeHint(), layout.minimumSize());
    QVERIFY(layout.hasHeightForWidth());
    QCOMPARE(layout.expandingDirections(), Qt::Orientations());
}

void TestFlowLayout::indexAccessOutOfRange()
{
    QFlowLayout layout(nullptr, 20, 20);
    layout.addItem(box(10, 10));
    QVERIFY(!layout.itemAt(-1));
    QVERIFY(!layout.itemAt(1));
    QVERIFY(!layout.takeAt(1));
    QLayoutItem *item = layout.takeAt(0);
    QVERIFY(item);
    delete item;
    QCOMPARE(layout.count(), 0);
}

void TestFlowLayout::duplicateIdentifierIsRefused()
{
    StyledButtonGroup group;
    QSignalSpy count(&group, &StyledButtonGroup::buttonCountChanged);
    QVERIFY(group.addTextButton("A", "a"));
    QTest::ignoreMessage(QtWarningMsg, "VarevButtonWidget::addButton: Duplicate ID ignored: \"a\"");
    QVERIFY(!group.addTextButton("A again", "a"));
    QCOMPARE(count.count(), 1);
    QCOMPARE(group.buttons().size(), 1);
    QCOMPARE(group.buttonById("a")->text(), QStringLiteral("A"));

    auto *own = new StyledButton(nullptr);
    QTest::ignoreMessage(QtWarningMsg, "VarevButtonWidget::addButton: Duplicate ID ignored: \"a\"");
    QVERIFY(!group.addButton(own, "a"));
    QCOMPARE(own->parent(), nullptr);
    delete own;

    QVERIFY(group.addTextButton("no id", ""));
    QVERIFY(group.addTextButton("no id either", ""));
    QCOMPARE(group.buttons().size(), 3);
    QVERIFY(!group.addButton(nullptr, "x"));
}

void TestFlowLayout::selectionIsExclusiveAndSticky()
{
    StyledButtonGroup group;
    group.addTextButton("A", "a");
    group.addTextButton("B", "b");
    StyledButton *a = group.buttonById("a");
    StyledButton *b = group.buttonById("b");
    QStringList events;
    connect(&group, &StyledButtonGroup::selectedChanged, this, [&](int i) { events << QString("sel %1").arg(i); });
    connect(&group, &StyledButtonGroup::selectedChangedById, this, [&](const QString &id) { events << "selId " + id; });
    connect(&group, &StyledButtonGroup::buttonClicked, this, [&](int i) { events << QString("click %1").arg(i); });
    connect(&group, &StyledButtonGroup::buttonClickedById, this, [&](const QString &id) { events << "clickId " + id; });

    a->click();
    QCOMPARE(events, (QStringList{"sel 0", "selId a", "click 0", "clickId a"}));
    events.clear();
    b->click();
    QVERIFY(!a->isChecked());
    QVERIFY(b->isChecked());
    QCOMPARE(events, (QStringList{"sel 1", "selId b", "click 1", "clickId b"}));
    events.clear();

    // Clicking the selected button keeps it selected and reports it again.
    b->click();
    QVERIFY(b->isChecked());
    QCOMPARE(group.currentButton(), b);
    QCOMPARE(events, (QStringList{"sel 1", "selId b", "click 1", "clickId b"}));
}

void TestFlowLayout::selectById()
{
    StyledButtonGroup group;
    group.addTextButton("A", "a");
    QSignalSpy selected(&group, &StyledButtonGroup::selectedChangedById);
    group.setSelectedById("missing");
    QCOMPARE(selected.count(), 0);
    QVERIFY(!group.currentButton());
    group.setSelectedById("a");
    QCOMPARE(selected.count(), 1);
    QVERIFY(group.buttonById("a")->isChecked());
}

void TestFlowLayout::clearSelectionAndClear()
{
    StyledButtonGroup group;
    QSignalSpy cleared(&group, &StyledButtonGroup::selectionCleared);
    QSignalSpy count(&group, &StyledButtonGroup::buttonCountChanged);
    QSignalSpy selected(&group, &StyledButtonGroup::selectedChanged);
    group.clearSelection();
    QCOMPARE(cleared.count(), 0);

    group.addTextButton("A", "a");
    QPointer<StyledButton> a = group.buttonById("a");
    group.setSelectedById("a");
    const int selections = selected.count();
    group.clearSelection();
    QCOMPARE(cleared.count(), 1);
    QVERIFY(!a->isChecked());
    QVERIFY(!group.currentButton());
    QCOMPARE(selected.count(), selections);

    group.setSelectedById("a");
    count.clear();
    group.clear();
    QCOMPARE(cleared.count(), 2);
    QVERIFY(a.isNull());
    QVERIFY(!group.buttonById("a"));
    QCOMPARE(count.count(), 1);
    QCOMPARE(count.at(0).at(0).toInt(), 0);

    group.clear();
    QCOMPARE(count.count(), 2);
    QCOMPARE(cleared.count(), 2);
}

void TestFlowLayout::layoutModes()
{
    StyledButtonGroup group;
    group.addTextButton("A", "a");
    group.addTextButton("B", "b");
    group.setSelectedById("b");
    QLayout *flow = group.container()->layout();
    QVERIFY(qobject_cast<QFlowLayout *>(flow));
    group.setLayoutMode(StyledButtonGroup::Flow);
    QCOMPARE(group.container()->layout(), flow);

    group.setLayoutMode(StyledButtonGroup::Vertical);
    auto *column = qobject_cast<QVBoxLayout *>(group.container()->layout());
    QVERIFY(column);
    QCOMPARE(column->count(), 2);
    QCOMPARE(column->spacing(), 20);
    group.setSpacing(7);
    QCOMPARE(column->spacing(), 7);
    QVERIFY(group.buttonById("b")->isChecked());

    group.setLayoutMode(StyledButtonGroup::Horizontal);
    auto *row = qobject_cast<QHBoxLayout *>(group.container()->layout());
    QVERIFY(row);
    QCOMPARE(row->spacing(), 7);
    QCOMPARE(row->itemAt(0)->widget(), group.buttonById("a"));
}

void TestFlowLayout::fontPixelSize()
{
    StyledButtonGroup group;
    group.addTextButton("A", "a");
    StyledButton *a = group.buttonById("a");
    const double before = a->font().pointSizeF();
    group.setFontPixelSize(0);
    QCOMPARE(a->font().pointSizeF(), before);

    group.setFontPixelSize(12);
    const double dpi = a->logicalDpiY() > 0 ? a->logicalDpiY() : 96.0;
    QCOMPARE(a->font().pointSizeF(), 12 * 72.0 / dpi);
    if (qFuzzyCompare(dpi, 96.0))
        QCOMPARE(a->font().pointSizeF(), 9.0);

    group.addTextButton("B", "b");
    QCOMPARE(group.buttonById("b")->font().pointSizeF(), a->font().pointSizeF());
}

QTEST_MAIN(TestFlowLayout)
#include "tst_flowlayout.moc"
