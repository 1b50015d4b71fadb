#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The family list every kit control draws its text with.
namespace KitFonts {
QStringList families();
// The same list as a style-sheet value with double quotes.
QString cssFamiliesDoubleQuoted();
// The same list as a style-sheet value with single quotes.
QString cssFamiliesSingleQuoted();
QFont font(int pixelSize, int weight);
} // namespace KitFonts
