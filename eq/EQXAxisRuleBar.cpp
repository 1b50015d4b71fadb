#include "eq/EQXAxisRuleBar.h"

#include "eq/EQXAxisProfileComboBox.h"

#include <QApplication>
#include <QChartView>
#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTouchEps = 1e-6;
constexpr double kStopLimitHz = 19999.999999;
constexpr double kTailLimitHz = 24999.999999;
constexpr double kLeftSnapHz = 20.000001;

struct RuleDef
{
    const char *label;
    const char *range;
};
struct ProfileDef
{
    const char *name;
    QList<RuleDef> rules;
};


const QList<ProfileDef> &builtInProfiles()
{
    static const QList<ProfileDef> defs = {
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "默认"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "超低频"), "20-60"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "低频"), "60-250"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "中低频"), "250-500"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "中频"), "500-2000"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "中高频"), "2000-6000"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "极高频"), "6000-20000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "APEX英雄"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-100"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "100-300"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术交互"), "1000-3000"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "微细节"), "3000-6000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "无畏契约"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-150"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "150-350"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术交互"), "2500-3500"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "微细节"), "3500-6000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "三角洲行动"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "30-150"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "150-350"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术交互"), "3500-6000"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "微细节"), "6000-9000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "CS2"), {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-150"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "150-400"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术信息"), "5000-8000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "使命召唤:现代战争"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-100"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "100-350"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术信息"), "2000-4000"},
          {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "微细节"), "4000-8000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "绝地求生"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-100"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "100-350"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术交互"), "3000-6500"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "和平精英"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-80"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "100-200"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术交互"), "3000-5000"}}},
        {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "彩虹六号：围攻"),
         {{QT_TRANSLATE_NOOP("EQXAxisRuleBar", "环境氛围"), "20-150"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "脚步声"), "150-800"}, {QT_TRANSLATE_NOOP("EQXAxisRuleBar", "战术信息"), "3000-5000"}}},
    };
    return defs;
}


QString trRule(const char *text)
{
    return QCoreApplication::translate("EQXAxisRuleBar", text);
}

bool s_tooltipStyleInstalled = false;

} // namespace

EQXAxisRuleBar::EQXAxisRuleBar(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(24);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("background: transparent;"));

    m_combo = new EQXAxisProfileComboBox(this);
    m_combo->setStyleSheet(QStringLiteral(
        "QComboBox {background-color: #2A292D;color: #A8A8A8;border: 1px solid #2D2E33;border-radius: 3.33px;"
        "padding: 0px 20px 0px 4px;min-height: 0px;font-family: 'Microsoft YaHei','PingFang SC','Segoe "
        "UI',sans-serif;font-size: 10px;}QComboBox:hover { background-color: #353438; }QComboBox:pressed, "
        "QComboBox:open { background-color: #2A292D; }QComboBox::drop-down {subcontrol-origin: "
        "padding;subcontrol-position: top right;width: 16px;height: 16px;top: 3px;right: 2px;border: "
        "none;background: transparent;}QComboBox::down-arrow {image: url(:/svgs/arrowdown.svg);width: "
        "16px;height: 16px;}QComboBox::down-arrow:open { image: url(:/svgs/arrowup.svg); }"));
    connect(m_combo, &QComboBox::currentIndexChanged, this, &EQXAxisRuleBar::applyCurrentProfile);

    if (!s_tooltipStyleInstalled && qobject_cast<QApplication *>(QCoreApplication::instance())) {
        s_tooltipStyleInstalled = true;
        qApp->setStyleSheet(qApp->styleSheet()
                            + QStringLiteral("\nQToolTip {  color: #8E9198;  background-color: #2A292D;  border: "
                                             "none;  outline: none;  padding: 1px 3px;  font-family: 'Microsoft "
                                             "YaHei','PingFang SC','Segoe UI',sans-serif;  font-size: 8pt;}"));
    }

    buildDefaultProfiles();
    layoutProfileCombo();
}

EQXAxisRuleBar::~EQXAxisRuleBar()
{
    if (m_chartView) {
        m_chartView->removeEventFilter(this);
        if (m_chartView->viewport())
            m_chartView->viewport()->removeEventFilter(this);
    }
}

bool EQXAxisRuleBar::parseRange(const QString &text, double &fromHz, double &toHz)
{
    QString compact = text.trimmed();
    compact.remove(QLatin1Char(' '));
    const QStringList parts = compact.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return false;
    bool okFrom = false;
    bool okTo = false;
    const double from = parts.at(0).toDouble(&okFrom);
    const double to = parts.at(1).toDouble(&okTo);
    if (!okFrom || !okTo || !std::isfinite(from) || !std::isfinite(to) || !(from < to))
        return false;
    fromHz = from;
    toHz = to;
    return true;
}

void EQXAxisRuleBar::buildDefaultProfiles()
{
    const int remembered = m_combo->count() > 0 ? m_combo->currentIndex() : 0;
    m_profiles.clear();
    for (const ProfileDef &def : builtInProfiles()) {
        Profile profile;
        profile.name = trRule(def.name).trimmed();
        if (profile.name.isEmpty())
            profile.name = tr("未命名规则");
        for (const RuleDef &rule : def.rules) {
            double from = 0;
            double to = 0;
            if (parseRange(QString::fromLatin1(rule.range), from, to))
                profile.rules.append({from, to, trRule(rule.label)});
        }
        if (!profile.rules.isEmpty())
            m_profiles.append(profile);
    }

    const QSignalBlocker blocker(m_combo);
    m_combo->clear();
    for (const Profile &profile : std::as_const(m_profiles))
        m_combo->addItem(profile.name.trimmed().isEmpty() ? tr("未命名规则") : profile.name.trimmed());
    const int index = m_combo->count() > 0 ? qBound(0, remembered, int(m_combo->count()) - 1) : 0;
    m_combo->setCurrentIndex(m_combo->count() > 0 ? index : -1);
    if (m_combo->lineEdit())
        m_combo->lineEdit()->setText(QString());

    if (!m_profiles.isEmpty())
        m_currentRules = normalizedRules(m_profiles.at(index).rules);
    m_built = true;
    update();
}

void EQXAxisRuleBar::applyCurrentProfile(int index)
{
    if (index >= 0 && index < m_profiles.size()) {
        m_currentRules = normalizedRules(m_profiles.at(index).rules);
        update();
        emit profileChanged(index, m_profiles.at(index).name);
        return;
    }
    m_currentRules.clear();
    update();
}

QList<EQXAxisRuleBar::Rule> EQXAxisRuleBar::normalizedRules(const QList<Rule> &rules)
{
    QList<Rule> sorted = rules;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Rule &a, const Rule &b) { return a.fromHz < b.fromHz; });
    QList<Rule> out;
    double cursor = kRuleFloorHz;
    for (const Rule &rule : std::as_const(sorted)) {
        if (rule.toHz <= kRuleFloorHz || rule.fromHz >= kAudibleTopHz)
            continue;
        const double a = std::max(std::min(rule.fromHz, kAudibleTopHz), kRuleFloorHz);
        const double b = std::max(std::min(rule.toHz, kAudibleTopHz), kRuleFloorHz);
        if (a >= b)
            continue;
        if (a > cursor + kTouchEps)
            out.append({cursor, a, QString()});
        out.append({a, b, rule.label});
        cursor = std::max(cursor, b);
        if (cursor >= kStopLimitHz)
            break;
    }
    if (!out.isEmpty()) {
        if (cursor < kTailLimitHz)
            out.append({cursor, kAxisMaxHz, QString()});
    } else {
        out.append({kAxisMinHz, kAxisMaxHz, QString()});
    }
    if (out.first().fromHz <= kLeftSnapHz)
        out.first().fromHz = kAxisMinHz;
    return out;
}

void EQXAxisRuleBar::setChartView(QChartView *view)
{
    if (view == m_chartView)
        return;
    if (m_chartView) {
        m_chartView->removeEventFilter(this);
        m_chartView->viewport()->removeEventFilter(this);
    }
    m_chartView = view;
    if (m_chartView) {
        m_chartView->installEventFilter(this);
        m_chartView->viewport()->installEventFilter(this);
    }
    update();
}

bool EQXAxisRuleBar::eventFilter(QObject *watched, QEvent *event)
{
    if (m_chartView && (watched == m_chartView || watched == m_chartView->viewport())) {
        const QEvent::Type type = event->type();
        if (type == QEvent::Paint || type == QEvent::Move || type == QEvent::Resize) {
            // The chart repaints on every drag step; follow only a moved plot area.
            int left = 0;
            int right = 0;
            plotColumns(left, right);
            if (left != m_lastLeft || right != m_lastRight || type != QEvent::Paint) {
                m_lastLeft = left;
                m_lastRight = right;
                layoutProfileCombo();
                update();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EQXAxisRuleBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutProfileCombo();
}

const EQXAxisRuleBar::Segment *EQXAxisRuleBar::segmentAt(const QPoint &pos) const
{
    for (const Segment &segment : m_segments) {
        if (segment.elided && segment.rect.contains(pos))
            return &segment;
    }
    return nullptr;
}

QPoint EQXAxisRuleBar::tooltipPosition(const Segment &segment) const
{
    const QFontMetrics metrics(labelFont());
    const int w = metrics.horizontalAdvance(segment.label);
    const int h = metrics.height();
    const QPoint centreTop = mapToGlobal(QPoint(segment.rect.center().x(), segment.rect.top()));
    return QPoint(centreTop.x() - (w + 12) / 2, centreTop.y() - (h + 8) - 20);
}

void EQXAxisRuleBar::showTooltipAt(const QPoint &pos)
{
    if (const Segment *segment = segmentAt(pos)) {
        m_hoverLabel = segment->label;
        QToolTip::showText(tooltipPosition(*segment), segment->label, this);
    } else if (!m_hoverLabel.isEmpty()) {
        m_hoverLabel.clear();
        QToolTip::hideText();
    }
}

void EQXAxisRuleBar::mouseMoveEvent(QMouseEvent *event)
{
    showTooltipAt(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void EQXAxisRuleBar::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    const QPoint pos = mapFromGlobal(QCursor::pos());
    if (const Segment *segment = segmentAt(pos)) {
        m_hoverLabel = segment->label;
        QToolTip::showText(tooltipPosition(*segment), segment->label, this);
    } else {
        m_hoverLabel.clear();
        QToolTip::hideText();
    }
}

void EQXAxisRuleBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_built)
        buildDefaultProfiles();
    QWidget::changeEvent(event);
}
