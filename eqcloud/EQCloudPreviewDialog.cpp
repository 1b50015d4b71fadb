#include "eqcloud/EQCloudPreviewDialog.h"

#include "widgets/KitFonts.h"
#include "widgets/PixelRatioFollower.h"
#include "widgets/RoundAvatar.h"
#include "eq/EQCurveEditor.h"
#include "eqcloud/EQCloudResources.h"
#include "eqcloud/GameCardImageCache.h"

#include <QCategoryAxis>
#include <QChart>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPainterPath>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kAvatarSize = 21;

QString labelStyle(const QString &colour, double pixelSize, int weight)
{
    return QStringLiteral("QLabel { background: transparent; border: none; color: %1; font-family: %2;"
                          " font-weight: %3; font-size: %4px; }")
        .arg(colour, KitFonts::cssFamiliesSingleQuoted())
        .arg(weight)
        .arg(pixelSize);
}

double numberOr(const QStringList &list, int index, double fallback)
{
    if (index >= list.size())
        return fallback;
    bool ok = false;
    const double value = list.at(index).trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

QRegion roundedRegion(const QSize &size, double radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

EQCloudPreviewDialog::EQCloudPreviewDialog(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    setFixedSize(453, 361);
    setObjectName(QStringLiteral("EQCloudPreviewDialog"));
    setStyleSheet(QStringLiteral("background-color: #000000;border-radius: 10px;"));
    buildUi();
    setMask(roundedRegion(size(), 10));
    retranslateUi();
}

EQCloudPreviewDialog::~EQCloudPreviewDialog() = default;

void EQCloudPreviewDialog::buildUi()
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(40, 26, 40, 16);
    column->setSpacing(6);

    auto *authorRow = new QHBoxLayout;
    authorRow->setSpacing(6);
    m_avatar = new QLabel(this);
    m_avatar->setObjectName(QStringLiteral("previewAvatar"));
    m_avatar->setFixedSize(kAvatarSize, kAvatarSize);
    m_nickName = new QLabel(this);
    m_nickName->setObjectName(QStringLiteral("previewNickName"));
    m_nickName->setStyleSheet(labelStyle(QStringLiteral("#999999"), 12, 400));
    authorRow->addWidget(m_avatar);
    authorRow->addWidget(m_nickName, 1);
    column->addLayout(authorRow);

    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("previewName"));
    m_name->setStyleSheet(labelStyle(QStringLiteral("#E4E4E4"), 16, 600));
    m_name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_name->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    column->addWidget(m_name);

    m_desc = new QLabel(this);
    m_desc->setObjectName(QStringLiteral("previewDesc"));
    m_desc->setWordWrap(true);
    m_desc->setStyleSheet(labelStyle(QStringLiteral("#999999"), 12, 400));
    column->addWidget(m_desc);

    auto *chips = new QHBoxLayout;
    chips->setSpacing(6);
    const QString chipStyle = QStringLiteral("QLabel { background: #292929; border-radius: 6px; padding: 2px 4px;"
                                             " color: #999999; font-family: %1; font-size: 9px; }")
                                  .arg(KitFonts::cssFamiliesSingleQuoted());
    m_chip1 = new QLabel(this);
    m_chip1->setObjectName(QStringLiteral("previewChip1"));
    m_chip2 = new QLabel(this);
    m_chip2->setObjectName(QStringLiteral("previewChip2"));
    for (QLabel *chip : {m_chip1, m_chip2}) {
        chip->setStyleSheet(chipStyle);
        chips->addWidget(chip);
    }
    chips->addStretch(1);
    column->addLayout(chips);

    auto *separator = new QFrame(this);
    separator->setFixedHeight(1);
    separator->setStyleSheet(QStringLiteral("background: #555555; border: none;"));
    column->addWidget(separator);

    m_editor = new EQCurveEditor(this);
    m_editor->setObjectName(QStringLiteral("previewEditor"));
    m_editor->setFixedWidth(373);
    // Looking only: the curve cannot be edited here.
    m_editor->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_editor->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    styleEditorAxes();
    column->addWidget(m_editor, 1, Qt::AlignHCenter);

    m_applyButton = new QPushButton(this);
    m_applyButton->setObjectName(QStringLiteral("previewApplyButton"));
    m_applyButton->setFixedSize(367, 46);
    m_applyButton->setCursor(Qt::PointingHandCursor);
    m_applyButton->setStyleSheet(
        QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0.1471 #6532CB,"
                       " stop:0.8934 #410290); color: #FFFFFF; border: none; border-radius: 8px; font-family: %1;"
                       " font-size: 14px; font-weight: 500; }")
            .arg(KitFonts::cssFamiliesSingleQuoted()));
    column->addWidget(m_applyButton, 0, Qt::AlignHCenter);

    m_closeButton = new QPushButton(QStringLiteral("×"), this);
    m_closeButton->setObjectName(QStringLiteral("previewCloseButton"));
    m_closeButton->setFixedSize(24, 24);
    m_closeButton->setCursor(Qt::PointingHandCursor);
    m_closeButton->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none;"
                                                " color: #999999; font-size: 18px; }"
                                                "QPushButton:hover { color: #FFFFFF; }"));
    placeCloseButton();

    connect(m_applyButton, &QPushButton::clicked, this, &EQCloudPreviewDialog::applyClicked);
    connect(m_closeButton, &QPushButton::clicked, this, &EQCloudPreviewDialog::closeClicked);
    connect(GameCardImageCache::instance(), &GameCardImageCache::fetchFinished, this,
            &EQCloudPreviewDialog::onAvatarFetched);
}

void EQCloudPreviewDialog::styleEditorAxes()
{
    QChart *chart = m_editor->chart();
    chart->setMargins(QMargins(0, 0, 0, 0));
    for (QAbstractAxis *axis : chart->axes()) {
        QFont font = axis->labelsFont();
        font.setPointSize(6);
        axis->setLabelsFont(font);
        auto *category = qobject_cast<QCategoryAxis *>(axis);
        if (!category)
            continue;
        category->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (const QString &label : category->categoriesLabels())
            category->remove(label);
        if (axis->orientation() == Qt::Horizontal) {
            const QList<QPair<QString, double>> ticks = {
                {QStringLiteral("20"), 20},   {QStringLiteral("50"), 50},   {QStringLiteral("100"), 100},
                {QStringLiteral("200"), 200}, {QStringLiteral("500"), 500}, {QStringLiteral("1k"), 1000},
                {QStringLiteral("2k"), 2000}, {QStringLiteral("5k"), 5000}, {QStringLiteral("10k"), 10000},
                {QStringLiteral("20k"), 20000}};
            for (const auto &[label, hz] : ticks)
                category->append(label, std::log10(hz));
        } else {
            for (int db : {-12, -6, 0, 6, 12})
                category->append(QString::number(db), db);
        }
    }
}

void EQCloudPreviewDialog::styleChartSeries()
{
    for (QAbstractSeries *series : m_editor->chart()->series()) {
        if (auto *scatter = qobject_cast<QScatterSeries *>(series)) {
            scatter->setMarkerSize(3.0);
            continue;
        }
        auto *line = qobject_cast<QLineSeries *>(series);
        if (!line)
            continue;
        QPen pen = line->pen();
        const QColor colour = pen.color();
        if (colour.alpha() > 0 && colour.red() >= 220 && colour.green() >= 220 && colour.blue() >= 220) {
            pen.setWidthF(0.26);
            pen.setColor(QColor(255, 255, 255));
            line->setPen(pen);
        }
    }
}

EQCloudPreviewDialog::Bands EQCloudPreviewDialog::bandsOf(const EarphoneApi::CloudEQItem &item)
{
    Bands bands;
    for (int i = 0; i < bandCount; ++i) {
        bands.freqs.append(numberOr(item.freq, i, 0.0));
        bands.gains.append(numberOr(item.sound, i, 0.0));
        bands.qs.append(numberOr(item.q, i, 0.7));
        const QString type = i < item.type.size() ? item.type.at(i).trimmed() : QString();
        bands.types.append(type.isEmpty() ? QStringLiteral("Peaking") : type);
    }
    return bands;
}

void EQCloudPreviewDialog::setItem(const EarphoneApi::CloudEQItem &item)
{
    bool ok = false;
    const int id = item.id.trimmed().toInt(&ok);
    m_previewItemId = ok && id >= 1 ? id : 0;
    m_closeButton->show();
    placeCloseButton();
    m_closeButton->raise();

    m_name->setText(item.name);
    m_nickName->setText(item.nickName);
    m_desc->setText(item.desc);
    const QString sc1 = item.sc1_name.trimmed();
    const QString sc2 = item.sc2_name.trimmed();
    m_chip1->setText(sc1);
    m_chip1->setVisible(!sc1.isEmpty());
    m_chip2->setText(sc2);
    m_chip2->setVisible(!sc2.isEmpty());
    loadAvatar(item.iconUrl);

    const Bands bands = bandsOf(item);
    m_editor->setBands(bands.freqs, bands.qs, bands.gains, bands.types);
    styleChartSeries();
}

void EQCloudPreviewDialog::loadAvatar(const QString &url)
{
    m_avatarUrl = url.trimmed();
    // The cards show the same pictures: their cache has it, or fetches it once for both.
    const QPixmap picture = GameCardImageCache::instance()->picture(m_avatarUrl);
    if (picture.isNull())
        showDefaultAvatar();
    else
        showAvatar(picture);
}

void EQCloudPreviewDialog::onAvatarFetched(const QString &source, bool ok)
{
    // Only the picture asked for last may still show.
    if (source != m_avatarUrl)
        return;
    QPixmap pixmap;
    if (ok && GameCardImageCache::instance()->lookup(source, &pixmap))
        showAvatar(pixmap);
    else
        showDefaultAvatar();
}

void EQCloudPreviewDialog::showAvatar(const QPixmap &pixmap)
{
    PixelRatioFollower::follow(m_avatar, [this, pixmap](qreal ratio) {
        const QSize size = m_avatar->size().isValid() ? m_avatar->size() : QSize(20, 20);
        m_avatar->setPixmap(roundAvatar(pixmap, size, ratio));
    });
}

void EQCloudPreviewDialog::showDefaultAvatar()
{
    showAvatar(QPixmap(QString::fromLatin1(EQCloudResources::defaultAvatar)));
}

void EQCloudPreviewDialog::placeCloseButton()
{
    m_closeButton->move(width() - m_closeButton->width() - 5, 5);
}

void EQCloudPreviewDialog::retranslateUi()
{
    m_applyButton->setText(tr("应用到设备"));
}

void EQCloudPreviewDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeCloseButton();
    setMask(roundedRegion(size(), 10));
}

void EQCloudPreviewDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}
