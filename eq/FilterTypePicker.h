#pragma once

#include <QStringList>
#include <QVariant>
#include <QWidget>

class QAction;
class QMenu;
class QToolButton;

namespace FloatingPointEditorDetail {

// The filter-type picker of the point editor: a text tool button that pops up
// a menu of the types. Each menu action carries its type key as data.
class FilterTypePicker : public QWidget
{
    Q_OBJECT
public:
    explicit FilterTypePicker(QWidget *parent = nullptr);
    ~FilterTypePicker() override;

    void addItem(const QString &label, const QVariant &data);
    void clear();
    void retranslate();

    int count() const { return int(m_values.size()); }
    int currentIndex() const { return m_currentIndex; }
    // Sets the index without a signal, as the editor does while it fills itself.
    void setCurrentIndex(int index);
    // The key at the current index, or an empty text.
    QString currentValue() const;
    const QStringList &labels() const { return m_labels; }
    const QStringList &values() const { return m_values; }
    QToolButton *button() const { return m_button; }
    QMenu *menu() const { return m_menu; }

signals:
    void currentIndexChanged(int index);

public slots:
    void onMenuTriggered(QAction *action);

private:
    void showCurrentLabel();

    QToolButton *m_button = nullptr;
    QMenu *m_menu = nullptr;
    QStringList m_labels;
    QStringList m_values;
    int m_currentIndex = 0;
};

} // namespace FloatingPointEditorDetail
