#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// The prompt of the legacy firmware recovery: the steps to prepare and run
// the update, then its progress and its result in the same window. While
// busy (an update runs) it cannot be closed.
class LegacyRecoveryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LegacyRecoveryDialog(QWidget *parent = nullptr);
    ~LegacyRecoveryDialog() override;

    void setBusy(bool busy) { m_busy = busy; }
    bool isBusy() const { return m_busy; }

    QPushButton *upgradeButton() const { return m_upgradeButton; }
    QPushButton *laterButton() const { return m_laterButton; }
    QPushButton *confirmButton() const { return m_confirmButton; }

    // The choice is made: "一键升级" and "稍后" go.
    void hideChoices();
    // The bar appears at 0 %.
    void showProgress();
    // The bar moves to `percent` unless it stands further already.
    void raiseProgress(int percent);
    // The steps give way to the outcome, with one button that closes.
    void showResult(bool success, const QString &message);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_busy = false;
    QLabel *m_messageLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_resultLabel = nullptr;
    QWidget *m_choiceRow = nullptr;
    QPushButton *m_upgradeButton = nullptr;
    QPushButton *m_laterButton = nullptr;
    QPushButton *m_confirmButton = nullptr;
};
