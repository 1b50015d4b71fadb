#pragma once

#include <QApplication>
#include <QWidget>

#include <functional>
#include <memory>

// Acting on the next modal dialog. A modal dialog runs its own event loop, so
// a test cannot reach it after the call that opens it; instead it arms a
// watch before that call.
namespace ModalWatch {

// Polls (within whatever event loop runs, a dialog's own included) for a
// visible modal widget that `matches`, and runs `action` once on it. The
// returned flag turns true when it ran; the polling gives up after
// `timeoutMs` without running it, or when `owner` goes, so that a watch left
// from one test never acts on the next one's dialog.
std::shared_ptr<bool> whenModalWidget(std::function<bool(QWidget *)> matches, std::function<void(QWidget *)> action,
                                      int timeoutMs = 10000, QObject *owner = nullptr);

// The same for the first visible modal widget of type T.
template <typename T>
std::shared_ptr<bool> whenModal(std::function<void(T *)> action, int timeoutMs = 10000, QObject *owner = nullptr)
{
    return whenModalWidget([](QWidget *widget) { return qobject_cast<T *>(widget) != nullptr; },
                           [action](QWidget *widget) { action(qobject_cast<T *>(widget)); }, timeoutMs, owner);
}

} // namespace ModalWatch
