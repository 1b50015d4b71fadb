#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QChartView;
class EQXAxisProfileComboBox;

// A 24-pixel strip above the EQ chart that names frequency ranges ("SUB BASS",
// "FOOTSTEPS" ...) in line with the chart's log-frequency axis, with a picker of
// the default and game profiles at its right end.
class EQXAxisRuleBar : public QWidget
{
    Q_OBJECT
public:
    struct Rule
    {
        double fromHz = 0.0;
        double toHz = 0.0;
        QString label;
    };
    struct Profile
    {
        QString name;
        QList<Rule> rules;
    };
    struct Segment
    {
        QRect rect;
        QString label;
        bool elided = false;
    };

    static constexpr double kAxisMinHz = 17.5;
    static constexpr double kAxisMaxHz = 25000.0;
    static constexpr double kRuleFloorHz = 20.0;
    static constexpr double kAudibleTopHz = 20000.0;

    explicit EQXAxisRuleBar(QWidget *parent = nullptr);
    ~EQXAxisRuleBar() override;

    void setChartView(QChartView *view);
    QChartView *chartView() const { return m_chartView; }

    const QList<Profile> &profiles() const { return m_profiles; }
    const QList<Rule> &currentRules() const { return m_currentRules; }
    // The labelled blocks of the last paint.
    const QList<Segment> &segments() const { return m_segments; }
    EQXAxisProfileComboBox *profileCombo() const { return m_combo; }

    // Reads "from-to" in Hz; blanks anywhere are ignored.
    static bool parseRange(const QString &text, double &fromHz, double &toHz);
    static QList<Rule> normalizedRules(const QList<Rule> &rules);
    // Maps a frequency onto the pixel columns left..right on the log axis.
    static int frequencyToX(double hz, int left, int right);

    // The plot's left and right columns in bar coordinates.
    void plotColumns(int &left, int &right) const;
    // The x of a frequency on the chart's axis, in bar coordinates.
    double chartFrequencyToX(double hz) const;
    // The elided segment under a point of the bar, or null.
    const Segment *segmentAt(const QPoint &pos) const;

signals:
    void profileChanged(int index, QString name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static QFont labelFont();
    void buildDefaultProfiles();
    void applyCurrentProfile(int index);
    void layoutProfileCombo();
    void showTooltipAt(const QPoint &pos);
    QPoint tooltipPosition(const Segment &segment) const;

    EQXAxisProfileComboBox *m_combo = nullptr;
    QPointer<QChartView> m_chartView;
    QList<Profile> m_profiles;
    QList<Rule> m_currentRules;
    QList<Segment> m_segments;
    QString m_hoverLabel;
    bool m_built = false;
    int m_lastLeft = -1;
    int m_lastRight = -1;
};
