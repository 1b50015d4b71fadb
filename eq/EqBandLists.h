#pragma once

#include <QList>
#include <QString>

// The bands of one custom slot in the form the curve editor takes. The four
// lists have one length: 10 in standard mode, 1 to 8 in Qor mode.
struct EqBandLists
{
    QList<double> freq;   // Hz
    QList<double> q;
    QList<double> gain;   // dB
    QList<QString> types; // display names: "Peaking", "Low Pass", ..., "Disable"
    bool loaded = false;  // false until the record holds a slot's bands
};
