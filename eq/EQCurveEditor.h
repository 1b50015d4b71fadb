#pragma once

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QAreaSeries;
class QCategoryAxis;
class QLineSeries;
class QMenu;
class QScatterSeries;
class EqCtxRowButton;
class FloatingPointEditor;

// The chart on which a custom EQ is shaped: one coloured point per band on a
// log-frequency / gain plot, the summed response of all bands, and the own
// response of the band shown in the floating point editor.
class EQCurveEditor : public QChartView
{
    Q_OBJECT
public:
    // One second-order section, already divided by a0.
    struct Biquad
    {
        double b0 = 1.0;
        double b1 = 0.0;
        double b2 = 0.0;
        double a1 = 0.0;
        double a2 = 0.0;
    };

    static constexpr double kSampleRate = 48000.0;
    static constexpr int kCurvePointCount = 1024;
    static constexpr int kMaxDrawnRuns = 8;
    static constexpr int kSlotCount = 10;
    static constexpr double kMinHz = 17.5;
    static constexpr double kMaxHz = 25000.0;
    static constexpr double kPlotMinDb = -14.0;
    static constexpr double kPlotMaxDb = 14.0;

    // Response model (display only; the headset does its own filtering).
    static bool computeBiquad(const QString &type, double frequency, double q, double gainDb, Biquad &out);
    static double biquadMagnitudeDb(const Biquad &section, double frequency, double sampleRate);
    static void clipPolyline(const QList<QPointF> &curve, double xMin, double xMax, double yMin, double yMax,
                             QList<QList<QPointF>> &runs);
    // The summed dB response of the sections on the 1024-point log grid from
    // 17.5 Hz to 25 kHz; x is log10 of the frequency.
    static QList<QPointF> sampleResponse(const QList<Biquad> &sections);

    // Fixed tables (frequency in Hz, gain in dB).
    static const QList<QPointF> &defaultBandPoints();
    static const QList<double> &defaultBandQs();
    static const QList<QPointF> &defaultQorPoints();
    static const QList<double> &gridFrequencies();
    static const QList<QColor> &pointPalette();

    explicit EQCurveEditor(QWidget *parent = nullptr);
    ~EQCurveEditor() override;

    void setBands(const QList<double> &freqs, const QList<double> &qs, const QList<double> &gains,
                  const QList<QString> &types);
    void setBandCount(int count);
    void setCustomMode(bool on);
    void resetToDefault();
    void clearSelection();
    void setEditGuard(std::function<bool()> guard);

    QPointF bandPoint(int slot) const;
    double bandQ(int slot) const;
    QString bandType(int slot) const;

    int maximumBandCount() const { return m_maxBandCount; }
    bool isCustomMode() const { return m_customMode; }
    int pointCount() const { return int(m_points.size()); }
    // Current gain limit in dB (8 in standard mode, 10 in custom mode).
    double gainLimit() const;

    // Read-only views of the interaction state and the drawn series.
    int editIndex() const { return m_editIndex; }
    int hoverIndex() const { return m_hoverIndex; }
    int dragIndex() const { return m_dragIndex; }
    bool isEditing() const { return m_editing; }
    FloatingPointEditor *floatingEditor() const;
    QMenu *contextMenu() const { return m_menu; }
    const QList<QLineSeries *> &curveSegmentSeries() const { return m_curveSegments; }
    const QList<QLineSeries *> &selectedBandSegmentSeries() const { return m_bandSegments; }
    QAreaSeries *selectedBandArea() const { return m_bandArea; }
    QScatterSeries *pointSeries(int index) const;
    // The point's position in whole viewport pixels.
    QPoint pointViewportPos(int index) const;
    int pointIndexAt(const QPoint &pos) const;

signals:
    void presetEdited();
    void pointDragDenied();

public slots:
    void onRemovePoint(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Band model (EQCurveEditor.cpp).
    void setupAxes();
    void setupSeries();
    void rebuildGridLines();
    void addPoint(const QPointF &hzDb, double q, const QString &type);
    void setPointValue(int index, const QPointF &hzDb, bool fromDrag);
    void resetPoint(int index);
    void rebuildSlotMap();
    void removeAllPoints();
    void addDefaultPoints(int count);
    const QList<QPointF> &modeTable() const;
    double defaultQFor(int index) const;
    QLineSeries *newLineSeries(const QPen &pen, bool visible);
    void attach(QAbstractSeries *series);
    int slotPoint(int slot) const;

    // Curves (EQCurveEditorCurves.cpp).
    void updateCurve();
    void updateSelectedBandCurve();
    Biquad pointSection(int index) const;

    // Interaction (EQCurveEditorInteraction.cpp, EQCurveEditorContextMenu.cpp).
    void buildContextMenu();
    void retranslateMenu();
    void updateHover(const QPoint &pos);
    void updateCursor(const QPoint &pos);
    void updatePointStyles(int hoverIndex);
    void showHoverEditor(int index);
    void syncEditorValues(int index);
    void positionEditor(int index);
    void ensureEditorParent();
    QRect editorRectInViewport() const;
    void hideEditor();
    void onEditorValuesChanged(const QPointF &pos, double q, const QString &type);
    void onResetRowClicked();
    void onDeleteRowClicked();
    void scheduleHoverAtCursor(bool onlyWhenNotEditing);
    QPoint cursorInViewport() const;

    int m_maxBandCount = kSlotCount;
    bool m_customMode = false;
    QList<int> m_slotMap;
    bool m_updating = false;
    std::function<bool()> m_editGuard;
    QList<QLineSeries *> m_curveSegments;
    QLineSeries *m_bandUpper = nullptr;
    QLineSeries *m_bandLower = nullptr;
    QAreaSeries *m_bandArea = nullptr;
    QList<QLineSeries *> m_bandSegments;
    QList<QLineSeries *> m_gridLines;
    QList<QScatterSeries *> m_points;
    QList<double> m_qs;
    QList<QString> m_types;
    QCategoryAxis *m_freqAxis = nullptr;
    QCategoryAxis *m_gainAxis = nullptr;
    int m_dragIndex = -1;
    int m_hoverIndex = -1;
    int m_contextIndex = -1;
    QMenu *m_menu = nullptr;
    EqCtxRowButton *m_resetRow = nullptr;
    EqCtxRowButton *m_deleteRow = nullptr;
    // Lives in the top-level window while shown, so it may die before the view.
    QPointer<FloatingPointEditor> m_editor;
    bool m_editing = false;
    int m_editIndex = -1;
    std::uint8_t m_moveCounter = 0;
};
