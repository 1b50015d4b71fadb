#pragma once

#include "EqCloudTestSession.h"

#include <QDialog>

#include <functional>
#include <memory>

class EQActiveProfileCoordinator;
class EQCloudSharingContent;
class QWidget;

// A sharing page in a window of its own, wired to a test cloud session and
// an EQ coordinator, with short waits.
class EqCloudPageFixture
{
public:
    explicit EqCloudPageFixture(bool signedIn);
    ~EqCloudPageFixture();

    EqCloudTestSession &session() { return *m_session; }
    EQCloudSharingContent *page() const { return m_page; }
    QWidget *window() const { return m_window.get(); }
    EQActiveProfileCoordinator *coordinator() const { return m_coordinator; }

    // Hands the page its services, in the main window's order.
    void wire(bool withCoordinator = true);
    bool show();
    // Waits until the page's list is not loading.
    bool settle();
    // Shares `count` EQs that the signed-in user has downloaded; returns their ids.
    QList<int> shareDownloaded(int count);
    // Clicks the downloads tab and waits for its list.
    bool openDownloads();

    // Runs `action` on the next modal dialog as soon as it is open.
    static void whenModal(std::function<void(QDialog *)> action);

    QString toastText() const;
    int toastKind() const;
    bool toastShowing() const;
    // Hides the current toast and lets the next one with any text through.
    void resetToast();

private:
    std::unique_ptr<EqCloudTestSession> m_session;
    std::unique_ptr<QWidget> m_window;
    EQCloudSharingContent *m_page = nullptr;
    EQActiveProfileCoordinator *m_coordinator = nullptr;
    qint64 m_clock = 1'000'000;
};
