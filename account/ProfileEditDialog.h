#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

// The frame of the nickname and avatar dialogs: a black frameless window
// with a title and the "取消" / "确定" pair.
class ProfileEditDialog : public QDialog
{
    Q_OBJECT
public:
    ~ProfileEditDialog() override;

protected:
    ProfileEditDialog(const QSize &size, QWidget *parent);

    QLabel *titleLabel() const { return m_titleLabel; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QPushButton *okButton() const { return m_okButton; }
    // The two buttons centred 16 px apart.
    QHBoxLayout *makeButtonRow();

    // Sets the texts in the current language.
    virtual void retranslateUi() = 0;

    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *m_titleLabel;
    QPushButton *m_cancelButton;
    QPushButton *m_okButton;
};
