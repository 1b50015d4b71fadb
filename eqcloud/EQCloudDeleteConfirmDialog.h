#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The modal question before a cloud EQ is deleted: kind 1 for one of the
// user's own shared EQs, 0 for a download record. Escape and "取消" reject.
class EQCloudDeleteConfirmDialog : public QDialog
{
    Q_OBJECT
public:
    EQCloudDeleteConfirmDialog(int kind, QWidget *parent);
    ~EQCloudDeleteConfirmDialog() override;

    int kind() const { return m_kind; }
    bool isConfirmed() const { return m_confirmed; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *messageLabel() const { return m_message; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *confirmButton() const { return m_confirm; }

    void retranslateUi();
    // Height from the layout, clamped to 168..480, with the rounded mask renewed.
    void fitHeight();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_kind = 0;
    bool m_confirmed = false;
    QLabel *m_title = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_confirm = nullptr;
};
