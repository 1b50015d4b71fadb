#include "EqCloudPageFixture.h"

#include "widgets/TabItem.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eq/EQActiveProfileCoordinator.h"
#include "eq/PageToast.h"
#include "eqcloud/EQCloudListController.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "tests/support/testenv/ModalWatch.h"

#include <QApplication>
#include <QFrame>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

EqCloudPageFixture::EqCloudPageFixture(bool signedIn) : m_session(std::make_unique<EqCloudTestSession>())
{
    if (signedIn)
        m_session->signIn();
    m_window = std::make_unique<QWidget>();
    m_window->resize(1200, 820);
    auto *layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_page = new EQCloudSharingContent(m_window.get());
    layout->addWidget(m_page);
    m_coordinator = new EQActiveProfileCoordinator(m_window.get());

    EQCloudTimings timings;
    timings.refreshDebounceMs = 20;
    timings.refreshBusyRetryMs = 10;
    timings.weakNetRetryMs = 20;
    timings.viewSettleMs = 10;
    timings.viewportCheckMs = 10;
    m_page->setTimings(timings);
    // A clock that only moves when a test moves it: each toast is compared by text.
    m_page->toast()->setClock([this] { return m_clock; });
}

EqCloudPageFixture::~EqCloudPageFixture()
{
    m_window.reset();
    m_session.reset();
}

void EqCloudPageFixture::wire(bool withCoordinator)
{
    m_page->setEqApi(m_session->eqApi());
    m_page->setLoginController(m_session->login());
    m_page->setPid(EqCloudTestSession::pid);
    if (withCoordinator)
        m_page->setActiveProfileCoordinator(m_coordinator);
}

bool EqCloudPageFixture::show()
{
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get());
}

bool EqCloudPageFixture::settle()
{
    EQCloudListController *controller = m_page->listController();
    return QTest::qWaitFor([controller] { return !controller->isLoading(); }, 5000);
}

QList<int> EqCloudPageFixture::shareDownloaded(int count)
{
    const QList<int> ids = m_session->shareMany(count, QStringLiteral("downloaded"));
    for (int id : ids)
        m_session->markOnServer(id, int(EarphoneApi::CloudEQOperation::Download));
    return ids;
}

bool EqCloudPageFixture::openDownloads()
{
    QSignalSpy received(m_session->eqApi(), &EarphoneApi::EqApi::downloadListReceived);
    QTest::mouseClick(m_page->tabItem(EQCloudSharingContent::DownloadsTab), Qt::LeftButton);
    return received.wait(5000);
}

void EqCloudPageFixture::whenModal(std::function<void(QDialog *)> action)
{
    ModalWatch::whenModal<QDialog>(std::move(action), 10000);
}

QString EqCloudPageFixture::toastText() const
{
    return m_page->toast()->text();
}

int EqCloudPageFixture::toastKind() const
{
    return m_page->toast()->kind();
}

bool EqCloudPageFixture::toastShowing() const
{
    return m_page->toast()->isShowing();
}

void EqCloudPageFixture::resetToast()
{
    m_clock += 1000;
    if (QFrame *frame = m_page->toast()->frame())
        frame->hide();
}
