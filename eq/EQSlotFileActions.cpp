#include "eq/EQSlotFileActions.h"

#include "eq/CustomEqSlotStore.h"
#include "eq/PageToast.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

using Status = EqSlotFile::ImportStatus;

constexpr int ToastMs = 1000;

// The page's own texts: they live in its translation context.
QString text(const char *source)
{
    return QCoreApplication::translate("EQCustomContent", source);
}

const char *const selectFirst = QT_TRANSLATE_NOOP("EQCustomContent", "请先选择一个自定义按钮");
const char *const fileFilter = QT_TRANSLATE_NOOP("EQCustomContent", "EQ JSON (*.json)");

struct StatusText
{
    Status status;
    const char *source;
};

constexpr StatusText statusTexts[] = {
    {Status::Imported, QT_TRANSLATE_NOOP("EQCustomContent", "已导入并更新当前自定义槽位")},
    {Status::ReadFailed, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：无法读取文件")},
    {Status::InvalidJson, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：JSON 格式错误")},
    {Status::MissingFields, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：EQ JSON 缺少必要字段或字段类型非法")},
    {Status::QorBandCount,
     QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：QOR 自定义 EQ 要求 freq、q、sound、type 等长且 1～8 项")},
    {Status::StandardBandCount,
     QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：自定义 EQ 要求 freq、q、sound、type 各恰好 10 项")},
    {Status::InvalidFreq, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：freq 数值非法")},
    {Status::InvalidQ, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：Q 数值非法")},
    {Status::InvalidGain, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：增益数值非法")},
    {Status::InvalidTypeField, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：滤波器类型字段非法")},
    {Status::UnsupportedType, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：滤波器类型不支持")},
    {Status::ParseFailed, QT_TRANSLATE_NOOP("EQCustomContent", "导入失败：EQ 数据解析失败")},
    {Status::NoSlotPath, QT_TRANSLATE_NOOP("EQCustomContent", "已导入到曲线，但当前槽位 CustomEQ 路径为空")},
    {Status::SlotWriteFailed, QT_TRANSLATE_NOOP("EQCustomContent", "已导入到曲线，但更新 CustomEQ 槽位失败")},
};

} // namespace

EQSlotFileActions::EQSlotFileActions(QWidget *page, CustomEqSlotStore *store, Toast toast)
    : m_page(page), m_store(store), m_toast(std::move(toast)),
      m_saveFile([](QWidget *parent, const QString &caption, const QString &start, const QString &filter) {
          return QFileDialog::getSaveFileName(parent, caption, start, filter);
      }),
      m_openFile([](QWidget *parent, const QString &caption, const QString &start, const QString &filter) {
          return QFileDialog::getOpenFileName(parent, caption, start, filter);
      })
{
}

void EQSlotFileActions::setFileChoosers(FileChooser saveFile, FileChooser openFile)
{
    m_saveFile = std::move(saveFile);
    m_openFile = std::move(openFile);
}

QString EQSlotFileActions::startFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QCoreApplication::applicationDirPath() : desktop;
}

QString EQSlotFileActions::importStatusText(EqSlotFile::ImportStatus status)
{
    for (const StatusText &entry : statusTexts) {
        if (entry.status == status)
            return text(entry.source);
    }
    return QString();
}

void EQSlotFileActions::exportSlot(int selectedIndex, const QString &slotButtonText)
{
    if (selectedIndex < 0) {
        m_toast(text(selectFirst), PageToast::Info, ToastMs);
        return;
    }
    if (!m_store || !m_store->editor())
        return;
    QString name = slotButtonText.trimmed();
    if (name.isEmpty())
        name = EqSlotFile::placeholderName();
    const QString proposed = QDir(startFolder()).filePath(name + QStringLiteral(".json"));
    const QString caption = text(QT_TRANSLATE_NOOP("EQCustomContent", "导出EQ"));
    const QString path = m_saveFile(m_page, caption, proposed, text(fileFilter));
    if (path.isEmpty())
        return;
    if (!EqSlotFile::write(path, m_store->buildSlotJson(name, selectedIndex, false))) {
        m_toast(text(QT_TRANSLATE_NOOP("EQCustomContent", "导出失败：无法写入文件")), PageToast::Failure,
                ToastMs);
        return;
    }
    m_toast(text(QT_TRANSLATE_NOOP("EQCustomContent", "已导出")), PageToast::Success, ToastMs);
}

std::optional<QString> EQSlotFileActions::importSlot(int selectedIndex)
{
    if (selectedIndex < 0) {
        m_toast(text(selectFirst), PageToast::Info, ToastMs);
        return std::nullopt;
    }
    if (!m_store || !m_store->editor() || selectedIndex > 9)
        return std::nullopt;
    // An edit still waiting to be saved would land on top of the import.
    m_store->cancelPendingSave();

    const QString caption = text(QT_TRANSLATE_NOOP("EQCustomContent", "导入EQ"));
    const bool qor = m_store->isQorMode();
    const QString path = m_openFile(m_page, caption, startFolder(), text(fileFilter));
    if (path.isEmpty())
        return std::nullopt;
    // The dialog runs its own event loop: when the headset model changed
    // meanwhile, the slot chosen belongs to the other set of slots, which the
    // user did not pick; write nothing there.
    if (m_store->isQorMode() != qor)
        return std::nullopt;

    const EqSlotFile::Checked checked = EqSlotFile::check(path, qor, selectedIndex);
    const CustomEqSlotStore::ImportOutcome outcome = m_store->importChecked(selectedIndex, checked);
    const bool imported = outcome.status == EqSlotFile::ImportStatus::Imported;
    m_toast(importStatusText(outcome.status), imported ? PageToast::Success : PageToast::Failure, ToastMs);
    if (!outcome.shown)
        return std::nullopt;
    return outcome.buttonText;
}
