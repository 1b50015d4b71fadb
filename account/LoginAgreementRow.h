#pragma once

#include <QWidget>

class CustomRadioButtons;
class QHBoxLayout;
class QLabel;
class QSpacerItem;

// The "已读并同意《隐私政策》和《用户协议》" row of the login and registration
// pages: a toggle that must be on before a request is sent, and the text with
// links to the two documents, opened in the browser.
class LoginAgreementRow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int maxLabelWidth = 289;

    explicit LoginAgreementRow(QWidget *parent = nullptr);
    ~LoginAgreementRow() override;

    bool isAccepted() const;
    CustomRadioButtons *toggle() const { return m_toggle; }
    QLabel *label() const { return m_label; }
    int spacerWidth() const;

    // Re-reads the text and the language-dependent spacer; call on a language change.
    void retranslate();

    // The agreement text with the two document addresses filled in.
    static QString agreementHtml();

private:
    void fitLabelWidth();

    QHBoxLayout *m_layout;
    QSpacerItem *m_spacer;
    CustomRadioButtons *m_toggle;
    QLabel *m_label;
};
