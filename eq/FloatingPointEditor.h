#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;

namespace FloatingPointEditorDetail {
class EqStatusDotChip;
class FilterTypePicker;
} // namespace FloatingPointEditorDetail

// The small panel that floats above a band point: the band's colour, a picture
// of the filter shape, the filter type and the gain, frequency and Q fields.
// Passive (a hover preview) it lets the mouse through; active it takes input.
class FloatingPointEditor : public QWidget
{
    Q_OBJECT
public:
    explicit FloatingPointEditor(QWidget *parent = nullptr);
    ~FloatingPointEditor() override;

    // pos = (frequency Hz, gain dB).
    void setValues(const QPointF &pos, double q, const QString &type, const QColor &colour);
    void setGainRange(double low, double high);
    void setCustomMode(bool on);
    void setPassive(bool on);
    void retranslateUi();

    bool isPassive() const { return m_passive; }
    bool isCustomMode() const { return m_customMode; }
    QDoubleSpinBox *frequencyField() const { return m_freqSpin; }
    QDoubleSpinBox *gainField() const { return m_gainSpin; }
    QDoubleSpinBox *qField() const { return m_qSpin; }
    FloatingPointEditorDetail::FilterTypePicker *typePicker() const { return m_typePicker; }
    QLabel *curvePicture() const { return m_filterIcon; }
    FloatingPointEditorDetail::EqStatusDotChip *colourDot() const { return m_dot; }

    static QString filterTypeDisplayName(const QString &key);
    // The resource image of the filter shape of a type key.
    static QString filterCurveImage(const QString &key);
    static QString fontFamilies();

signals:
    void valuesChanged(QPointF pos, double q, QString type);

public slots:
    void onValueChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void addModeItems();
    void updateFilterIcon();
    void configureSpinBox(QDoubleSpinBox *spin);
    QWidget *makeCaptionedField(QDoubleSpinBox *spin, QLabel *caption);

    QLabel *m_headerLabel = nullptr;
    QLabel *m_gainCaption = nullptr;
    QLabel *m_freqCaption = nullptr;
    QLabel *m_qCaption = nullptr;
    QDoubleSpinBox *m_freqSpin = nullptr;
    QDoubleSpinBox *m_gainSpin = nullptr;
    QDoubleSpinBox *m_qSpin = nullptr;
    FloatingPointEditorDetail::FilterTypePicker *m_typePicker = nullptr;
    QLabel *m_filterIcon = nullptr;
    FloatingPointEditorDetail::EqStatusDotChip *m_dot = nullptr;
    bool m_blocking = false;
    bool m_passive = true;
    bool m_customMode = false;
};
