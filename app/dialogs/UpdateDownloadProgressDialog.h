#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class UpdateDownloadGradientBar;

// Accompanies the download and start of a new program version: rocket,
// title, version, release notes, and at the bottom either the progress bar or
// a failure message with a retry button. While downloading it cannot be
// escaped; on the failure page Escape gives up (failureCancelled) and closes.
class UpdateDownloadProgressDialog : public QDialog
{
    Q_OBJECT
public:
    enum Page { ProgressPage = 0, FailurePage = 1 };

    UpdateDownloadProgressDialog(const QString &title, const QString &version, const QString &releaseNotes,
                                 QWidget *parent = nullptr);
    ~UpdateDownloadProgressDialog() override;

    // Back to the progress page at 0 % with the bar reading "升级中...".
    void showDownloading();
    // Clamped to 0..100; ignored while the failure page is up.
    void setProgress(int percent);
    // The bar's text; ignored while the failure page is up.
    void setProgressText(const QString &text);
    // The failure page with the trimmed message ("请稍后重试" when blank); the retry button takes the focus.
    void showFailure(const QString &message);

    bool isFailureShown() const { return m_failureShown; }
    int progress() const;
    QString progressText() const;

    // Display lines of release notes: split at line breaks and at every "-", trimmed, empty pieces dropped.
    static QStringList splitReleaseNotes(const QString &releaseNotes);

signals:
    void retryRequested();
    void failureCancelled();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildRocket();
    QWidget *buildProgressPage();
    QWidget *buildFailurePage();
    void setReleaseNotes(const QString &releaseNotes);

    QLabel *m_rocketLabel = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_notesCaption = nullptr;
    QScrollArea *m_notesArea = nullptr;
    QWidget *m_notesContainer = nullptr;
    QVBoxLayout *m_notesLayout = nullptr;
    QStackedWidget *m_pageStack = nullptr;
    UpdateDownloadGradientBar *m_progressBar = nullptr;
    QWidget *m_failurePage = nullptr;
    QPushButton *m_retryButton = nullptr;
    QLabel *m_failureLabel = nullptr;
    bool m_failureShown = false;
};
