#include "eqcloud/EQCloudGameCardDelegate.h"

#include "eqcloud/EQCloudCardListView.h"
#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/EQCloudResources.h"
#include "eqcloud/GameCard.h"
#include "widgets/DevicePixmap.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHash>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

struct CardIconSet
{
    QPixmap downloadChecked, downloadUnchecked, likeChecked, likeUnchecked, collectChecked, collectUnchecked,
        preview, shareCode, remove;
};

// The card icons, loaded once per process for each pixel ratio they are drawn
// at, and released with the application.
class CardIcons : public QObject
{
public:
    static CardIconSet at(qreal ratio)
    {
        static QPointer<CardIcons> icons;
        if (!icons)
            icons = new CardIcons(QCoreApplication::instance());
        const int key = qRound(ratio * 100);
        auto it = icons->m_sets.constFind(key);
        if (it == icons->m_sets.cend())
            it = icons->m_sets.insert(key, make(ratio));
        return it.value();
    }

private:
    using QObject::QObject;

    static CardIconSet make(qreal ratio)
    {
        namespace R = EQCloudResources;
        auto load = [ratio](const char *path) {
            return DevicePixmap::load(QString::fromLatin1(path), QSize(16, 16), ratio);
        };
        return CardIconSet{load(R::downloadChecked), load(R::downloadUnchecked), load(R::likeChecked),
                           load(R::likeUnchecked),   load(R::collectChecked),    load(R::collectUnchecked),
                           load(R::preview),         load(R::shareCode),         load(R::remove)};
    }

    QHash<int, CardIconSet> m_sets;
};

const QRect kCardRect(0, 0, GameCard::cardWidth, GameCard::cardHeight);

// The deepest child of `widget` under `point` that would be visible with the
// card shown; null when the point hits no child.
QWidget *deepestChildAt(QWidget *root, QWidget *widget, const QPoint &point)
{
    const QObjectList &children = widget->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *child = qobject_cast<QWidget *>(*it);
        if (!child || child->isWindow() || !child->isVisibleTo(root) || !child->geometry().contains(point))
            continue;
        const QPoint inner = child->mapFromParent(point);
        QWidget *deeper = deepestChildAt(root, child, inner);
        return deeper ? deeper : child;
    }
    return nullptr;
}

void activateLayouts(QWidget *widget)
{
    if (QLayout *layout = widget->layout())
        layout->activate();
    for (QObject *child : widget->children()) {
        if (auto *childWidget = qobject_cast<QWidget *>(child); childWidget && !childWidget->isWindow())
            activateLayouts(childWidget);
    }
}

} // namespace

EQCloudGameCardDelegate::EQCloudGameCardDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

EQCloudGameCardDelegate::~EQCloudGameCardDelegate() = default;

void EQCloudGameCardDelegate::setView(QWidget *view)
{
    m_view = view;
    if (m_card) {
        m_card->setParent(nullptr);
        m_card->hide();
        if (view)
            m_card->setFont(view->font());
    }
}

void EQCloudGameCardDelegate::setDownloadMode(bool on)
{
    m_downloadMode = on;
    if (on)
        m_mySharingMode = false;
    m_hoveredRow = -1;
}

void EQCloudGameCardDelegate::setMySharingMode(bool on)
{
    m_mySharingMode = on;
    if (on)
        m_downloadMode = false;
    m_hoveredRow = -1;
}

void EQCloudGameCardDelegate::setAppliedId(const QString &id)
{
    m_appliedId = id.trimmed();
}

void EQCloudGameCardDelegate::clearHover()
{
    m_hoveredRow = -1;
}

QSize EQCloudGameCardDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(EQCloudCardListView::gridWidth, EQCloudCardListView::gridHeight);
}

void EQCloudGameCardDelegate::ensureCard() const
{
    if (m_card)
        return;
    m_card = std::make_unique<GameCard>();
    m_card->setAttribute(Qt::WA_DontShowOnScreen);
    m_card->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (m_view)
        m_card->setFont(m_view->font());
    QObject::connect(m_card.get(), &GameCard::avatarCacheUpdated, this, [this] {
        if (auto *view = qobject_cast<QAbstractItemView *>(m_view.data()))
            view->viewport()->update();
        else if (m_view)
            m_view->update();
    });
}

void EQCloudGameCardDelegate::bindCard(const QModelIndex &index, qreal ratio) const
{
    ensureCard();
    // Qt draws a widget's children at the ratio of the widget's own screen, and
    // the hidden card's is the primary one: it is kept on the screen of the list.
    if (m_view && m_view->screen() && m_card->screen() != m_view->screen())
        m_card->setScreen(m_view->screen());
    // Its own pictures are made at the ratio of the painter it is drawn into.
    m_card->setPixelRatio(ratio);
    const auto *model = qobject_cast<const EQCloudListModel *>(index.model());
    bool valid = false;
    const EarphoneApi::CloudEQItem item = model ? model->itemAt(index.row(), &valid) : EarphoneApi::CloudEQItem();
    const int mode = m_downloadMode ? GameCard::DownloadedList
                                    : (m_mySharingMode ? GameCard::MySharing : GameCard::CloudList);
    // A row without an item leaves the card as the previous row left it.
    if (valid) {
        const GameCardDisplay display = GameCardDisplay::fromItem(item);
        const CardIconSet icons = CardIcons::at(ratio);
        m_card->setMode(mode);
        m_card->setDisplay(display);
        m_card->setAvatarSource(display.avatarSource);
        if (mode == GameCard::DownloadedList) {
            m_card->setApplied(!m_appliedId.isEmpty() && item.id.trimmed() == m_appliedId);
        } else {
            m_card->setMarkIcons(display.downloaded ? icons.downloadChecked : icons.downloadUnchecked,
                                 display.liked ? icons.likeChecked : icons.likeUnchecked,
                                 display.collected ? icons.collectChecked : icons.collectUnchecked);
        }
        m_card->setActionIcons(icons.preview, icons.shareCode, icons.remove);
    }
    m_card->setFixedSize(GameCard::cardWidth, GameCard::cardHeight);
    m_card->ensurePolished();
    activateLayouts(m_card.get());
    activateLayouts(m_card.get());
}

void EQCloudGameCardDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    if (!index.isValid())
        return;
    const double dpr = std::max(painter->device() ? painter->device()->devicePixelRatioF() : 1.0, 1.0);
    bindCard(index, dpr);

    QImage image(int(std::ceil(GameCard::cardWidth * dpr)), int(std::ceil(GameCard::cardHeight * dpr)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(QStringLiteral("#1A1A1B")));
    {
        QPainter cardPainter(&image);
        cardPainter.setRenderHint(QPainter::Antialiasing, true);
        cardPainter.setRenderHint(QPainter::TextAntialiasing, true);
        cardPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        cardPainter.scale(dpr, dpr);
        m_card->render(&cardPainter, QPoint(), QRegion(),
                       QWidget::RenderFlags(QWidget::DrawWindowBackground | QWidget::DrawChildren));
    }

    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(QRect(option.rect.topLeft(), QSize(GameCard::cardWidth, GameCard::cardHeight)), image);
    painter->restore();
}

int EQCloudGameCardDelegate::actionAt(const QPoint &point) const
{
    QWidget *hit = deepestChildAt(m_card.get(), m_card.get(), point);
    QWidget *applyRow = m_card->applyRow();
    const bool inApplyRow = applyRow && applyRow->isVisibleTo(m_card.get())
                            && QRect(applyRow->mapTo(m_card.get(), QPoint(0, 0)), applyRow->size()).contains(point);
    if (!hit)
        return inApplyRow ? -1 : Preview;

    for (QWidget *widget = hit; widget && widget != m_card.get(); widget = widget->parentWidget()) {
        const GameCard::Part part = m_card->partOf(widget);
        if (m_downloadMode) {
            switch (part) {
            case GameCard::PreviewIcon:
            case GameCard::PreviewCaption: return DlPreview;
            case GameCard::ShareIcon:
            case GameCard::ShareCaption: return DlShare;
            case GameCard::DeleteIcon:
            case GameCard::DeleteCaption: return DlDelete;
            case GameCard::ApplyButton: return DlApply;
            default: break;
            }
            continue;
        }
        switch (part) {
        case GameCard::MyDeleteIcon:
        case GameCard::MyDeleteCaption:
            if (m_mySharingMode)
                return MyDelete;
            break;
        case GameCard::ShareCodeChip: return ShareCode;
        case GameCard::DownloadIcon: return Download;
        case GameCard::LikeIcon: return Like;
        case GameCard::CollectIcon: return Collect;
        default: break;
        }
    }
    return inApplyRow ? -1 : Preview;
}

bool EQCloudGameCardDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                          const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() == QEvent::MouseMove) {
        m_hoveredRow = index.isValid() ? index.row() : -1;
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    if (event->type() != QEvent::MouseButtonRelease || !index.isValid())
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const QPoint point = mouse->position().toPoint() - option.rect.topLeft();
    if (!kCardRect.contains(point))
        return false;

    bindCard(index, DevicePixmap::ratioOf(m_view));
    const int action = actionAt(point);
    if (action >= 0)
        emit cardActionRequested(static_cast<Action>(action), index.row());
    return true;
}
