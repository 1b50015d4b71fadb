#include "widgets/SearchWidget.h"

#include "widgets/DevicePixmap.h"
#include "widgets/KitFonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

SearchWidget::SearchWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setFixedSize(443, 46);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(7);

    m_icon = new QLabel(this);
    m_icon->setFixedSize(20, 20);
    m_icon->setAlignment(Qt::AlignCenter);
    if (!DevicePixmap::showOn(m_icon, QStringLiteral(":/svgs/search.svg"), QSize(20, 20)))
        m_icon->setText(QString());

    m_edit = new QLineEdit(this);
    m_edit->setClearButtonEnabled(false);
    m_button = new QPushButton(this);
    m_button->setCursor(Qt::PointingHandCursor);

    row->addWidget(m_icon);
    row->addWidget(m_edit, 1);
    row->addWidget(m_button);

    const QString families = KitFonts::cssFamiliesSingleQuoted();
    setStyleSheet(QStringLiteral("SearchWidget { background: #1A1A1B; border: 1px solid #6532CB; border-radius: 23px; }"
                                 "QLineEdit { background: transparent; border: none; color: #999999;"
                                 " font-family: %1; font-style: normal; font-weight: 400; font-size: 10.6667px;"
                                 " line-height: 15px; }"
                                 "QPushButton { background: transparent; border: none; color: #999999;"
                                 " font-family: %1; font-style: normal; font-weight: 400; font-size: 13.3333px;"
                                 " line-height: 19px; text-align: center; }"
                                 "QPushButton:hover { color: #ffffff; }"
                                 "QLabel { color: #999999; font-size: 20px; background: transparent; }")
                      .arg(families));

    connect(m_button, &QPushButton::clicked, this, &SearchWidget::searchClicked);
    connect(m_edit, &QLineEdit::returnPressed, this, &SearchWidget::searchClicked);
    retranslateUi();
}

SearchWidget::~SearchWidget() = default;

void SearchWidget::setText(const QString &text)
{
    m_edit->setText(text);
}

QString SearchWidget::text() const
{
    return m_edit->text();
}

void SearchWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The line edit passes its Return on after reporting it itself: one search per key press.
        if (!m_edit->hasFocus())
            emit searchClicked();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SearchWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void SearchWidget::retranslateUi()
{
    m_edit->setPlaceholderText(tr("请输入关键字/分享码..."));
    m_button->setText(tr("搜索"));
}
