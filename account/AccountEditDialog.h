#pragma once

#include <QDialog>

class QLabel;
class QLayout;
class QPushButton;
class QWidget;

// The frame of the dialogs that change the password, e-mail or phone: a
// 384 x 475 black frameless window with a title, a round close button, an
// error line and the "确定" button. The fields come from the subclass; the
// main window turns its signals into requests and answers through
// setSubmitting and setErrorText.
class AccountEditDialog : public QDialog
{
    Q_OBJECT
public:
    ~AccountEditDialog() override;

    // Trimmed; an empty or blank text hides the error line.
    void setErrorText(const QString &text);
    QString errorText() const;
    // A request of the main window is running: the confirm button is off.
    void setSubmitting(bool submitting);
    bool isSubmitting() const { return m_submitting; }

protected:
    explicit AccountEditDialog(QWidget *parent);

    // Lays the dialog out around `fields`; `belowFields` (may be null) follows them 8 px lower.
    void buildFrame(const QString &title, const QString &confirmText, QLayout *fields, QWidget *belowFields);
    void clearError();
    // Enables or disables the confirm button from the current input.
    virtual void updateConfirmButton() = 0;
    virtual void onConfirmClicked() = 0;
    // The frame's part of a reject: no error, not submitting.
    void resetFrameState();

    QPushButton *confirmButton() const { return m_confirmButton; }
    QPushButton *closeButton() const { return m_closeButton; }

    void resizeEvent(QResizeEvent *event) override;

private:
    void placeCloseButton();

    QLabel *m_errorLabel;
    bool m_submitting = false;
    QLabel *m_titleLabel;
    QPushButton *m_confirmButton;
    QPushButton *m_closeButton;
};
