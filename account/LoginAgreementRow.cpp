#include "account/LoginAgreementRow.h"

#include "account/AccountStyle.h"
#include "widgets/CustomRadioButtons.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSpacerItem>
#include <QTextDocument>
#include <QtMath>

LoginAgreementRow::LoginAgreementRow(QWidget *parent)
    : QWidget(parent),
      m_layout(new QHBoxLayout(this)),
      m_spacer(new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum)),
      m_toggle(new CustomRadioButtons(QString(), this)),
      m_label(new QLabel(this))
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    m_layout->setContentsMargins(3, 0, 3, 0);
    m_layout->setSpacing(0);
    m_layout->addItem(m_spacer);

    // Alone in its row, so a second click turns it off again.
    m_toggle->setAutoExclusive(false);
    m_toggle->setChecked(false);
    m_layout->addWidget(m_toggle, 0, Qt::AlignTop);
    m_layout->addSpacing(2);

    m_label->setTextFormat(Qt::RichText);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_label->setContentsMargins(0, 0, 0, 0);
    m_label->setOpenExternalLinks(true);
    m_label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_label->setFocusPolicy(Qt::NoFocus);
    m_label->setStyleSheet(QStringLiteral("QLabel { color: #8C8C8C; font-family: %1; font-size: 11px;"
                                          " font-weight: 500; }")
                               .arg(AccountStyle::fontFamilies()));
    m_layout->addWidget(m_label, 0, Qt::AlignTop);

    retranslate();
}

LoginAgreementRow::~LoginAgreementRow() = default;

bool LoginAgreementRow::isAccepted() const
{
    return m_toggle->isChecked();
}

int LoginAgreementRow::spacerWidth() const
{
    return m_spacer->sizeHint().width();
}

QString LoginAgreementRow::agreementHtml()
{
    const QString privacy =
        QCoreApplication::translate("CustomSettingsForm", "https://velkora.example/privacy?lang=zh");
    const QString terms = QCoreApplication::translate("CustomSettingsForm", "https://velkora.example/terms?lang=zh");
    return QCoreApplication::translate(
               "widgetLoginMoudle",
               "<html><style>a:hover { color: #FFFFFF; }</style>已读并同意<a style='color: white; "
               "text-decoration: none' href=\"%1\">《隐私政策》</a>和<a style='color: white; text-decoration: "
               "none' href=\"%2\">《用户协议》</a></html>")
        .arg(privacy, terms);
}

void LoginAgreementRow::retranslate()
{
    // The Chinese text is short; the spacer keeps it centred under the button.
    const QLocale::Language language = QLocale().language();
    const bool chinese = language == QLocale::Chinese || language == QLocale::LiteraryChinese;
    m_spacer->changeSize(chinese ? 25 : 0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    m_layout->invalidate();
    m_label->setText(agreementHtml());
    fitLabelWidth();
}

void LoginAgreementRow::fitLabelWidth()
{
    m_label->ensurePolished();
    QTextDocument document;
    document.setDefaultFont(m_label->font());
    document.setHtml(m_label->text());
    const int width = qCeil(document.idealWidth()) + 2;
    m_label->setFixedWidth(qBound(1, width, maxLabelWidth));
}
