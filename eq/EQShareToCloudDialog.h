#pragma once

#include "cloud/EQCategory.h"
#include "cloud/EqApi.h"
#include "cloud/LoginController.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class GradientButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The "分享到云端" dialog of the custom EQ page: title, mode (music, game,
// other), a game category from the EQ API, a description and the upload of
// the curve on show in the name of the signed-in user. A top-level window
// without a parent; the page opens it modally and owns it. GUI thread only.
class EQShareToCloudDialog : public QDialog
{
    Q_OBJECT
public:
    enum Mode { MusicMode = 0, GameMode = 1, OtherMode = 2 };

    // The band texts of the curve to share (freq, q, sound, type); false when there is no curve editor.
    using BandSource = std::function<bool(QStringList *freq, QStringList *q, QStringList *sound, QStringList *type)>;
    // (text, kind: 0 info, 1 success, 2 failure, duration in ms)
    using Toast = std::function<void(const QString &text, int kind, int durationMs)>;

    static constexpr int kToastMs = 1000;

    EQShareToCloudDialog(BandSource bands, Toast toast);
    ~EQShareToCloudDialog() override;

    // Not owned; may be null. Setting the same API again keeps one connection per signal.
    void setEqApi(EarphoneApi::EqApi *api);
    EarphoneApi::EqApi *eqApi() const { return m_api; }
    void setLoginController(LoginController *controller) { m_login = controller; }
    LoginController *loginController() const { return m_login; }
    // "1" when blank; a new product drops the game types (and fetches them while on show).
    void setPid(const QString &pid);
    QString pid() const { return m_pid; }
    bool isLoggedIn() const;

    // Fills the dialog for a new share of the curve titled `title`.
    void prepare(const QString &title);
    // Texts in the current language; the game types are fetched again in it.
    void retranslate();

    void updateCategorySelector();
    void fillCategoryCombo(const QList<EarphoneApi::EQCategory> &list);
    void showUploadError(const QString &text);
    void refreshUploadPanel();
    void resetUploadPanel();
    void uploadSharedEq();

    bool isUploading() const { return m_uploading; }
    bool gameTypesLoaded() const { return m_gameTypesLoaded; }

    QLabel *titleLabel() const { return m_title; }
    QPushButton *closeButton() const { return m_close; }
    QLineEdit *nameEdit() const { return m_name; }
    QPlainTextEdit *descriptionEdit() const { return m_description; }
    QRadioButton *modeButton(int mode) const;
    QComboBox *categoryCombo() const { return m_category; }
    QLabel *errorLabel() const { return m_error; }
    GradientButton *uploadButton() const { return m_upload; }

public slots:
    void onGameTypesReceived(const QList<EarphoneApi::EQCategory> &gameTypes);
    void onGameTypesFailed(int errorCode, const QString &message);
    void onCloudEqUploaded();
    void onUploadFailed(int errorCode, const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void buildCategoryCombo();
    void setCategoryArrow(bool open);
    void dropGameTypes();
    QString uploadText() const;

    BandSource m_bands;
    Toast m_toast;
    QPointer<EarphoneApi::EqApi> m_api;
    QPointer<LoginController> m_login;
    QString m_pid = QStringLiteral("1");
    bool m_uploading = false;
    bool m_gameTypesLoaded = false;
    QList<EarphoneApi::EQCategory> m_shownGameTypes;
    QList<EarphoneApi::EQCategory> m_receivedGameTypes;

    QLabel *m_title = nullptr;
    QPushButton *m_close = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_modeLabel = nullptr;
    QButtonGroup *m_modes = nullptr;
    QRadioButton *m_music = nullptr;
    QRadioButton *m_game = nullptr;
    QRadioButton *m_other = nullptr;
    QComboBox *m_category = nullptr;
    QLabel *m_descriptionLabel = nullptr;
    QPlainTextEdit *m_description = nullptr;
    QLabel *m_consent = nullptr;
    QLabel *m_error = nullptr;
    GradientButton *m_upload = nullptr;
};
