// The device connection page: stored headset colour, connection states, the
// awaited device name, the wired (Qor) look, the hover growth and the
// receiver unbind confirmation.
#include "language/AppLanguageManager.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/WindowBlurBackdrop.h"
#include "devicepages/ColorDot.h"
#include "devicepages/ColorSelector.h"
#include "devicepages/CustomDeviceConnection.h"
#include "devicepages/DeviceInfoWidget.h"
#include "hid/QorDeviceConnectionUiController.h"
#include "tests/devicepages/DevicePagesTestSupport.h"

#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using DevicePagesTestSupport::ModalDialogDriver;

namespace {

const QString kDefaultImage = QStringLiteral(":/images/#6E00FF.png");
const QString kWhiteImage = QStringLiteral(":/images/Group 18058.png");
const QColor kSilver(207, 207, 209);

DeviceConnectionDurations fastDurations()
{
    DeviceConnectionDurations durations;
    durations.nameRetryMs = 20;
    durations.hoverAnimationMs = 1;
    return durations;
}

QString storedImage()
{
    return QSettings().value(CustomDeviceConnection::kThemeImageKey).toString();
}

} // namespace

class TestCustomDeviceConnection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyPictureShipsWithTheProgram();
    void storedPictureIsRestored_data();
    void storedPictureIsRestored();
    void dotChoiceIsStoredButOnlySomeComeBack();
    void dotClicksEmitOnlyForANewColour();
    void setCurrentColorKnowsOnlyThePalette();
    void connectionSwitchesPresentation();
    void nameIsIgnoredWhileDisconnected();
    void missingNameIsClearedAfterTheRetryDelay();
    void wiredModeFixesNameAndHidesColourAndBattery();
    void hoverGrowsOnceAndShrinksBack();
    void hoverDoesNothingWhileDisconnected();
    void pictureThatFailsToLoadKeepsThePreviousOne();
    void unbindAsksFirstAndBlursTheWindow_data();
    void unbindAsksFirstAndBlursTheWindow();
    void unbindEntrySitsAtTheBottomRight();
    void unbindDialogGrowsForALongerTranslation();
    void qorControllerDrivesThePage();
    void languageChangeRetranslates();

private:
    CustomClickableLabel *picture() const { return m_page->findChild<CustomClickableLabel *>("devicePicture"); }
    QLabel *nameLabel() const { return m_page->findChild<QLabel *>("deviceNameLabel"); }
    QWidget *unbindEntry() const { return m_page->findChild<QWidget *>("receiverUnbindEntry"); }
    ColorSelector *selector() const { return m_page->findChild<ColorSelector *>("colorSelector"); }
    DeviceInfoWidget *status() const { return m_page->findChild<DeviceInfoWidget *>("deviceStatus"); }
    int stateIndex() const { return m_page->findChild<QStackedWidget *>("connectionStateStack")->currentIndex(); }
    void makePage(const DeviceConnectionDurations &durations = fastDurations());

    std::unique_ptr<DevicePagesTestSupport::TestEnvironment> m_environment;
    std::unique_ptr<QWidget> m_window;
    CustomDeviceConnection *m_page = nullptr;
};

void TestCustomDeviceConnection::initTestCase()
{
    m_environment = std::make_unique<DevicePagesTestSupport::TestEnvironment>();
    QVERIFY(m_environment->isValid());
}

void TestCustomDeviceConnection::init()
{
    QSettings().remove(CustomDeviceConnection::kThemeImageKey);
    makePage();
}

void TestCustomDeviceConnection::cleanup()
{
    m_window.reset();
    m_page = nullptr;
    AppLanguageManager::applyLanguage(QStringLiteral("zh_CN"));
}

void TestCustomDeviceConnection::makePage(const DeviceConnectionDurations &durations)
{
    m_window.reset();
    m_window = std::make_unique<QWidget>();
    m_window->resize(1080, 720);
    m_page = new CustomDeviceConnection(m_window.get(), durations);
    m_page->setGeometry(0, 0, 1080, 720);
}

void TestCustomDeviceConnection::everyPictureShipsWithTheProgram()
{
    QStringList pictures{QStringLiteral(":/images/untie.png"), QStringLiteral(":/images/VOZedod.png")};
    for (const ColorSelector::Entry &entry : ColorSelector::palette())
        pictures.append(entry.picture);
    for (const QString &path : std::as_const(pictures))
        QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
    QVERIFY(!picture()->pixmap().isNull());
}

void TestCustomDeviceConnection::storedPictureIsRestored_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("nothing stored") << QVariant() << kDefaultImage << kSilver;
    QTest::newRow("black, red accent") << QVariant(":/images/Group 18057.png") << ":/images/Group 18057.png"
                                       << QColor(25, 25, 25);
    QTest::newRow("trimmed") << QVariant("  :/images/Group 18056.png ") << ":/images/Group 18056.png"
                             << QColor(27, 26, 28);
    QTest::newRow("white is not restored") << QVariant(kWhiteImage) << kDefaultImage << kSilver;
    QTest::newRow("pink is not restored") << QVariant(":/images/Group 18059.png") << kDefaultImage << kSilver;
    QTest::newRow("the wired picture") << QVariant(":/images/VOZedod.png") << kDefaultImage << kSilver;
    QTest::newRow("garbage") << QVariant("C:/x.png") << kDefaultImage << kSilver;
}

void TestCustomDeviceConnection::storedPictureIsRestored()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);
    QFETCH(QColor, colour);
    if (stored.isValid())
        QSettings().setValue(CustomDeviceConnection::kThemeImageKey, stored);
    makePage();
    QCOMPARE(m_page->themeImage(), shown);
    QCOMPARE(selector()->currentColor(), colour);
    // What is shown is written back at once.
    QCOMPARE(storedImage(), shown);
}

void TestCustomDeviceConnection::dotChoiceIsStoredButOnlySomeComeBack()
{
    ColorDot *white = selector()->dots().at(3);
    QTest::mouseClick(white, Qt::LeftButton);
    QCOMPARE(m_page->themeImage(), kWhiteImage);
    QCOMPARE(storedImage(), kWhiteImage);
    QVERIFY(white->isSelected());
    QCOMPARE(std::count_if(selector()->dots().cbegin(), selector()->dots().cend(),
                           [](ColorDot *dot) { return dot->isSelected(); }),
             1);

    makePage(); // a restart
    QCOMPARE(m_page->themeImage(), kDefaultImage);
    QCOMPARE(selector()->currentColor(), kSilver);

    QTest::mouseClick(selector()->dots().at(0), Qt::LeftButton);
    makePage();
    QCOMPARE(m_page->themeImage(), QStringLiteral(":/images/Group 18057.png"));
}

void TestCustomDeviceConnection::dotClicksEmitOnlyForANewColour()
{
    QSignalSpy changed(selector(), &ColorSelector::colorChanged);
    QTest::mouseClick(selector()->dots().at(1), Qt::LeftButton); // the selected silver one
    QCOMPARE(changed.count(), 0);
    QTest::mouseClick(selector()->dots().at(2), Qt::RightButton);
    QCOMPARE(changed.count(), 0);
    QTest::mouseClick(selector()->dots().at(2), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QColor>(), QColor(27, 26, 28));
    QVERIFY(!selector()->dots().at(1)->isSelected());
}

void TestCustomDeviceConnection::setCurrentColorKnowsOnlyThePalette()
{
    QSignalSpy changed(selector(), &ColorSelector::colorChanged);
    QVERIFY(!selector()->setCurrentColor(QColor(1, 2, 3)));
    QCOMPARE(selector()->currentColor(), kSilver);
    QVERIFY(selector()->setCurrentColor(kSilver));
    QCOMPARE(changed.count(), 0);
    QVERIFY(selector()->setCurrentColor(QColor(222, 222, 222)));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_page->themeImage(), QStringLiteral(":/images/Group 18059.png"));
}

void TestCustomDeviceConnection::connectionSwitchesPresentation()
{
    QSignalSpy clicked(m_page, &CustomDeviceConnection::backgroundClicked);
    QCOMPARE(stateIndex(), 0);
    QVERIFY(unbindEntry()->isVisibleTo(m_page));
    QVERIFY(!picture()->isClickable());
    QTest::mouseClick(picture(), Qt::LeftButton);
    QCOMPARE(clicked.count(), 0);

    m_page->setConnected(true);
    QCOMPARE(stateIndex(), 1);
    QVERIFY(!unbindEntry()->isVisibleTo(m_page));
    QVERIFY(picture()->isClickable());
    QTest::mouseClick(picture(), Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    m_page->setConnected(false);
    QCOMPARE(stateIndex(), 0);
    QVERIFY(unbindEntry()->isVisibleTo(m_page));
    QTest::mouseClick(picture(), Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestCustomDeviceConnection::nameIsIgnoredWhileDisconnected()
{
    m_page->setDeviceName(QStringLiteral("Early"));
    m_page->setBatteryLevel(55);
    m_page->setConnected(true);
    QCOMPARE(nameLabel()->text(), QString());
    QCOMPARE(status()->batteryLevel(), 20);
    m_page->setDeviceName(QStringLiteral("  Late  "));
    m_page->setBatteryLevel(55);
    QCOMPARE(nameLabel()->text(), QStringLiteral("Late"));
    QCOMPARE(status()->batteryLevel(), 55);
}

void TestCustomDeviceConnection::missingNameIsClearedAfterTheRetryDelay()
{
    makePage(DeviceConnectionDurations{});
    auto *retry = m_page->findChild<QTimer *>("nameRetryTimer");
    nameLabel()->setText(QStringLiteral("shown before"));
    m_page->setConnected(true);
    QVERIFY(retry->isActive());
    QCOMPARE(retry->interval(), 800);
    QCOMPARE(nameLabel()->text(), QStringLiteral("shown before"));

    // A name that arrives in time ends the wait.
    m_page->setDeviceName(QStringLiteral("Alpha"));
    QVERIFY(!retry->isActive());
    QCOMPARE(nameLabel()->text(), QStringLiteral("Alpha"));

    makePage(); // short delays
    nameLabel()->setText(QStringLiteral("shown before"));
    m_page->setConnected(true);
    QCOMPARE(nameLabel()->text(), QStringLiteral("shown before"));
    QTRY_COMPARE_WITH_TIMEOUT(nameLabel()->text(), QString(), 5000);
}

void TestCustomDeviceConnection::wiredModeFixesNameAndHidesColourAndBattery()
{
    m_page->setConnected(true);
    m_page->setDeviceName(QStringLiteral("Headset"));
    m_page->setBatteryLevel(70);
    m_page->setWiredConnection(true);
    QCOMPARE(nameLabel()->text(), QStringLiteral("VELKORA QOR"));
    QVERIFY(!m_page->findChild<QWidget *>("bootDeviceTopColor")->isVisibleTo(m_page));
    QVERIFY(!status()->findChild<QWidget *>("batteryIndicator")->isVisibleTo(status()));
    QCOMPARE(status()->statusText(), QStringLiteral("已连接"));

    m_page->setDeviceName(QStringLiteral("Other"));
    m_page->setBatteryLevel(10);
    QCOMPARE(nameLabel()->text(), QStringLiteral("VELKORA QOR"));
    QCOMPARE(status()->batteryLevel(), 70);

    m_page->setWiredConnection(false);
    QCOMPARE(nameLabel()->text(), QStringLiteral("Headset"));
    QVERIFY(m_page->findChild<QWidget *>("bootDeviceTopColor")->isVisibleTo(m_page));
    QCOMPARE(status()->statusText(), QStringLiteral("2.4G 已连接"));
}

void TestCustomDeviceConnection::hoverGrowsOnceAndShrinksBack()
{
    const QRect base = picture()->geometry();
    const QRect grown = base.adjusted(-6, -10, 6, 2);
    QCOMPARE(grown.size(), base.size() + QSize(12, 12));
    m_page->setConnected(true);

    emit picture()->hovered(true);
    QTRY_COMPARE_WITH_TIMEOUT(picture()->geometry(), grown, 5000);
    emit picture()->hovered(true);
    QCOMPARE(picture()->geometry(), grown);
    for (QPropertyAnimation *animation : m_page->findChildren<QPropertyAnimation *>())
        QCOMPARE(animation->state(), QAbstractAnimation::Stopped);

    emit picture()->hovered(false);
    QTRY_COMPARE_WITH_TIMEOUT(picture()->geometry(), base, 5000);
    emit picture()->hovered(true);
    QTRY_COMPARE_WITH_TIMEOUT(picture()->geometry(), grown, 5000);

    // Losing the device shrinks it back.
    m_page->setConnected(false);
    QTRY_COMPARE_WITH_TIMEOUT(picture()->geometry(), base, 5000);
}

void TestCustomDeviceConnection::hoverDoesNothingWhileDisconnected()
{
    const QRect base = picture()->geometry();
    emit picture()->hovered(true);
    QCoreApplication::processEvents();
    QCOMPARE(picture()->geometry(), base);
    QVERIFY(m_page->findChildren<QPropertyAnimation *>().isEmpty());
}

void TestCustomDeviceConnection::pictureThatFailsToLoadKeepsThePreviousOne()
{
    const QImage before = picture()->pixmap().toImage();
    m_page->applyThemeImage(QStringLiteral(":/images/no-such-picture.png"), false);
    QCOMPARE(picture()->pixmap().toImage(), before);
    QCOMPARE(storedImage(), kDefaultImage);
    m_page->applyThemeImage(QString(), true);
    QCOMPARE(storedImage(), kDefaultImage);
}

void TestCustomDeviceConnection::unbindAsksFirstAndBlursTheWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("windowHadEffect");
    QTest::addColumn<int>("requests");
    QTest::newRow("confirmed") << "confirmButton" << false << 1;
    QTest::newRow("cancelled") << "cancelButton" << false << 0;
    QTest::newRow("window keeps its own effect") << "confirmButton" << true << 1;
}

void TestCustomDeviceConnection::unbindAsksFirstAndBlursTheWindow()
{
    QFETCH(QString, button);
    QFETCH(bool, windowHadEffect);
    QFETCH(int, requests);
    QPointer<QGraphicsEffect> own;
    if (windowHadEffect) {
        own = new QGraphicsOpacityEffect;
        m_window->setGraphicsEffect(own);
    }
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy unbind(m_page, &CustomDeviceConnection::receiverUnbindRequested);

    QGraphicsEffect *effectDuringDialog = nullptr;
    bool backdropDuringDialog = false;
    QString dialogText;
    ModalDialogDriver driver([&](QDialog *dialog) {
        effectDuringDialog = m_window->graphicsEffect();
        backdropDuringDialog = WindowBlurBackdrop::of(m_window.get()) != nullptr;
        for (QLabel *label : dialog->findChildren<QLabel *>())
            dialogText += label->text();
        QCOMPARE(dialog->size(), QSize(364, 190));
        QVERIFY(!dialog->mask().isEmpty());
        dialog->findChild<QPushButton *>(button)->click();
    });
    QTest::mouseClick(unbindEntry(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(driver.sawDialog());
    QCOMPARE(unbind.count(), requests);
    QVERIFY(dialogText.contains(QStringLiteral("接收器解绑")));
    QVERIFY(dialogText.contains(QStringLiteral("六击耳机mic键")));
    // A window blurred already keeps its own effect and gets no backdrop on top.
    QCOMPARE(backdropDuringDialog, !windowHadEffect);
    QCOMPARE(effectDuringDialog, own.data());
    QCOMPARE(m_window->graphicsEffect(), own.data());
    QVERIFY(!WindowBlurBackdrop::of(m_window.get()));
}

void TestCustomDeviceConnection::unbindEntrySitsAtTheBottomRight()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *label = m_page->findChild<QLabel *>("receiverUnbindLabel");
    label->ensurePolished();
    const int width = QFontMetrics(label->font()).horizontalAdvance(label->text()) + 27;
    QCOMPARE(unbindEntry()->geometry(), QRect(1080 - 80 - width, 720 - 64, width, 24));
    m_page->resize(900, 600);
    QCOMPARE(unbindEntry()->geometry(), QRect(900 - 80 - width, 600 - 64, width, 24));

    // Once connected the entry is hidden and a release on it opens nothing.
    m_page->setConnected(true);
    ModalDialogDriver driver([](QDialog *dialog) { dialog->reject(); });
    QTest::mouseRelease(unbindEntry(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!driver.sawDialog());
}

void TestCustomDeviceConnection::unbindDialogGrowsForALongerTranslation()
{
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSize size;
    bool messageFits = false;
    ModalDialogDriver driver([&](QDialog *dialog) {
        size = dialog->size();
        for (QLabel *label : dialog->findChildren<QLabel *>()) {
            if (label->wordWrap())
                messageFits = label->height() >= label->heightForWidth(label->width());
        }
        dialog->reject();
    });
    QTest::mouseClick(unbindEntry(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(driver.sawDialog());
    QCOMPARE(size.width(), 364);
    QVERIFY(size.height() >= 190);
    QVERIFY(messageFits);
}

void TestCustomDeviceConnection::qorControllerDrivesThePage()
{
    QTest::mouseClick(selector()->dots().at(2), Qt::LeftButton); // the user's choice
    const QString usersChoice = QStringLiteral(":/images/Group 18056.png");
    QCOMPARE(storedImage(), usersChoice);
    m_page->setConnected(true);

    QorDeviceConnectionUiController controller(m_page, nullptr, nullptr, nullptr);
    controller.onBypassSessionChanged(true);
    QVERIFY(m_page->isWired());
    QCOMPARE(m_page->themeImage(), QorDeviceConnectionUiController::kQorThemeImage);
    QCOMPARE(storedImage(), usersChoice); // the wired picture is not the user's choice
    QCOMPARE(nameLabel()->text(), QStringLiteral("VELKORA QOR"));
    QCOMPARE(selector()->currentColor(), QColor(27, 26, 28));

    controller.onTargetDevicePresentChanged(false);
    QVERIFY(!m_page->isWired());
    QCOMPARE(m_page->themeImage(), usersChoice);

    // A page that is gone is left alone.
    delete m_page;
    m_page = nullptr;
    controller.onBypassSessionChanged(true);
    controller.onBypassSessionChanged(false);
}

void TestCustomDeviceConnection::languageChangeRetranslates()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *hint = m_page->findChild<QLabel *>("titleLabel");
    auto *label = m_page->findChild<QLabel *>("receiverUnbindLabel");
    QVERIFY(hint->text().startsWith(QStringLiteral("若已进入休眠状态")));
    const int chineseWidth = unbindEntry()->width();
    QVERIFY(AppLanguageManager::applyLanguage(QStringLiteral("en_US")));
    QCoreApplication::processEvents();
    QVERIFY(hint->text().startsWith(QStringLiteral("If in sleep mode")));
    QCOMPARE(label->text(), QStringLiteral("Reset Dongle Pairing"));
    QVERIFY(unbindEntry()->width() != chineseWidth);
    QCOMPARE(unbindEntry()->x() + unbindEntry()->width(), 1080 - 80);
}

QTEST_MAIN(TestCustomDeviceConnection)
#include "tst_customdeviceconnection.moc"
