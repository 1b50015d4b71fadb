#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class QFrame;
class QLabel;
class QPixmap;
class QPropertyAnimation;
class QPushButton;
class QTimer;
class EqHelpBlurSurface;
class EqHelpSnapScrollArea;

// A small modal help dialog that explains EQ editing in five sliding pages
// (filter types, gain, frequency bands, Q, the warning line). The pages advance
// by themselves, follow drags, dots and the arrow keys; the host window behind
// it is covered by a blurred snapshot of itself.
class EQSoundEffectHelpCarousel : public QDialog
{
    Q_OBJECT
public:
    // How long a page stays before the next one slides in, and how long a slide takes.
    struct Durations
    {
        int autoAdvanceMs = 5000;
        int slideMs = 320;
    };

    explicit EQSoundEffectHelpCarousel(QWidget *parent = nullptr);
    ~EQSoundEffectHelpCarousel() override;

    void setDurations(const Durations &durations) { m_durations = durations; }
    const Durations &durations() const { return m_durations; }

    int currentPage() const;
    void slideTo(int page);

    EqHelpSnapScrollArea *pager() const { return m_pager; }
    QLabel *titleLabel() const { return m_title; }
    const QList<QPushButton *> &dots() const { return m_dots; }
    QTimer *autoAdvanceTimer() const { return m_timer; }
    QPropertyAnimation *slideAnimation() const { return m_slide; }
    EqHelpBlurSurface *backdrop() const;
    // The labels of one page's lines.
    QList<QLabel *> pageLines(int page) const;

    // "Term：explanation" as rich text: the term light, the rest grey, both escaped.
    static QString formatHelpLine(const QString &line);
    static QPixmap blurPixmap(const QPixmap &pixmap, qreal radius);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildPages(QWidget *content);
    void retranslateUi();
    void updateIndicators();
    void autoAdvance();
    void restartTimer();
    void refreshSnapshot();
    void centreOnHost();
    void applyRoundedMask();

    EqHelpSnapScrollArea *m_pager = nullptr;
    QLabel *m_title = nullptr;
    QList<QPushButton *> m_dots;
    QFrame *m_card = nullptr;
    QPointer<EqHelpBlurSurface> m_backdrop;
    QPointer<QWidget> m_host;
    QTimer *m_timer = nullptr;
    QPropertyAnimation *m_slide = nullptr;
    bool m_hostFilterInstalled = false;
    QList<QList<QLabel *>> m_lines;
    Durations m_durations;
};
