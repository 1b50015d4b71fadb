#include "eq/EQSlotFileActions.h"

#include "eq/CustomEqSlotStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

constexpr int InfoToast = 0;
constexpr int SuccessToast = 1;
constexpr int FailureToast = 2;
constexpr int ToastMs = 1000;

QString fileFilter()
{
    return QCoreApplication::translate("EQCustomContent", "EQ JSON (*.json)");
}

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
    using S = EqSlotFile::ImportStatus;
    switch (status) {
    case S::Imported: return QCoreApplication::translate("EQCustomContent", "已导入并更新当前自定义槽位");
    case S::ReadFailed: return QCoreApplication::translate("EQCustomContent", "导入失败：无法读取文件");
    case S::InvalidJson: return QCoreApplication::translate("EQCustomContent", "导入失败：JSON 格式错误");
    case S::MissingFields: return QCoreApplication::translate("EQCustomContent", "导入失败：EQ JSON 缺少必要字段或字段类型非法");
    case S::QorBandCount: return QCoreApplication::translate("EQCustomContent", "导入失败：QOR 自定义 EQ 要求 freq、q、sound、type 等长且 1～8 项");
    case S::StandardBandCount: return QCoreApplication::translate("EQCustomContent", "导入失败：自定义 EQ 要求 freq、q、sound、type 各恰好 10 项");
    case S::InvalidFreq: return QCoreApplication::translate("EQCustomContent", "导入失败：freq 数值非法");
    case S::InvalidQ: return QCoreApplication::translate("EQCustomContent", "导入失败：Q 数值非法");
    case S::InvalidGain: return QCoreApplication::translate("EQCustomContent", "导入失败：增益数值非法");
    case S::InvalidTypeField: return QCoreApplication::translate("EQCustomContent", "导入失败：滤波器类型字段非法");
    case S::UnsupportedType: return QCoreApplication::translate("EQCustomContent", "导入失败：滤波器类型不支持");
    case S::ParseFailed: return QCoreApplication::translate("EQCustomContent", "导入失败：EQ 数据解析失败");
    case S::NoSlotPath: return QCoreApplication::translate("EQCustomContent", "已导入到曲线，但当前槽位 CustomEQ 路径为空");
    case S::SlotWriteFailed: return QCoreApplication::translate("EQCustomContent", "已导入到曲线，但更新 CustomEQ 槽位失败");
    }
    return QString();
}

void EQSlotFileActions::exportSlot(int selectedIndex, const QString &slotButtonText)
{
    if (selectedIndex < 0) {
        m_toast(QCoreApplication::translate("EQCustomContent", "请先选择一个自定义按钮"), InfoToast, ToastMs);
        return;
    }
    if (!m_store || !m_store->editor())
        return;
    QString name = slotButtonText.trimmed();
    if (name.isEmpty())
        name = EqSlotFile::placeholderName();
    const QString proposed = QDir(startFolder()).filePath(name + QStringLiteral(".json"));
    const QString path = m_saveFile(m_page, QCoreApplication::translate("EQCustomContent", "导出EQ"), proposed, fileFilter());
    if (path.isEmpty())
        return;
    if (!EqSlotFile::write(path, m_store->buildSlotJson(name, selectedIndex, false))) {
        m_toast(QCoreApplication::translate("EQCustomContent", "导出失败：无法写入文件"), FailureToast, ToastMs);
        return;
    }
    m_toast(QCoreApplication::translate("EQCustomContent", "已导出"), SuccessToast, ToastMs);
}

std::optional<QString> EQSlotFileActions::importSlot(int selectedIndex)
{
    if (selectedIndex < 0) {
        m_toast(QCoreApplication::translate("EQCustomContent", "请先选择一个自定义按钮"), InfoToast, ToastMs);
        return std::nullopt;
    }
    if (!m_store || !m_store->editor() || selectedIndex > 9)
        return std::nullopt;
    // An edit still waiting to be saved would land on top of the import.
    m_store->cancelPendingSave();

    const QString path = m_openFile(m_page, QCoreApplication::translate("EQCustomContent", "导入EQ"), startFolder(), fileFilter());
    if (path.isEmpty())
        return std::nullopt;

    const EqSlotFile::Checked checked = EqSlotFile::check(path, m_store->isQorMode(), selectedIndex);
    const CustomEqSlotStore::ImportOutcome outcome = m_store->importChecked(selectedIndex, checked);
    const bool imported = outcome.status == EqSlotFile::ImportStatus::Imported;
    m_toast(importStatusText(outcome.status), imported ? SuccessToast : FailureToast, ToastMs);
    if (!outcome.shown)
        return std::nullopt;
    return outcome.buttonText;
}
