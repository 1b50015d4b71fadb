#pragma once

#include <QString>

class QFont;
class QLabel;

// Shows `text` in `label` whole when it fits `width` px in `font`, else cut
// with an ellipsis and whole in the label's tool tip. Returns what is shown.
QString setElidedLabelText(QLabel *label, const QString &text, int width, const QFont &font);
