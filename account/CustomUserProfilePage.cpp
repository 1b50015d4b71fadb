#include "account/CustomUserProfilePage.h"

#include "account/AccountImages.h"
#include "account/AccountStyle.h"
#include "widgets/CustomClickableLabel.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString modifyButtonStyle(int fontSize, bool withDisabledLook)
{
    QString style = AccountStyle::gradientButtonStyle(
        "#7542DB", "#5112A0", "#5A2DB5", "#39027F",
        QStringLiteral("border: 0.666667px solid rgba(101, 50, 203, 0.5); border-radius: 6.66667px;"
                       " color: #E4E4E4; font-family: %1; font-size: %2px;")
            .arg(AccountStyle::fontFamilies())
            .arg(fontSize));
    if (withDisabledLook) {
        style += QStringLiteral("QPushButton:disabled, QPushButton:disabled:hover, QPushButton:disabled:pressed {"
                                " color: #666666; border: 0.666667px solid #444444; background: #353535; }");
    }
    return style;
}

QPushButton *makeModifyButton(QWidget *parent, bool withDisabledLook)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(94, 25);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(modifyButtonStyle(11, withDisabledLook));
    return button;
}

QLabel *makeLabel(QWidget *parent, int fontSize, const char *colour, int weight)
{
    auto *label = new QLabel(parent);
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; font-family: %2; font-size: %3px; font-weight: %4;"
                                        " background: transparent; }")
                             .arg(QLatin1String(colour), AccountStyle::fontFamilies())
                             .arg(fontSize)
                             .arg(weight));
    return label;
}

QFrame *makeCard(QWidget *parent)
{
    auto *card = new QFrame(parent);
    card->setFixedSize(414, 88);
    card->setStyleSheet(
        QStringLiteral("QFrame { background-color: #1A1A1B; border-radius: 6.66667px; border: none; }"));
    return card;
}

} // namespace

CustomUserProfilePage::CustomUserProfilePage(QWidget *parent)
    : QWidget(parent),
      m_network(new QNetworkAccessManager(this)),
      m_avatarLabel(new CustomClickableLabel(this, true)),
      m_nicknameCaption(makeLabel(this, 14, "#999999", 500)),
      m_nicknameValue(makeLabel(this, 11, "#E4E4E4", 400)),
      m_passwordCaption(makeLabel(this, 14, "#999999", 500)),
      m_passwordValue(makeLabel(this, 10, "#999999", 400)),
      m_emailCaption(makeLabel(this, 14, "#999999", 500)),
      m_emailValue(makeLabel(this, 10, "#999999", 400)),
      m_phoneCaption(makeLabel(this, 14, "#999999", 500)),
      m_phoneValue(makeLabel(this, 10, "#999999", 400)),
      m_nicknameEditButton(new QToolButton(this)),
      m_passwordButton(makeModifyButton(this, false)),
      m_emailButton(makeModifyButton(this, true)),
      m_phoneButton(makeModifyButton(this, true)),
      m_logoutButton(new QPushButton(this))
{
    auto *cache = new QNetworkDiskCache(m_network);
    cache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                             QStringLiteral("/avatar_http"));
    m_network->setCache(cache);

    buildUi();

    connect(m_avatarLabel, &CustomClickableLabel::clicked, this, &CustomUserProfilePage::editAvatarRequested);
    connect(m_nicknameEditButton, &QToolButton::clicked, this, &CustomUserProfilePage::editNickNameRequested);
    connect(m_passwordButton, &QPushButton::clicked, this, &CustomUserProfilePage::modifyPasswordRequested);
    connect(m_emailButton, &QPushButton::clicked, this, &CustomUserProfilePage::modifyEmailRequested);
    connect(m_phoneButton, &QPushButton::clicked, this, &CustomUserProfilePage::modifyPhoneRequested);
    connect(m_logoutButton, &QPushButton::clicked, this, &CustomUserProfilePage::logoutRequested);

    retranslateUi();
    renderAvatar(QPixmap());
}

CustomUserProfilePage::~CustomUserProfilePage()
{
    cancelPendingAvatar();
}

void CustomUserProfilePage::buildUi()
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("CustomUserProfilePage { background-color: #222222; }"));

    m_avatarLabel->setObjectName(QStringLiteral("avatarLabel"));
    m_avatarLabel->setFixedSize(120, 120);
    m_nicknameValue->setObjectName(QStringLiteral("nicknameValue"));
    m_passwordValue->setObjectName(QStringLiteral("passwordValue"));
    m_emailValue->setObjectName(QStringLiteral("emailValue"));
    m_phoneValue->setObjectName(QStringLiteral("phoneValue"));
    m_nicknameEditButton->setObjectName(QStringLiteral("nicknameEditButton"));
    m_passwordButton->setObjectName(QStringLiteral("passwordButton"));
    m_emailButton->setObjectName(QStringLiteral("emailButton"));
    m_phoneButton->setObjectName(QStringLiteral("phoneButton"));
    m_logoutButton->setObjectName(QStringLiteral("logoutButton"));

    m_logoutButton->setFixedSize(180, 49);
    m_logoutButton->setCursor(Qt::PointingHandCursor);
    m_logoutButton->setFocusPolicy(Qt::NoFocus);
    m_logoutButton->setStyleSheet(modifyButtonStyle(12, false));

    auto *column = new QWidget(this);
    column->setMaximumWidth(844);
    auto *content = new QVBoxLayout(column);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(32);
    content->addWidget(m_avatarLabel, 0, Qt::AlignHCenter);

    auto *cards = new QGridLayout;
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setHorizontalSpacing(16);
    cards->setVerticalSpacing(16);
    cards->addWidget(makeNicknameCard(), 0, 0);
    cards->addWidget(makeModifyCard(m_passwordCaption, m_passwordValue, m_passwordButton), 0, 1);
    cards->addWidget(makeModifyCard(m_emailCaption, m_emailValue, m_emailButton), 1, 0);
    cards->addWidget(makeModifyCard(m_phoneCaption, m_phoneValue, m_phoneButton), 1, 1);
    content->addLayout(cards);
    content->addWidget(m_logoutButton, 0, Qt::AlignHCenter);

    auto *centreRow = new QHBoxLayout;
    centreRow->setContentsMargins(0, 0, 0, 0);
    centreRow->addStretch();
    centreRow->addWidget(column);
    centreRow->addStretch();

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addStretch();
    page->addLayout(centreRow);
    page->addStretch();
}

QFrame *CustomUserProfilePage::makeNicknameCard()
{
    QFrame *card = makeCard(this);
    m_nicknameCaption->setParent(card);
    m_nicknameValue->setParent(card);
    m_nicknameEditButton->setParent(card);
    m_nicknameEditButton->setFixedSize(22, 22);
    m_nicknameEditButton->setAutoRaise(true);
    m_nicknameEditButton->setIcon(QIcon(AccountImages::renameEdit()));
    m_nicknameEditButton->setIconSize(QSize(22, 22));
    m_nicknameEditButton->setCursor(Qt::PointingHandCursor);
    m_nicknameEditButton->setFocusPolicy(Qt::NoFocus);
    m_nicknameEditButton->setStyleSheet(
        QStringLiteral("QToolButton { border: none; background: transparent; padding: 0; }"));

    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(0);
    row->addWidget(m_nicknameCaption, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(m_nicknameValue, 0, Qt::AlignVCenter);
    row->addSpacing(8);
    row->addWidget(m_nicknameEditButton, 0, Qt::AlignVCenter);
    return card;
}

QFrame *CustomUserProfilePage::makeModifyCard(QLabel *caption, QLabel *value, QPushButton *button)
{
    QFrame *card = makeCard(this);
    caption->setParent(card);
    value->setParent(card);
    button->setParent(card);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(7);
    texts->addWidget(caption);
    texts->addWidget(value);

    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(0);
    row->addLayout(texts);
    row->addStretch();
    row->addWidget(button, 0, Qt::AlignVCenter);
    return card;
}

void CustomUserProfilePage::retranslateUi()
{
    m_nicknameCaption->setText(tr("昵称"));
    m_passwordCaption->setText(tr("密码"));
    m_emailCaption->setText(tr("邮箱"));
    m_phoneCaption->setText(tr("手机号"));
    for (QPushButton *button : {m_passwordButton, m_emailButton, m_phoneButton})
        button->setText(tr("修改"));
    m_logoutButton->setText(tr("退出登录"));
}

void CustomUserProfilePage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void CustomUserProfilePage::setNickname(const QString &nickname)
{
    m_nicknameValue->setText(nickname.trimmed());
}

void CustomUserProfilePage::setEmail(const QString &email)
{
    m_emailValue->setText(email.trimmed());
}

void CustomUserProfilePage::setPhone(const QString &phone)
{
    m_phoneValue->setText(phone.trimmed());
}

void CustomUserProfilePage::setPasswordLength(int length)
{
    m_passwordValue->setText(QString(qBound(4, length, 32), QChar(0x2022)));
}

void CustomUserProfilePage::setEmailEditable(bool editable)
{
    m_emailButton->setEnabled(editable);
    m_emailButton->setCursor(editable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CustomUserProfilePage::setPhoneEditable(bool editable)
{
    m_phoneButton->setEnabled(editable);
    m_phoneButton->setCursor(editable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
