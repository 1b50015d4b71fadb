#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QWidget>

class QLineEdit;
class QVariantAnimation;

// A 1280 x 720 window whose two pictures cross-fade without pause (as the
// boot screen's do, each through an opacity effect of its own), and a modal
// dialog over it with an animation of its own and a line edit. Runs the
// dialog for a while, types into the line edit and reports the dialog's
// frames per second and how long each key took to show.
class DialogOverCrossFade : public QObject
{
    Q_OBJECT
public:
    struct Figures
    {
        double framesPerSecond = 0;
        QList<double> echoMs; // one per key, from posting it to the line edit's repaint showing it
    };

    DialogOverCrossFade();
    ~DialogOverCrossFade() override;

    // Shows the window, then runs the dialog for `warmUpMs` + `measureMs`,
    // over the blurred backdrop or bare. Empty figures when the window never showed.
    Figures run(bool withBackdrop, int warmUpMs, int measureMs);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void buildDialog();
    void startMeasuring();
    void postKey();

    QWidget m_window;
    QDialog *m_dialog = nullptr;
    QWidget *m_spinner = nullptr;
    QLineEdit *m_edit = nullptr;
    QVariantAnimation *m_fade = nullptr;
    QVariantAnimation *m_spin = nullptr;
    QElapsedTimer m_clock;
    bool m_measuring = false;
    int m_frames = 0;
    qint64 m_keyPostedNs = -1;
    int m_expectedLength = 0;
    quint32 m_seed = 12345;
    Figures m_figures;
};
