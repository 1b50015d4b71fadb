// Sharing the custom EQ on show to the cloud: opening the dialog from the
// page, the game categories, the checks before an upload, the request the
// fake server receives, and the answers.
#include "widgets/GradientButton.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eq/CustomEqSlotStore.h"
#include "eq/EQCustomContent.h"
#include "eq/EQShareToCloudDialog.h"
#include "eq/PageToast.h"
#include "eq/ShareCategoryComboItemDelegate.h"
#include "platform/tokenprotect/InMemoryTokenProtector.h"
#include "tests/eq/EqTestEnvironment.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <memory>

using EarphoneApi::EqApi;
using FakeApi::Fault;

namespace {

const QString pid = QStringLiteral("49678");
const QString saveRoute = QStringLiteral("home/cloud/saveCloud");
const QString gameTypeRoute = QStringLiteral("home/cloud/gameType");

QJsonObject category(const QString &id, const QString &name)
{
    return QJsonObject{{"id", id}, {"name", name}, {"pid", pid}, {"sort", "1"}, {"lang", "zh"}};
}

QStringList texts(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &entry : value.toArray())
        out.append(entry.toString());
    return out;
}

// Tells how many connections leave one of its signals.
class ProbeEqApi : public EqApi
{
public:
    int receiversOf(const char *signal) const { return receivers(signal); }
};

} // namespace

class TestEqShareToCloudDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shareNeedsLoginThenSlot();
    void openingFromThePage_data();
    void openingFromThePage();
    void gameCategoriesArrive();
    void uploadSendsTheCurveOnShow_data();
    void uploadSendsTheCurveOnShow();
    void modeDecidesTheCategory_data();
    void modeDecidesTheCategory();
    void checksBeforeUpload_data();
    void checksBeforeUpload();
    void failedUploadShowsFriendlyText();
    void answerAfterClosingIsAToast();
    void newProductFetchesItsCategories();
    void categoryRequestFailure();
    void languageChangeFetchesCategoriesAgain();
    void categoryRows();
    void oneConnectionPerSignal();
    void returnKeyKeepsTheDialog();

private:
    void login(const QString &uid);
    EQShareToCloudDialog *showDialog(const QString &title = QStringLiteral("Bass"));
    int uploads() const { return m_server->requestCount(saveRoute); }

    std::unique_ptr<EqTestEnvironment> m_env;
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    FakeApi::User m_user;
    std::unique_ptr<EqApi> m_api;
    InMemoryTokenProtector m_protector;
    std::unique_ptr<LoginController> m_login;
    std::unique_ptr<EQCustomContent> m_page;
};

void TestEqShareToCloudDialog::initTestCase()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestEqShareToCloudDialog::init()
{
    m_env = std::make_unique<EqTestEnvironment>();
    m_server = std::make_unique<FakeApi::FakeApiServer>();
    QVERIFY(m_server->start());
    m_user = m_server->backend().addUser(QStringLiteral("eve@example.com"), QStringLiteral("pw"));
    m_server->backend().eqCloud().setGameTypes(pid, QJsonArray{category("31", "FPS"), category("32", "MOBA")});
    m_api = std::make_unique<EqApi>();
    m_api->setBaseUrl(m_server->baseUrl());
    LoginController::Options options;
    options.protector = &m_protector;
    m_login = std::make_unique<LoginController>(options, nullptr);

    m_page = std::make_unique<EQCustomContent>();
    m_page->resize(1200, 720);
    m_page->setEqApi(m_api.get());
    m_page->setLoginController(m_login.get());
    m_page->setPid(pid);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestEqShareToCloudDialog::cleanup()
{
    m_page.reset();
    m_login.reset();
    m_api.reset();
    m_server.reset();
    m_env.reset();
}

void TestEqShareToCloudDialog::login(const QString &uid)
{
    const QString token = m_server->backend().issueToken(m_user.userName);
    EarphoneApi::UserInfo info;
    info.uid = uid;
    info.userName = m_user.userName;
    m_login->saveSession(EarphoneApi::LoginResponse{token, info});
    m_api->setToken(token);
}

EQShareToCloudDialog *TestEqShareToCloudDialog::showDialog(const QString &title)
{
    EQShareToCloudDialog *dialog = m_page->shareDialog();
    dialog->prepare(title);
    dialog->show();
    return dialog;
}

void TestEqShareToCloudDialog::shareNeedsLoginThenSlot()
{
    m_page->openShareDialog();
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("请先登录"));
    QVERIFY(!m_page->shareDialog()->isVisible());

    login(m_user.uid);
    m_page->openShareDialog();
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("请先选择一个自定义按钮"));
    QVERIFY(!m_page->shareDialog()->isVisible());
}

void TestEqShareToCloudDialog::openingFromThePage_data()
{
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<QString>("title");
    QTest::newRow("slot name") << " Bass " << "Bass";
    QTest::newRow("empty button text") << "" << "EQCustomization";
}

void TestEqShareToCloudDialog::openingFromThePage()
{
    QFETCH(QString, buttonText);
    QFETCH(QString, title);
    login(m_user.uid);
    m_page->slotButton(2)->click();
    m_page->slotButton(2)->setText(buttonText);
    EQShareToCloudDialog *dialog = m_page->shareDialog();
    dialog->descriptionEdit()->setPlainText("left over");
    dialog->modeButton(EQShareToCloudDialog::MusicMode)->setChecked(true);

    QString shownTitle;
    QString description = QStringLiteral("unset");
    bool gameChecked = false;
    bool modal = false;
    QTimer::singleShot(0, this, [&] {
        modal = QApplication::activeModalWidget() == dialog;
        shownTitle = dialog->nameEdit()->text();
        description = dialog->descriptionEdit()->toPlainText();
        gameChecked = dialog->modeButton(EQShareToCloudDialog::GameMode)->isChecked();
        dialog->closeButton()->click();
    });
    m_page->openShareDialog();
    QVERIFY(modal);
    QCOMPARE(shownTitle, title);
    QCOMPARE(description, QString());
    QVERIFY(gameChecked);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(m_page->pendingLoadIndex(), -1); // the slot was on show before sharing
}

void TestEqShareToCloudDialog::gameCategoriesArrive()
{
    m_server->backend().eqCloud().setGameTypes(pid, QJsonArray{category("31", "FPS"), category("33", "  ")});
    login(m_user.uid);
    // Left in music mode by an earlier share: opening asks for the game types once.
    m_page->shareDialog()->modeButton(EQShareToCloudDialog::MusicMode)->setChecked(true);
    EQShareToCloudDialog *dialog = showDialog();
    QCOMPARE(m_api->findChildren<QNetworkReply *>().size(), 1);
    QComboBox *combo = dialog->categoryCombo();
    QVERIFY(combo->isVisible());
    QVERIFY(!combo->isEnabled());
    QCOMPARE(combo->placeholderText(), QStringLiteral("加载中..."));
    QTRY_VERIFY(dialog->gameTypesLoaded());
    QVERIFY(combo->isEnabled());
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->itemText(1), QStringLiteral("33")); // no name: listed under its id
    QCOMPARE(combo->itemData(1).toString(), QStringLiteral("33"));
    QCOMPARE(m_server->lastRequest(gameTypeRoute).field("pid"), pid);

    // Music and other need no category; back to game uses the list already received.
    dialog->modeButton(EQShareToCloudDialog::MusicMode)->setChecked(true);
    QVERIFY(combo->isHidden());
    dialog->modeButton(EQShareToCloudDialog::GameMode)->setChecked(true);
    QCOMPARE(combo->count(), 2);
    QCOMPARE(m_server->requestCount(gameTypeRoute), 1);
}

void TestEqShareToCloudDialog::uploadSendsTheCurveOnShow_data()
{
    QTest::addColumn<bool>("qor");
    QTest::addColumn<int>("bands");
    QTest::newRow("standard") << false << 10;
    QTest::newRow("qor") << true << 8;
}

void TestEqShareToCloudDialog::uploadSendsTheCurveOnShow()
{
    QFETCH(bool, qor);
    QFETCH(int, bands);
    m_page->setQorMode(qor);
    login(m_user.uid);
    m_page->slotButton(1)->click();
    QTRY_COMPARE(m_page->pendingLoadIndex(), -1);
    EQShareToCloudDialog *dialog = showDialog(QStringLiteral(" Night "));
    QTRY_VERIFY(dialog->gameTypesLoaded());
    dialog->categoryCombo()->setCurrentIndex(1);
    dialog->descriptionEdit()->setPlainText("  for footsteps  ");
    QSignalSpy uploaded(m_api.get(), &EqApi::cloudEQUploaded);

    dialog->uploadButton()->click();
    QVERIFY(dialog->isUploading());
    QVERIFY(!dialog->uploadButton()->isEnabled());
    QCOMPARE(dialog->uploadButton()->text(), QStringLiteral("上传中..."));
    QVERIFY(uploaded.wait(5000));

    const QJsonObject body = m_server->lastRequest(saveRoute).json;
    QCOMPARE(body.value("name").toString(), QStringLiteral("Night"));
    QCOMPARE(body.value("desc").toString(), QStringLiteral("for footsteps"));
    QCOMPARE(body.value("uid").toString(), m_user.uid);
    QCOMPARE(body.value("pid").toString(), pid);
    QCOMPARE(body.value("cate_id").toString(), QStringLiteral("32"));
    QCOMPARE(body.value("main_gain").toInt(-1), 0);
    const QJsonObject curve = m_page->slotStore()->buildSlotJson(QString(), 1, false);
    QCOMPARE(texts(body.value("freq")).size(), bands);
    QCOMPARE(texts(body.value("freq")), texts(curve.value("freq")));
    QCOMPARE(texts(body.value("q")), texts(curve.value("q")));
    QCOMPARE(texts(body.value("sound")), texts(curve.value("sound")));
    QCOMPARE(texts(body.value("type")), texts(curve.value("type")));

    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->isUploading());
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("上传成功"));
}

void TestEqShareToCloudDialog::modeDecidesTheCategory_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("sent");
    QTest::newRow("music") << int(EQShareToCloudDialog::MusicMode) << "1";
    QTest::newRow("other") << int(EQShareToCloudDialog::OtherMode) << "2";
}

void TestEqShareToCloudDialog::modeDecidesTheCategory()
{
    QFETCH(int, mode);
    QFETCH(QString, sent);
    login(m_user.uid);
    EQShareToCloudDialog *dialog = showDialog();
    QTRY_VERIFY(dialog->gameTypesLoaded());
    dialog->descriptionEdit()->setPlainText("d");
    dialog->modeButton(mode)->setChecked(true);
    QVERIFY(dialog->categoryCombo()->isHidden());
    QSignalSpy uploaded(m_api.get(), &EqApi::cloudEQUploaded);
    dialog->uploadButton()->click();
    QVERIFY(uploaded.wait(5000));
    QCOMPARE(m_server->lastRequest(saveRoute).json.value("cate_id").toString(), sent);
}

void TestEqShareToCloudDialog::checksBeforeUpload_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("error");
    QTest::newRow("no EQ API") << "noApi" << "云端服务未就绪";
    QTest::newRow("logged out") << "loggedOut" << "请先登录";
    QTest::newRow("blank title") << "blankTitle" << "请输入标题";
    QTest::newRow("game without categories") << "noCategories" << "请选择分类";
    QTest::newRow("stored user without uid") << "noUid" << "登录信息异常";
}

void TestEqShareToCloudDialog::checksBeforeUpload()
{
    QFETCH(QString, situation);
    QFETCH(QString, error);
    if (situation == "noCategories")
        m_server->backend().eqCloud().setGameTypes(pid, QJsonArray{});
    login(situation == "noUid" ? QStringLiteral("  ") : m_user.uid);
    EQShareToCloudDialog *dialog = showDialog();
    QTRY_VERIFY(dialog->gameTypesLoaded());
    if (situation == "noCategories") {
        QVERIFY(!dialog->categoryCombo()->isEnabled());
        QCOMPARE(dialog->categoryCombo()->placeholderText(), QStringLiteral("暂无分类"));
    }
    if (situation == "noApi")
        m_page->setEqApi(nullptr);
    if (situation == "loggedOut")
        m_login->clearSession();
    if (situation == "blankTitle")
        dialog->nameEdit()->setText("   ");

    dialog->uploadButton()->click();
    QVERIFY(dialog->errorLabel()->isVisible());
    QCOMPARE(dialog->errorLabel()->text(), error);
    QVERIFY(dialog->uploadButton()->isEnabled());
    QVERIFY(!dialog->isUploading());
    QCOMPARE(uploads(), 0);
    // Any edit clears the message.
    dialog->descriptionEdit()->setPlainText("x");
    QVERIFY(dialog->errorLabel()->isHidden());
}

void TestEqShareToCloudDialog::failedUploadShowsFriendlyText()
{
    login(m_user.uid);
    EQShareToCloudDialog *dialog = showDialog();
    QTRY_VERIFY(dialog->gameTypesLoaded());
    m_server->setFault(saveRoute, Fault::status(502));
    QSignalSpy failed(m_api.get(), &EqApi::cloudEQUploadFailed);
    dialog->descriptionEdit()->setPlainText("d");
    dialog->uploadButton()->click();
    QVERIFY(failed.wait(5000));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->errorLabel()->text(), LoginController::friendlyApiErrorText(failed.at(0).at(0).toInt()));
    QVERIFY(dialog->errorLabel()->isVisible());
    QVERIFY(dialog->uploadButton()->isEnabled());
    QCOMPARE(dialog->uploadButton()->text(), QStringLiteral("上传"));

    // The server's own refusal, in its friendly form.
    m_server->clearFaults();
    dialog->descriptionEdit()->clear(); // the server wants a description
    dialog->uploadButton()->click();
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(1).at(0).toInt(), 3001);
    QCOMPARE(dialog->errorLabel()->text(), LoginController::friendlyApiErrorText(3001));
}

void TestEqShareToCloudDialog::answerAfterClosingIsAToast()
{
    login(m_user.uid);
    EQShareToCloudDialog *dialog = showDialog();
    QTRY_VERIFY(dialog->gameTypesLoaded());
    m_server->setFault(saveRoute, Fault::status(500));
    QSignalSpy failed(m_api.get(), &EqApi::cloudEQUploadFailed);
    dialog->descriptionEdit()->setPlainText("d");
    dialog->uploadButton()->click();
    m_page->dismissPopups();
    QVERIFY(!dialog->isVisible());
    QVERIFY(failed.wait(5000));
    QVERIFY(m_page->toast()->frame()->isVisible());
    QCOMPARE(m_page->toast()->textLabel()->text(), LoginController::friendlyApiErrorText(failed.at(0).at(0).toInt()));

    // A success that arrives late opens nothing again.
    emit m_api->cloudEQUploaded();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(m_page->toast()->textLabel()->text(), QStringLiteral("上传成功"));
}

void TestEqShareToCloudDialog::newProductFetchesItsCategories()
{
    login(m_user.uid);
    m_server->backend().eqCloud().setGameTypes("777", QJsonArray{category("41", "Racing")});
    EQShareToCloudDialog *dialog = showDialog();
    QTRY_VERIFY(dialog->gameTypesLoaded());
    m_page->setPid(QStringLiteral(" 49678 "));
    QVERIFY(dialog->gameTypesLoaded());
    QCOMPARE(m_server->requestCount(gameTypeRoute), 1);

    m_page->setPid(QStringLiteral("777"));
    QVERIFY(!dialog->gameTypesLoaded());
    QTRY_VERIFY(dialog->gameTypesLoaded());
    QCOMPARE(m_server->lastRequest(gameTypeRoute).field("pid"), QStringLiteral("777"));
    QCOMPARE(dialog->categoryCombo()->itemText(0), QStringLiteral("Racing"));
}

void TestEqShareToCloudDialog::categoryRequestFailure()
{
    login(m_user.uid);
    m_server->setFault(gameTypeRoute, Fault::of(Fault::Kind::NonJson));
    QSignalSpy failed(m_api.get(), &EqApi::gameTypesFailed);
    EQShareToCloudDialog *dialog = showDialog();
    QVERIFY(failed.wait(5000));
    QCOMPARE(dialog->errorLabel()->text(), LoginController::friendlyApiErrorText(-2));
    QVERIFY(!dialog->gameTypesLoaded());
    QCOMPARE(dialog->categoryCombo()->placeholderText(), QStringLiteral("加载中..."));
}

void TestEqShareToCloudDialog::languageChangeFetchesCategoriesAgain()
{
    login(m_user.uid);
    EQShareToCloudDialog *dialog = showDialog();
    QTRY_VERIFY(dialog->gameTypesLoaded());
    dialog->reject();
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QTRY_COMPARE(dialog->titleLabel()->text(), QStringLiteral("Upload to Cloud"));
    QCOMPARE(dialog->uploadButton()->text(), QStringLiteral("Upload"));
    QCOMPARE(dialog->modeButton(EQShareToCloudDialog::OtherMode)->text(), QStringLiteral("Others"));
    // Fetched again in the new language, although the dialog is closed.
    QTRY_COMPARE(m_server->requestCount(gameTypeRoute), 2);
    QCoreApplication::removeTranslator(&english);
    QTRY_COMPARE(dialog->titleLabel()->text(), QStringLiteral("分享到云端"));
}

void TestEqShareToCloudDialog::categoryRows()
{
    ShareCategoryComboItemDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 0, 10);
    QCOMPARE(delegate.sizeHint(option, QModelIndex()), QSize(1, 34));
    option.rect = QRect(0, 0, 250, 10);
    QCOMPARE(delegate.sizeHint(option, QModelIndex()).width(), 250);

    const QPixmap mark = ShareCategoryComboItemDelegate::cachedPixmap(":/images/Group 18112.png");
    QVERIFY(!mark.isNull());
    QCOMPARE(ShareCategoryComboItemDelegate::cachedPixmap(":/images/Group 18112.png").cacheKey(), mark.cacheKey());
    QVERIFY(ShareCategoryComboItemDelegate::cachedPixmap(":/images/none.png").isNull());
}

void TestEqShareToCloudDialog::oneConnectionPerSignal()
{
    ProbeEqApi first;
    ProbeEqApi second;
    const char *signalNames[] = {SIGNAL(gameTypesReceived(QList<EarphoneApi::EQCategory>)),
                                 SIGNAL(gameTypesFailed(int, QString)), SIGNAL(cloudEQUploaded()),
                                 SIGNAL(cloudEQUploadFailed(int, QString))};
    m_page->setEqApi(&first);
    m_page->setEqApi(&first);
    for (const char *signal : signalNames)
        QCOMPARE(first.receiversOf(signal), 1);
    m_page->setEqApi(&second);
    for (const char *signal : signalNames) {
        QCOMPARE(first.receiversOf(signal), 0);
        QCOMPARE(second.receiversOf(signal), 1);
    }
    m_page->setEqApi(nullptr);
    QCOMPARE(second.receiversOf(SIGNAL(cloudEQUploaded())), 0);
}

void TestEqShareToCloudDialog::returnKeyKeepsTheDialog()
{
    login(m_user.uid);
    m_page->slotButton(2)->click();
    EQShareToCloudDialog *dialog = m_page->shareDialog();
    QSignalSpy rejected(dialog, &QDialog::rejected);
    bool openAfterReturn = false;
    QString title;
    QTimer::singleShot(0, this, [&] {
        QLineEdit *name = dialog->nameEdit();
        name->setFocus();
        name->setText(QStringLiteral("Mine"));
        QTest::keyClick(name, Qt::Key_Return);
        QTest::keyClick(dialog->descriptionEdit(), Qt::Key_Enter);
        openAfterReturn = dialog->isVisible();
        title = name->text();
        dialog->closeButton()->click();
    });
    m_page->openShareDialog();
    QVERIFY(openAfterReturn);
    QCOMPARE(title, QStringLiteral("Mine"));
    QCOMPARE(rejected.count(), 1); // the close button only
}

QTEST_MAIN(TestEqShareToCloudDialog)
#include "tst_eqsharetoclouddialog.moc"
