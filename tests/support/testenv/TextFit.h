#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

// Whether texts fit the room their widgets give them: what a translation
// longer than the Chinese source breaks first. Only visible labels and
// buttons under a root are looked at; the widgets must be polished (shown),
// so that style sheet fonts and paddings are in force.
namespace TextFit {

// The rectangle, in `root`'s coordinates, that the widget's text takes when
// drawn with the widget's font and alignment; empty for a widget without text.
QRect textRect(const QWidget *widget, const QWidget *root);

// The part of the widget, in `root`'s coordinates, that is not clipped away
// by the widget's own padding or by an ancestor up to `root`.
QRect roomRect(const QWidget *widget, const QWidget *root);

// One line ("class objectName 'text': needs N px, has M") for every visible
// label or button under `root` (itself included) whose text is wider than its
// room, or, for a word-wrapped label, taller.
QStringList cutTexts(const QWidget *root);

// One line for every pair of visible labels or buttons under `root` whose
// texts overlap each other or, side by side, stand less than `minGap` px apart.
QStringList overlappingTexts(const QWidget *root, int minGap = 0);

// Empty when `label` shows `full` whole without a tool tip (`whole`), or cut
// with an ellipsis and whole in its tool tip (not `whole`); else what differs.
QString elisionProblem(const QLabel *label, const QString &full, bool whole);

} // namespace TextFit
