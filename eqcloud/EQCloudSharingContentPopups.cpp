// The pop-ups of the sharing page: preview, delete question and toasts.
#include "eqcloud/EQCloudSharingContent.h"

#include "eqcloud/EQCloudDeleteConfirmDialog.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eq/PageToast.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QPointer>
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
    WindowBlurBackdrop::execOver(this, m_previewDialog);
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
    // The page, and the dialog with it, may go while the question is open.
    const QPointer<EQCloudDeleteConfirmDialog> asked(dialog);
    WindowBlurBackdrop::execOver(this, dialog);
    return asked && asked->isConfirmed();
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
