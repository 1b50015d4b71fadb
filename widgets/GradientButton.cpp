#include "widgets/GradientButton.h"

namespace {
const QString &gradientButtonStyle()
{
    static const QString style = [] {
        const QString font = QStringLiteral(
            "    font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;    font-style: normal;"
            "    font-weight: 400;    font-size: 12px;    line-height: 17px;    text-align: center;");
        return QStringLiteral("GradientButton {    background-color: #1A1A1B;    border: none;    border-radius: 8px;"
                              "    padding: 6px 10px;%1    color: #999999;}"
                              "GradientButton:checked {    background: qlineargradient(        x1:0, y1:1, x2:1, y2:0,"
                              "        stop:0.1471 #6532CB,        stop:0.8934 #410290);%1    color: #FFFFFF;}"
                              "GradientButton:hover {    color: #FFFFFF;}GradientButton:pressed {}")
            .arg(font);
    }();
    return style;
}
} // namespace

GradientButton::GradientButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(gradientButtonStyle());
}

GradientButton::~GradientButton() = default;

void GradientButton::setSelected(bool selected)
{
    setChecked(selected);
}
