#include "tests/support/testenv/TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

// Qt draws "&&" as "&" and hides a single "&" of a mnemonic.
QString withoutMnemonic(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out.append(text.at(i));
    }
    return out;
}

QString shownText(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->pixmap().isNull() ? label->text() : QString();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return withoutMnemonic(button->text());
    return {};
}

bool isRich(const QLabel *label)
{
    return label->textFormat() == Qt::RichText
           || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

bool wraps(const QWidget *widget)
{
    const auto *label = qobject_cast<const QLabel *>(widget);
    return label && label->wordWrap();
}

// The box, in the widget's own coordinates, inside which the text is laid out.
QRect textBox(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        const int margin = label->margin();
        QRect box = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        if (label->indent() > 0) {
            const Qt::Alignment align = label->alignment();
            if (align & Qt::AlignLeft)
                box.setLeft(box.left() + label->indent());
            else if (align & Qt::AlignRight)
                box.setRight(box.right() - label->indent());
        }
        return box;
    }
    const auto *button = qobject_cast<const QAbstractButton *>(widget);
    if (!button)
        return widget->contentsRect();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    if (const auto *push = qobject_cast<const QPushButton *>(button)) {
        if (push->isFlat())
            option.features |= QStyleOptionButton::Flat;
        QRect box = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (!option.icon.isNull())
            box.setLeft(box.left() + option.iconSize.width() + 4);
        return box;
    }
    if (qobject_cast<const QRadioButton *>(button))
        return button->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, button);
    if (qobject_cast<const QCheckBox *>(button))
        return button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button);
    return button->contentsRect();
}

Qt::Alignment textAlignment(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->alignment();
    if (qobject_cast<const QRadioButton *>(widget) || qobject_cast<const QCheckBox *>(widget))
        return Qt::AlignLeft | Qt::AlignVCenter;
    return Qt::AlignCenter;
}

// The size the text needs; for a wrapped label, at the box's width.
QSize textSize(const QWidget *widget, const QString &text, const QRect &box)
{
    const auto *label = qobject_cast<const QLabel *>(widget);
    if (label && isRich(label)) {
        QTextDocument document;
        document.setDocumentMargin(0);
        document.setDefaultFont(label->font());
        document.setHtml(text);
        if (label->wordWrap())
            document.setTextWidth(box.width());
        const qreal width = label->wordWrap() ? document.size().width() : document.idealWidth();
        return QSize(int(std::ceil(width)), int(std::ceil(document.size().height())));
    }
    const QFontMetrics metrics = widget->fontMetrics();
    if (wraps(widget)) {
        const QRect bound =
            metrics.boundingRect(QRect(0, 0, std::max(box.width(), 1), 100000), Qt::TextWordWrap, text);
        return bound.size();
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return QSize(width, metrics.height() + (int(lines.size()) - 1) * metrics.lineSpacing());
}

bool shown(const QWidget *widget, const QWidget *root)
{
    if (widget == root)
        return root->isVisible();
    return widget->isVisibleTo(root) && widget->window() == root->window();
}

QList<const QWidget *> textWidgets(const QWidget *root)
{
    QList<const QWidget *> out;
    QList<const QWidget *> candidates{root};
    for (const QWidget *child : root->findChildren<QWidget *>())
        candidates.append(child);
    for (const QWidget *widget : std::as_const(candidates)) {
        if (!qobject_cast<const QLabel *>(widget) && !qobject_cast<const QAbstractButton *>(widget))
            continue;
        if (!shown(widget, root) || shownText(widget).trimmed().isEmpty())
            continue;
        if (TextFit::roomRect(widget, root).isEmpty())
            continue;
        out.append(widget);
    }
    return out;
}

QString describe(const QWidget *widget)
{
    QString text = shownText(widget).simplified();
    if (text.size() > 48)
        text = text.left(45) + QStringLiteral("...");
    return QStringLiteral("%1 %2 '%3'")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text);
}

bool isAncestor(const QWidget *ancestor, const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (w == ancestor)
            return true;
    }
    return false;
}

} // namespace

namespace TextFit {

QRect textRect(const QWidget *widget, const QWidget *root)
{
    const QString text = shownText(widget);
    if (text.isEmpty())
        return {};
    const QRect box = textBox(widget);
    const QSize size = textSize(widget, text, box);
    const QRect local = QStyle::alignedRect(Qt::LeftToRight, textAlignment(widget), size, box);
    return QRect(widget->mapTo(root, local.topLeft()), local.size());
}

QRect roomRect(const QWidget *widget, const QWidget *root)
{
    const QRect box = textBox(widget);
    QRect room(widget->mapTo(root, box.topLeft()), box.size());
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        room &= QRect(w->mapTo(root, QPoint(0, 0)), w->size());
        if (w == root)
            break;
    }
    return room;
}

QStringList cutTexts(const QWidget *root)
{
    QStringList out;
    for (const QWidget *widget : textWidgets(root)) {
        const QRect text = textRect(widget, root);
        const QRect room = roomRect(widget, root);
        if (text.left() < room.left() || text.right() > room.right()) {
            out.append(QStringLiteral("%1: needs %2 px wide, has %3")
                           .arg(describe(widget))
                           .arg(text.width())
                           .arg(room.width()));
        } else if (wraps(widget) && (text.top() < room.top() || text.bottom() > room.bottom())) {
            out.append(QStringLiteral("%1: needs %2 px high, has %3")
                           .arg(describe(widget))
                           .arg(text.height())
                           .arg(room.height()));
        }
    }
    return out;
}

QStringList overlappingTexts(const QWidget *root, int minGap)
{
    QStringList out;
    const QList<const QWidget *> widgets = textWidgets(root);
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const QWidget *a = widgets.at(i);
        const QRect ra = textRect(a, root) & roomRect(a, root);
        for (qsizetype j = i + 1; j < widgets.size(); ++j) {
            const QWidget *b = widgets.at(j);
            if (isAncestor(a, b) || isAncestor(b, a))
                continue;
            const QRect rb = textRect(b, root) & roomRect(b, root);
            if (ra.adjusted(-minGap, 0, minGap, 0).intersects(rb))
                out.append(QStringLiteral("%1 %2 %3")
                               .arg(describe(a), ra.intersects(rb) ? QStringLiteral("overlaps") : QStringLiteral("touches"),
                                    describe(b)));
        }
    }
    return out;
}

QString elisionProblem(const QLabel *label, const QString &full, bool whole)
{
    const QString shown = label->text();
    const QString tip = label->toolTip();
    if (whole && (shown != full || !tip.isEmpty()))
        return QStringLiteral("'%1' (tool tip '%2') instead of '%3' whole").arg(shown, tip, full);
    if (!whole && (!shown.endsWith(QChar(0x2026)) || tip != full))
        return QStringLiteral("'%1' (tool tip '%2') instead of an ellipsis and '%3' in the tool tip")
            .arg(shown, tip, full);
    return {};
}

} // namespace TextFit
