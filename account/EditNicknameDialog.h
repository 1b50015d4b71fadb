#pragma once

#include "account/ProfileEditDialog.h"

class QLineEdit;

// Edits the nickname, kept within 15 UTF-8 bytes while typing. The main
// window reads nickname() after an accepted exec().
class EditNicknameDialog : public ProfileEditDialog
{
    Q_OBJECT
public:
    static constexpr int maxNicknameBytes = 15;

    EditNicknameDialog(const QString &currentNickname, QWidget *parent = nullptr);
    ~EditNicknameDialog() override;

    // The typed text, trimmed and cut to the byte limit.
    QString nickname() const;
    // The longest whole-character prefix of at most 15 UTF-8 bytes (text
    // shorter than 16 bytes is kept as it is).
    static QString truncateUtf8(const QString &text);

protected:
    void retranslateUi() override;

private:
    void onTextChanged(const QString &text);
    void updateOkButton();

    QLineEdit *m_edit;
};
