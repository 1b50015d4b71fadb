#include "eq/EQOfficialPresetContent.h"

#include "language/AppLanguageManager.h"
#include "widgets/StyledButton.h"
#include "widgets/StyledButtonGroup.h"
#include "widgets/WindowRadioButtonStyleTwo.h"
#include "cloud/EqApi.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eq/EQSoundListCache.h"
#include "eq/EQSoundListController.h"
#include "eq/EqActiveSelectionLink.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

using EarphoneApi::EQEffect;

namespace {

// The id, or the name for an effect without one.
QString presetKey(const EQEffect &effect)
{
    return effect.id.isEmpty() ? effect.name : effect.id;
}

// The EQ of a preset, without what only the page shows (names, picture, order).
bool sameSound(const std::optional<EQEffect> &a, const std::optional<EQEffect> &b)
{
    if (!a || !b)
        return !a && !b;
    return a->sound == b->sound && a->q == b->q && a->freq == b->freq && a->type == b->type
        && a->main_gain == b->main_gain && a->gain == b->gain;
}

} // namespace

EQOfficialPresetContent::EQOfficialPresetContent(QWidget *parent) : QWidget(parent)
{
    m_basicTab = new WindowRadioButtonStyleTwo(tr("基础音效"), true, this);
    m_gameTab = new WindowRadioButtonStyleTwo(tr("游戏定制"), false, this);
    m_soundTest = new EQSoundEffectTestWidget(this, EQSoundEffectTestWidget::OfficialPage);
    m_pages = new QStackedWidget(this);
    m_basicGroup = new StyledButtonGroup(m_pages);
    m_gameGroup = new StyledButtonGroup(m_pages);
    m_soundList = new EQSoundListController(this);
    buildLayout();
}

EQOfficialPresetContent::~EQOfficialPresetContent() = default;

void EQOfficialPresetContent::buildLayout()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->setSpacing(13);
    layout->setAlignment(Qt::AlignTop);

    auto *tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(0);
    tabRow->addWidget(m_basicTab);
    tabRow->addWidget(m_gameTab);
    tabRow->addStretch();
    tabRow->addWidget(m_soundTest);
    layout->addLayout(tabRow);
    layout->addWidget(m_pages, 1);

    m_pages->addWidget(m_basicGroup);
    m_pages->addWidget(m_gameGroup);
    m_pages->setCurrentIndex(0);
    m_basicGroup->setLayoutMode(StyledButtonGroup::Flow);
    m_basicGroup->setFontPixelSize(12);
    m_gameGroup->setLayoutMode(StyledButtonGroup::Flow);
    m_gameGroup->setSpacing(20);
    m_gameGroup->setFontPixelSize(11);
    const QString transparent = QStringLiteral("background: transparent; border: none;");
    m_basicGroup->setStyleSheet(transparent);
    m_gameGroup->setStyleSheet(transparent);

    connect(m_basicTab, &WindowRadioButtonStyleTwo::clicked, this, &EQOfficialPresetContent::onBasicSoundClicked);
    connect(m_gameTab, &WindowRadioButtonStyleTwo::clicked, this, &EQOfficialPresetContent::onGameCustomClicked);
    connect(m_soundList, &EQSoundListController::officialSoundsLoaded, this, &EQOfficialPresetContent::rebuild);
    // A failed fetch keeps the buttons on show; the service has logged it.
    connect(m_basicGroup, &StyledButtonGroup::selectedChangedById, this,
            [this](const QString &id) { onGroupSelected(EQActiveProfileCoordinator::OfficialBasic, id); });
    connect(m_gameGroup, &StyledButtonGroup::selectedChangedById, this,
            [this](const QString &id) { onGroupSelected(EQActiveProfileCoordinator::OfficialGame, id); });
}

void EQOfficialPresetContent::onGroupSelected(EQActiveProfileCoordinator::Source source, const QString &id)
{
    if (m_applyingSelection || !m_coordinator)
        return;
    m_coordinator->setActiveSelection(source, id);
}

void EQOfficialPresetContent::setActiveProfileCoordinator(EQActiveProfileCoordinator *coordinator)
{
    linkActiveSelection(this, m_coordinator, coordinator,
                        [this](EQActiveProfileCoordinator::Source source, const QString &id) {
                            applyActiveSelection(source, id);
                        });
}

void EQOfficialPresetContent::fetchNow()
{
    m_fetchIssued = true;
    m_soundList->fetch(m_pid);
}

void EQOfficialPresetContent::setEqApi(EarphoneApi::EqApi *api)
{
    if (!api)
        return;
    m_apiAttached = true;
    m_soundList->attachApi(api, false);
    if (isVisible())
        fetchNow();
}

void EQOfficialPresetContent::setPid(const QString &pid)
{
    const QString trimmed = pid.trimmed();
    if (trimmed.isEmpty() || trimmed == m_pid)
        return;
    m_pid = trimmed;
    m_fetchIssued = false;
    m_listLoaded = false; // the list on show is the other product's
    if (m_apiAttached && isVisible())
        fetchNow();
}

bool EQOfficialPresetContent::findEffect(EQActiveProfileCoordinator::Source source, const QString &id,
                                         EQEffect &out) const
{
    const QString key = id.trimmed();
    if (key.isEmpty())
        return false;
    const QHash<QString, EQEffect> *effects = nullptr;
    if (source == EQActiveProfileCoordinator::OfficialBasic)
        effects = &m_basicEffects;
    else if (source == EQActiveProfileCoordinator::OfficialGame)
        effects = &m_gameEffects;
    if (!effects)
        return false;
    const auto it = effects->constFind(key);
    if (it == effects->constEnd())
        return false;
    out = it.value();
    return true;
}

QString EQOfficialPresetContent::firstBasicPresetId() const
{
    for (const QString &key : m_basicOrder) {
        if (!key.trimmed().isEmpty())
            return key.trimmed();
    }
    return QString();
}

void EQOfficialPresetContent::setSoundTestState(bool wired, bool wireless, const QString &wirelessDeviceName)
{
    m_soundTest->setState(wired, wireless, wirelessDeviceName);
}

QString EQOfficialPresetContent::displayNameFor(const EQEffect &effect, const QString &languageCode)
{
    if (languageCode.startsWith(QLatin1String("en"), Qt::CaseInsensitive)) {
        const QString english = effect.enname.trimmed();
        if (!english.isEmpty())
            return english;
    }
    const QString name = effect.name.trimmed();
    return name.isEmpty() ? effect.id.trimmed() : name;
}

bool EQOfficialPresetContent::isLocalImagePath(const QString &image)
{
    const QString trimmed = image.trimmed();
    return !trimmed.isEmpty() && !EQSoundListCache::isWebAddress(trimmed);
}

void EQOfficialPresetContent::onBasicSoundClicked()
{
    m_basicTab->setChecked(true);
    m_gameTab->setChecked(false);
    m_pages->setCurrentIndex(0);
}

void EQOfficialPresetContent::onGameCustomClicked()
{
    m_gameTab->setChecked(true);
    m_basicTab->setChecked(false);
    m_pages->setCurrentIndex(1);
}

std::optional<EQEffect> EQOfficialPresetContent::selectedEffect() const
{
    EQEffect effect;
    if (!m_coordinator || !findEffect(m_coordinator->activeSource(), m_coordinator->activeId(), effect))
        return std::nullopt;
    return effect;
}

void EQOfficialPresetContent::rebuild(const QList<EQEffect> &basicSounds, const QList<EQEffect> &gameSounds)
{
    const bool firstList = !std::exchange(m_listLoaded, true);
    const std::optional<EQEffect> selectedBefore = selectedEffect();
    const QString language = AppLanguageManager::currentLanguageCode();
    m_basicEffects.clear();
    m_gameEffects.clear();
    m_basicOrder.clear();

    m_basicGroup->clear();
    for (const EQEffect &effect : basicSounds) {
        const QString key = presetKey(effect);
        const QString trimmed = key.trimmed();
        const QString name = displayNameFor(effect, language);
        if (!trimmed.isEmpty()) {
            m_basicEffects.insert(trimmed, effect);
            m_basicOrder.append(trimmed);
        }
        m_basicGroup->addTextButton(name.isEmpty() ? key : name, key);
        if (!key.isEmpty()) {
            if (StyledButton *button = m_basicGroup->buttonById(key))
                button->setProperty("eqBasic", true);
        }
    }

    m_gameGroup->clear();
    for (const EQEffect &effect : gameSounds) {
        const QString key = presetKey(effect);
        const QString trimmed = key.trimmed();
        const QString name = displayNameFor(effect, language);
        if (!trimmed.isEmpty())
            m_gameEffects.insert(trimmed, effect);
        const QString text = name.isEmpty() ? key : name;
        if (isLocalImagePath(effect.image))
            m_gameGroup->addButton(text, effect.image, key);
        else
            m_gameGroup->addTextButton(text, key);
    }

    // The highlight survives the rebuild.
    if (!m_coordinator)
        return;
    const EQActiveProfileCoordinator::Source source = m_coordinator->activeSource();
    applyActiveSelection(source, m_coordinator->activeId());
    // An official pick made before its list was here (the stored one at start-up)
    // could not be sent: announced again, it is sent now, or fails as a pick the
    // list lacks. The same sound in a list published again needs no new send.
    const bool official =
        source == EQActiveProfileCoordinator::OfficialBasic || source == EQActiveProfileCoordinator::OfficialGame;
    if (official && (firstList || !sameSound(selectedBefore, selectedEffect())))
        m_coordinator->reemitActiveSelection();
}

void EQOfficialPresetContent::applyActiveSelection(EQActiveProfileCoordinator::Source source, const QString &id)
{
    m_applyingSelection = true;
    const QString trimmed = id.trimmed();
    if (source == EQActiveProfileCoordinator::OfficialBasic) {
        onBasicSoundClicked();
        if (trimmed.isEmpty())
            m_basicGroup->clearSelection();
        else
            m_basicGroup->setSelectedById(id);
        m_gameGroup->clearSelection();
    } else if (source == EQActiveProfileCoordinator::OfficialGame) {
        onGameCustomClicked();
        if (trimmed.isEmpty())
            m_gameGroup->clearSelection();
        else
            m_gameGroup->setSelectedById(id);
        m_basicGroup->clearSelection();
    } else {
        m_basicGroup->clearSelection();
        m_gameGroup->clearSelection();
    }
    m_applyingSelection = false;
}

void EQOfficialPresetContent::refreshPresetNames()
{
    if (!m_basicGroup || !m_gameGroup)
        return;
    const QString language = AppLanguageManager::currentLanguageCode();
    const auto buttonFor = [](StyledButtonGroup *group, const QString &key, const EQEffect &effect) {
        StyledButton *button = group->buttonById(key);
        if (!button && !effect.id.trimmed().isEmpty())
            button = group->buttonById(effect.id);
        return button;
    };
    for (const QString &key : std::as_const(m_basicOrder)) {
        const auto it = m_basicEffects.constFind(key);
        if (it == m_basicEffects.constEnd())
            continue;
        if (StyledButton *button = buttonFor(m_basicGroup, key, it.value()))
            button->setText(displayNameFor(it.value(), language));
    }
    for (auto it = m_gameEffects.constBegin(); it != m_gameEffects.constEnd(); ++it) {
        if (StyledButton *button = buttonFor(m_gameGroup, it.key(), it.value()))
            button->setText(displayNameFor(it.value(), language));
    }
}

void EQOfficialPresetContent::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_basicTab->setButtonText(tr("基础音效"));
        m_gameTab->setButtonText(tr("游戏定制"));
        refreshPresetNames();
        // The list of the new language rebuilds the page when it arrives.
        m_soundList->fetch(m_pid);
    }
    QWidget::changeEvent(event);
}

void EQOfficialPresetContent::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_fetchIssued)
        fetchNow();
}
