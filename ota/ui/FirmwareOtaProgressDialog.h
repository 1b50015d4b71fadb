#pragma once

#include <QDialog>
#include <QString>

class FirmwareOtaThinProgressBar;
class QLabel;
class QPushButton;
class QStackedWidget;

// The small modal window beside a firmware update of the headset or the
// receiver: which device, the current and the offered version, and at the
// bottom the progress, "up to date" or the failure with a retry button.
// While an update runs it refuses to be closed. The firmware coordinators
// drive it; it only reports the retry click.
class FirmwareOtaProgressDialog : public QDialog
{
    Q_OBJECT
public:
    FirmwareOtaProgressDialog(bool isReceiver, const QString &currentVersion, const QString &availableVersion,
                              QWidget *parent = nullptr);
    ~FirmwareOtaProgressDialog() override;

    // While on, close requests are refused and the close button is disabled.
    void setUpgrading(bool on);
    bool isUpgrading() const { return upgrading; }
    // Clamped to 0..100.
    void setProgress(int percent);
    // Back to the progress page at 0 %; the busy flag stays as it is.
    void resetProgress();
    // Failure page with the trimmed message ("升级失败" when blank) and the
    // retry button; ends the busy state.
    void showFailure(const QString &message);
    // "已是最新版本" page with `currentVersion` as the current one; ends the busy state.
    void showUpToDate(const QString &currentVersion);

signals:
    void retryRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildUi();
    QWidget *buildProgressPage();
    QWidget *buildUpToDatePage();
    QWidget *buildFailurePage();
    void refreshVersionHint(bool upToDate);
    void showCurrentVersion();
    void placeCloseButton();

    bool isReceiver;
    bool upgrading = false;
    QString currentVersion;
    QString availableVersion;

    QLabel *titleLabel = nullptr;
    QPushButton *closeButton = nullptr;
    QLabel *iconLabel = nullptr;
    QLabel *currentVersionLabel = nullptr;
    QLabel *versionHintLabel = nullptr;
    FirmwareOtaThinProgressBar *progressBar = nullptr;
    QLabel *progressLabel = nullptr;
    QPushButton *upToDateButton = nullptr;
    QPushButton *retryButton = nullptr;
    QLabel *failureLabel = nullptr;
    QStackedWidget *pageStack = nullptr;
};
