#include "app/dialogs/UpdateDownloadProgressDialog.h"

#include "widgets/DevicePixmap.h"
#include "widgets/DialogStyle.h"
#include "widgets/PixelRatioFollower.h"
#include "widgets/RoundedMask.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTransform>
#include <QVBoxLayout>

// The download bar: the rounded progress track with the bar's text centred over it.
class UpdateDownloadGradientBar : public QWidget
{
public:
    explicit UpdateDownloadGradientBar(QWidget *parent) : QWidget(parent) {}
    ~UpdateDownloadGradientBar() override = default;

    int progress = 0; // percent, 0..100
    QString text;

protected:
    void paintEvent(QPaintEvent *event) override;
};

namespace {

constexpr int kTextWidth = 254;
const QPoint kRocketPosition(188, 8);

QString labelStyle(const char *colour, int pixelSize, int lineHeight)
{
    return QStringLiteral("color: %1; font-family: %2; font-weight: 400; font-size: %3px; line-height: %4px;")
        .arg(QLatin1String(colour), DialogStyle::fontFamilies())
        .arg(pixelSize)
        .arg(lineHeight);
}

const QString &bigTitleStyle()
{
    static const QString s = labelStyle("#E4E4E4", 20, 28);
    return s;
}

const QString &captionStyle()
{
    static const QString s = labelStyle("#E4E4E4", 14, 20);
    return s;
}

const QString &notesStyle()
{
    static const QString s = labelStyle("#999999", 14, 20);
    return s;
}

const QString &failureStyle()
{
    static const QString s = labelStyle("#FF6B6B", 14, 20);
    return s;
}

const QString &retryStyle()
{
    static const QString s =
        QStringLiteral(
            "QPushButton { background: qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0 #6532CB, stop:1 #410290);"
            " border-radius: 6.66667px; border: none; color: #FFFFFF; font-family: %1; font-weight: 400;"
            " font-size: 14px; line-height: 20px; padding: 8px 32px; }"
            "QPushButton:hover { background: qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0 #7542DB, stop:1 #5112A0); }"
            "QPushButton:pressed { background: qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0 #5A2DB5,"
            " stop:1 #39027F); }")
            .arg(DialogStyle::fontFamilies());
    return s;
}

QLabel *makeTextLabel(const QString &text, const QString &style, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMaximumWidth(kTextWidth);
    label->setStyleSheet(style);
    return label;
}

} // namespace

void UpdateDownloadGradientBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    DialogStyle::paintProgressTrack(painter, QRectF(rect()), progress);
    painter.setPen(QColor(QStringLiteral("#FFFFFF")));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text);
}

UpdateDownloadProgressDialog::UpdateDownloadProgressDialog(const QString &title, const QString &version,
                                                           const QString &releaseNotes, QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(348, 391);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(DialogStyle::frameStyle());

    buildRocket();

    m_titleLabel = makeTextLabel(title, bigTitleStyle(), this);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setWordWrap(true);
    m_versionLabel = makeTextLabel(version, DialogStyle::titleStyle(), this);
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_notesCaption = makeTextLabel(tr("更新内容"), captionStyle(), this);
    m_notesCaption->setObjectName(QStringLiteral("notesCaption"));

    m_notesArea = new QScrollArea(this);
    m_notesArea->setObjectName(QStringLiteral("notesArea"));
    m_notesArea->setWidgetResizable(true);
    m_notesArea->setFrameShape(QFrame::NoFrame);
    m_notesArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_notesArea->setMinimumHeight(72);
    m_notesArea->setMaximumHeight(140);
    m_notesArea->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; border: none; }"
                                              "QScrollArea > QWidget > QWidget { background: transparent; }"));
    m_notesContainer = new QWidget;
    m_notesLayout = new QVBoxLayout(m_notesContainer);
    m_notesLayout->setContentsMargins(0, 0, 0, 0);
    m_notesLayout->setSpacing(4);
    setReleaseNotes(releaseNotes);
    m_notesArea->setWidget(m_notesContainer);

    m_pageStack = new QStackedWidget(this);
    m_pageStack->setObjectName(QStringLiteral("pageStack"));
    m_pageStack->setFixedHeight(128);
    m_pageStack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_pageStack->addWidget(buildProgressPage());
    m_pageStack->addWidget(buildFailurePage());
    m_pageStack->setCurrentIndex(ProgressPage);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 28, 36, 36);
    layout->setSpacing(0);
    layout->addWidget(m_titleLabel);
    layout->addSpacing(4);
    layout->addWidget(m_versionLabel);
    layout->addSpacing(28);
    layout->addWidget(m_notesCaption);
    layout->addSpacing(12);
    layout->addWidget(m_notesArea);
    layout->addStretch(1);
    layout->addWidget(m_pageStack);

    if (!m_rocketLabel->isHidden())
        m_rocketLabel->raise();
    applyRoundedMask(this);
}

UpdateDownloadProgressDialog::~UpdateDownloadProgressDialog() = default;

void UpdateDownloadProgressDialog::buildRocket()
{
    // Outside every layout: it overlaps the top right corner.
    m_rocketLabel = new QLabel(this);
    m_rocketLabel->setObjectName(QStringLiteral("rocketLabel"));
    m_rocketLabel->setAttribute(Qt::WA_TranslucentBackground, true);
    const QPixmap source(QStringLiteral(":/images/update_rocket.png"));
    if (source.isNull()) {
        m_rocketLabel->hide();
        return;
    }
    PixelRatioFollower::follow(m_rocketLabel, [this, source](qreal ratio) {
        QPixmap rocket = DevicePixmap::scaled(source, QSize(140, 140), ratio)
                             .transformed(QTransform().rotate(30), Qt::SmoothTransformation);
        rocket.setDevicePixelRatio(ratio);
        m_rocketLabel->setPixmap(rocket);
        m_rocketLabel->resize(rocket.deviceIndependentSize().toSize());
    });
    m_rocketLabel->move(kRocketPosition);
}

QWidget *UpdateDownloadProgressDialog::buildProgressPage()
{
    auto *page = new QWidget;
    page->setFixedHeight(128);
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 12);
    box->setSpacing(0);

    m_progressBar = new UpdateDownloadGradientBar(page);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setFixedSize(240, 44);
    m_progressBar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont font = m_progressBar->font();
    font.setFamilies({QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI"), QStringLiteral("sans-serif")});
    font.setPixelSize(14);
    m_progressBar->setFont(font);
    m_progressBar->text = tr("升级中...");

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(m_progressBar);
    row->addStretch(1);

    box->addStretch(1);
    box->addLayout(row);
    return page;
}

QWidget *UpdateDownloadProgressDialog::buildFailurePage()
{
    m_failurePage = new QWidget;
    m_failurePage->setFixedHeight(128);
    auto *box = new QVBoxLayout(m_failurePage);
    box->setContentsMargins(0, 0, 0, 12);
    box->setSpacing(0);
    box->setAlignment(Qt::AlignHCenter);

    m_failureLabel = new QLabel(m_failurePage);
    m_failureLabel->setObjectName(QStringLiteral("failureLabel"));
    m_failureLabel->setAlignment(Qt::AlignCenter);
    m_failureLabel->setWordWrap(true);
    // Full width, so that a centred wrapped message is not squeezed to its size hint.
    m_failureLabel->setFixedWidth(280);
    m_failureLabel->setMaximumHeight(56);
    m_failureLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_failureLabel->setStyleSheet(failureStyle());

    m_retryButton = new QPushButton(tr("重试"), m_failurePage);
    m_retryButton->setObjectName(QStringLiteral("retryButton"));
    m_retryButton->setFixedSize(240, 44);
    m_retryButton->setCursor(Qt::PointingHandCursor);
    m_retryButton->setFocusPolicy(Qt::StrongFocus);
    m_retryButton->setDefault(true);
    m_retryButton->setAutoDefault(true);
    m_retryButton->setStyleSheet(retryStyle());
    // The page stays up until the caller starts the download again.
    connect(m_retryButton, &QPushButton::clicked, this, &UpdateDownloadProgressDialog::retryRequested);

    box->addStretch(1);
    box->addWidget(m_failureLabel, 0, Qt::AlignHCenter);
    box->addSpacing(4);
    box->addWidget(m_retryButton, 0, Qt::AlignHCenter);
    return m_failurePage;
}

void UpdateDownloadProgressDialog::setReleaseNotes(const QString &releaseNotes)
{
    while (QLayoutItem *item = m_notesLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QStringList lines = splitReleaseNotes(releaseNotes);
    if (lines.isEmpty())
        lines.append(tr("暂无更新说明"));
    for (const QString &line : std::as_const(lines)) {
        QLabel *label = makeTextLabel(line, notesStyle(), m_notesContainer);
        label->setWordWrap(true);
        m_notesLayout->addWidget(label);
    }
}

QStringList UpdateDownloadProgressDialog::splitReleaseNotes(const QString &releaseNotes)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    QStringList lines;
    for (const QString &part : releaseNotes.split(lineBreaks, Qt::SkipEmptyParts)) {
        for (const QString &piece : part.trimmed().split(QLatin1Char('-'), Qt::SkipEmptyParts)) {
            const QString line = piece.trimmed();
            if (!line.isEmpty())
                lines.append(line);
        }
    }
    return lines;
}

void UpdateDownloadProgressDialog::showDownloading()
{
    m_failureShown = false;
    m_pageStack->setCurrentIndex(ProgressPage);
    m_progressBar->progress = 0;
    m_progressBar->text = tr("升级中...");
    m_progressBar->update();
}

void UpdateDownloadProgressDialog::setProgress(int percent)
{
    if (m_failureShown)
        return;
    m_progressBar->progress = qBound(0, percent, 100);
    m_progressBar->update();
}

void UpdateDownloadProgressDialog::setProgressText(const QString &text)
{
    if (m_failureShown)
        return;
    m_progressBar->text = text;
    m_progressBar->update();
}

int UpdateDownloadProgressDialog::progress() const
{
    return m_progressBar->progress;
}

QString UpdateDownloadProgressDialog::progressText() const
{
    return m_progressBar->text;
}

void UpdateDownloadProgressDialog::showFailure(const QString &message)
{
    setUpdatesEnabled(false);
    m_failureShown = true;
    const QString text = message.trimmed();
    m_failureLabel->setText(text.isEmpty() ? tr("请稍后重试") : text);
    m_failureLabel->setVisible(true);
    m_pageStack->setCurrentIndex(FailurePage);
    m_retryButton->setFocus(Qt::OtherFocusReason);
    setUpdatesEnabled(true);
}

void UpdateDownloadProgressDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (!m_failureShown) {
        // The download goes on; the dialog is its only sign on screen.
        event->ignore();
        return;
    }
    m_failureShown = false;
    emit failureCancelled();
    close();
}

void UpdateDownloadProgressDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!m_rocketLabel->isHidden())
        m_rocketLabel->move(kRocketPosition);
    applyRoundedMask(this);
}

void UpdateDownloadProgressDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    DialogStyle::centreOnParentWindow(this);
}
