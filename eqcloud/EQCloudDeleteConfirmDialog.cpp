#include "eqcloud/EQCloudDeleteConfirmDialog.h"

#include "widgets/KitFonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr double kRadius = 6.66677;

QString buttonStyle(const QString &background)
{
    return QStringLiteral("QPushButton { background: %1; color: #FFFFFF; border: none; border-radius: 6.66667px;"
                          " font-family: %2; font-size: 13.3333px; }")
        .arg(background, KitFonts::cssFamiliesSingleQuoted());
}

} // namespace

EQCloudDeleteConfirmDialog::EQCloudDeleteConfirmDialog(int kind, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_kind(kind)
{
    setModal(true);
    setObjectName(QStringLiteral("EQCloudDeleteConfirmDialog"));
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("QDialog {  background: #000000;  border-radius: 6.66677px;}"));
    setFixedWidth(364);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    const QString families = KitFonts::cssFamiliesSingleQuoted();
    m_title = new QLabel(this);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setStyleSheet(QStringLiteral("QLabel { color: #E4E4E4; font-family: %1; font-size: 16px;"
                                          " font-weight: 600; background: transparent; }")
                               .arg(families));
    column->addWidget(m_title);

    m_message = new QLabel(this);
    m_message->setFixedWidth(316);
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_message->setStyleSheet(QStringLiteral("QLabel { color: #E4E4E4; font-family: %1; font-size: 13.3333px;"
                                            " background: transparent; }")
                                 .arg(families));
    column->addWidget(m_message, 0, Qt::AlignHCenter);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("confirmCancelButton"));
    m_cancel->setFixedSize(112, 38);
    m_cancel->setCursor(Qt::PointingHandCursor);
    m_cancel->setStyleSheet(buttonStyle(QStringLiteral("#555555")));
    m_confirm = new QPushButton(this);
    m_confirm->setObjectName(QStringLiteral("confirmOkButton"));
    m_confirm->setFixedSize(112, 38);
    m_confirm->setCursor(Qt::PointingHandCursor);
    m_confirm->setStyleSheet(buttonStyle(
        QStringLiteral("qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0.1471 #6532CB, stop:0.8934 #410290)")));
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    buttons->addStretch(1);
    column->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });
    retranslateUi();
}

EQCloudDeleteConfirmDialog::~EQCloudDeleteConfirmDialog() = default;

void EQCloudDeleteConfirmDialog::retranslateUi()
{
    m_title->setText(tr("删除"));
    m_message->setText(m_kind == 1 ? tr("您确定要删除当前我的共享EQ吗？") : tr("您确定要删除当前云端下载EQ吗？"));
    m_cancel->setText(tr("取消"));
    m_confirm->setText(tr("确定"));
}

void EQCloudDeleteConfirmDialog::fitHeight()
{
    const int hint = layout() ? layout()->sizeHint().height() : 168;
    setFixedHeight(std::clamp(hint, 168, 480));
}

void EQCloudDeleteConfirmDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void EQCloudDeleteConfirmDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslateUi();
        fitHeight();
    }
    QDialog::changeEvent(event);
}
