#include "account/EditAvatarDialog.h"

#include "account/AccountImages.h"
#include "account/AccountStyle.h"
#include "account/AvatarImage.h"
#include "cloud/BoundedGet.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/PixelRatioFollower.h"
#include "widgets/RoundAvatar.h"
#include "widgets/RoundedMask.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtMath>

EditAvatarDialog::EditAvatarDialog(const QString &currentAvatarUrl, QWidget *parent)
    : ProfileEditDialog(QSize(364, 243), parent), m_preview(new CustomClickableLabel(nullptr, true)),
      m_hintLabel(new QLabel(this))
{
    auto *holder = new QWidget(this);
    holder->setFixedSize(80, 80);
    m_preview->setParent(holder);
    m_preview->setObjectName(QStringLiteral("avatarPreview"));
    m_preview->setFixedSize(previewSide, previewSide);
    m_preview->move((80 - previewSide) / 2, (80 - previewSide) / 2);
    m_preview->setAttribute(Qt::WA_TranslucentBackground);
    m_preview->setStyleSheet(QStringLiteral("background: transparent;"));

    m_hintLabel->setObjectName(QStringLiteral("hintLabel"));
    m_hintLabel->setFixedHeight(21);
    m_hintLabel->setAlignment(Qt::AlignCenter);
    m_hintLabel->setWordWrap(false);
    m_hintLabel->setStyleSheet(
        QStringLiteral("color: #E4E4E4; font-family: %1; font-size: 14px;").arg(AccountStyle::fontFamilies()));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 20, 0, 24);
    layout->setSpacing(0);
    layout->addWidget(titleLabel());
    layout->addSpacing(16);
    layout->addWidget(holder, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(m_hintLabel);
    layout->addSpacing(20);
    layout->addLayout(makeButtonRow());

    okButton()->setEnabled(false);
    connect(m_preview, &CustomClickableLabel::clicked, this, &EditAvatarDialog::onPreviewClicked);
    retranslateUi();
    applyRoundedMask(this);
    loadCurrentAvatar(currentAvatarUrl);
}

EditAvatarDialog::~EditAvatarDialog() = default;

void EditAvatarDialog::retranslateUi()
{
    titleLabel()->setText(tr("修改头像"));
    setWindowTitle(titleLabel()->text());
    m_hintLabel->setText(tr("支持JPG，PNG格式，文件大小不超过2MB"));
    cancelButton()->setText(tr("取消"));
    okButton()->setText(tr("确定"));
}

void EditAvatarDialog::showPreview(const QPixmap &image)
{
    // Kept, so that a move to a screen of another ratio can draw it again.
    const QPixmap kept = AvatarImage::fitted(image);
    PixelRatioFollower::follow(m_preview, [this, kept](qreal ratio) {
        m_preview->setPixmap(roundAvatar(kept, QSize(previewSide, previewSide), ratio));
    });
}

void EditAvatarDialog::loadCurrentAvatar(const QString &url)
{
    const QString trimmed = url.trimmed();
    const QPixmap fallback(AccountImages::defaultAvatar());
    if (trimmed.isEmpty()) {
        showPreview(fallback);
        return;
    }
    if (!AvatarImage::isRemote(trimmed)) {
        const QPixmap local(trimmed);
        showPreview(local.isNull() ? fallback : local);
        return;
    }
    showPreview(fallback);
    // One manager per download; it goes with the dialog if that closes first.
    auto *manager = new QNetworkAccessManager(this);
    QNetworkReply *reply = AvatarImage::download(manager, trimmed);
    connect(reply, &QNetworkReply::finished, this, [this, manager, reply] {
        manager->deleteLater();
        reply->deleteLater();
        // Once a file is chosen the preview shows it, not the current avatar.
        if (reply->error() != QNetworkReply::NoError || !m_selectedFilePath.isEmpty())
            return;
        const QImage image = AvatarImage::decode(BoundedGet::body(reply));
        if (!image.isNull())
            showPreview(QPixmap::fromImage(image));
    });
}

QString EditAvatarDialog::chooseImageFile()
{
    return QFileDialog::getOpenFileName(this, tr("选择图片"), QString(),
                                        QStringLiteral("Images (*.jpg *.jpeg *.png);;All files (*)"));
}

void EditAvatarDialog::showWarning(const QString &text)
{
    QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok);
}

void EditAvatarDialog::onPreviewClicked()
{
    const QString path = chooseImageFile();
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (info.size() > maxFileBytes) {
        showWarning(tr("文件大小不能超过 2MB"));
        return;
    }
    const QString suffix = info.suffix().toLower();
    if (suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg") && suffix != QLatin1String("png")) {
        showWarning(tr("请选择 JPG 或 PNG 格式的图片"));
        return;
    }
    QImage image;
    if (!image.load(path) || image.isNull()) {
        showWarning(tr("无法读取该图片文件"));
        return;
    }
    m_selectedFilePath = path;
    showPreview(QPixmap::fromImage(image));
    okButton()->setEnabled(true);
}
