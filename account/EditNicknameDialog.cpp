#include "account/EditNicknameDialog.h"

#include "account/AccountStyle.h"
#include "widgets/RoundedMask.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

EditNicknameDialog::EditNicknameDialog(const QString &currentNickname, QWidget *parent)
    : ProfileEditDialog(QSize(364, 178), parent), m_edit(new QLineEdit(this))
{
    m_edit->setObjectName(QStringLiteral("nicknameEdit"));
    m_edit->setFixedSize(284, 44);
    m_edit->setClearButtonEnabled(false);
    m_edit->setAlignment(Qt::AlignCenter);
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(0x99, 0x99, 0x99));
    m_edit->setPalette(palette);
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: #1A1A1B; border: 0.666667px solid #6532CB;"
                                         " border-radius: 22px; padding: 0 20px; color: #E4E4E4; font-family: %1;"
                                         " font-size: 14px; selection-background-color: #6532CB; }")
                              .arg(AccountStyle::fontFamilies()));
    m_edit->setText(truncateUtf8(currentNickname.trimmed()));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 20, 0, 24);
    layout->setSpacing(16);
    layout->addWidget(titleLabel());
    layout->addWidget(m_edit, 0, Qt::AlignHCenter);
    layout->addSpacing(20);
    layout->addLayout(makeButtonRow());

    connect(m_edit, &QLineEdit::textChanged, this, &EditNicknameDialog::onTextChanged);
    retranslateUi();
    updateOkButton();
    applyRoundedMask(this);
}

EditNicknameDialog::~EditNicknameDialog() = default;

QString EditNicknameDialog::truncateUtf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxNicknameBytes)
        return text;
    qsizetype cut = maxNicknameBytes;
    // Step back over continuation bytes (10xxxxxx) to a character start.
    while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(bytes.left(cut));
}

QString EditNicknameDialog::nickname() const
{
    return truncateUtf8(m_edit->text().trimmed());
}

void EditNicknameDialog::onTextChanged(const QString &text)
{
    const QString limited = truncateUtf8(text);
    if (limited != text) {
        const int cursor = m_edit->cursorPosition();
        const QSignalBlocker blocker(m_edit);
        m_edit->setText(limited);
        m_edit->setCursorPosition(qMin(cursor, int(limited.size())));
    }
    updateOkButton();
}

void EditNicknameDialog::updateOkButton()
{
    okButton()->setEnabled(!m_edit->text().trimmed().isEmpty());
}

void EditNicknameDialog::retranslateUi()
{
    titleLabel()->setText(tr("修改昵称"));
    setWindowTitle(titleLabel()->text());
    m_edit->setPlaceholderText(tr("请输入昵称"));
    cancelButton()->setText(tr("取消"));
    okButton()->setText(tr("确定"));
}
