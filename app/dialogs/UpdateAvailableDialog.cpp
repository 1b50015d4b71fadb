#include "app/dialogs/UpdateAvailableDialog.h"

#include "widgets/DialogStyle.h"
#include "widgets/RoundedMask.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 364;
constexpr int kMinimumHeight = 154;
constexpr int kTextWidth = 316;
constexpr int kMessageButtonGap = 8;

const QString &messageStyle()
{
    static const QString s =
        QStringLiteral("color: #999999; font-family: %1; font-weight: 400; font-size: 14px; line-height: 20px;")
            .arg(DialogStyle::fontFamilies());
    return s;
}

QString buttonStyle(const QString &normal, const QString &hover, const QString &pressed)
{
    return QStringLiteral("QPushButton { background: %1; border-radius: 6.66667px; border: none; color: #FFFFFF;"
                          " font-family: %4; font-weight: 400; font-size: 12px; line-height: 17px;"
                          " padding: 8px 6px; }"
                          "QPushButton:hover { background: %2; }"
                          "QPushButton:pressed { background: %3; }")
        .arg(normal, hover, pressed, DialogStyle::fontFamilies());
}

QString gradient(const char *from, const char *to)
{
    return QStringLiteral("qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0 %1, stop:1 %2)")
        .arg(QLatin1String(from), QLatin1String(to));
}

const QString &confirmStyle()
{
    static const QString s = buttonStyle(gradient("#6532CB", "#410290"), gradient("#7542DB", "#5112A0"),
                                         gradient("#5A2DB5", "#39027F"));
    return s;
}

const QString &cancelStyle()
{
    static const QString s =
        buttonStyle(QStringLiteral("#555555"), QStringLiteral("#666666"), QStringLiteral("#484848"));
    return s;
}

QPushButton *makeButton(QWidget *parent, const char *name, Qt::FocusPolicy focus, const QString &style)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(112, 33);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(focus);
    button->setStyleSheet(style);
    return button;
}

} // namespace

UpdateAvailableDialog::UpdateAvailableDialog(QWidget *parent)
    : QDialog(parent), m_titleLabel(new QLabel(this)), m_messageLabel(new QLabel(this))
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedWidth(kWidth);
    setMinimumHeight(kMinimumHeight);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(DialogStyle::frameStyle());

    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setWordWrap(true);
    // As wide as it may be: a centred word-wrapped label would otherwise get
    // its narrow size hint and wrap a short title into clipped lines.
    m_titleLabel->setFixedWidth(kTextWidth);
    m_titleLabel->setStyleSheet(DialogStyle::titleStyle());

    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_messageLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setFixedWidth(kTextWidth);
    m_messageLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::MinimumExpanding);
    m_messageLabel->setStyleSheet(messageStyle());

    auto *buttons = new QWidget(this);
    buttons->setFixedWidth(240);
    auto *buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(16);
    m_cancelButton = makeButton(buttons, "cancelButton", Qt::NoFocus, cancelStyle());
    m_confirmButton = makeButton(buttons, "confirmButton", Qt::StrongFocus, confirmStyle());
    m_confirmButton->setDefault(true);
    m_confirmButton->setAutoDefault(true);
    buttonRow->addWidget(m_cancelButton, 0, Qt::AlignCenter);
    buttonRow->addWidget(m_confirmButton, 0, Qt::AlignCenter);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        m_choice = Cancelled;
        reject();
    });
    connect(m_confirmButton, &QPushButton::clicked, this, [this] {
        m_choice = Confirmed;
        accept();
    });

    auto *buttonLine = new QHBoxLayout;
    buttonLine->setContentsMargins(0, 0, 0, 0);
    buttonLine->addStretch(1);
    buttonLine->addWidget(buttons);
    buttonLine->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 24);
    layout->setSpacing(0);
    layout->addWidget(m_titleLabel, 0, Qt::AlignHCenter);
    layout->addSpacing(15);
    layout->addWidget(m_messageLabel, 0, Qt::AlignHCenter);
    // The stretch, but never so short that a long message runs into the buttons.
    layout->addSpacerItem(new QSpacerItem(0, kMessageButtonGap, QSizePolicy::Minimum, QSizePolicy::Expanding));
    layout->addLayout(buttonLine);
    applyRoundedMask(this);
}

UpdateAvailableDialog::~UpdateAvailableDialog() = default;

void UpdateAvailableDialog::setContent(const QString &title, const QString &message, const QString &cancelText,
                                       const QString &confirmText)
{
    m_titleLabel->setText(title);
    m_messageLabel->setText(message);
    m_cancelButton->setText(cancelText);
    m_confirmButton->setText(confirmText);
    m_choice = Open;

    for (QLabel *label : {m_titleLabel, m_messageLabel}) {
        // A box filled twice fits the second texts, not the taller of both.
        label->setMinimumHeight(0);
        const int height = label->heightForWidth(kTextWidth);
        if (height > 0)
            label->setMinimumHeight(height);
    }
    layout()->activate();
    adjustSize();
    setFixedHeight(qMax(sizeHint().height(), kMinimumHeight));
    applyRoundedMask(this);
}

void UpdateAvailableDialog::reject()
{
    // Escape or a close from outside counts as cancel; a cancel click has set it already.
    if (m_choice == Open)
        m_choice = Cancelled;
    QDialog::reject();
}

void UpdateAvailableDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyRoundedMask(this);
}
