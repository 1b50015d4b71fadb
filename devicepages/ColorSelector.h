#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class ColorDot;

// The row of five headset colours above the connection page's picture.
class ColorSelector : public QWidget
{
    Q_OBJECT
public:
    struct Entry
    {
        QColor color;
        QColor accent;
        QString picture; // resource path of the headset in this colour
    };

    explicit ColorSelector(QWidget *parent = nullptr);
    ~ColorSelector() override;

    // The five entries, in the order of the row.
    static const QList<Entry> &palette();
    static bool isPaletteEntry(const QColor &color, const QColor &accent);
    // The picture of a colour, empty for a colour not in the palette.
    static QString pictureForColor(const QColor &color);

    QColor currentColor() const { return m_currentColor; }
    const QList<ColorDot *> &dots() const { return m_dots; }

    // True when the colour is current or was found and made current (emitting
    // colorChanged); an unknown colour returns false and changes nothing.
    bool setCurrentColor(const QColor &color);

signals:
    void colorChanged(const QColor &color);

private slots:
    void onColorDotClicked();

private:
    void select(ColorDot *dot);

    QList<ColorDot *> m_dots;
    ColorDot *m_selectedDot = nullptr;
    QColor m_currentColor;
};
