#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class CustomSettingsForm;
class CustomTitleBar;
class IWindowFrame;
class QAction;
class QDialog;
class QMenu;
class QPropertyAnimation;
class QStackedWidget;

// Durations of the window frame; tests shorten them.
struct HeadphonesDeviceTimings
{
    int closeFadeMs = 130;
    int resizeThrottleMs = 16;
};

// The program's only main window: frameless, with its own title bar, page
// stack, mouse move/resize, tray icon, and close-to-tray or quit.
class HeadphonesDevice : public QMainWindow
{
    Q_OBJECT
public:
    enum ResizeEdge {
        None = 0,
        Left = 1,
        Right = 2,
        Top = 4,
        Bottom = 8,
        TopLeft = Top | Left,
        TopRight = Top | Right,
        BottomLeft = Bottom | Left,
        BottomRight = Bottom | Right
    };
    Q_DECLARE_FLAGS(ResizeEdgeFlag, ResizeEdge)

    // Page stack slots; a page that is not built yet leaves its slot empty.
    enum Page { BootPage = 0, ConnectionPage = 1, SettingsPage = 2, DevicePage = 3, ProfilePage = 4 };

    static constexpr int kMinimumWidth = 1280;
    static constexpr int kMinimumHeight = 720;
    static constexpr int kResizeMargin = 10;

    explicit HeadphonesDevice(QWidget *parent = nullptr);
    ~HeadphonesDevice() override;

    void minimizeToTray();
    void ensureTrayIcon();
    void retranslateTrayIcon();
    void updateMaximumSize();
    void syncFramelessMaximized();
    void applyWindowCorners();
    void prepareForQuit();
    QRect computeResizeGeometry(const QPoint &globalPos) const;
    void updateHoverCursor(const QPoint &localPos);
    QSize screenAreaSize(double factor) const;
    int execDialogWithBlur(QWidget *target, QDialog *dialog);

    // The area the screens offer, scaled by `factor`; the inputs are the
    // primary screen's available virtual geometry, the union of every screen's
    // available geometry and the primary screen's available geometry.
    static QSize scaledScreenArea(const QRect &primaryVirtual, const QRect &allScreens, const QRect &primary,
                                  bool hasPrimary, double factor);
    static ResizeEdgeFlag edgesAt(const QPoint &localPos, const QSize &windowSize);
    static Qt::CursorShape cursorForEdges(ResizeEdgeFlag edges);

    int currentPage() const { return m_currentPage; }
    void showPage(int page);
    QWidget *pageWidget(int page) const;
    CustomTitleBar *titleBar() const { return m_titleBar; }
    CustomSettingsForm *settingsPage() const { return m_settingsPage; }
    QStackedWidget *pageStack() const { return m_pageStack; }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QWidget *centralFrame() const { return m_centralWidget; }
    bool exitOnClose() const { return m_exitOnClose; }
    bool isQuitting() const { return m_quitting; }
    bool isResizing() const { return m_resizing; }
    bool isDragging() const { return m_dragging; }
    QRect savedNormalGeometry() const { return m_normalGeometry; }

    void setTimings(const HeadphonesDeviceTimings &timings) { m_timings = timings; }
    void setWindowFrame(std::unique_ptr<IWindowFrame> frame);
    // Overrides the question whether the desktop has a system tray.
    void setTrayAvailabilityProbe(std::function<bool()> probe);
    bool isSystemTrayAvailable() const;

public slots:
    void toggleWindowState();
    void on_minimizeClicked();
    void on_maximizeClicked();
    void on_closeClicked();
    void on_loginClicked();
    void on_settingClicked();
    void on_returnClicked();
    void onApplicationLanguageChosen(const QString &localeTag);
    void onStartupSettingsChanged();
    void onCloseBehaviorPreferenceChanged();
    void raiseMainWindowFromTray();
    void quitApplicationFully();

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setupUi();
    void setupConnections();
    void addPage(int page, QWidget *widget);
    bool isOnTitleBarBackground(const QPoint &localPos) const;
    void stopResizing();
    void applyResizeStep();
    void onCloseFadeFinished();
    void closeOtherTopLevelWindows();
    void queueQuit();
    int resolveReturnPage(int savedPage) const;
    void refreshReturnTitle();
    void refreshLoginText();

    // Window frame state.
    bool m_resizing = false;
    bool m_dragging = false;
    bool m_closeFadeRunning = false;
    bool m_quitting = false;
    QPropertyAnimation *m_closeFade = nullptr;
    bool m_firstShowPending = true;
    QPoint m_lastDragPoint;
    QPoint m_resizePoint;
    QRect m_normalGeometry;
    ResizeEdgeFlag m_resizeEdges = None;
    int m_hoverCursorShape = 0;
    bool m_hoverCursorSet = false;
    QElapsedTimer m_resizeThrottle;
    qint64 m_lastResizeStepMs = 0;
    bool m_framelessMaximizedWritten = false;
    bool m_frameStateSynced = false;
    bool m_lastSyncedMaximized = false;

    QWidget *m_centralWidget = nullptr;
    QStackedWidget *m_pageStack = nullptr;
    CustomTitleBar *m_titleBar = nullptr;
    CustomSettingsForm *m_settingsPage = nullptr;
    QHash<int, QWidget *> m_pages;
    int m_currentPage = BootPage;
    int m_pageBeforeSettings = ConnectionPage;

    bool m_exitOnClose = false;
    QSystemTrayIcon *m_trayIcon = nullptr;
    std::unique_ptr<QMenu> m_trayMenu;
    QAction *m_showAction = nullptr;
    QAction *m_quitAction = nullptr;

    HeadphonesDeviceTimings m_timings;
    std::unique_ptr<IWindowFrame> m_windowFrame;
    std::function<bool()> m_trayAvailable;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(HeadphonesDevice::ResizeEdgeFlag)
