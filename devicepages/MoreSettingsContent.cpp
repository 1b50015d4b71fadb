#include "devicepages/MoreSettingsContent.h"

#include "devicepages/CircleDot.h"
#include "devicepages/DevicePageDialog.h"
#include "devicepages/DevicePageStyles.h"
#include "devicepages/RoundedTrackSlider.h"
#include "widgets/ElidedLabelText.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kMinPromptTone = 1;
constexpr int kMaxPromptTone = 7;
constexpr int kInitialPromptTone = 3;
constexpr int kMaxNameBytes = 31;
const int kPromptToneLabelX[] = {598, 635, 670, 707, 742, 779, 814};
// The name and its edit button on the rename card: right-aligned, ending at
// the card's inner edge; the row starts at kNameRowX unless the name needs more.
constexpr int kNameRowX = 180;
constexpr int kNameRowY = 36;
constexpr int kNameRowRight = 395;
constexpr int kNameRowHeight = 16;
constexpr int kNameRowSpacing = 4;
constexpr int kNameTitleGap = 16;

QString cardStyle()
{
    return QStringLiteral("QFrame { background-color: %1; border-radius: %2px; }")
        .arg(QStringLiteral("#1A1A1B"))
        .arg(7);
}

QString dialogLabelStyle(const char *colour, int pixelSize)
{
    return QStringLiteral("QLabel { color: %1; font-family: %2; font-size: %3px; font-weight: 400;"
                          " background: transparent; }")
        .arg(QLatin1String(colour), DevicePageStyles::fontFamilies())
        .arg(pixelSize);
}

} // namespace

MoreSettingsContent::MoreSettingsContent(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("MoreSettingsContent { background-color: %1; }").arg(QStringLiteral("#1C1C1E")));

    QFrame *promptToneCard = buildPromptToneCard();
    QFrame *renameCard = buildRenameCard();
    QFrame *resetCard = buildFactoryResetCard();
    buildFirmwareCard(m_headphone, "headphoneFirmwareCard", 97);
    buildFirmwareCard(m_receiver, "receiverFirmwareCard", 109);

    auto *secondRow = new QHBoxLayout;
    secondRow->setSpacing(24);
    secondRow->setAlignment(Qt::AlignCenter);
    secondRow->addWidget(renameCard);
    secondRow->addWidget(resetCard);
    auto *thirdRow = new QHBoxLayout;
    thirdRow->setSpacing(24);
    thirdRow->setAlignment(Qt::AlignCenter);
    thirdRow->addWidget(m_headphone.frame);
    thirdRow->addWidget(m_receiver.frame);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(24);
    layout->setAlignment(Qt::AlignCenter);
    layout->addWidget(promptToneCard, 0, Qt::AlignCenter);
    layout->addLayout(secondRow);
    layout->addLayout(thirdRow);

    retranslateUi();
    updatePromptToneScale(m_promptToneSlider->value());
}

MoreSettingsContent::~MoreSettingsContent() = default;

QFrame *MoreSettingsContent::createCard(const QSize &size, const char *objectName)
{
    auto *card = new QFrame(this);
    card->setObjectName(QLatin1String(objectName));
    card->setFixedSize(size);
    card->setStyleSheet(cardStyle());
    return card;
}

QLabel *MoreSettingsContent::createLabel(QWidget *parent, const QRect &geometry, const QFont &font,
                                         const char *colour, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QLatin1String(colour)));
    return label;
}

QFrame *MoreSettingsContent::buildPromptToneCard()
{
    QFrame *card = createCard(QSize(853, 87), "promptToneCard");
    m_promptToneTitle = createLabel(card, QRect(20, 34, 200, 20), DevicePageStyles::font(14, 400), "#999999");
    m_promptToneTitle->setObjectName(QStringLiteral("promptToneTitle"));

    m_promptToneSlider = new RoundedTrackSlider(card);
    m_promptToneSlider->setObjectName(QStringLiteral("promptToneSlider"));
    m_promptToneSlider->setGeometry(603, 32, 227, 11);
    m_promptToneSlider->setCursor(Qt::PointingHandCursor);
    m_promptToneSlider->setRange(kMinPromptTone, kMaxPromptTone);
    m_promptToneSlider->setValue(kInitialPromptTone);
    m_promptToneSlider->setSingleStep(1);
    m_promptToneSlider->setPageStep(1);

    for (int i = 0; i < kMaxPromptTone; ++i) {
        auto *dot = new CircleDot(card);
        dot->setObjectName(QStringLiteral("promptToneDot%1").arg(i + 1));
        dot->setGeometry(605 + 36 * i, 35, 5, 5);
        // The marks sit on the track; clicks go through to the slider.
        dot->setAttribute(Qt::WA_TransparentForMouseEvents, true);
        m_promptToneDots.append(dot);

        QLabel *number = createLabel(card, QRect(kPromptToneLabelX[i], 46, 20, 14), DevicePageStyles::font(10, 500),
                                     "#555555", Qt::AlignCenter);
        number->setObjectName(QStringLiteral("promptToneLabel%1").arg(i + 1));
        number->setText(QString::number(i + 1));
        m_promptToneLabels.append(number);
    }
    connect(m_promptToneSlider, &QSlider::valueChanged, this, &MoreSettingsContent::onPromptToneSliderChanged);
    return card;
}

QFrame *MoreSettingsContent::buildRenameCard()
{
    QFrame *card = createCard(QSize(415, 88), "renameCard");
    m_renameTitle = createLabel(card, QRect(20, 35, 200, 18), DevicePageStyles::font(14, 400), "#999999");
    m_renameTitle->setObjectName(QStringLiteral("renameTitle"));

    auto *row = new QWidget(card);
    m_nameRow = row;
    row->setObjectName(QStringLiteral("deviceNameRow"));
    row->setGeometry(kNameRowX, kNameRowY, kNameRowRight - kNameRowX, kNameRowHeight);
    row->setStyleSheet(QStringLiteral("background: transparent;"));
    m_nameLabel = createLabel(row, QRect(), DevicePageStyles::font(10.6667, 400), "#999999",
                              Qt::AlignRight | Qt::AlignVCenter);
    m_nameLabel->setObjectName(QStringLiteral("deviceNameLabel"));
    m_renameButton = new QPushButton(row);
    m_renameButton->setObjectName(QStringLiteral("renameButton"));
    m_renameButton->setFixedSize(13, 13);
    m_renameButton->setFlat(true);
    m_renameButton->setCursor(Qt::PointingHandCursor);
    m_renameButton->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    const QPixmap editIcon(QStringLiteral(":/images/headphone_rename_edit.png"));
    if (!editIcon.isNull()) {
        m_renameButton->setIcon(QIcon(editIcon));
        m_renameButton->setIconSize(QSize(13, 13));
    }
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(kNameRowSpacing);
    rowLayout->addWidget(m_nameLabel, 1);
    rowLayout->addWidget(m_renameButton);
    connect(m_renameButton, &QPushButton::clicked, this, &MoreSettingsContent::showRenameDialog);
    return card;
}

QFrame *MoreSettingsContent::buildFactoryResetCard()
{
    QFrame *card = createCard(QSize(415, 88), "factoryResetCard");
    m_resetTitle = createLabel(card, QRect(20, 24, 250, 20), DevicePageStyles::font(14, 400), "#999999");
    m_resetTitle->setObjectName(QStringLiteral("factoryResetTitle"));
    m_resetSubtitle = createLabel(card, QRect(20, 51, 250, 14), DevicePageStyles::font(10, 400), "#999999");
    m_resetSubtitle->setObjectName(QStringLiteral("factoryResetSubtitle"));
    m_resetButton = new QPushButton(card);
    m_resetButton->setObjectName(QStringLiteral("factoryResetButton"));
    m_resetButton->setGeometry(301, 33, 93, 25);
    m_resetButton->setCursor(Qt::PointingHandCursor);
    m_resetButton->setStyleSheet(DevicePageStyles::cardActionButton());
    connect(m_resetButton, &QPushButton::clicked, this, &MoreSettingsContent::confirmFactoryReset);
    return card;
}

void MoreSettingsContent::retranslateUi()
{
    m_promptToneTitle->setText(tr("耳机提示音音量"));
    m_renameTitle->setText(tr("耳机重命名"));
    placeNameRow();
    m_resetTitle->setText(tr("恢复出厂设置"));
    m_resetSubtitle->setText(tr("耳机所有状态将恢复到出厂默认"));
    m_resetButton->setText(tr("恢复出厂"));
    m_headphone.title->setText(tr("耳机固件OTA"));
    m_receiver.title->setText(tr("接收器固件OTA"));
    for (FirmwareCard *card : {&m_headphone, &m_receiver}) {
        card->currentCaption->setText(tr("当前版本："));
        card->availableCaption->setText(tr("可更新版本："));
        card->upgradeButton->setText(tr("升级"));
        refreshFirmwareCard(*card);
    }
    placeUpdateBadges();
}

void MoreSettingsContent::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_promptToneTitle)
        retranslateUi();
    QWidget::changeEvent(event);
}

void MoreSettingsContent::setPromptToneLevel(int level)
{
    if (level < kMinPromptTone || level > kMaxPromptTone)
        return;
    {
        const QSignalBlocker blocker(m_promptToneSlider);
        m_promptToneSlider->setValue(level);
    }
    m_promptToneSlider->update();
    updatePromptToneScale(level);
}

int MoreSettingsContent::promptToneLevel() const
{
    return m_promptToneSlider->value();
}

void MoreSettingsContent::onPromptToneSliderChanged(int level)
{
    updatePromptToneScale(level);
    emit promptToneVolumeChanged(level);
}

void MoreSettingsContent::updatePromptToneScale(int level)
{
    for (int i = 0; i < m_promptToneDots.size(); ++i) {
        const bool lit = i < level;
        m_promptToneDots[i]->color = QColor(lit ? "#00D68B" : "#1A1A1B");
        m_promptToneDots[i]->update();
        m_promptToneLabels[i]->setStyleSheet(
            QStringLiteral("color: %1; background: transparent;").arg(lit ? "#999999" : "#555555"));
    }
}

bool MoreSettingsContent::isValidDeviceName(const QString &name)
{
    const QString trimmed = name.trimmed();
    return !trimmed.isEmpty() && trimmed.toUtf8().size() <= kMaxNameBytes;
}

void MoreSettingsContent::setDeviceName(const QString &name)
{
    applyDeviceName(name, false);
}

bool MoreSettingsContent::applyDeviceName(const QString &name, bool emitChange)
{
    if (!isValidDeviceName(name))
        return false;
    const QString trimmed = name.trimmed();
    if (trimmed == m_deviceName)
        return false;
    m_deviceName = trimmed;
    placeNameRow();
    if (emitChange)
        emit deviceNameChanged(trimmed);
    return true;
}

// A name wider than its row takes room to the left, up to the title; longer
// still, it ends in an ellipsis and is whole in the tool tip.
void MoreSettingsContent::placeNameRow()
{
    const QFontMetrics nameMetrics(m_nameLabel->font());
    const int buttonPart = kNameRowSpacing + m_renameButton->width();
    const int needed = nameMetrics.horizontalAdvance(m_deviceName) + 2 + buttonPart;
    const QFontMetrics titleMetrics(m_renameTitle->font());
    const int titleEnd = m_renameTitle->x() + titleMetrics.horizontalAdvance(m_renameTitle->text());
    const int left = qMin(kNameRowX, qMax(titleEnd + kNameTitleGap, kNameRowRight - needed));
    m_nameRow->setGeometry(left, kNameRowY, kNameRowRight - left, kNameRowHeight);
    setElidedLabelText(m_nameLabel, m_deviceName, m_nameRow->width() - buttonPart, m_nameLabel->font());
}

void MoreSettingsContent::showRenameDialog()
{
    DevicePageDialog dialog(this, QSize(364, 178), QStringLiteral("7px"));
    dialog.setObjectName(QStringLiteral("renameDialog"));
    auto *title = new QLabel(tr("耳机重命名"), &dialog);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(dialogLabelStyle("#E4E4E4", 16));
    auto *edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("renameEdit"));
    edit->setFixedHeight(44);
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(kMaxNameBytes);
    edit->setPlaceholderText(tr("请输入耳机昵称"));
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: #1A1A1B; color: #E4E4E4; border: 1px solid #333333;"
                                       " border-radius: 7px; font-family: %1; font-size: 14px; }")
                            .arg(DevicePageStyles::fontFamilies()));
    edit->setText(m_deviceName);
    edit->selectAll();

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(40, 20, 40, 24);
    layout->setSpacing(16);
    layout->addWidget(title);
    layout->addWidget(edit);
    layout->addLayout(dialog.createButtonRow());

    // "确定" checks the name first; a bad one keeps the dialog open.
    disconnect(dialog.confirmButton(), &QPushButton::clicked, &dialog, &QDialog::accept);
    const auto check = [this, &dialog, edit] {
        if (isValidDeviceName(edit->text())) {
            dialog.accept();
            return;
        }
        emit settingsTopToastFailRequested(QObject::tr("名称长度需小于32字节"));
        edit->setFocus();
    };
    connect(dialog.confirmButton(), &QPushButton::clicked, &dialog, check);
    connect(edit, &QLineEdit::returnPressed, &dialog, check);

    edit->setFocus();
    if (dialog.execBlurred() == QDialog::Accepted)
        applyDeviceName(edit->text(), true);
}

bool MoreSettingsContent::runConfirmation(const QString &title, const QString &text, const char *objectName)
{
    DevicePageDialog dialog(this, QSize(364, 154));
    dialog.setObjectName(QLatin1String(objectName));
    auto *heading = new QLabel(title, &dialog);
    heading->setFixedHeight(22);
    heading->setAlignment(Qt::AlignCenter);
    heading->setStyleSheet(dialogLabelStyle("#E4E4E4", 16));
    auto *message = new QLabel(text, &dialog);
    message->setObjectName(QStringLiteral("confirmationText"));
    message->setMinimumHeight(20);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    message->setStyleSheet(dialogLabelStyle("#999999", 14));

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(24, 20, 24, 24);
    layout->setSpacing(0);
    layout->addWidget(heading);
    layout->addSpacing(16);
    layout->addWidget(message);
    layout->addStretch();
    layout->addLayout(dialog.createButtonRow());
    return dialog.execBlurred() == QDialog::Accepted;
}

void MoreSettingsContent::confirmFactoryReset()
{
    if (runConfirmation(tr("恢复出厂设置"), tr("您确定要恢复出厂设置吗？"), "factoryResetDialog"))
        emit restoreFactoryRequested();
}
