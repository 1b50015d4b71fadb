// The share dialog's window, widgets, looks and texts.
#include "eq/EQShareToCloudDialog.h"

#include "widgets/GradientButton.h"
#include "widgets/RoundedMask.h"
#include "cloud/EqApi.h"
#include "eq/EQPagesResources.h"
#include "eq/ShareCategoryComboItemDelegate.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 327;
constexpr int kHeight = 478;

const QString kFonts = QStringLiteral("font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;");

QString smallLabelStyle()
{
    return QStringLiteral("color: #999999;") + kFonts + QStringLiteral("font-size: 10px;font-weight: 400;");
}

QString fieldStyle(const QString &padding)
{
    return QStringLiteral("background-color: rgba(42, 41, 45, 0.6);border: none;border-radius: 10px;padding: %1;"
                          "color: #FFFFFF;")
               .arg(padding) +
           kFonts + QStringLiteral("font-size: 12px;");
}

QString radioStyle()
{
    return QStringLiteral("QRadioButton { color: #999999; font-size: 12px; ") + kFonts +
           QStringLiteral(" background: transparent; }"
                          "QRadioButton:checked { color: #FFFFFF; }"
                          "QRadioButton::indicator { width: 16px; height: 16px; }"
                          "QRadioButton::indicator:unchecked { image: url(\"%1\"); }"
                          "QRadioButton::indicator:checked { image: url(\"%2\"); }")
               .arg(QString::fromLatin1(EQPagesResources::radioUnchecked),
                    QString::fromLatin1(EQPagesResources::radioChecked));
}

QString comboStyle(bool open)
{
    return QStringLiteral("QComboBox { background-color: #2A292D; color: #A8A8A8; border: 1px solid #2D2E33;"
                          " border-radius: 3.33px; font-size: 12px; padding: 0px 22px 0px 13px; min-height: 33px; ") +
           kFonts +
           QStringLiteral(" }"
                          "QComboBox:hover { background-color: #353438; }"
                          "QComboBox:disabled { background-color: #1E1E20; color: #666666; }"
                          "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right;"
                          " width: 16px; height: 16px; top: 9px; right: 4px; border: none; }"
                          "QComboBox::down-arrow { image: url(\"%1\"); width: 16px; height: 16px; }")
               .arg(QString::fromLatin1(open ? EQPagesResources::arrowUp : EQPagesResources::arrowDown));
}

QString popupStyle()
{
    return QStringLiteral("QListView { background: #1A1A1B; color: #999999; border: 1px solid rgba(165, 115, 237, 0.35);"
                          " border-radius: 7px; padding: 6px 4px; outline: 0;"
                          " selection-background-color: transparent; selection-color: transparent; }"
                          "QListView::item { padding: 0px; border: none; background: transparent; }");
}

QString uploadButtonStyle()
{
    return QStringLiteral(
               "QPushButton { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0.1471 #6532CB, stop:0.8934 "
               "#410290); border: none; border-radius: 10px; color: #FFFFFF; font-size: 14px; ") +
           kFonts +
           QStringLiteral(" }"
                          "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0.1471 "
                          "#5A2DB5, stop:0.8934 #39027F); }");
}


} // namespace

EQShareToCloudDialog::EQShareToCloudDialog(BandSource bands, Toast toast)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), m_bands(std::move(bands)), m_toast(std::move(toast))
{
    setObjectName(QStringLiteral("eqShareToCloudDialog"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setFixedSize(kWidth, kHeight);
    setStyleSheet(QStringLiteral("QDialog { background: #000000; border-radius: 7px; }"));
    buildUi();
    applyRoundedMask(this);
    hide();
}

EQShareToCloudDialog::~EQShareToCloudDialog() = default;

void EQShareToCloudDialog::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 20, 20, 0);
    header->setSpacing(0);
    m_title = new QLabel(tr("分享到云端"), this);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setStyleSheet(QStringLiteral("color: #E4E4E4; font-size: 16px; ") + kFonts);
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("shareClose"));
    m_close->setFixedSize(22, 22);
    m_close->setCursor(Qt::PointingHandCursor);
    m_close->setStyleSheet(QStringLiteral("background: transparent;border: none;padding: 0;"));
    const QPixmap closeIcon(QString::fromLatin1(EQPagesResources::shareClose));
    if (!closeIcon.isNull()) {
        m_close->setIcon(QIcon(closeIcon));
        m_close->setIconSize(QSize(22, 22));
    }
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    // The close button's width on the left too, so the title sits in the middle of the dialog.
    header->addSpacing(42);
    header->addWidget(m_title, 1);
    header->addWidget(m_close, 0, Qt::AlignRight | Qt::AlignTop);
    root->addLayout(header);

    auto *content = new QWidget(this);
    auto *form = new QVBoxLayout(content);
    form->setContentsMargins(20, 10, 20, 16);
    form->setSpacing(0);

    m_nameLabel = new QLabel(tr("名称"), content);
    m_nameLabel->setStyleSheet(smallLabelStyle());
    form->addWidget(m_nameLabel, 0, Qt::AlignLeft);
    form->addSpacing(6);
    m_name = new QLineEdit(content);
    m_name->setPlaceholderText(tr("请输入分享到云端的EQ标题"));
    m_name->setFixedHeight(35);
    m_name->setStyleSheet(fieldStyle(QStringLiteral("0px 14px")));
    form->addWidget(m_name);
    form->addSpacing(10);

    m_modeLabel = new QLabel(tr("模式选择"), content);
    m_modeLabel->setStyleSheet(smallLabelStyle());
    form->addWidget(m_modeLabel, 0, Qt::AlignLeft);
    form->addSpacing(6);
    auto *modeRow = new QHBoxLayout;
    modeRow->setContentsMargins(0, 0, 0, 0);
    modeRow->setSpacing(7);
    m_modes = new QButtonGroup(this);
    m_modes->setExclusive(true);
    m_music = new QRadioButton(tr("音乐"), content);
    m_game = new QRadioButton(tr("游戏"), content);
    m_other = new QRadioButton(tr("其他"), content);
    int id = MusicMode;
    for (QRadioButton *radio : {m_music, m_game, m_other}) {
        radio->setCursor(Qt::PointingHandCursor);
        radio->setStyleSheet(radioStyle());
        m_modes->addButton(radio, id++);
        modeRow->addWidget(radio);
    }
    modeRow->addStretch();
    m_game->setChecked(true);
    form->addLayout(modeRow);
    form->addSpacing(6);

    m_category = new QComboBox(content);
    buildCategoryCombo();
    form->addWidget(m_category);
    form->addSpacing(10);

    m_descriptionLabel = new QLabel(tr("输入简介"), content);
    m_descriptionLabel->setStyleSheet(smallLabelStyle());
    form->addWidget(m_descriptionLabel, 0, Qt::AlignLeft);
    form->addSpacing(4);
    m_description = new QPlainTextEdit(content);
    m_description->setPlaceholderText(tr("请输入分享云端的EQ的简介"));
    m_description->setFixedHeight(106);
    m_description->setStyleSheet(fieldStyle(QStringLiteral("10px 14px")));
    form->addWidget(m_description);
    form->addSpacing(4);

    m_consent = new QLabel(content);
    m_consent->setWordWrap(true);
    m_consent->setStyleSheet(QStringLiteral("color: rgba(255,255,255,180);font-size: 10px;") + kFonts +
                             QStringLiteral("font-weight: 500;"));
    m_consent->setText(tr("确认分享即表示您授权本平台在服务范围内使用该EQ设置，并可用于市场宣传等商业行为。"));
    form->addWidget(m_consent);
    form->addStretch();

    m_error = new QLabel(content);
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_error->setFixedWidth(287);
    m_error->hide();
    form->addWidget(m_error, 0, Qt::AlignHCenter);
    form->addSpacing(8);

    m_upload = new GradientButton(tr("上传"), content);
    m_upload->setCheckable(false);
    m_upload->setFixedSize(287, 47);
    m_upload->setCursor(Qt::PointingHandCursor);
    m_upload->setStyleSheet(uploadButtonStyle());
    form->addWidget(m_upload, 0, Qt::AlignHCenter);
    root->addWidget(content, 1);

    // Return in a field must neither close the dialog (losing what was typed) nor upload.
    m_close->setAutoDefault(false);
    m_upload->setAutoDefault(false);
    connect(m_upload, &QPushButton::clicked, this, &EQShareToCloudDialog::uploadSharedEq);
    connect(m_name, &QLineEdit::textChanged, this, &EQShareToCloudDialog::refreshUploadPanel);
    connect(m_description, &QPlainTextEdit::textChanged, this, &EQShareToCloudDialog::refreshUploadPanel);
    connect(m_category, &QComboBox::currentIndexChanged, this, &EQShareToCloudDialog::refreshUploadPanel);
    for (QRadioButton *radio : {m_music, m_game, m_other}) {
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                updateCategorySelector();
        });
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                refreshUploadPanel();
        });
    }
}

void EQShareToCloudDialog::buildCategoryCombo()
{
    m_category->setFixedHeight(34);
    m_category->setEditable(false);
    m_category->setCursor(Qt::PointingHandCursor);
    m_category->setPlaceholderText(tr("请选择分类"));
    setCategoryArrow(false);

    auto *list = new QListView(m_category);
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (fusion) {
        fusion->setParent(list); // a widget does not own the style it is given
        list->setStyle(fusion);
    }
    list->setAttribute(Qt::WA_StyledBackground);
    list->setAlternatingRowColors(false);
    list->setMouseTracking(false);
    list->setFrameShape(QFrame::NoFrame);
    list->setStyleSheet(popupStyle());
    QPalette listPalette = list->palette();
    listPalette.setColor(QPalette::Window, QColor("#1A1A1B"));
    listPalette.setColor(QPalette::Base, QColor("#1A1A1B"));
    list->setPalette(listPalette);
    QPalette viewportPalette = list->viewport()->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Highlight})
        viewportPalette.setColor(role, QColor("#1A1A1B"));
    viewportPalette.setColor(QPalette::HighlightedText, QColor("#E4E4E4"));
    list->viewport()->setPalette(viewportPalette);
    list->viewport()->setAutoFillBackground(true);
    m_category->setView(list);
    list->setItemDelegate(new ShareCategoryComboItemDelegate(list));
    list->installEventFilter(this);

    m_category->setEnabled(false);
    m_category->hide();
}

void EQShareToCloudDialog::setCategoryArrow(bool open)
{
    m_category->setStyleSheet(comboStyle(open));
}

bool EQShareToCloudDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (m_category && watched == m_category->view()) {
        if (event->type() == QEvent::Show)
            setCategoryArrow(true);
        else if (event->type() == QEvent::Hide)
            setCategoryArrow(false);
    }
    return QDialog::eventFilter(watched, event);
}

QRadioButton *EQShareToCloudDialog::modeButton(int mode) const
{
    return qobject_cast<QRadioButton *>(m_modes->button(mode));
}

QString EQShareToCloudDialog::uploadText() const
{
    return m_uploading ? tr("上传中...") : tr("上传");
}

void EQShareToCloudDialog::retranslate()
{
    // One title in both languages and at every switch.
    m_title->setText(tr("分享到云端"));
    m_nameLabel->setText(tr("名称"));
    m_name->setPlaceholderText(tr("请输入分享到云端的EQ标题"));
    m_modeLabel->setText(tr("模式选择"));
    m_music->setText(tr("音乐"));
    m_game->setText(tr("游戏"));
    m_other->setText(tr("其他"));
    m_category->setPlaceholderText(tr("请选择分类"));
    m_descriptionLabel->setText(tr("输入简介"));
    m_description->setPlaceholderText(tr("请输入分享云端的EQ的简介"));
    m_consent->setText(tr("确认分享即表示您授权本平台在服务范围内使用该EQ设置，并可用于市场宣传等商业行为。"));
    m_upload->setText(uploadText());
    dropGameTypes();
    updateCategorySelector();
}
