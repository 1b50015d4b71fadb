#pragma once

#include <QDialog>

class QHBoxLayout;
class QPushButton;

// The confirmation and edit dialog of the device pages: frameless, modal,
// black with rounded corners, with a grey "取消" that rejects and a purple
// "确定" that accepts. The owner fills in the body and places the buttons.
class DevicePageDialog : public QDialog
{
    Q_OBJECT
public:
    // `cornerRadius` is the style's radius; the mask always uses the kit's.
    DevicePageDialog(QWidget *parent, const QSize &size,
                     const QString &cornerRadius = QStringLiteral("6.66667px"));
    ~DevicePageDialog() override;

    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *confirmButton() const { return m_confirm; }
    // A row with both buttons, centred between stretches.
    QHBoxLayout *createButtonRow();

    // Runs the dialog modally over a blurred copy of the parent's top-level
    // window; a window already blurred (a backdrop or a graphics effect of its own) keeps that.
    // The dialog keeps its width and grows taller only when a translated
    // text would not fit its height.
    int execBlurred();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();
    void fitHeightToContents();

    QPushButton *m_cancel = nullptr;
    QPushButton *m_confirm = nullptr;
    QSize m_baseSize;
};
