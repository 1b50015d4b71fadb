#include "bench/widgets/DialogOverCrossFade.h"

#include "widgets/WindowBlurBackdrop.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWindow>

namespace {

const QSize kWindowSize(1280, 720);
const QSize kSlideSize(642, 289);

// A picture with gradients, shapes and text, so that the blur has detail to soften.
QPixmap slidePicture(const QColor &from, const QColor &to, const QString &text)
{
    QImage image(kSlideSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, kSlideSize.width(), kSlideSize.height());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv((i * 37) % 360, 180, 230, 160));
        painter.drawEllipse(QPoint(40 + i * 50, 80 + (i % 3) * 60), 30, 30);
    }
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(28);
    painter.setFont(font);
    painter.drawText(image.rect().adjusted(0, 180, 0, 0), Qt::AlignCenter, text);
    return QPixmap::fromImage(image);
}

class Spinner : public QWidget
{
public:
    explicit Spinner(QWidget *parent) : QWidget(parent) { setFixedSize(48, 48); }
    void setAngle(int angle)
    {
        m_angle = angle;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x8A, 0x4C, 0xF0), 4));
        painter.drawArc(rect().adjusted(4, 4, -4, -4), -m_angle * 16, 270 * 16);
    }

private:
    int m_angle = 0;
};

} // namespace

DialogOverCrossFade::DialogOverCrossFade()
{
    buildWindow();
    buildDialog();
}

DialogOverCrossFade::~DialogOverCrossFade() = default;

void DialogOverCrossFade::buildWindow()
{
    m_window.setFixedSize(kWindowSize);
    QPalette palette = m_window.palette();
    palette.setColor(QPalette::Window, QColor(0x22, 0x22, 0x22));
    palette.setColor(QPalette::WindowText, QColor(0xE4, 0xE4, 0xE4));
    m_window.setPalette(palette);
    m_window.setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(&m_window);
    auto *titleBar = new QWidget(&m_window);
    titleBar->setFixedHeight(56);
    auto *titleLayout = new QHBoxLayout(titleBar);
    titleLayout->addWidget(new QLabel(QStringLiteral("VELKORA"), titleBar));
    titleLayout->addStretch(1);
    for (const char *text : {"Log In", "Settings", "_", "x"})
        titleLayout->addWidget(new QPushButton(QString::fromLatin1(text), titleBar));
    layout->addWidget(titleBar);
    layout->addStretch(1);

    auto *host = new QWidget(&m_window);
    host->setFixedSize(kSlideSize);
    auto *slide0 = new QLabel(host);
    auto *slide1 = new QLabel(host);
    slide0->setGeometry(host->rect());
    slide1->setGeometry(host->rect());
    slide0->setPixmap(
        slidePicture(QColor(0x30, 0x10, 0x60), QColor(0x10, 0x60, 0x90), QStringLiteral("Introduction")));
    slide1->setPixmap(
        slidePicture(QColor(0x60, 0x30, 0x10), QColor(0x10, 0x90, 0x40), QStringLiteral("Connection guide")));
    auto *effect0 = new QGraphicsOpacityEffect(slide0);
    auto *effect1 = new QGraphicsOpacityEffect(slide1);
    slide0->setGraphicsEffect(effect0);
    slide1->setGraphicsEffect(effect1);
    layout->addWidget(host, 0, Qt::AlignHCenter);
    layout->addSpacing(48);
    auto *title = new QLabel(QStringLiteral("Please connect your device"), &m_window);
    auto *desc = new QLabel(QStringLiteral("The driver does not support Bluetooth. Please connect via the 2.4G "
                                           "receiver or USB DAC."),
                            &m_window);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(desc, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    // Back and forth without pause: every frame changes the window.
    m_fade = new QVariantAnimation(&m_window);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(800);
    m_fade->setEasingCurve(QEasingCurve::InOutCubic);
    m_fade->setLoopCount(-1);
    connect(m_fade, &QVariantAnimation::valueChanged, &m_window, [effect0, effect1](const QVariant &value) {
        const qreal t = value.toReal();
        effect0->setOpacity(1.0 - t);
        effect1->setOpacity(t);
    });
}

void DialogOverCrossFade::buildDialog()
{
    m_dialog = new QDialog(&m_window);
    m_dialog->setFixedSize(364, 220);
    m_dialog->setStyleSheet(QStringLiteral("QDialog { background: #000000; } QLabel { color: #E4E4E4; }"));
    auto *layout = new QVBoxLayout(m_dialog);
    layout->addWidget(new QLabel(QStringLiteral("Log In"), m_dialog), 0, Qt::AlignHCenter);
    auto *spinner = new Spinner(m_dialog);
    m_spinner = spinner;
    layout->addWidget(spinner, 0, Qt::AlignHCenter);
    m_edit = new QLineEdit(m_dialog);
    layout->addWidget(m_edit);
    m_spinner->installEventFilter(this);
    m_edit->installEventFilter(this);

    m_spin = new QVariantAnimation(m_dialog);
    m_spin->setStartValue(0);
    m_spin->setEndValue(360);
    m_spin->setDuration(1000);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, m_dialog,
            [spinner](const QVariant &value) { spinner->setAngle(value.toInt()); });
}

DialogOverCrossFade::Figures DialogOverCrossFade::run(bool withBackdrop, int warmUpMs, int measureMs)
{
    m_window.show();
    QElapsedTimer waited;
    waited.start();
    while (!(m_window.windowHandle() && m_window.windowHandle()->isExposed())) {
        if (waited.elapsed() > 10000)
            return {};
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    m_fade->start();
    m_spin->start();
    QTimer::singleShot(warmUpMs, this, &DialogOverCrossFade::startMeasuring);
    QTimer::singleShot(warmUpMs + measureMs, m_dialog, [this] {
        const double seconds = m_clock.nsecsElapsed() / 1e9;
        m_measuring = false;
        m_figures.framesPerSecond = m_frames / seconds;
        if (m_keyPostedNs >= 0) // a key that never showed counts as late as the run went on
            m_figures.echoMs.append((m_clock.nsecsElapsed() - m_keyPostedNs) / 1e6);
        m_dialog->accept();
    });
    m_edit->setFocus();
    if (withBackdrop)
        WindowBlurBackdrop::execOver(&m_window, m_dialog);
    else
        m_dialog->exec();
    m_fade->stop();
    m_spin->stop();
    return m_figures;
}

void DialogOverCrossFade::startMeasuring()
{
    m_figures = {};
    m_frames = 0;
    m_measuring = true;
    m_clock.start();
    postKey();
}

void DialogOverCrossFade::postKey()
{
    if (!m_measuring)
        return;
    if (m_edit->text().size() >= 24)
        m_edit->clear();
    m_expectedLength = m_edit->text().size() + 1;
    m_keyPostedNs = m_clock.nsecsElapsed();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QCoreApplication::postEvent(m_edit, new QKeyEvent(type, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
}

bool DialogOverCrossFade::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && m_measuring) {
        if (watched == m_spinner) {
            ++m_frames;
        } else if (watched == m_edit && m_keyPostedNs >= 0 && m_edit->text().size() >= m_expectedLength) {
            m_figures.echoMs.append((m_clock.nsecsElapsed() - m_keyPostedNs) / 1e6);
            m_keyPostedNs = -1;
            // The next key after an uneven pause, so that keys fall on every
            // phase of the window's repaints.
            m_seed = m_seed * 1103515245u + 12345u;
            QTimer::singleShot(20 + int((m_seed >> 16) % 41), this, &DialogOverCrossFade::postKey);
        }
    }
    return QObject::eventFilter(watched, event);
}
