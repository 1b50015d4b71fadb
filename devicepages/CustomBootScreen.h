#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

class BootIntroIndicatorPill;
class QGraphicsOpacityEffect;
class QLabel;
class QTimer;
class QVariantAnimation;

// Timing of the boot screen's pictures; tests shorten them.
struct BootScreenDurations
{
    int rotateIntervalMs = 4000; // how long a picture stays
    int fadeMs = 800;            // the cross-fade to the other picture
};

// The screen shown while no headset is connected: two introduction pictures
// that cross-fade in turn, two pills that select them, a request to connect
// a device and the notice that Bluetooth is not supported.
class CustomBootScreen : public QWidget
{
    Q_OBJECT
public:
    explicit CustomBootScreen(QWidget *parent = nullptr, const BootScreenDurations &durations = {});
    ~CustomBootScreen() override;

    int currentSlide() const { return m_currentSlide; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    QLabel *buildSlide(const QPixmap &picture);
    void applyStyle();
    void retranslateUi();
    void rotate();
    void goToSlide(int index, bool animated);
    void stopFade();
    void applyStaticOpacities();
    void updatePills();
    void restartRotationIfVisible();

    BootScreenDurations m_durations;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_descLabel = nullptr;
    QLabel *m_slide0 = nullptr;
    QLabel *m_slide1 = nullptr;
    QWidget *m_slideHost = nullptr;
    BootIntroIndicatorPill *m_pill0 = nullptr;
    BootIntroIndicatorPill *m_pill1 = nullptr;
    QGraphicsOpacityEffect *m_effect0 = nullptr;
    QGraphicsOpacityEffect *m_effect1 = nullptr;
    int m_currentSlide = 0;
    QTimer *m_rotateTimer = nullptr;
    QPointer<QVariantAnimation> m_fadeAnimation;
    QString m_introImagePath = QStringLiteral(":/images/introduction.png");
    QPixmap m_introPixmap;
};
