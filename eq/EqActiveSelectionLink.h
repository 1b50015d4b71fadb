#pragma once

#include "eq/EQActiveProfileCoordinator.h"

#include <QPointer>
#include <QString>

#include <functional>

class QObject;

// Points an EQ page at the active-selection coordinator: the connections of
// the coordinator held so far to the page are dropped, the page follows the
// new one's selection and shows its current one at once. Nothing happens when
// the coordinator is the one held; a null one leaves the page unlinked.
void linkActiveSelection(QObject *page, QPointer<EQActiveProfileCoordinator> &held,
                         EQActiveProfileCoordinator *coordinator,
                         std::function<void(EQActiveProfileCoordinator::Source, const QString &)> apply);
