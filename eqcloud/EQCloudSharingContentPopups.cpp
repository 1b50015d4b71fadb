// The pop-ups of the sharing page: preview, delete question, window blur and toasts.
#include "eqcloud/EQCloudSharingContent.h"

#include "eqcloud/EQCloudDeleteConfirmDialog.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eq/PageToast.h"

#include <QGraphicsBlurEffect>
#include <QPushButton>

void EQCloudSharingContent::ensurePreviewDialog()
{
    if (m_previewDialog)
        return;
    m_previewDialog = new EQCloudPreviewDialog(this);
    connect(m_previewDialog, &EQCloudPreviewDialog::closeClicked, this, &EQCloudSharingContent::closePreview);
    connect(m_previewDialog, &EQCloudPreviewDialog::applyClicked, this, &EQCloudSharingContent::onPreviewApplyClicked);
}

void EQCloudSharingContent::showPreview(const EarphoneApi::CloudEQItem &item)
{
    ensurePreviewDialog();
    if (!m_previewDialog || !m_previewDialog->editor())
        return;
    m_previewDialog->setItem(item);

    QWidget *anchor = m_previewDialog->parentWidget() ? m_previewDialog->parentWidget() : this;
    const QPoint centre = anchor->mapToGlobal(anchor->rect().center());
    m_previewDialog->move(centre - QPoint(m_previewDialog->width() / 2, m_previewDialog->height() / 2));
    setBlur(true);
    m_previewDialog->exec();
    setBlur(false);
}

void EQCloudSharingContent::onPreviewApplyClicked()
{
    const int id = m_previewDialog ? m_previewDialog->previewItemId() : 0;
    if (id >= 1) {
        if (currentTab() == DownloadsTab)
            onCloudDownloadApplyRequested(id);
        else
            onCloudSharingApplyRequested(id);
    }
    closePreview();
}

void EQCloudSharingContent::closePreview()
{
    if (m_previewDialog && m_previewDialog->isVisible())
        m_previewDialog->reject();
    setBlur(false);
}

void EQCloudSharingContent::dismissPopups()
{
    if (m_confirmDialog && m_confirmDialog->isVisible())
        m_confirmDialog->reject();
    closePreview();
}

EQCloudDeleteConfirmDialog *EQCloudSharingContent::confirmDialog() const
{
    return m_confirmDialog.data();
}

bool EQCloudSharingContent::confirmDelete(int kind)
{
    auto *dialog = new EQCloudDeleteConfirmDialog(kind, this);
    m_confirmDialog = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (m_confirmDialog == dialog)
            m_confirmDialog = nullptr;
        dialog->deleteLater();
    });
    dialog->fitHeight();
    const QPoint centre = mapToGlobal(rect().center());
    dialog->move(centre - QPoint(dialog->width() / 2, dialog->height() / 2));
    setBlur(true);
    dialog->exec();
    setBlur(false);
    return dialog->isConfirmed();
}

void EQCloudSharingContent::setBlur(bool on)
{
    QWidget *target = window() ? window() : this;
    if (on) {
        if (!m_blurEffect) {
            auto *effect = new QGraphicsBlurEffect(this);
            effect->setBlurHints(QGraphicsBlurEffect::PerformanceHint);
            effect->setBlurRadius(8.0);
            m_blurEffect = effect;
            target->setGraphicsEffect(effect);
        }
        return;
    }
    // Only this page's own blur goes: the window may be blurred by another
    // modal (the login window, a password or firmware dialog) that a page
    // switch must not strip. Setting none deletes the effect.
    if (m_blurEffect && target->graphicsEffect() == m_blurEffect)
        target->setGraphicsEffect(nullptr);
    else
        delete m_blurEffect.data();
    m_blurEffect = nullptr;
}

void EQCloudSharingContent::showToast(const QString &text, int kind, int ms)
{
    m_toast->show(text, kind, ms);
}

void EQCloudSharingContent::showInfoToast(const QString &text, int ms)
{
    showToast(text, PageToast::Info, ms);
}

void EQCloudSharingContent::showSuccessToast(const QString &text, int ms)
{
    showToast(text, PageToast::Success, ms);
}

void EQCloudSharingContent::showErrorToast(const QString &text, int ms)
{
    showToast(text, PageToast::Failure, ms);
}
