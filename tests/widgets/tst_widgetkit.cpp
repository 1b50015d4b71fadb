#include "language/AppLanguageManager.h"
#include "widgets/BatteryIndicator.h"
#include "widgets/ClickableLabel.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/CustomRadioButtons.h"
#include "widgets/CustomSlider.h"
#include "widgets/CustomizeWindowIconButton.h"
#include "widgets/GradientButton.h"
#include "widgets/SearchWidget.h"
#include "widgets/StyledButton.h"
#include "widgets/TabItem.h"
#include "widgets/WindowRadioButtonStyleTwo.h"
#include "widgets/WindowSlidingControl.h"
#include "widgets/WindowSwitchButton.h"
#include "tests/app/TestEnvironment.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
void sendEnter(QWidget *widget)
{
    QEnterEvent event(QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)), widget->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(widget, &event);
}

void sendLeave(QWidget *widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

bool isGrey(const QColor &c)
{
    return c.alpha() > 0 && qAbs(c.red() - c.green()) < 12 && qAbs(c.green() - c.blue()) < 12;
}
} // namespace

class TestWidgetKit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void windowButtonColours_data();
    void windowButtonColours();
    void leavingWhilePressedClearsBoth();
    void restoreGlyphHidesBackSquareBehindFront();
    void badgeIsPainted();
    void radioButtonTakesLeftClicksOnly();
    void radioButtonSizeHint();
    void clickableLabelClicksOnReleaseInside();
    void nonClickableLabelStillHovers();
    void clickableLabelFiresOnPress();
    void tabItemToggles();
    void tabItemUnderlineFollowsHover();
    void iconCardOpacity();
    void setOpacityClampsAndNotifiesOnce_data();
    void setOpacityClampsAndNotifiesOnce();
    void hidingHoveredButtonClearsHover();
    void searchEmitsOncePerAction();
    void searchRetranslates();
    void gradientButtonSelection();
    void radioItemLeavesStateToOwner();
    void switchButton();
    void switchDoubleClickAnimatesBack();
    void sliderJumpsToPointer_data();
    void sliderJumpsToPointer();
    void slidingControlReportsEveryChange();
    void batteryColours_data();
    void batteryColours();

private:
    TestEnvironment m_env;
};

void TestWidgetKit::initTestCase()
{
    // Far away from every widget of the test, so "is the pointer inside" reads false.
    QCursor::setPos(5000, 5000);
}

void TestWidgetKit::windowButtonColours_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QColor>("active");
    QTest::newRow("close") << int(CustomizeWindowIconButton::Close) << QColor(0xE8, 0x50, 0x50);
    QTest::newRow("setting") << int(CustomizeWindowIconButton::Setting) << QColor(0x00, 0xCE, 0xD1);
    QTest::newRow("minimize") << int(CustomizeWindowIconButton::Minimize) << QColor(0x00, 0xCE, 0xD1);
    QTest::newRow("maximize") << int(CustomizeWindowIconButton::Maximize) << QColor(0x00, 0xCE, 0xD1);
}

void TestWidgetKit::windowButtonColours()
{
    QFETCH(int, type);
    QFETCH(QColor, active);
    CustomizeWindowIconButton button(static_cast<CustomizeWindowIconButton::ButtonType>(type), nullptr, false);
    QCOMPARE(button.size(), QSize(24, 24));
    QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    QCOMPARE(button.glyphColor(), QColor(0x99, 0x99, 0x99));
    sendEnter(&button);
    QCOMPARE(button.glyphColor(), active);
    sendLeave(&button);
    QCOMPARE(button.glyphColor(), QColor(0x99, 0x99, 0x99));
}

void TestWidgetKit::leavingWhilePressedClearsBoth()
{
    CustomizeWindowIconButton button(CustomizeWindowIconButton::Close, nullptr, false);
    QSignalSpy clicked(&button, &QPushButton::clicked);
    sendEnter(&button);
    sendMouse(&button, QEvent::MouseButtonPress, QPoint(12, 12), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(button.isPressedLook());
    sendLeave(&button);
    QVERIFY(!button.isHovered());
    QVERIFY(!button.isPressedLook());
    QCOMPARE(button.glyphColor(), QColor(0x99, 0x99, 0x99));

    // A full click still reaches the push button's own handling.
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(12, 12), Qt::LeftButton, Qt::NoButton);
    sendMouse(&button, QEvent::MouseButtonPress, QPoint(12, 12), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(12, 12), Qt::LeftButton, Qt::NoButton);
    QVERIFY(clicked.count() >= 1);
}

void TestWidgetKit::restoreGlyphHidesBackSquareBehindFront()
{
    CustomizeWindowIconButton button(CustomizeWindowIconButton::Maximize, nullptr, false);
    button.setMaximizedState(true);
    const QImage restored = button.grab().toImage();
    // The back square's left edge (x 7) runs inside the front square from y 7 down: hidden there.
    QCOMPARE(restored.pixelColor(7, 14).alpha(), 0);
    // Its visible top edge and the front square's outline are drawn.
    QVERIFY(isGrey(restored.pixelColor(14, 4)));
    QVERIFY(isGrey(restored.pixelColor(4, 14)));

    button.setMaximizedState(false);
    const QImage normal = button.grab().toImage();
    QVERIFY(isGrey(normal.pixelColor(4, 12)));
    QCOMPARE(normal.pixelColor(7, 14).alpha(), 0);
}

void TestWidgetKit::badgeIsPainted()
{
    CustomizeWindowIconButton button(CustomizeWindowIconButton::Setting, nullptr, false);
    QCOMPARE(button.grab().toImage().pixelColor(22, 2).red() > 200, false);
    button.setBadgeVisible(true);
    button.setBadgeVisible(true);
    QVERIFY(button.isBadgeVisible());
    const QColor badge = button.grab().toImage().pixelColor(22, 2);
    QVERIFY(badge.red() > 200 && badge.green() < 80);
}

void TestWidgetKit::radioButtonTakesLeftClicksOnly()
{
    CustomRadioButtons radio(QStringLiteral("开机自启动"), nullptr);
    radio.setAutoExclusive(false);
    radio.resize(radio.sizeHint());
    QSignalSpy toggled(&radio, &QAbstractButton::toggled);
    QTest::mouseClick(&radio, Qt::RightButton, {}, QPoint(5, 8));
    QVERIFY(!radio.isChecked());
    QCOMPARE(radio.font().weight(), QFont::Medium);

    QTest::mouseClick(&radio, Qt::LeftButton, {}, QPoint(5, 8));
    QVERIFY(radio.isChecked());
    QCOMPARE(radio.font().weight(), QFont::Black);
    QCOMPARE(radio.font().pixelSize(), 11);

    radio.setCheckedState(true);
    QCOMPARE(toggled.count(), 1);
    radio.setCheckedState(false);
    QCOMPARE(toggled.count(), 2);
    QCOMPARE(radio.font().weight(), QFont::Medium);
}

void TestWidgetKit::radioButtonSizeHint()
{
    CustomRadioButtons empty(QString(), nullptr);
    QCOMPARE(empty.sizeHint(), QSize(16, 16));
    CustomRadioButtons text(QStringLiteral("Exit the Program"), nullptr);
    const int advance = qCeil(QFontMetricsF(text.font()).horizontalAdvance(text.text()) + 19.333333);
    QCOMPARE(text.sizeHint(), QSize(advance, 16));
}

void TestWidgetKit::clickableLabelClicksOnReleaseInside()
{
    CustomClickableLabel label(nullptr, true);
    label.resize(80, 20);
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy clicked(&label, &CustomClickableLabel::clicked);

    sendMouse(&label, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(120, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);

    sendMouse(&label, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(79, 19), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);

    // A release without a press of its own does nothing.
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);

    // Leaving forgets the press.
    sendMouse(&label, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    sendLeave(&label);
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);

    label.setEnabled(false);
    sendMouse(&label, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);
}

void TestWidgetKit::nonClickableLabelStillHovers()
{
    CustomClickableLabel label(nullptr, true);
    label.setClickable(false);
    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
    label.resize(80, 20);
    QSignalSpy clicked(&label, &CustomClickableLabel::clicked);
    QSignalSpy hovered(&label, &CustomClickableLabel::hovered);
    sendEnter(&label);
    sendLeave(&label);
    QCOMPARE(hovered.count(), 2);
    QCOMPARE(hovered.at(0).at(0).toBool(), true);
    QCOMPARE(hovered.at(1).at(0).toBool(), false);
    sendMouse(&label, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&label, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
}

void TestWidgetKit::clickableLabelFiresOnPress()
{
    ClickableLabel label;
    QSignalSpy clicked(&label, &ClickableLabel::clicked);
    sendMouse(&label, QEvent::MouseButtonPress, QPoint(1, 1), Qt::RightButton, Qt::RightButton);
    QCOMPARE(clicked.count(), 0);
    sendMouse(&label, QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestWidgetKit::tabItemToggles()
{
    TabItem tab(QStringLiteral("官方"), nullptr);
    QCOMPARE(tab.height(), 31);
    QStringList events;
    connect(&tab, &TabItem::clicked, this, [&] { events << "clicked"; });
    connect(&tab, &TabItem::toggled, this, [&](bool on) { events << (on ? "on" : "off"); });

    sendMouse(&tab, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(events, (QStringList{"clicked", "on"}));
    sendMouse(&tab, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(events, (QStringList{"clicked", "on", "clicked", "off"}));
    tab.setSelected(false);
    QCOMPARE(events.size(), 4);
    sendMouse(&tab, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
    QCOMPARE(events.size(), 4);
}

void TestWidgetKit::tabItemUnderlineFollowsHover()
{
    TabItem tab(QStringLiteral("官方"), nullptr);
    auto *title = tab.findChild<QLabel *>();
    QFrame *underline = nullptr;
    for (QFrame *frame : tab.findChildren<QFrame *>()) {
        if (!qobject_cast<QLabel *>(frame))
            underline = frame;
    }
    QVERIFY(title && underline);
    tab.setSelected(true);
    QVERIFY(title->styleSheet().contains("#E4E4E4"));
    QVERIFY(underline->styleSheet().contains("#E4E4E4"));
    tab.setHovered(false);
    QVERIFY(underline->styleSheet().contains("transparent"));
    QVERIFY(title->styleSheet().contains("#E4E4E4"));
    tab.setText(QStringLiteral("云端"));
    QCOMPARE(underline->width(), 40);
    tab.setSelected(false);
    QVERIFY(title->styleSheet().contains("#999999"));
}

void TestWidgetKit::iconCardOpacity()
{
    QWidget host;
    host.move(100, 100);
    auto *card = new StyledButton(QStringLiteral("FPS"), QStringLiteral(":/images/headPortrait.png"), &host);
    QCOMPARE(card->size(), QSize(181, 122));
    QCOMPARE(card->opacity(), 0.5);
    sendEnter(card);
    QCOMPARE(card->opacity(), 1.0);
    sendLeave(card);
    QCOMPARE(card->opacity(), 0.5);
    sendMouse(card, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(card->opacity(), 1.0);
    sendMouse(card, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QVERIFY(card->isChecked());
    QCOMPARE(card->opacity(), 1.0);
    card->setSelected(false);
    QCOMPARE(card->opacity(), 0.5);

    StyledButton text(QStringLiteral("流行"), StyledButton::TextButton, nullptr);
    QCOMPARE(text.size(), QSize(181, 84));
    QCOMPARE(text.opacity(), 1.0);
    sendEnter(&text);
    QCOMPARE(text.opacity(), 1.0);
}

void TestWidgetKit::setOpacityClampsAndNotifiesOnce_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("stored");
    QTest::newRow("card above range") << 1 << 2.0 << 1.0;
    QTest::newRow("card below range") << 1 << -1.0 << 0.0;
    QTest::newRow("card inside range") << 1 << 0.75 << 0.75;
    QTest::newRow("text button") << 0 << 0.2 << 1.0;
}

void TestWidgetKit::setOpacityClampsAndNotifiesOnce()
{
    QFETCH(int, kind);
    QFETCH(double, value);
    QFETCH(double, stored);
    StyledButton button(QStringLiteral("x"), kind, nullptr);
    QSignalSpy changed(&button, &StyledButton::opacityChanged);
    button.setOpacity(value);
    QCOMPARE(button.opacity(), stored);
    const int first = changed.count();
    button.setOpacity(value);
    QCOMPARE(changed.count(), first);
}

void TestWidgetKit::hidingHoveredButtonClearsHover()
{
    QWidget host;
    auto *card = new StyledButton(QStringLiteral("FPS"), StyledButton::IconCard, &host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    sendEnter(card);
    QVERIFY(card->isHovered());
    card->hide();
    QVERIFY(!card->isHovered());
    QCOMPARE(card->opacity(), 0.5);
    card->show();
    QVERIFY(!card->isHovered());
}

void TestWidgetKit::searchEmitsOncePerAction()
{
    SearchWidget search(nullptr);
    QCOMPARE(search.size(), QSize(443, 46));
    search.show();
    QVERIFY(QTest::qWaitForWindowActive(&search));
    QSignalSpy searched(&search, &SearchWidget::searchClicked);

    auto *edit = search.findChild<QLineEdit *>();
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("bass"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(searched.count(), 1);
    QCOMPARE(search.text(), QStringLiteral("bass"));

    search.findChild<QPushButton *>()->click();
    QCOMPARE(searched.count(), 2);

    search.setFocus();
    QVERIFY(!edit->hasFocus());
    QTest::keyClick(&search, Qt::Key_Enter);
    QCOMPARE(searched.count(), 3);
    QTest::keyClick(&search, Qt::Key_A);
    QCOMPARE(searched.count(), 3);
}

void TestWidgetKit::searchRetranslates()
{
    SearchWidget search(nullptr);
    auto *edit = search.findChild<QLineEdit *>();
    QCOMPARE(edit->placeholderText(), QStringLiteral("请输入关键字/分享码..."));
    QVERIFY(AppLanguageManager::applyLanguage("en_US"));
    QTRY_COMPARE(edit->placeholderText(), QStringLiteral("Please enter keyword/share code…"));
    QCOMPARE(search.findChild<QPushButton *>()->text(), QStringLiteral("Search"));
    AppLanguageManager::applyLanguage("zh_CN");
    QTRY_COMPARE(search.findChild<QPushButton *>()->text(), QStringLiteral("搜索"));
}

void TestWidgetKit::gradientButtonSelection()
{
    GradientButton button(QStringLiteral("全部"), nullptr);
    QVERIFY(button.isCheckable());
    QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    QSignalSpy toggled(&button, &QAbstractButton::toggled);
    button.setSelected(true);
    QVERIFY(button.isChecked());
    QCOMPARE(toggled.count(), 1);
    QVERIFY(button.styleSheet().contains("GradientButton:checked"));
}

void TestWidgetKit::radioItemLeavesStateToOwner()
{
    WindowRadioButtonStyleTwo item(QStringLiteral("音乐"), false, nullptr);
    auto *label = item.findChild<QLabel *>();
    QCOMPARE(label->styleSheet(), QStringLiteral(" font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;"
                                                 " font-size: 13.33px; font-weight: 500; color: #777777;"));
    QSignalSpy clicked(&item, &WindowRadioButtonStyleTwo::clicked);
    sendMouse(&item, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!item.isChecked());
    item.setChecked(true);
    QVERIFY(label->styleSheet().endsWith("color: #E4E4E4;"));
    item.setButtonText(QStringLiteral("游戏"));
    QCOMPARE(label->text(), QStringLiteral("游戏"));
}

void TestWidgetKit::switchButton()
{
    WindowSwitchButton sw;
    QCOMPARE(sw.size(), QSize(40, 18));
    QSignalSpy toggled(&sw, &WindowSwitchButton::toggled);
    QSignalSpy moved(&sw, &WindowSwitchButton::handlePositionChanged);
    sw.setChecked(false);
    QCOMPARE(toggled.count(), 0);
    sw.setChecked(true);
    QCOMPARE(toggled.count(), 1);
    QTRY_COMPARE(sw.handlePosition(), 23);
    const int moves = moved.count();
    sw.setChecked(true);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(moved.count(), moves);
    sendMouse(&sw, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
    QVERIFY(sw.isChecked());
}

void TestWidgetKit::switchDoubleClickAnimatesBack()
{
    WindowSwitchButton sw;
    QSignalSpy toggled(&sw, &WindowSwitchButton::toggled);
    QSignalSpy moved(&sw, &WindowSwitchButton::handlePositionChanged);
    sendMouse(&sw, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QTRY_VERIFY(sw.handlePosition() > 1);
    const int midway = sw.handlePosition();
    sendMouse(&sw, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(toggled.count(), 2);
    QCOMPARE(toggled.at(0).at(0).toBool(), true);
    QCOMPARE(toggled.at(1).at(0).toBool(), false);
    QTRY_COMPARE(sw.handlePosition(), 1);
    QVERIFY(!sw.isChecked());
    // The way back started from where the knob was, not from the far end.
    for (const QList<QVariant> &move : std::as_const(moved))
        QVERIFY(move.at(0).toInt() <= qMax(midway, 23));
}

void TestWidgetKit::sliderJumpsToPointer_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    QTest::newRow("far left") << 0 << 0;
    QTest::newRow("far right") << 199 << 100;
    QTest::newRow("middle") << 100 << 50;
}

void TestWidgetKit::sliderJumpsToPointer()
{
    QFETCH(int, x);
    QFETCH(int, value);
    CustomSlider slider;
    slider.resize(200, 17);
    slider.setValue(30);
    QSignalSpy pressed(&slider, &QSlider::sliderPressed);
    sendMouse(&slider, QEvent::MouseButtonPress, QPoint(x, 8), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(qAbs(slider.value() - value) <= 1);
    QCOMPARE(pressed.count(), 0);

    // Dragging with the right button held does nothing.
    const int before = slider.value();
    sendMouse(&slider, QEvent::MouseMove, QPoint(150, 8), Qt::NoButton, Qt::RightButton);
    QCOMPARE(slider.value(), before);
    sendMouse(&slider, QEvent::MouseMove, QPoint(150, 8), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(slider.value(), 75);
}

void TestWidgetKit::slidingControlReportsEveryChange()
{
    WindowSlidingControl control;
    auto *label = control.valueLabel();
    QCOMPARE(label->text(), QStringLiteral("0"));
    QSignalSpy values(&control, &WindowSlidingControl::onValue);
    control.setValue(37);
    QCOMPARE(values.count(), 1);
    QCOMPARE(values.at(0).at(0).toInt(), 37);
    QCOMPARE(label->text(), QStringLiteral("37"));
    QCOMPARE(control.slider()->toolTip(), QStringLiteral("37"));
    control.setValue(37);
    QCOMPARE(values.count(), 1);
}

void TestWidgetKit::batteryColours_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("low");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("bar");
    QTest::newRow("80 is amber") << 80 << false << QColor(255, 184, 0) << 14;
    QTest::newRow("81 is green") << 81 << false << QColor(0, 214, 139) << 14;
    QTest::newRow("full") << 100 << false << QColor(0, 214, 139) << 18;
    QTest::newRow("half") << 50 << false << QColor(255, 184, 0) << 9;
    QTest::newRow("low wins") << 15 << true << QColor(218, 37, 40) << 2;
    QTest::newRow("5 gives no bar") << 5 << true << QColor(218, 37, 40) << 0;
}

void TestWidgetKit::batteryColours()
{
    QFETCH(int, level);
    QFETCH(bool, low);
    QFETCH(QColor, colour);
    QFETCH(int, bar);
    BatteryIndicator battery;
    QCOMPARE(battery.size(), QSize(67, 20));
    battery.level = level;
    battery.low = low;
    QCOMPARE(battery.fillColor(), colour);
    QCOMPARE(battery.levelBarWidth(), bar);
    QVERIFY(!battery.grab().isNull());
}

QTEST_MAIN(TestWidgetKit)
#include "tst_widgetkit.moc"
