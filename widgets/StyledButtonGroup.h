#pragma once

#include <QList>
#include <QMap>
#include <QMargins>
#include <QWidget>

class QScrollArea;
class StyledButton;

// A scrollable panel of StyledButtons keyed by identifiers, laid out in a row
// (0), a column (1) or a flow (2), with exclusive selection that a click on the
// selected button cannot clear.
class StyledButtonGroup : public QWidget
{
    Q_OBJECT
public:
    enum LayoutMode { Horizontal = 0, Vertical = 1, Flow = 2 };

    explicit StyledButtonGroup(QWidget *parent = nullptr);
    ~StyledButtonGroup() override;

    bool addButton(StyledButton *button, const QString &id);
    bool addButton(const QString &text, const QString &iconPath, const QString &id);
    bool addTextButton(const QString &text, const QString &id);
    StyledButton *buttonById(const QString &id) const;
    QList<StyledButton *> buttons() const { return m_buttons; }
    StyledButton *currentButton() const { return m_currentButton; }
    QWidget *container() const { return m_container; }

    void setSelectedById(const QString &id);
    void clearSelection();
    void clear();

    int layoutMode() const { return m_layoutMode; }
    void setLayoutMode(int mode);
    void setSpacing(int px);
    void setFontPixelSize(double px);

signals:
    void buttonClicked(int index);
    void buttonClickedById(const QString &id);
    void buttonCountChanged(int count);
    void selectedChanged(int index);
    void selectedChangedById(const QString &id);
    void selectionCleared();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onButtonClicked();
    void onButtonToggled(bool checked);

private:
    void rebuildLayout();
    void applySpacing();
    void applyFontPixelSize(StyledButton *button) const;
    void refreshHoverStates();
    void setCheckedQuietly(StyledButton *button, bool checked);
    QString idOf(StyledButton *button) const;

    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_container = nullptr;
    QList<StyledButton *> m_buttons;
    QMap<QString, StyledButton *> m_idToButton;
    int m_layoutMode = Flow;
    int m_hSpacing = 20;
    int m_vSpacing = 20;
    QMargins m_margins{0, 0, 0, 0};
    double m_fontPixelSize = -1.0;
    StyledButton *m_currentButton = nullptr;
    bool m_suppressToggle = false;
};
