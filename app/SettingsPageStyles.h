#pragma once

#include <QString>

// Style sheets of the settings page; each is built once and shared.
namespace SettingsPageStyles {

const QString &card();
const QString &cardTitle();
const QString &versionCaption();
const QString &link();
const QString &updateStatus();
const QString &option();
const QString &separator();
const QString &branchMark();
const QString &footer();
const QString &updateBadge();
const QString &combo();
const QString &comboPopup();

} // namespace SettingsPageStyles
