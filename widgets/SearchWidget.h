#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// A rounded search box: icon, line edit and a text button.
class SearchWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SearchWidget(QWidget *parent);
    ~SearchWidget() override;

    void setText(const QString &text);
    QString text() const;

signals:
    void searchClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();

    QLabel *m_icon = nullptr;
    QLineEdit *m_edit = nullptr;
    QPushButton *m_button = nullptr;
};
