// Painting of the rule bar: the mapping of frequencies onto the chart's plot
// columns, the labelled blocks, the dividers and the picker's place.
#include "eq/EQXAxisRuleBar.h"

#include "eq/EQXAxisProfileComboBox.h"

#include <QChart>
#include <QChartView>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTouchEps = 1e-6;
constexpr int kBlockHeight = 22;
constexpr qreal kBlockRadius = 3.33;
constexpr int kMinLabelledWidth = 16;

int roundHalfAway(double v)
{
    return int(v >= 0 ? v + 0.5 : v - 0.5);
}

} // namespace

QFont EQXAxisRuleBar::labelFont()
{
    QFont f(QStringLiteral("Microsoft YaHei"));
    f.setPointSize(8);
    return f;
}

int EQXAxisRuleBar::frequencyToX(double hz, int left, int right)
{
    if (right <= left)
        return left;
    const double f = std::clamp(hz, kAxisMinHz, kAxisMaxHz);
    const double span = std::log10(kAxisMaxHz) - std::log10(kAxisMinHz);
    if (std::fabs(span) <= 1e-12)
        return left;
    const double v = (std::log10(f) - std::log10(kAxisMinHz)) / span * (right - left);
    return left + roundHalfAway(v);
}

double EQXAxisRuleBar::chartFrequencyToX(double hz) const
{
    const double f = std::clamp(hz, kAxisMinHz, kAxisMaxHz);
    if (m_chartView && m_chartView->chart()) {
        QChart *chart = m_chartView->chart();
        const QPointF inChart = chart->mapToPosition(QPointF(std::log10(f), 0.0));
        const QPointF inScene = chart->mapToScene(inChart);
        const QPointF inView = m_chartView->viewportTransform().map(inScene);
        const QPointF global = m_chartView->viewport()->mapToGlobal(inView);
        return mapFromGlobal(global).x();
    }
    return width() * (std::log10(f) - std::log10(kAxisMinHz)) / (std::log10(kAxisMaxHz) - std::log10(kAxisMinHz));
}

void EQXAxisRuleBar::plotColumns(int &left, int &right) const
{
    const QRect r = rect().normalized();
    left = r.left();
    right = r.right();
    if (m_chartView && m_chartView->chart()) {
        const int x17 = roundHalfAway(chartFrequencyToX(kAxisMinHz));
        const int x25 = roundHalfAway(chartFrequencyToX(kAxisMaxHz));
        if (x25 > x17) {
            const int left0 = left;
            left = std::max(left, std::min(right, x17));
            right = std::max(left0, std::min(right, x25));
        }
    }
    if (left > right)
        std::swap(left, right);
}

void EQXAxisRuleBar::layoutProfileCombo()
{
    if (!m_combo || rect().isEmpty())
        return;
    int left = 0;
    int right = 0;
    plotColumns(left, right);
    const int x25 = frequencyToX(kAxisMaxHz, left, right);
    const int x20 = std::min(right, frequencyToX(kAudibleTopHz, left, right) + 1);
    const int a = std::max(left, x20);
    const int b = std::max(left, std::min(right, x25));
    const int x = std::min(a, b);
    const QRect geometry(x, rect().top() + 1, std::max(b - x, 1), kBlockHeight);
    if (m_combo->geometry() != geometry)
        m_combo->setGeometry(geometry);
    m_combo->raise();
}

void EQXAxisRuleBar::paintEvent(QPaintEvent *)
{
    layoutProfileCombo();
    m_segments.clear();
    if (m_currentRules.isEmpty() || rect().isEmpty())
        return;
    int left = 0;
    int right = 0;
    plotColumns(left, right);
    if (right - left < 1)
        return;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(labelFont());
    const QFontMetrics metrics(painter.font());
    const int top = rect().top();

    const auto drawBlock = [&](double a, double b, const QString &label) {
        const int x1 = frequencyToX(a, left, right);
        const int x2 = frequencyToX(b, left, right);
        if (x2 <= x1)
            return;
        const int blockLeft = std::max(left, std::min(right, x1));
        const QRect block(blockLeft, top + 1, std::min(right, x2) - blockLeft, kBlockHeight);
        if (block.isEmpty())
            return;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x2A, 0x29, 0x2D));
        painter.drawRoundedRect(QRectF(block), kBlockRadius, kBlockRadius);
        const QString trimmed = label.trimmed();
        if (trimmed.isEmpty() || block.width() <= kMinLabelledWidth)
            return;
        const QRect textRect = block.adjusted(3, 0, -3, 0);
        const QString shown = metrics.elidedText(label, Qt::ElideRight, textRect.width());
        const bool elided = shown != label || metrics.horizontalAdvance(label) > textRect.width();
        m_segments.append({block, trimmed, elided});
        painter.setPen(QColor(0x8E, 0x91, 0x98));
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignVCenter, shown);
    };

    for (const Rule &rule : std::as_const(m_currentRules)) {
        const double a = std::clamp(rule.fromHz, kAxisMinHz, kAxisMaxHz);
        const double b = std::clamp(rule.toHz, kAxisMinHz, kAxisMaxHz);
        if (a >= b)
            continue;
        if (b <= kAudibleTopHz)
            drawBlock(a, b, rule.label);
        else if (a < kAudibleTopHz)
            drawBlock(a, kAudibleTopHz, rule.label);
    }

    // The band above 20 kHz that carries the picker.
    const int x20 = frequencyToX(kAudibleTopHz, left, right);
    const int x25 = frequencyToX(kAxisMaxHz, left, right);
    if (x25 > x20 + 1) {
        painter.fillRect(QRect(x20, top + 1, 1, kBlockHeight), QColor(0x1A, 0x1A, 0x1B));
        const QRect band(x20 + 1, top + 1, x25 - x20 - 1, kBlockHeight);
        if (band.width() > 1 && band.height() > 1) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0x2A, 0x29, 0x2D));
            painter.drawRoundedRect(QRectF(band), kBlockRadius, kBlockRadius);
        }
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1A, 0x1A, 0x1B));
    for (qsizetype i = 1; i < m_currentRules.size(); ++i) {
        const double edge = m_currentRules.at(i - 1).toHz;
        if (std::fabs(edge - m_currentRules.at(i).fromHz) <= kTouchEps && edge >= kAxisMinHz && edge <= kAxisMaxHz) {
            const int x = frequencyToX(edge, left, right);
            painter.drawRect(QRect(x - 1, top + 1, 3, kBlockHeight));
        }
    }
}

