#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

namespace EarphoneApi {

// An EQ category or a game type offered when sharing an EQ. Every field is
// read only from a JSON string.
struct EQCategory
{
    QString id;
    QString name;
    QString pid;
    QString sort;
    QString lang;

    bool operator==(const EQCategory &other) const = default;
};

EQCategory parseEQCategory(const QJsonObject &object);

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::EQCategory)
