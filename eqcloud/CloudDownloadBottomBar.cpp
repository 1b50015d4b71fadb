#include "eqcloud/CloudDownloadBottomBar.h"

#include "widgets/KitFonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

CloudDownloadBottomBar::CloudDownloadBottomBar(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    const QString style = QStringLiteral("QPushButton { background: transparent; border: none; color: #E4E4E4;"
                                         " font-family: %1; font-size: 12px; }"
                                         "QPushButton:hover { color: #FFFFFF; }")
                              .arg(KitFonts::cssFamiliesSingleQuoted());
    const auto make = [this, row, &style](const char *objectName) {
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(objectName));
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(style);
        row->addWidget(button);
        return button;
    };
    m_deleteButton = make("cloudDownloadDelete");
    m_previewButton = make("cloudDownloadPreview");
    m_shareButton = make("cloudDownloadShare");
    row->addStretch(1);
    m_applyButton = make("cloudDownloadApply");

    connect(m_deleteButton, &QPushButton::clicked, this, [this] { emit deleteRequested(m_cloudId); });
    connect(m_applyButton, &QPushButton::clicked, this, [this] { emit applyRequested(m_cloudId); });
    connect(m_previewButton, &QPushButton::clicked, this, &CloudDownloadBottomBar::previewRequested);
    connect(m_shareButton, &QPushButton::clicked, this, [this] { emit shareCodeRequested(m_shareCode); });
    retranslateUi();
}

CloudDownloadBottomBar::~CloudDownloadBottomBar() = default;

void CloudDownloadBottomBar::setApplied(bool applied)
{
    m_applied = applied;
    m_applyButton->setText(applied ? tr("已应用") : tr("应用"));
}

void CloudDownloadBottomBar::retranslateUi()
{
    m_deleteButton->setText(tr("删除"));
    m_previewButton->setText(tr("预览"));
    m_shareButton->setText(tr("分享"));
    setApplied(m_applied);
}

void CloudDownloadBottomBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}
