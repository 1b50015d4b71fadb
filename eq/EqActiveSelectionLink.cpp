#include "eq/EqActiveSelectionLink.h"

void linkActiveSelection(QObject *page, QPointer<EQActiveProfileCoordinator> &held,
                         EQActiveProfileCoordinator *coordinator,
                         std::function<void(EQActiveProfileCoordinator::Source, const QString &)> apply)
{
    if (coordinator == held)
        return;
    if (held)
        QObject::disconnect(held, nullptr, page, nullptr);
    held = coordinator;
    if (!coordinator)
        return;
    QObject::connect(coordinator, &EQActiveProfileCoordinator::activeSelectionChanged, page, apply);
    apply(coordinator->activeSource(), coordinator->activeId());
}
