#include "account/LoginAccountType.h"

#include "account/LoginPageKit.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>

LoginAccountType::LoginAccountType(QWidget *page, QLineEdit *accountEdit)
    : m_group(new QButtonGroup(page)),
      m_phoneRadio(LoginPageKit::makeTypeRadio(page)),
      m_emailRadio(LoginPageKit::makeTypeRadio(page)),
      m_accountEdit(accountEdit)
{
    m_phoneRadio->setObjectName(QStringLiteral("phoneRadio"));
    m_emailRadio->setObjectName(QStringLiteral("emailRadio"));
    m_group->addButton(m_phoneRadio, 0);
    m_group->addButton(m_emailRadio, 1);
    m_phoneRadio->setChecked(true);
}

void LoginAccountType::setType(int type)
{
    m_type = type == 1 ? 1 : 0;
    (m_type == 1 ? m_emailRadio : m_phoneRadio)->setChecked(true);
    applyPlaceholder();
}

void LoginAccountType::onButtonClicked(QAbstractButton *button)
{
    const int id = m_group->id(button);
    if (id != 0 && id != 1)
        return;
    m_type = id;
    applyPlaceholder();
}

void LoginAccountType::retranslate(const QString &phone, const QString &email, const QString &phonePlaceholder,
                                   const QString &emailPlaceholder)
{
    m_phoneRadio->setText(phone);
    m_emailRadio->setText(email);
    m_phonePlaceholder = phonePlaceholder;
    m_emailPlaceholder = emailPlaceholder;
    applyPlaceholder();
}

void LoginAccountType::applyPlaceholder()
{
    m_accountEdit->setPlaceholderText(m_type == 1 ? m_emailPlaceholder : m_phonePlaceholder);
}
