// The custom EQ page: its parts, layout and wiring, the Qor switch, language,
// show and hide.
#include "eq/EQCustomContent.h"

#include "widgets/CustomClickableLabel.h"
#include "widgets/DevicePixmap.h"
#include "widgets/GradientButton.h"
#include "eq/CustomEqSlotJson.h"
#include "eq/CustomEqSlotStore.h"
#include "eq/EQCurveEditor.h"
#include "eq/EQCurveEditorBandAdapter.h"
#include "eq/EQPagesResources.h"
#include "eq/EQShareToCloudDialog.h"
#include "eq/EQSlotFileActions.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eq/EQXAxisRuleBar.h"
#include "eq/PageToast.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct ActionDef
{
    const char *icon;
    const char *text;
};

const ActionDef kActionDefs[EQCustomContent::ActionCount] = {
    {EQPagesResources::renameIcon, QT_TRANSLATE_NOOP("EQCustomContent", "重命名")},
    {EQPagesResources::shareIcon, QT_TRANSLATE_NOOP("EQCustomContent", "分享")},
    {EQPagesResources::exportIcon, QT_TRANSLATE_NOOP("EQCustomContent", "导出")},
    {EQPagesResources::importIcon, QT_TRANSLATE_NOOP("EQCustomContent", "导入")},
    {EQPagesResources::resetIcon, QT_TRANSLATE_NOOP("EQCustomContent", "重置(官方默认EQ)")},
};

constexpr int kSlotButtonWidth = 179;
constexpr int kSlotButtonHeight = 50;

const QString kActionTextStyle =
    QStringLiteral(" font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif; font-style: normal;"
                   " font-size: 11px; line-height: 22px; font-weight: 400; color: #999999;");

QStringList textsOf(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &entry : value.toArray())
        out.append(entry.toString());
    return out;
}

} // namespace

EQCustomContent::EQCustomContent(QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < CustomEq::SlotCount; ++i) {
        auto *button = new GradientButton(CustomEq::defaultSlotName(i), this);
        button->setObjectName(QStringLiteral("customSlot%1").arg(i));
        m_slotButtons[i] = button;
    }
    for (int a = 0; a < ActionCount; ++a) {
        m_actions[a].icon = new CustomClickableLabel(this, true);
        m_actions[a].text = new CustomClickableLabel(this, true);
    }
    m_soundTest = new EQSoundEffectTestWidget(this, EQSoundEffectTestWidget::CustomPage);
    m_editor = new EQCurveEditor(this);
    m_ruleBar = new EQXAxisRuleBar(this);

    m_bandEditor = std::make_unique<EQCurveEditorBandAdapter>(m_editor);
    m_store = new CustomEqSlotStore(this);
    m_store->setEditor(m_bandEditor.get());
    m_toast = new PageToast(this, {QStringLiteral("eqPageToast"), EQPagesResources::toastInfo,
                                   EQPagesResources::toastSucceed, EQPagesResources::toastFail});
    m_fileActions = std::make_unique<EQSlotFileActions>(
        this, m_store, [this](const QString &text, int kind, int ms) { showToast(text, kind, ms); });

    buildLayout();

    m_shareDialog = std::make_unique<EQShareToCloudDialog>(
        [this](QStringList *freq, QStringList *q, QStringList *sound, QStringList *type) {
            if (!m_editor)
                return false;
            const QJsonObject bands = m_store->buildSlotJson(QString(), std::max(m_selected, 0), false);
            *freq = textsOf(bands.value(QLatin1String("freq")));
            *q = textsOf(bands.value(QLatin1String("q")));
            *sound = textsOf(bands.value(QLatin1String("sound")));
            *type = textsOf(bands.value(QLatin1String("type")));
            return true;
        },
        [this](const QString &text, int kind, int ms) { showToast(text, kind, ms); });
}

EQCustomContent::~EQCustomContent()
{
    // The store outlives this body and writes a waiting edit when it goes;
    // it must not reach the editor adapter, which goes first.
    m_store->setEditor(nullptr);
}

void EQCustomContent::buildLayout()
{
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(40, 17, 40, 30);
    page->setSpacing(0);
    page->setAlignment(Qt::AlignTop);

    for (int row = 0; row < 2; ++row) {
        auto *rowLayout = new QHBoxLayout;
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(27);
        for (int col = 0; col < 5; ++col) {
            GradientButton *button = m_slotButtons[row * 5 + col];
            button->setFixedSize(kSlotButtonWidth, kSlotButtonHeight);
            button->setCursor(Qt::PointingHandCursor);
            rowLayout->addWidget(button);
            if (col < 4)
                rowLayout->addStretch();
        }
        page->addLayout(rowLayout);
        page->addSpacing(row == 0 ? 13 : 17);
    }

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("customEqPanel"));
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setStyleSheet(QStringLiteral("#customEqPanel { background-color: #1A1A1B; border-radius: 6.66667px; }"));
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);

    auto *toolBar = new QHBoxLayout;
    toolBar->setContentsMargins(48, 19, 17, 15);
    auto *actionRow = new QHBoxLayout;
    actionRow->setContentsMargins(0, 0, 0, 0);
    actionRow->setSpacing(0);
    for (int a = 0; a < ActionCount; ++a) {
        CustomClickableLabel *icon = m_actions[a].icon;
        icon->setParent(panel);
        icon->setFixedSize(22, 22);
        icon->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
        DevicePixmap::showOn(icon, QString::fromLatin1(kActionDefs[a].icon), QSize(22, 22));
        CustomClickableLabel *text = m_actions[a].text;
        text->setParent(panel);
        text->setStyleSheet(kActionTextStyle);
        actionRow->addWidget(icon);
        actionRow->addWidget(text);
        if (a < ActionCount - 1)
            actionRow->addSpacing(13);
    }
    retranslateActions();
    toolBar->addLayout(actionRow);
    toolBar->addStretch();
    m_soundTest->setParent(panel);
    toolBar->addWidget(m_soundTest);
    panelLayout->addLayout(toolBar);

    auto *chartArea = new QVBoxLayout;
    chartArea->setContentsMargins(10, 0, 10, 10);
    chartArea->setSpacing(0);
    m_ruleBar->setParent(panel);
    m_editor->setParent(panel);
    m_ruleBar->setChartView(m_editor);
    m_editor->setStyleSheet(QStringLiteral("background-color: #1A1A1B;"));
    chartArea->addWidget(m_ruleBar);
    chartArea->addWidget(m_editor, 1);
    panelLayout->addLayout(chartArea, 1);
    page->addWidget(panel, 1);

    setupConnect();
}

void EQCustomContent::setupConnect()
{
    connect(m_store, &CustomEqSlotStore::customPresetEdited, this, &EQCustomContent::customPresetEdited);
    connect(m_store, &CustomEqSlotStore::customPresetImported, this, &EQCustomContent::customPresetImported);
    connect(m_store, &CustomEqSlotStore::slotSaveFailed, this, &EQCustomContent::onSaveFailed);
    connect(m_store, &CustomEqSlotStore::logMessage, this, &EQCustomContent::logMessage);

    m_editor->setEditGuard([this] { return m_selected >= 0; });
    connect(m_editor, &EQCurveEditor::pointDragDenied, this, &EQCustomContent::showSelectFirstToast);
    connect(m_editor, &EQCurveEditor::presetEdited, this, &EQCustomContent::onPresetEdited);

    for (int i = 0; i < CustomEq::SlotCount; ++i)
        connect(m_slotButtons[i], &QPushButton::clicked, this, [this, i] { selectSlot(i, true); });

    connect(m_actions[ResetAction].icon, &CustomClickableLabel::clicked, this, &EQCustomContent::openResetDialog);
    connect(m_actions[RenameAction].icon, &CustomClickableLabel::clicked, this, &EQCustomContent::openRenameDialog);
    connect(m_actions[ShareAction].icon, &CustomClickableLabel::clicked, this, &EQCustomContent::openShareDialog);
    connect(m_actions[ExportAction].icon, &CustomClickableLabel::clicked, this, &EQCustomContent::exportSlot);
    connect(m_actions[ImportAction].icon, &CustomClickableLabel::clicked, this, &EQCustomContent::importSlot);
    // The text and its icon act as one control.
    for (const ActionPair &pair : m_actions)
        connect(pair.text, &CustomClickableLabel::clicked, pair.icon, &CustomClickableLabel::clicked,
                Qt::DirectConnection);
}

void EQCustomContent::retranslateActions()
{
    for (int a = 0; a < ActionCount; ++a)
        m_actions[a].text->setText(tr(kActionDefs[a].text));
}

GradientButton *EQCustomContent::slotButton(int index) const
{
    return index >= 0 && index < CustomEq::SlotCount ? m_slotButtons[index] : nullptr;
}

CustomClickableLabel *EQCustomContent::actionIcon(Action action) const
{
    return action >= 0 && action < ActionCount ? m_actions[action].icon : nullptr;
}

CustomClickableLabel *EQCustomContent::actionText(Action action) const
{
    return action >= 0 && action < ActionCount ? m_actions[action].text : nullptr;
}

void EQCustomContent::showToast(const QString &text, int kind, int durationMs)
{
    m_toast->show(text, kind, durationMs);
}

void EQCustomContent::showSelectFirstToast()
{
    showToast(tr("请先选择一个自定义按钮"), PageToast::Info, kToastMs);
}

void EQCustomContent::setQorMode(bool qor)
{
    const int bandCount = qor ? CustomEq::QorMaxBands : CustomEq::SlotCount;
    const bool changed = qor != m_store->isQorMode();
    if (changed)
        flushPendingSave(); // the edit belongs to the old mode's slot
    // The editor's own adjustments to the new mode are no user edit.
    m_switchingMode = true;
    m_store->setQorMode(qor);
    m_editor->setCustomMode(qor);
    m_editor->setBandCount(bandCount);
    m_switchingMode = false;
    if (changed)
        reloadSlots();
}

bool EQCustomContent::isQorMode() const
{
    return m_store->isQorMode();
}

void EQCustomContent::setSoundTestState(bool wired, bool wireless, const QString &wirelessDeviceName)
{
    m_soundTest->setState(wired, wireless, wirelessDeviceName);
}

void EQCustomContent::dismissPopups()
{
    m_shareDialog->reject();
    m_shareDialog->resetUploadPanel();
    m_editor->clearSelection();
}

void EQCustomContent::setEqApi(EarphoneApi::EqApi *api)
{
    m_shareDialog->setEqApi(api);
}

void EQCustomContent::setLoginController(LoginController *controller)
{
    m_shareDialog->setLoginController(controller);
}

void EQCustomContent::setPid(const QString &pid)
{
    m_shareDialog->setPid(pid);
}

bool EQCustomContent::customPresetJson(int sortIndex, QJsonObject &out)
{
    // The main window may ask for the active slot before the page was ever shown.
    if (!m_slotsRead && sortIndex >= 0 && sortIndex < CustomEq::SlotCount)
        reloadSlots();
    return m_store->customPresetJson(sortIndex, &out);
}

void EQCustomContent::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslateActions();
        m_store->refreshSlotNames();
        for (int i = 0; i < CustomEq::SlotCount; ++i)
            m_slotButtons[i]->setText(m_store->slotDisplayName(i));
        m_shareDialog->retranslate();
    }
    QWidget::changeEvent(event);
}

void EQCustomContent::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Files changed while the page was hidden are picked up.
    reloadSlots();
}

void EQCustomContent::hideEvent(QHideEvent *event)
{
    dismissPopups();
    QWidget::hideEvent(event);
}
