#pragma once

#include "cloud/CloudEQItem.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class EQCurveEditor;
class QLabel;
class QPushButton;

// Read-only look at one cloud EQ: author, name, description, tags, the curve,
// and an "apply to device" button. Built once by the sharing page.
class EQCloudPreviewDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int bandCount = 10;

    struct Bands
    {
        QList<double> freqs;
        QList<double> gains;
        QList<double> qs;
        QList<QString> types;
    };

    explicit EQCloudPreviewDialog(QWidget *parent);
    ~EQCloudPreviewDialog() override;

    // Fills texts, avatar and curve; previewItemId becomes the positive id or 0.
    void setItem(const EarphoneApi::CloudEQItem &item);
    int previewItemId() const { return m_previewItemId; }

    // Ten bands read from the item's texts: an unreadable frequency or gain is
    // 0, an unreadable Q 0.7, an empty type "Peaking".
    static Bands bandsOf(const EarphoneApi::CloudEQItem &item);

    EQCurveEditor *editor() const { return m_editor; }
    QPushButton *applyButton() const { return m_applyButton; }
    QPushButton *closeButton() const { return m_closeButton; }
    QLabel *avatarLabel() const { return m_avatar; }
    QString requestedAvatarUrl() const { return m_avatarUrl; }

    void retranslateUi();

signals:
    void applyClicked();
    void closeClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void styleEditorAxes();
    void styleChartSeries();
    void placeCloseButton();
    void loadAvatar(const QString &url);
    void showAvatar(const QPixmap &pixmap);
    void showDefaultAvatar();
    void onAvatarFetched(const QString &source, bool ok);

    QLabel *m_avatar = nullptr;
    QLabel *m_nickName = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_desc = nullptr;
    QLabel *m_chip1 = nullptr;
    QLabel *m_chip2 = nullptr;
    EQCurveEditor *m_editor = nullptr;
    QPushButton *m_applyButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QString m_avatarUrl;
    int m_previewItemId = 0;
};
