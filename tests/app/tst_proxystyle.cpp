#include "app/AppStartup.h"
#include "widgets/RoundedMask.h"
#include "widgets/StyledButton.h"
#include "widgets/VelkoraProxyStyle.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTest>
#include <QToolButton>

#include <memory>

class TestProxyStyle : public QObject
{
    Q_OBJECT
private slots:
    void focusFrame_data();
    void focusFrame();
    void otherPrimitivesOfButtonsArePainted();
    void baseStyleChoice_data();
    void baseStyleChoice();
    void roundedMask_data();
    void roundedMask();
    void maskFollowsNewSize();
};

namespace {
// Whether drawing `element` for `widget` puts any pixel on a clear image.
bool paintsSomething(QStyle &style, QStyle::PrimitiveElement element, QStyleOption &option, const QWidget *widget)
{
    QImage image(60, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    option.rect = QRect(2, 2, 56, 26);
    option.state = QStyle::State_Enabled | QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    option.palette = QPalette(Qt::black, Qt::white);
    {
        QPainter painter(&image);
        style.drawPrimitive(element, &option, &painter, widget);
    }
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}
} // namespace

void TestProxyStyle::focusFrame_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("painted");
    QTest::newRow("push button") << "push" << false;
    QTest::newRow("kit button") << "styled" << false;
    QTest::newRow("tool button") << "tool" << false;
    QTest::newRow("check box") << "check" << true;
    QTest::newRow("radio button") << "radio" << true;
    QTest::newRow("line edit") << "edit" << true;
    QTest::newRow("item view") << "view" << true;
    QTest::newRow("no widget") << "none" << true;
}

void TestProxyStyle::focusFrame()
{
    QFETCH(QString, kind);
    QFETCH(bool, painted);
    std::unique_ptr<QWidget> widget;
    if (kind == "push")
        widget = std::make_unique<QPushButton>();
    else if (kind == "styled")
        widget = std::make_unique<StyledButton>(nullptr);
    else if (kind == "tool")
        widget = std::make_unique<QToolButton>();
    else if (kind == "check")
        widget = std::make_unique<QCheckBox>();
    else if (kind == "radio")
        widget = std::make_unique<QRadioButton>();
    else if (kind == "edit")
        widget = std::make_unique<QLineEdit>();
    else if (kind == "view")
        widget = std::make_unique<QListView>();

    VelkoraProxyStyle style(QStringLiteral("fusion"));
    QStyleOptionFocusRect option;
    QCOMPARE(paintsSomething(style, QStyle::PE_FrameFocusRect, option, widget.get()), painted);
}

void TestProxyStyle::otherPrimitivesOfButtonsArePainted()
{
    VelkoraProxyStyle style(QStringLiteral("fusion"));
    QPushButton button;
    QStyleOptionButton option;
    QVERIFY(paintsSomething(style, QStyle::PE_PanelButtonCommand, option, &button));
    QStyleOptionButton bevel;
    QVERIFY(paintsSomething(style, QStyle::PE_PanelButtonBevel, bevel, &button));
}

void TestProxyStyle::baseStyleChoice_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("chosen");
    const QStringList keys{"Windows", "Fusion"};
    QTest::newRow("known exactly") << "Windows" << keys << "Windows";
    QTest::newRow("differs in case only") << "windows" << keys << "fusion";
    QTest::newRow("unknown") << "gtk3" << keys << "fusion";
    QTest::newRow("empty name") << "" << keys << "fusion";
    QTest::newRow("no keys") << "Fusion" << QStringList{} << "fusion";
}

void TestProxyStyle::baseStyleChoice()
{
    QFETCH(QString, current);
    QFETCH(QStringList, keys);
    QFETCH(QString, chosen);
    QCOMPARE(AppStartup::chooseBaseStyleKey(current, keys), chosen);
}

void TestProxyStyle::roundedMask_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    QTest::newRow("dialog") << QSize(384, 475) << QPoint(192, 0) << QPoint(0, 0);
    QTest::newRow("corner cut") << QSize(100, 60) << QPoint(6, 6) << QPoint(1, 1);
    QTest::newRow("far corner") << QSize(100, 60) << QPoint(92, 52) << QPoint(99, 59);
    // Narrower than twice the radius: the rounding shrinks to fit, a pill.
    QTest::newRow("pill") << QSize(40, 8) << QPoint(20, 4) << QPoint(0, 0);
}

void TestProxyStyle::roundedMask()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    QWidget widget;
    widget.resize(size);
    applyRoundedMask(&widget);
    const QRegion mask = widget.mask();
    QVERIFY(mask.contains(inside));
    QVERIFY(!mask.contains(outside));
    QVERIFY(QRect(QPoint(0, 0), size).contains(mask.boundingRect()));
}

void TestProxyStyle::maskFollowsNewSize()
{
    QWidget widget;
    widget.resize(100, 60);
    applyRoundedMask(&widget);
    widget.resize(300, 200);
    QVERIFY(!widget.mask().contains(QPoint(250, 150)));
    applyRoundedMask(&widget);
    QVERIFY(widget.mask().contains(QPoint(250, 150)));
    QVERIFY(!widget.mask().contains(QPoint(299, 199)));
}

QTEST_MAIN(TestProxyStyle)
#include "tst_proxystyle.moc"
