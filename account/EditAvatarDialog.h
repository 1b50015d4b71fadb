#pragma once

#include "account/ProfileEditDialog.h"

class CustomClickableLabel;
class QLabel;

// Picks a new avatar picture: a JPG or PNG file of at most 2 MB that loads
// as an image. The main window uploads selectedFilePath() after an accepted
// exec().
class EditAvatarDialog : public ProfileEditDialog
{
    Q_OBJECT
public:
    static constexpr qint64 maxFileBytes = 2 * 1024 * 1024;
    static constexpr int previewSide = 72;

    EditAvatarDialog(const QString &currentAvatarUrl, QWidget *parent = nullptr);
    ~EditAvatarDialog() override;

    // The chosen file that passed the checks; empty until one did.
    QString selectedFilePath() const { return m_selectedFilePath; }

protected:
    void retranslateUi() override;
    // The file dialog; an empty result means none was chosen.
    virtual QString chooseImageFile();
    virtual void showWarning(const QString &text);

private:
    void loadCurrentAvatar(const QString &url);
    void onPreviewClicked();
    void showPreview(const QPixmap &image);

    CustomClickableLabel *m_preview;
    QLabel *m_hintLabel;
    QString m_selectedFilePath;
};
