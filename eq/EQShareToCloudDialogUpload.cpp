// The share dialog's game categories, the upload and its answers.
#include "eq/EQShareToCloudDialog.h"

#include "widgets/GradientButton.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"
#include "eq/EQSoundListCache.h"
#include "eq/PageToast.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

using EarphoneApi::EQCategory;
using EarphoneApi::EqApi;

void EQShareToCloudDialog::setEqApi(EqApi *api)
{
    if (m_api && m_api != api)
        disconnect(m_api, nullptr, this, nullptr);
    m_api = api;
    if (!api)
        return;
    disconnect(api, nullptr, this, nullptr);
    connect(api, &EqApi::gameTypesReceived, this, &EQShareToCloudDialog::onGameTypesReceived);
    connect(api, &EqApi::gameTypesFailed, this, &EQShareToCloudDialog::onGameTypesFailed);
    connect(api, &EqApi::cloudEQUploaded, this, &EQShareToCloudDialog::onCloudEqUploaded);
    connect(api, &EqApi::cloudEQUploadFailed, this, &EQShareToCloudDialog::onUploadFailed);
}

void EQShareToCloudDialog::setPid(const QString &pid)
{
    const QString next = EQSoundListCache::normalizedPid(pid);
    if (next == m_pid)
        return;
    m_pid = next;
    // Game types belong to a product.
    dropGameTypes();
    if (isVisible())
        updateCategorySelector();
}

bool EQShareToCloudDialog::isLoggedIn() const
{
    return m_login && m_login->isLoggedIn();
}

void EQShareToCloudDialog::dropGameTypes()
{
    m_gameTypesLoaded = false;
    m_receivedGameTypes.clear();
}

void EQShareToCloudDialog::prepare(const QString &title)
{
    m_name->setText(title);
    m_description->clear();
    {
        // Quietly: the selector is brought up to date once, just below.
        const QSignalBlocker quiet(m_game);
        m_game->setChecked(true);
    }
    updateCategorySelector();
    m_name->setFocus();
    resetUploadPanel();
}

void EQShareToCloudDialog::updateCategorySelector()
{
    if (m_music->isChecked()) {
        m_category->clear();
        m_category->setEnabled(false);
        m_category->hide();
        return;
    }
    if (m_game->isChecked() && isLoggedIn()) {
        if (!m_api) {
            const QString text = tr("云端服务未就绪");
            if (isVisible())
                showUploadError(text);
            else if (m_toast)
                m_toast(text, PageToast::Info, kToastMs);
            return;
        }
        if (m_gameTypesLoaded) {
            m_category->show();
            fillCategoryCombo(m_receivedGameTypes);
            return;
        }
        m_category->show();
        m_category->setEnabled(false);
        m_category->clear();
        m_category->setPlaceholderText(tr("加载中..."));
        m_api->getGameTypes(m_pid);
        return;
    }
    if (m_game->isChecked()) {
        dropGameTypes();
        m_category->show();
        m_category->clear();
        m_category->setEnabled(false);
        m_category->setPlaceholderText(tr("请先登录"));
        return;
    }
    m_category->clear();
    m_category->setEnabled(false);
    m_category->hide();
}

void EQShareToCloudDialog::fillCategoryCombo(const QList<EQCategory> &list)
{
    m_shownGameTypes = list;
    const bool wasBlocked = m_category->blockSignals(true);
    m_category->clear();
    for (const EQCategory &category : list) {
        const QString name = category.name.trimmed();
        m_category->addItem(name.isEmpty() ? category.id : name, category.id);
    }
    m_category->setEnabled(m_category->count() > 0);
    if (m_category->count() == 0)
        m_category->setPlaceholderText(tr("暂无分类"));
    else
        m_category->setCurrentIndex(0);
    m_category->blockSignals(wasBlocked);
}

void EQShareToCloudDialog::onGameTypesReceived(const QList<EQCategory> &gameTypes)
{
    m_receivedGameTypes = gameTypes;
    m_gameTypesLoaded = true;
    if (m_game->isChecked())
        fillCategoryCombo(gameTypes);
    if (isVisible())
        refreshUploadPanel();
}

void EQShareToCloudDialog::onGameTypesFailed(int errorCode, const QString &message)
{
    Q_UNUSED(message)
    if (!m_game->isChecked() || !isLoggedIn())
        return;
    const QString text = LoginController::friendlyApiErrorText(errorCode);
    if (isVisible())
        showUploadError(text);
    else if (m_toast)
        m_toast(text, PageToast::Failure, kToastMs);
}

void EQShareToCloudDialog::showUploadError(const QString &text)
{
    if (!m_error)
        return;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        if (!m_uploading)
            refreshUploadPanel();
        return;
    }
    m_error->setStyleSheet(QStringLiteral(
        "color: #FF6B6B;font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;font-size: 11px;"
        "font-weight: 400;line-height: 16px;text-align: center;"));
    m_error->setText(trimmed);
    m_error->show();
    if (!m_uploading)
        m_upload->setEnabled(true);
}

void EQShareToCloudDialog::refreshUploadPanel()
{
    if (m_uploading)
        return;
    m_error->clear();
    m_error->hide();
    m_upload->setEnabled(true);
    m_upload->setText(tr("上传"));
}

void EQShareToCloudDialog::resetUploadPanel()
{
    m_uploading = false;
    refreshUploadPanel();
}

void EQShareToCloudDialog::uploadSharedEq()
{
    if (!m_api) {
        showUploadError(tr("云端服务未就绪"));
        return;
    }
    if (!isLoggedIn()) {
        showUploadError(tr("请先登录"));
        return;
    }
    QStringList freq;
    QStringList q;
    QStringList sound;
    QStringList type;
    if (!m_bands || !m_bands(&freq, &q, &sound, &type)) {
        showUploadError(tr("EQ 未就绪"));
        return;
    }
    const QString title = m_name->text().trimmed();
    if (title.isEmpty()) {
        showUploadError(tr("请输入标题"));
        return;
    }
    const QString description = m_description->toPlainText().trimmed();
    QString category = m_category->isEnabled() ? m_category->currentData().toString().trimmed() : QString();
    if (m_game->isChecked() && category.isEmpty()) {
        showUploadError(tr("请选择分类"));
        return;
    }
    if (m_music->isChecked())
        category = QStringLiteral("1");
    else if (!m_game->isChecked())
        category = QStringLiteral("2");
    const QString uid = m_login->loadStoredUserInfo().uid.trimmed();
    if (uid.isEmpty()) {
        showUploadError(tr("登录信息异常"));
        return;
    }

    m_uploading = true;
    m_error->clear();
    m_error->hide();
    m_upload->setText(tr("上传中..."));
    m_upload->setEnabled(false);
    m_api->uploadCloudEQ(title, description, uid, m_pid, category, freq, q, sound, type, 0);
}

void EQShareToCloudDialog::onCloudEqUploaded()
{
    m_uploading = false;
    if (m_toast)
        m_toast(tr("上传成功"), PageToast::Success, kToastMs);
    accept();
}

void EQShareToCloudDialog::onUploadFailed(int errorCode, const QString &message)
{
    Q_UNUSED(message)
    m_uploading = false;
    m_upload->setEnabled(true);
    m_upload->setText(tr("上传"));
    const QString text = LoginController::friendlyApiErrorText(errorCode);
    if (isVisible()) {
        if (text.trimmed().isEmpty())
            m_error->hide();
        else
            showUploadError(text);
        return;
    }
    if (m_toast)
        m_toast(text, PageToast::Failure, kToastMs);
}
