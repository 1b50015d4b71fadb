#pragma once

#include <QComboBox>
#include <QPointer>

// The profile picker of the frequency rule bar. It shows only its arrow; the
// profile names appear in its popup, which it keeps right-aligned with itself.
class EQXAxisProfileComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit EQXAxisProfileComboBox(QWidget *parent = nullptr);
    ~EQXAxisProfileComboBox() override;

    void showPopup() override;
    void hidePopup() override;

    // The font the popup's rows are drawn with.
    QFont popupFont() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void clearLineEditLater();
    void adjustPopupWidth(QWidget *popup);
    void positionPopup(QWidget *popup);
    void adjustPopup();
    void stopWatchingPopup();

    QPointer<QWidget> m_popup;
    bool m_adjusting = false;
};
