// The custom EQ page's dialogs: rename, reset and the entry to sharing.
#include "eq/EQCustomContent.h"

#include "widgets/GradientButton.h"
#include "widgets/RoundedMask.h"
#include "widgets/WindowBlurBackdrop.h"
#include "cloud/LoginController.h"
#include "eq/CustomEqSlotJson.h"
#include "eq/CustomEqSlotStore.h"
#include "eq/EQCurveEditor.h"
#include "eq/EQShareToCloudDialog.h"
#include "eq/PageToast.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kFonts = QStringLiteral("font-family: 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif;");


QPushButton *dialogButton(const QString &text, const QString &style, const QSize &size, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFixedSize(size);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(style);
    return button;
}

QString renameCancelStyle()
{
    return QStringLiteral("QPushButton { background: #555555; border: none; border-radius: 7px; color: #FFFFFF;"
                          " font-size: 12px; ") +
           kFonts + QStringLiteral(" } QPushButton:hover { background: #666666; }"
                                   " QPushButton:pressed { background: #4A4A4A; }");
}

QString renameConfirmStyle()
{
    return QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0.1471 #6532CB,"
                          " stop:0.8934 #410290); border: none; border-radius: 7px; color: #FFFFFF; font-size: 12px; ") +
           kFonts +
           QStringLiteral(" } QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0.1471"
                          " #7542DB, stop:0.8934 #5112A0); } QPushButton:pressed { background: #5D00DD; }");
}

QString resetCancelStyle()
{
    return QStringLiteral("QPushButton { background: #555555; border: none; border-radius: 6.66667px;"
                          " padding: 8px 12px; color: #FFFFFF; font-size: 12px; ") +
           kFonts + QStringLiteral(" } QPushButton:pressed { background: #4A4A4A; }");
}

QString resetConfirmStyle()
{
    return QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0.1471 #6532CB,"
                          " stop:0.8934 #410290); border: none; border-radius: 6.66667px; padding: 8px 12px;"
                          " color: #FFFFFF; font-size: 12px; ") +
           kFonts +
           QStringLiteral(" } QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                          " stop:0.1471 #5A2DB5, stop:0.8934 #39027F); }");
}

// Top-left corner that centres `dialog` over `page`, in global coordinates.
QPoint centredOver(const QWidget *page, const QWidget *dialog)
{
    return page->mapToGlobal(QPoint((page->width() - dialog->width()) / 2, (page->height() - dialog->height()) / 2));
}

} // namespace

void EQCustomContent::openRenameDialog()
{
    if (m_selected < 0) {
        showSelectFirstToast();
        return;
    }
    QString initial = selectedButtonText();
    if (initial.isEmpty())
        initial = tr("自定义EQ");

    QDialog dialog(this, Qt::Dialog | Qt::FramelessWindowHint);
    dialog.setObjectName(QStringLiteral("renameDialog"));
    dialog.setModal(true);
    dialog.setFixedSize(364, 178);
    dialog.setAttribute(Qt::WA_TranslucentBackground, false);
    dialog.setStyleSheet(QStringLiteral("QDialog { background: #000000; border-radius: 7px; }"));
    applyRoundedMask(&dialog);

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(40, 20, 40, 24);
    layout->setSpacing(16);
    auto *title = new QLabel(tr("重命名"), &dialog);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("QLabel { color: #E4E4E4; ") + kFonts +
                         QStringLiteral(" font-size: 16px; font-weight: 400; line-height: 22px; }"));
    layout->addWidget(title);

    auto *edit = new QLineEdit(initial, &dialog);
    edit->setObjectName(QStringLiteral("renameEdit"));
    edit->setFixedHeight(44);
    edit->setMaxLength(31);
    edit->setAlignment(Qt::AlignCenter);
    edit->setPlaceholderText(tr("请输入名称"));
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: #1A1A1B; border: 1px solid #6532CB; border-radius: 22px;"
                                       " color: #E4E4E4; font-size: 14px; padding: 0px 16px; ") +
                        kFonts + QStringLiteral(" }"));
    layout->addWidget(edit);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    auto *cancel = dialogButton(tr("取消"), renameCancelStyle(), QSize(112, 33), &dialog);
    cancel->setObjectName(QStringLiteral("renameCancel"));
    auto *confirm = dialogButton(tr("确定"), renameConfirmStyle(), QSize(112, 33), &dialog);
    confirm->setObjectName(QStringLiteral("renameConfirm"));
    cancel->setAutoDefault(false);
    confirm->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(confirm);
    buttons->addStretch();
    layout->addLayout(buttons);

    const auto tryAccept = [&dialog, edit] {
        if (edit->text().trimmed().isEmpty()) {
            edit->setFocus();
            return;
        }
        dialog.accept();
    };
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    connect(confirm, &QPushButton::clicked, &dialog, tryAccept);
    connect(edit, &QLineEdit::returnPressed, &dialog, tryAccept);
    edit->setFocus();
    edit->selectAll();

    const int result = WindowBlurBackdrop::execOver(this, &dialog);
    const QString name = edit->text().trimmed();
    if (result != QDialog::Accepted || name.isEmpty() || m_selected < 0)
        return;

    // The new name goes with the curve of this slot, not one still waiting to be replaced.
    if (m_selectionTimer && m_selectionTimer->isActive())
        loadSelectedSlotNow();
    m_slotButtons[m_selected]->setText(name);
    QJsonObject slot = m_store->buildSlotJson(name, m_selected, true);
    CustomEq::normalizeSlotName(slot, m_selected); // default names are never stored
    scheduleSlotSave(m_selected, slot, 0);
}

void EQCustomContent::openResetDialog()
{
    // A slot load still waiting must not overwrite the reset.
    const bool loadCancelled = cancelPendingLoad();
    if (m_selected < 0) {
        showSelectFirstToast();
        return;
    }

    QDialog dialog(this, Qt::Dialog | Qt::FramelessWindowHint);
    dialog.setObjectName(QStringLiteral("resetDialog"));
    dialog.setModal(true);
    dialog.setFixedWidth(364);
    dialog.setAttribute(Qt::WA_StyledBackground);
    dialog.setStyleSheet(QStringLiteral("QDialog {  background: #000000;  border-radius: 6.66677px;}"));

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 20, 0, 24);
    layout->setSpacing(16);
    auto *title = new QLabel(tr("重置"), &dialog);
    title->setAlignment(Qt::AlignCenter);
    title->setMinimumHeight(24);
    title->setStyleSheet(QStringLiteral("QLabel { color: #E4E4E4; font-size: 16px; ") + kFonts + QStringLiteral(" }"));
    layout->addWidget(title);

    auto *messageRow = new QHBoxLayout;
    messageRow->setContentsMargins(24, 0, 24, 0);
    auto *message = new QLabel(tr("您确定要重置当前自定义EQ吗？"), &dialog);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    message->setFixedWidth(316);
    message->setStyleSheet(QStringLiteral("QLabel { color: #999999; font-size: 14px; ") + kFonts + QStringLiteral(" }"));
    messageRow->addWidget(message);
    layout->addLayout(messageRow);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    auto *cancel = dialogButton(tr("取消"), resetCancelStyle(), QSize(112, 38), &dialog);
    cancel->setObjectName(QStringLiteral("resetCancel"));
    auto *confirm = dialogButton(tr("确定"), resetConfirmStyle(), QSize(112, 38), &dialog);
    confirm->setObjectName(QStringLiteral("resetConfirm"));
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(confirm);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    connect(confirm, &QPushButton::clicked, &dialog, &QDialog::accept);

    dialog.setFixedHeight(std::clamp(std::max(layout->sizeHint().height(), 0), 168, 480));
    applyRoundedMask(&dialog);
    dialog.move(centredOver(this, &dialog));

    const int result = WindowBlurBackdrop::execOver(this, &dialog);
    if (result == QDialog::Accepted) {
        // The editor reports the reset as an edit, which saves it into the selected slot.
        m_editor->resetToDefault();
        return;
    }
    // The cancelled load runs after all: an edit must not save another slot's curve into this one.
    if (loadCancelled)
        loadSelectedSlotNow();
}

void EQCustomContent::openShareDialog()
{
    if (!m_shareDialog->isLoggedIn()) {
        showToast(tr("请先登录"), PageToast::Failure, kToastMs);
        return;
    }
    if (m_selected < 0) {
        showSelectFirstToast();
        return;
    }
    if (m_selectionTimer && m_selectionTimer->isActive())
        loadSelectedSlotNow(); // the curve shared is the selected slot's
    QString title = selectedButtonText();
    if (title.isEmpty())
        title = QStringLiteral("EQCustomization");
    m_shareDialog->prepare(title);
    m_shareDialog->move(centredOver(this, m_shareDialog.get()));
    WindowBlurBackdrop::execOver(this, m_shareDialog.get());
}
