#pragma once

#include <QWidget>

class QPushButton;

// The four actions of one downloaded cloud EQ: delete, preview, share, apply.
class CloudDownloadBottomBar : public QWidget
{
    Q_OBJECT
public:
    explicit CloudDownloadBottomBar(QWidget *parent = nullptr);
    ~CloudDownloadBottomBar() override;

    void setShareCode(const QString &shareCode) { m_shareCode = shareCode; }
    QString shareCode() const { return m_shareCode; }
    void setCloudId(int cloudId) { m_cloudId = cloudId; }
    int cloudId() const { return m_cloudId; }
    void setApplied(bool applied);
    bool isApplied() const { return m_applied; }

    QPushButton *deleteButton() const { return m_deleteButton; }
    QPushButton *previewButton() const { return m_previewButton; }
    QPushButton *shareButton() const { return m_shareButton; }
    QPushButton *applyButton() const { return m_applyButton; }

signals:
    void previewRequested();
    void shareCodeRequested(const QString &shareCode);
    void deleteRequested(int cloudId);
    void applyRequested(int cloudId);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();

    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_previewButton = nullptr;
    QPushButton *m_shareButton = nullptr;
    QPushButton *m_applyButton = nullptr;
    QString m_shareCode;
    int m_cloudId = 0;
    bool m_applied = false;
};
