#pragma once

#include <QString>

class QAbstractButton;
class QButtonGroup;
class QLineEdit;
class QRadioButton;
class QWidget;

// The phone / e-mail choice of a login window page: two radios in a group
// (ids 0 and 1, phone checked at first) and the account edit's placeholder,
// which follows the choice.
class LoginAccountType
{
public:
    LoginAccountType(QWidget *page, QLineEdit *accountEdit);

    QButtonGroup *group() const { return m_group; }
    QRadioButton *phoneRadio() const { return m_phoneRadio; }
    QRadioButton *emailRadio() const { return m_emailRadio; }

    // 0 phone, 1 e-mail.
    int type() const { return m_type; }
    // Checks the matching radio too.
    void setType(int type);
    // A click in the group; the radio is already checked.
    void onButtonClicked(QAbstractButton *button);
    // The texts in the current language, translated by the page.
    void retranslate(const QString &phone, const QString &email, const QString &phonePlaceholder,
                     const QString &emailPlaceholder);

private:
    void applyPlaceholder();

    QButtonGroup *m_group;
    QRadioButton *m_phoneRadio;
    QRadioButton *m_emailRadio;
    QLineEdit *m_accountEdit;
    QString m_phonePlaceholder;
    QString m_emailPlaceholder;
    int m_type = 0;
};
