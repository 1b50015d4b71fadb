#include "app/CustomSettingsForm.h"

#include "app/CloseBehavior.h"
#include "app/SettingsPageStyles.h"
#include "app/StartupOptions.h"
#include "language/AppLanguageManager.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/CustomRadioButtons.h"
#include "widgets/RoundedMask.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QSize kLanguageCardSize(894, 87);
const QSize kCardSize(435, 88);
constexpr int kCardSpacing = 24;
// The small cards' texts start this far in; a row that is longer keeps as much room at its end.
constexpr int kCardTextInset = 20;

// Process-wide pixmap cache; a missing file is tried once.
QPixmap loadCachedPixmap(const QString &path)
{
    static QHash<QString, QPixmap> cache;
    const auto hit = cache.constFind(path);
    if (hit != cache.cend())
        return hit.value();
    const QPixmap pixmap(path);
    cache.insert(path, pixmap);
    return pixmap;
}

// Paints the rows of the language popup: dark rows, a check icon on the right.
class LanguageComboItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->fillRect(option.rect, selected ? QColor(0x3A, 0x39, 0x3D) : QColor(0x2A, 0x29, 0x2D));

        QFont font;
        font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI")});
        font.setPixelSize(12);
        font.setWeight(QFont::Normal);
        painter->setFont(font);
        painter->setPen(selected ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xE4, 0xE4, 0xE4));

        const QPixmap icon = loadCachedPixmap(selected ? QStringLiteral(":/images/Group 18112.png")
                                                       : QStringLiteral(":/images/Group 18112un.png"));
        const bool hasIcon = !icon.isNull() && icon.width() > 0;
        QRect textRect = option.rect.adjusted(13, 0, hasIcon ? -(10 + icon.width()) : -8, 0);
        if (textRect.width() < 1)
            textRect = option.rect.adjusted(13, 0, -8, 0);
        const QString text = index.model() ? index.data(Qt::DisplayRole).toString() : QString();
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
        if (!icon.isNull()) {
            const int x = option.rect.right() - 10 - icon.width();
            const int y = option.rect.top() + (option.rect.height() - icon.height()) / 2;
            painter->drawPixmap(x, y, icon);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return QSize(qMax(option.rect.width(), 1), 34);
    }
};

// Clips the language popup's window to its rounded frame, so its square
// corners do not show around the border.
class RoundedPopupMask : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            applyRoundedMask(static_cast<QWidget *>(watched));
        return false;
    }
};

} // namespace

CustomSettingsForm::CustomSettingsForm(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setStyleSheet(QStringLiteral("background-color: transparent;"));
    setUpdatesEnabled(false);
    buildUi();
    setUpdatesEnabled(true);
    loadStoredValues();
}

CustomSettingsForm::~CustomSettingsForm() = default;

QString CustomSettingsForm::supportEmailAddress()
{
    return QStringLiteral("support@velkora.example");
}

void CustomSettingsForm::loadStoredValues()
{
    {
        const QSignalBlocker blocker(m_languageCombo);
        const bool english =
            AppLanguageManager::currentLanguageCode().startsWith(QLatin1String("en"), Qt::CaseInsensitive);
        m_languageCombo->setCurrentIndex(english ? 1 : 0);
    }
    {
        const QSignalBlocker autoBlocker(m_autoStartOption);
        const QSignalBlocker minimizedBlocker(m_minimizeOnStartOption);
        bool autoRun = false;
        bool startMinimized = false;
        StartupOptions::load(autoRun, startMinimized);
        m_autoStartOption->setCheckedState(autoRun);
        if (autoRun) {
            m_minimizeOnStartOption->setEnabled(true);
            m_minimizeOnStartOption->setCheckedState(startMinimized);
        } else {
            m_minimizeOnStartOption->setCheckedState(false);
            m_minimizeOnStartOption->setEnabled(false);
        }
    }
    {
        const QSignalBlocker exitBlocker(m_exitOnCloseOption);
        const QSignalBlocker trayBlocker(m_minimizeToTrayOption);
        const bool exit = CloseBehavior::exitOnClose();
        m_exitOnCloseOption->setCheckedState(exit);
        m_minimizeToTrayOption->setCheckedState(!exit);
    }
}

QFrame *CustomSettingsForm::makeCard(const QSize &size)
{
    auto *card = new QFrame(this);
    card->setFixedSize(size);
    card->setStyleSheet(SettingsPageStyles::card());
    return card;
}

QLabel *CustomSettingsForm::makeCardTitle(QWidget *parent)
{
    auto *title = new QLabel(parent);
    title->setStyleSheet(SettingsPageStyles::cardTitle());
    return title;
}

CustomRadioButtons *CustomSettingsForm::makeOptionButton(QWidget *parent)
{
    auto *option = new CustomRadioButtons(QString(), parent);
    // Keep the button's own transparent look and add the option text style.
    option->setStyleSheet(option->styleSheet() + SettingsPageStyles::option());
    option->setCursor(Qt::PointingHandCursor);
    return option;
}

CustomClickableLabel *CustomSettingsForm::makeLinkLabel(QWidget *parent)
{
    auto *link = new CustomClickableLabel(parent, true);
    link->setStyleSheet(SettingsPageStyles::link());
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

QFrame *CustomSettingsForm::makeSeparator(QWidget *parent)
{
    auto *separator = new QFrame(parent);
    separator->setFixedSize(1, 11);
    separator->setStyleSheet(SettingsPageStyles::separator());
    return separator;
}

void CustomSettingsForm::buildUi()
{
    m_rootLayout = new QVBoxLayout(this);
    m_rootLayout->setContentsMargins(0, 0, 0, 0);
    m_rootLayout->setSpacing(0);
    m_rootLayout->setAlignment(Qt::AlignCenter);

    buildLanguageCard();
    buildStartupCard();
    buildCloseCard();
    buildContactCard();
    buildAboutCard();

    m_footer = new QLabel(this);
    m_footer->setObjectName(QStringLiteral("footerLabel"));
    m_footer->setFixedHeight(15);
    m_footer->setAlignment(Qt::AlignCenter);
    m_footer->setStyleSheet(SettingsPageStyles::footer());

    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(20);
    auto *firstRow = new QHBoxLayout;
    firstRow->setContentsMargins(0, 0, 0, 0);
    firstRow->setSpacing(kCardSpacing);
    firstRow->addWidget(m_startupCard);
    firstRow->addWidget(m_closeCard);
    auto *secondRow = new QHBoxLayout;
    secondRow->setContentsMargins(0, 0, 0, 0);
    secondRow->setSpacing(kCardSpacing);
    secondRow->addWidget(m_contactCard);
    secondRow->addWidget(m_aboutCard);
    column->addLayout(firstRow);
    column->addLayout(secondRow);

    m_rootLayout->addStretch();
    m_rootLayout->addWidget(m_languageCard, 0, Qt::AlignCenter);
    m_rootLayout->addSpacing(20);
    m_rootLayout->addLayout(column);
    m_rootLayout->addStretch();
    m_rootLayout->addWidget(m_footer, 0, Qt::AlignCenter);
    m_rootLayout->addStretch();

    retranslateUi();
}

void CustomSettingsForm::buildLanguageCard()
{
    m_languageCard = makeCard(kLanguageCardSize);
    auto *row = new QHBoxLayout(m_languageCard);
    row->setContentsMargins(20, 0, 20, 0);
    row->setAlignment(Qt::AlignVCenter);
    m_languageTitle = makeCardTitle(m_languageCard);
    m_languageCombo = new QComboBox(m_languageCard);
    m_languageCombo->setObjectName(QStringLiteral("languageCombo"));
    m_languageCombo->setFixedSize(227, 33);
    m_languageCombo->addItem(tr("简体中文"));
    m_languageCombo->addItem(tr("English"));
    m_languageCombo->setCurrentIndex(0);
    m_languageCombo->setStyleSheet(SettingsPageStyles::combo());
    m_languageCombo->setCursor(Qt::PointingHandCursor);
    setupLanguagePopup();
    row->addWidget(m_languageTitle);
    row->addStretch();
    row->addWidget(m_languageCombo);
    connect(m_languageCombo, &QComboBox::currentIndexChanged, this,
            &CustomSettingsForm::onLanguageComboBoxCurrentIndexChanged);
}

void CustomSettingsForm::setupLanguagePopup()
{
    QAbstractItemView *view = m_languageCombo->view();
    view->setAttribute(Qt::WA_StyledBackground, true);
    if (auto *list = qobject_cast<QListView *>(view)) {
        list->setAlternatingRowColors(false);
        list->setAttribute(Qt::WA_MouseTracking, false);
        list->setFrameShape(QFrame::NoFrame);
    }
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        fusion->setParent(view);
        view->setStyle(fusion);
    }
    view->setStyleSheet(SettingsPageStyles::comboPopup());

    QPalette viewportPalette = view->viewport()->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Highlight})
            viewportPalette.setColor(group, role, QColor(0x1A, 0x1A, 0x1B));
        viewportPalette.setColor(group, QPalette::HighlightedText, QColor(0xE4, 0xE4, 0xE4));
    }
    view->viewport()->setPalette(viewportPalette);
    view->viewport()->setAutoFillBackground(true);
    QPalette viewPalette = view->palette();
    viewPalette.setColor(QPalette::Window, QColor(0x1A, 0x1A, 0x1B));
    viewPalette.setColor(QPalette::Base, QColor(0x1A, 0x1A, 0x1B));
    view->setPalette(viewPalette);
    view->setItemDelegate(new LanguageComboItemDelegate(view));
    if (QWidget *popup = view->window(); popup != view)
        popup->installEventFilter(new RoundedPopupMask(popup));
}

void CustomSettingsForm::buildStartupCard()
{
    m_startupCard = makeCard(kCardSize);
    auto *column = new QVBoxLayout(m_startupCard);
    column->setContentsMargins(20, 12, 0, 12);
    m_startupTitle = makeCardTitle(m_startupCard);
    m_autoStartOption = makeOptionButton(m_startupCard);
    m_minimizeOnStartOption = makeOptionButton(m_startupCard);
    m_autoStartOption->setObjectName(QStringLiteral("autoStartOption"));
    m_minimizeOnStartOption->setObjectName(QStringLiteral("minimizeOnStartOption"));
    m_autoStartOption->setAutoExclusive(false);
    m_minimizeOnStartOption->setAutoExclusive(false);
    m_minimizeOnStartOption->setEnabled(false);

    auto *branch = new QFrame(m_startupCard);
    branch->setFixedSize(8, 8);
    branch->setStyleSheet(SettingsPageStyles::branchMark());
    auto *minimizedRow = new QHBoxLayout;
    minimizedRow->setContentsMargins(0, 0, 0, 0);
    minimizedRow->addSpacing(5);
    minimizedRow->addWidget(branch);
    minimizedRow->addWidget(m_minimizeOnStartOption);
    minimizedRow->addStretch();

    column->addSpacing(7);
    column->addWidget(m_startupTitle);
    column->addWidget(m_autoStartOption);
    column->addLayout(minimizedRow);

    connect(m_autoStartOption, &QAbstractButton::toggled, this, &CustomSettingsForm::onAutoStartCheckBoxStateChanged);
    connect(m_minimizeOnStartOption, &QAbstractButton::toggled, this,
            &CustomSettingsForm::onMinimizeOnStartCheckBoxStateChanged);
}

void CustomSettingsForm::buildCloseCard()
{
    m_closeCard = makeCard(kCardSize);
    auto *column = new QVBoxLayout(m_closeCard);
    column->setContentsMargins(20, 12, 0, 12);
    m_closeTitle = makeCardTitle(m_closeCard);
    m_exitOnCloseOption = makeOptionButton(m_closeCard);
    m_minimizeToTrayOption = makeOptionButton(m_closeCard);
    m_exitOnCloseOption->setObjectName(QStringLiteral("exitOnCloseOption"));
    m_minimizeToTrayOption->setObjectName(QStringLiteral("minimizeToTrayOption"));
    m_minimizeToTrayOption->setChecked(true);
    m_closeGroup = new QButtonGroup(this);
    m_closeGroup->setExclusive(true);
    m_closeGroup->addButton(m_exitOnCloseOption, 0);
    m_closeGroup->addButton(m_minimizeToTrayOption, 1);
    column->addWidget(m_closeTitle);
    column->addWidget(m_exitOnCloseOption);
    column->addWidget(m_minimizeToTrayOption);
    connect(m_exitOnCloseOption, &QAbstractButton::toggled, this, &CustomSettingsForm::onExitOnCloseCheckBoxStateChanged);
    connect(m_minimizeToTrayOption, &QAbstractButton::toggled, this,
            &CustomSettingsForm::onMinimizeToTrayCheckBoxStateChanged);
}

void CustomSettingsForm::buildContactCard()
{
    m_contactCard = makeCard(kCardSize);
    auto *column = new QVBoxLayout(m_contactCard);
    column->setContentsMargins(20, 24, 0, 23);
    m_contactTitle = makeCardTitle(m_contactCard);
    m_contactEmail = makeLinkLabel(m_contactCard);
    m_contactEmail->setObjectName(QStringLiteral("contactEmailLink"));
    m_contactEmail->setText(supportEmailAddress());
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_contactEmail);
    row->addStretch();
    column->addWidget(m_contactTitle);
    column->addLayout(row);
    connect(m_contactEmail, &CustomClickableLabel::clicked, this, &CustomSettingsForm::onContactEmailClicked);
}

void CustomSettingsForm::buildAboutCard()
{
    m_aboutCard = makeCard(kCardSize);
    auto *column = new QVBoxLayout(m_aboutCard);
    column->setContentsMargins(20, 24, 0, 23);
    m_aboutTitle = makeCardTitle(m_aboutCard);

    m_versionCaption = new QLabel(m_aboutCard);
    m_versionCaption->setStyleSheet(SettingsPageStyles::versionCaption());
    m_updateLabel = makeLinkLabel(m_aboutCard);
    m_updateLabel->setStyleSheet(SettingsPageStyles::updateStatus());
    m_updateLabel->setObjectName(QStringLiteral("updateStatusLabel"));
    m_updateBadge = new QLabel(m_aboutCard);
    m_updateBadge->setObjectName(QStringLiteral("updateBadge"));
    m_updateBadge->setFixedSize(4, 4);
    m_updateBadge->setStyleSheet(SettingsPageStyles::updateBadge());
    m_aboutUsLink = makeLinkLabel(m_aboutCard);
    m_privacyLink = makeLinkLabel(m_aboutCard);
    m_agreementLink = makeLinkLabel(m_aboutCard);
    m_aboutUsLink->setObjectName(QStringLiteral("aboutUsLink"));
    m_privacyLink->setObjectName(QStringLiteral("privacyPolicyLink"));
    m_agreementLink->setObjectName(QStringLiteral("userAgreementLink"));

    auto *row = new QHBoxLayout;
    m_aboutRow = row;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(7);
    row->addWidget(m_versionCaption);
    row->addWidget(m_updateLabel);
    row->addWidget(m_updateBadge);
    row->addWidget(makeSeparator(m_aboutCard));
    row->addWidget(m_aboutUsLink);
    row->addWidget(makeSeparator(m_aboutCard));
    row->addWidget(m_privacyLink);
    row->addWidget(makeSeparator(m_aboutCard));
    row->addWidget(m_agreementLink);
    row->addStretch();
    column->addWidget(m_aboutTitle);
    column->addLayout(row);

    connect(m_updateLabel, &CustomClickableLabel::clicked, this, &CustomSettingsForm::onUpdateLabelClicked);
    connect(m_aboutUsLink, &CustomClickableLabel::clicked, this, &CustomSettingsForm::onAboutUsLabelClicked);
    connect(m_privacyLink, &CustomClickableLabel::clicked, this, &CustomSettingsForm::onPrivacyPolicyLabelClicked);
    connect(m_agreementLink, &CustomClickableLabel::clicked, this, &CustomSettingsForm::onUserAgreementLabelClicked);
}

void CustomSettingsForm::retranslateUi()
{
    if (!m_languageTitle || !m_languageCombo)
        return;
    m_languageTitle->setText(tr("语言切换"));
    {
        const QSignalBlocker blocker(m_languageCombo);
        const int current = m_languageCombo->currentIndex();
        m_languageCombo->setItemText(0, tr("简体中文"));
        m_languageCombo->setItemText(1, tr("English"));
        m_languageCombo->setCurrentIndex(current);
    }
    m_startupTitle->setText(tr("启动"));
    m_autoStartOption->setText(tr("开机自启动"));
    m_minimizeOnStartOption->setText(tr("启动后最小化"));
    m_closeTitle->setText(tr("关闭面板时"));
    m_exitOnCloseOption->setText(tr("关闭即退出程序"));
    m_minimizeToTrayOption->setText(tr("关闭即最小化到托盘"));
    m_contactTitle->setText(tr("联系客服"));
    m_aboutTitle->setText(tr("协议与关于"));
    m_versionCaption->setText(tr("当前版本："));
    m_aboutUsLink->setText(tr("关于我们"));
    m_privacyLink->setText(tr("隐私政策"));
    m_agreementLink->setText(tr("用户协议"));
    refreshUpdateLabel();
    m_footer->setText(tr("Copyright © VELKORA. 保留所有权利。"));
}

// The four small cards keep one width and the language card spans two of
// them, so a row too long for its card (the about row in English) widens
// them all alike instead of being squeezed into the card's edge.
void CustomSettingsForm::fitCardWidths()
{
    if (!m_aboutRow || !m_languageCard)
        return;
    // The texts' fonts come from their style sheets; a changed text leaves the row's hint stale.
    m_aboutCard->ensurePolished();
    m_aboutRow->invalidate();
    const int needed = kCardTextInset + m_aboutRow->sizeHint().width() + kCardTextInset;
    const int width = std::max(kCardSize.width(), needed);
    for (QFrame *card : {m_startupCard, m_closeCard, m_contactCard, m_aboutCard})
        card->setFixedWidth(width);
    m_languageCard->setFixedWidth(std::max(kLanguageCardSize.width(), 2 * width + kCardSpacing));
}

void CustomSettingsForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void CustomSettingsForm::refreshUpdateLabel()
{
    if (!m_updateAvailable && !m_updateRequired && !m_versionTooLow) {
        m_updateLabel->setText(tr("已是最新版本"));
        m_updateLabel->setEnabled(false);
        m_updateLabel->setClickable(false);
        fitCardWidths();
        return;
    }
    m_updateLabel->setEnabled(true);
    m_updateLabel->setClickable(true);
    if (m_versionTooLow)
        m_updateLabel->setText(tr("版本过低"));
    else if (m_updateRequired)
        m_updateLabel->setText(tr("需立即更新"));
    else
        m_updateLabel->setText(tr("有新版本"));
    fitCardWidths();
}

void CustomSettingsForm::setUpdateAvailable(bool available)
{
    m_updateAvailable = available;
    refreshUpdateLabel();
}

void CustomSettingsForm::setUpdateRequired(bool required)
{
    m_updateRequired = required;
    refreshUpdateLabel();
}

void CustomSettingsForm::setVersionTooLow(bool tooLow)
{
    m_versionTooLow = tooLow;
    refreshUpdateLabel();
}

void CustomSettingsForm::setUpdateBadgeVisible(bool visible)
{
    m_updateBadge->setVisible(visible);
    fitCardWidths();
}

bool CustomSettingsForm::isAutoStartChecked() const
{
    return m_autoStartOption->isChecked();
}

bool CustomSettingsForm::isMinimizeOnStartChecked() const
{
    return m_minimizeOnStartOption->isEnabled() && m_minimizeOnStartOption->isChecked();
}

bool CustomSettingsForm::isExitOnCloseChecked() const
{
    return m_exitOnCloseOption->isChecked();
}

void CustomSettingsForm::onLanguageComboBoxCurrentIndexChanged(int index)
{
    emit languageChanged(index == 1 ? QStringLiteral("en_US") : QStringLiteral("zh_CN"));
}

void CustomSettingsForm::onAutoStartCheckBoxStateChanged(bool state)
{
    emit autoStartChanged(state);
    if (!state) {
        m_minimizeOnStartOption->setCheckedState(false);
        m_minimizeOnStartOption->setEnabled(false);
    } else {
        m_minimizeOnStartOption->setEnabled(true);
    }
}

void CustomSettingsForm::onMinimizeOnStartCheckBoxStateChanged(bool state)
{
    emit minimizeOnStartChanged(state);
}

void CustomSettingsForm::onCloseOptionToggled(bool state)
{
    // The exclusive pair toggles twice per change; only the newly checked one reports.
    if (state)
        emit closeBehaviorPreferenceChanged();
}

void CustomSettingsForm::onExitOnCloseCheckBoxStateChanged(bool state)
{
    onCloseOptionToggled(state);
}

void CustomSettingsForm::onMinimizeToTrayCheckBoxStateChanged(bool state)
{
    onCloseOptionToggled(state);
}

void CustomSettingsForm::onContactEmailClicked()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + supportEmailAddress()));
    emit contactCustomerService();
}

void CustomSettingsForm::onUpdateLabelClicked()
{
    emit checkForUpdates();
}

void CustomSettingsForm::onAboutUsLabelClicked()
{
    QDesktopServices::openUrl(QUrl(tr("https://velkora.example/zh/about")));
    emit aboutUs();
}

void CustomSettingsForm::onPrivacyPolicyLabelClicked()
{
    QDesktopServices::openUrl(QUrl(tr("https://velkora.example/zh/privacy")));
    emit privacyPolicy();
}

void CustomSettingsForm::onUserAgreementLabelClicked()
{
    QDesktopServices::openUrl(QUrl(tr("https://velkora.example/zh/terms")));
    emit userAgreement();
}
