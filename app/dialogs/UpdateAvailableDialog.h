#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A dark two-button question: title, message, cancel and confirm, all texts
// from the caller. It records which button ended it; what the answer means
// is the caller's business (program updates and firmware notices use it).
class UpdateAvailableDialog : public QDialog
{
    Q_OBJECT
public:
    enum Choice { Open = 0, Confirmed = 1, Cancelled = 2 };

    explicit UpdateAvailableDialog(QWidget *parent = nullptr);
    ~UpdateAvailableDialog() override;

    // Sets the texts, resets the choice and fits the height to the texts (at least 154 px).
    void setContent(const QString &title, const QString &message, const QString &cancelText,
                    const QString &confirmText);
    // 0 while open, 1 after confirm, 2 after cancel or any other rejection (Escape, close).
    int choice() const { return m_choice; }

public slots:
    void reject() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_choice = Open;
    QLabel *m_titleLabel;
    QLabel *m_messageLabel;
    QPushButton *m_cancelButton;
    QPushButton *m_confirmButton;
};
