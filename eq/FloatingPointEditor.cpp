#include "eq/FloatingPointEditor.h"

#include "eq/EqStatusDotChip.h"
#include "eq/FilterTypePicker.h"
#include "eq/SpinSelectAllOnFocusHelper.h"
#include "widgets/DevicePixmap.h"
#include "widgets/PixelRatioFollower.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <iterator>

using FloatingPointEditorDetail::EqStatusDotChip;
using FloatingPointEditorDetail::FilterTypePicker;

namespace {

constexpr qreal kPanelRadius = 9.34783;

const char *const kStandardTypes[] = {QT_TRANSLATE_NOOP("FloatingPointEditor", "Peaking"),
                                      QT_TRANSLATE_NOOP("FloatingPointEditor", "Low Pass"),
                                      QT_TRANSLATE_NOOP("FloatingPointEditor", "High Pass"),
                                      QT_TRANSLATE_NOOP("FloatingPointEditor", "Low Shelf"),
                                      QT_TRANSLATE_NOOP("FloatingPointEditor", "High Shelf")};
constexpr int kCustomTypeCount = 3;
// Only used for its translation: a band of this type shows as "Peaking".
const char *const kDisableType = QT_TRANSLATE_NOOP("FloatingPointEditor", "Disable");

QString editorStyleSheet()
{
    return QStringLiteral(
               "#FloatEditorPanel{background-color:transparent;border:none;}"
               "QLabel#fpHeaderLabel{font-family:%1;font-size:10px;font-weight:500;line-height:14px;color:#E4E4E4;"
               "background:transparent;}"
               "QLabel#fpFilterCurveIcon{background:transparent;}"
               "QLabel#fpCaptionLabel{font-family:%1;font-size:10px;font-weight:400;line-height:14px;color:#999999;"
               "background:transparent;}"
               "QLabel#fpMenuHint{font-family:%1;font-size:11px;font-weight:500;color:#B0B0B0;background:transparent;"
               "padding:0px;}"
               "QToolButton#fpTypeCombo{font-family:%1;font-size:10px;font-weight:500;line-height:14px;color:#E4E4E4;"
               "border:none;outline:none;padding:0px 18px 0px 0px;margin:0px;min-height:18px;max-height:18px;"
               "background-color:transparent;background-repeat:no-repeat;background-position:center right;"
               "background-image:url(:/svgs/arrowdown.svg);}"
               "QToolButton#fpTypeCombo:hover{color:#F0F0F0;background-color:transparent;background-repeat:no-repeat;"
               "background-position:center right;background-image:url(:/svgs/arrowdown.svg);}"
               "QToolButton#fpTypeCombo:open{background-color:transparent;background-repeat:no-repeat;"
               "background-position:center right;background-image:url(:/svgs/arrowup.svg);}"
               "QToolButton#fpTypeCombo:open:hover{color:#F0F0F0;background-color:transparent;"
               "background-repeat:no-repeat;background-position:center right;"
               "background-image:url(:/svgs/arrowup.svg);}"
               "QToolButton#fpTypeCombo::menu-indicator{image:none;border:none;width:0px;height:0px;}"
               "QToolButton#fpTypeCombo::menu-button{width:0px;height:0px;margin:0px;padding:0px;border:none;}"
               "QDoubleSpinBox{font-family:%1;font-size:10px;font-weight:400;color:#999999;"
               "background-color:rgba(255, 255, 255, 0.1);border:none;border-radius:4.67391px;padding:0px;"
               "selection-background-color:rgba(255, 255, 255, 0.2);selection-color:#E4E4E4;}"
               "QDoubleSpinBox QAbstractSpinBox{background-color:rgba(255, 255, 255, 0.1);border:none;"
               "border-radius:4.67391px;}"
               "QDoubleSpinBox::up-button, QDoubleSpinBox::down-button{width:0px;height:0px;margin:0px;border:none;}"
               "QDoubleSpinBox:focus{background-color:rgba(255, 255, 255, 0.14);}"
               "QDoubleSpinBox QLineEdit{font-family:%1;background:transparent;border:none;font-size:10px;"
               "color:#999999;padding:4.67391px 7.47826px;margin:0px;"
               "selection-background-color:rgba(255, 255, 255, 0.2);selection-color:#E4E4E4;}")
        .arg(FloatingPointEditor::fontFamilies());
}

} // namespace

QString FloatingPointEditor::fontFamilies()
{
    return QStringLiteral("'PingFang SC','Microsoft YaHei','Segoe UI',sans-serif");
}

QString FloatingPointEditor::filterTypeDisplayName(const QString &key)
{
    const QByteArray utf8 = key.toUtf8();
    if (utf8 == kDisableType)
        return QCoreApplication::translate("FloatingPointEditor", kDisableType);
    for (const char *type : kStandardTypes) {
        if (utf8 == type)
            return QCoreApplication::translate("FloatingPointEditor", type);
    }
    return key;
}

QString FloatingPointEditor::filterCurveImage(const QString &key)
{
    if (key == QLatin1String("Low Pass"))
        return QStringLiteral(":/images/LowPass.png");
    if (key == QLatin1String("High Pass"))
        return QStringLiteral(":/images/HighPass.png");
    if (key == QLatin1String("Low Shelf"))
        return QStringLiteral(":/images/LowShelf.png");
    if (key == QLatin1String("High Shelf"))
        return QStringLiteral(":/images/HighShelf.png");
    return QStringLiteral(":/images/Peaking.png");
}

FloatingPointEditor::FloatingPointEditor(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FloatEditorPanel"));
    setAttribute(Qt::WA_StyledBackground, false);
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        fusion->setParent(this);
        setStyle(fusion);
    }
    setFixedSize(200, 75);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);

    auto *header = new QHBoxLayout;
    header->setSpacing(0);
    auto *titleBox = new QWidget(this);
    titleBox->setFixedHeight(18);
    auto *titleLayout = new QHBoxLayout(titleBox);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(4);
    m_dot = new EqStatusDotChip(titleBox);
    m_dot->setFixedSize(8, 8);
    m_dot->setAttribute(Qt::WA_TranslucentBackground);
    m_headerLabel = new QLabel(titleBox);
    m_headerLabel->setObjectName(QStringLiteral("fpHeaderLabel"));
    m_headerLabel->setMinimumHeight(14);
    m_headerLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titleLayout->addWidget(m_dot, 0, Qt::AlignVCenter);
    titleLayout->addWidget(m_headerLabel, 0, Qt::AlignVCenter);
    header->addWidget(titleBox, 0, Qt::AlignVCenter);
    header->addSpacing(14);
    m_filterIcon = new QLabel(this);
    m_filterIcon->setObjectName(QStringLiteral("fpFilterCurveIcon"));
    m_filterIcon->setFixedSize(20, 20);
    m_filterIcon->setAlignment(Qt::AlignCenter);
    m_filterIcon->setScaledContents(false);
    header->addWidget(m_filterIcon, 0, Qt::AlignVCenter);
    header->addSpacing(14);
    m_typePicker = new FilterTypePicker(this);
    addModeItems();
    m_typePicker->setFocusPolicy(Qt::StrongFocus);
    header->addWidget(m_typePicker, 0, Qt::AlignVCenter);
    layout->addLayout(header);

    connect(m_typePicker, &FilterTypePicker::currentIndexChanged, this, &FloatingPointEditor::onValueChanged);
    connect(m_typePicker, &FilterTypePicker::currentIndexChanged, this, [this] { updateFilterIcon(); });

    m_gainSpin = new QDoubleSpinBox(this);
    configureSpinBox(m_gainSpin);
    m_gainSpin->setRange(-8.0, 8.0);
    m_gainSpin->setDecimals(1);
    m_gainSpin->setSuffix(QStringLiteral("dB"));
    m_gainSpin->setSingleStep(0.1);

    m_freqSpin = new QDoubleSpinBox(this);
    configureSpinBox(m_freqSpin);
    m_freqSpin->setRange(20.0, 20000.0);
    m_freqSpin->setDecimals(0);
    m_freqSpin->setSuffix(QStringLiteral("Hz"));
    m_freqSpin->setSingleStep(10.0);

    m_qSpin = new QDoubleSpinBox(this);
    configureSpinBox(m_qSpin);
    m_qSpin->setRange(0.1, 5.0);
    m_qSpin->setDecimals(2);
    m_qSpin->setSingleStep(0.01);

    for (QDoubleSpinBox *spin : {m_gainSpin, m_freqSpin, m_qSpin})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &FloatingPointEditor::onValueChanged);

    m_gainCaption = new QLabel(this);
    m_freqCaption = new QLabel(this);
    m_qCaption = new QLabel(this);
    auto *fields = new QHBoxLayout;
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(makeCaptionedField(m_gainSpin, m_gainCaption));
    fields->addWidget(makeCaptionedField(m_freqSpin, m_freqCaption));
    fields->addWidget(makeCaptionedField(m_qSpin, m_qCaption));
    layout->addLayout(fields);

    setStyleSheet(editorStyleSheet());
    retranslateUi();
    updateFilterIcon();
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setFocusPolicy(Qt::NoFocus);
}

FloatingPointEditor::~FloatingPointEditor() = default;

void FloatingPointEditor::configureSpinBox(QDoubleSpinBox *spin)
{
    spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    spin->setAlignment(Qt::AlignCenter);
    spin->setFixedSize(56, 22);
    spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    spin->setFrame(false);
    spin->setAttribute(Qt::WA_StyledBackground, true);
    spin->setFocusPolicy(Qt::StrongFocus);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    // A typed value counts once, when Enter or leaving the field commits it:
    // with tracking, "1000" went out as 100 and 1000, and Enter sent it again.
    spin->setKeyboardTracking(false);
    new FloatingPointEditorDetail::SpinSelectAllOnFocusHelper(spin);
}

QWidget *FloatingPointEditor::makeCaptionedField(QDoubleSpinBox *spin, QLabel *caption)
{
    auto *column = new QWidget(this);
    column->setFixedWidth(56);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    spin->setParent(column);
    layout->addWidget(spin, 0, Qt::AlignHCenter);
    caption->setParent(column);
    caption->setObjectName(QStringLiteral("fpCaptionLabel"));
    caption->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    caption->setMinimumHeight(22);
    layout->addWidget(caption, 0, Qt::AlignHCenter);
    return column;
}

void FloatingPointEditor::addModeItems()
{
    const int count = m_customMode ? kCustomTypeCount : int(std::size(kStandardTypes));
    for (int i = 0; i < count; ++i) {
        const QString key = QString::fromLatin1(kStandardTypes[i]);
        m_typePicker->addItem(filterTypeDisplayName(key), key);
    }
}

void FloatingPointEditor::onValueChanged()
{
    if (m_blocking)
        return;
    emit valuesChanged(QPointF(m_freqSpin->value(), m_gainSpin->value()), m_qSpin->value(),
                       m_typePicker->currentValue());
}

void FloatingPointEditor::setValues(const QPointF &pos, double q, const QString &type, const QColor &colour)
{
    m_blocking = true;
    m_freqSpin->setValue(pos.x());
    m_gainSpin->setValue(pos.y());
    m_qSpin->setValue(q);
    m_dot->setColor(colour.isValid() ? colour : QColor(QStringLiteral("#EFE11B")));

    QString effective = type;
    if (m_customMode
        && (type == QLatin1String("Disable") || type == QLatin1String("Low Shelf")
            || type == QLatin1String("High Shelf")))
        effective = QStringLiteral("Peaking");
    int index = int(m_typePicker->values().indexOf(effective));
    if (index < 0)
        index = int(m_typePicker->labels().indexOf(effective));
    if (index < 0 && m_typePicker->count() > 0)
        index = 0;
    if (index >= 0)
        m_typePicker->setCurrentIndex(index);
    m_blocking = false;
    updateFilterIcon();

    if (m_customMode && effective != type)
        onValueChanged();
}

void FloatingPointEditor::setGainRange(double low, double high)
{
    m_blocking = true;
    m_gainSpin->setRange(qMin(low, high), qMax(low, high));
    m_blocking = false;
}

void FloatingPointEditor::setCustomMode(bool on)
{
    m_customMode = on;
    m_typePicker->clear();
    addModeItems();
    updateFilterIcon();
}

void FloatingPointEditor::setPassive(bool on)
{
    if (on == m_passive)
        return;
    m_passive = on;
    setAttribute(Qt::WA_TransparentForMouseEvents, on);
    setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    // A field still holding the keyboard would edit the band under the preview.
    if (on) {
        QWidget *focused = QApplication::focusWidget();
        if (focused && isAncestorOf(focused))
            focused->clearFocus();
    }
}

void FloatingPointEditor::updateFilterIcon()
{
    if (!m_filterIcon || !m_typePicker)
        return;
    if (!DevicePixmap::showOn(m_filterIcon, filterCurveImage(m_typePicker->currentValue()), m_filterIcon->size())) {
        PixelRatioFollower::stop(m_filterIcon);
        m_filterIcon->clear();
    }
}

void FloatingPointEditor::retranslateUi()
{
    m_headerLabel->setText(tr("Enabled"));
    m_gainCaption->setText(tr("增益"));
    m_freqCaption->setText(tr("频率"));
    m_qCaption->setText(tr("Q值"));
    m_typePicker->retranslate();
}

void FloatingPointEditor::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1A, 0x1A, 0x1B));
    painter.drawRoundedRect(QRectF(rect()), kPanelRadius, kPanelRadius);
}

void FloatingPointEditor::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}
