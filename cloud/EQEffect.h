#pragma once

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace EarphoneApi {

// One official EQ sound of a product, as the sound list and its disk cache hold it.
struct EQEffect
{
    QString id;
    QString image;
    QString name;
    QString desc;
    QString users;
    QString note;
    QList<double> sound; // band gains, dB
    QString lang;
    QString pid;
    QList<double> q;
    QList<double> freq; // Hz
    QStringList type;   // band filter types
    double main_gain = 0;
    QString gain;       // the preset index as text; empty when the key is absent
    QString enname;
    int sort = 0;

    static EQEffect fromJson(const QJsonObject &object);
    // The item as the official sound list cache stores it; fromJson reads it back.
    QJsonObject toJson() const;

    bool operator==(const EQEffect &other) const = default;
};

} // namespace EarphoneApi

Q_DECLARE_METATYPE(EarphoneApi::EQEffect)
