#include "eq/CustomEqFilterTypes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace CustomEq {

namespace {

struct NamedCode
{
    const char *name;
    int code;
};

constexpr std::array<NamedCode, 5> standardNames{{
    {"peaking", 1},
    {"low pass", 2},
    {"high pass", 3},
    {"low shelf", 4},
    {"high shelf", 5},
}};

// The spellings without the blank that cloud and official presets also use;
// read when sending, refused by the strict check of slot files.
constexpr std::array<NamedCode, 4> standardShortNames{{
    {"lowpass", 2},
    {"highpass", 3},
    {"lowshelf", 4},
    {"highshelf", 5},
}};

constexpr std::array<NamedCode, 11> qorNames{{
    {"disable", 0},
    {"low shelf", 1},
    {"lowshelf", 1},
    {"peaking", 2},
    {"peak", 2},
    {"high shelf", 3},
    {"highshelf", 3},
    {"low pass", 4},
    {"lowpass", 4},
    {"high pass", 5},
    {"highpass", 5},
}};

// Display names by Qor code.
constexpr std::array<const char *, 6> qorDisplayNames{
    "Disable", "Low Shelf", "Peaking", "High Shelf", "Low Pass", "High Pass"};

template <size_t N>
int codeOfName(const std::array<NamedCode, N> &table, const QString &trimmed, int fallback)
{
    const QString lower = trimmed.toLower();
    for (const NamedCode &entry : table) {
        if (lower == QLatin1String(entry.name))
            return entry.code;
    }
    return fallback;
}

bool integerText(const QString &trimmed, int *value)
{
    bool ok = false;
    const int v = trimmed.toInt(&ok, 0);
    if (ok)
        *value = v;
    return ok;
}

bool hasHexPrefix(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
}

int qorCodeOfStandard(int standard)
{
    switch (standard) {
    case 1: return 2;
    case 2: return 4;
    case 3: return 5;
    case 4: return 1;
    case 5: return 3;
    default: return 2;
    }
}

} // namespace

QString gainText(double gain)
{
    QString text = QString::number(gain, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

int standardTypeCode(const QString &text)
{
    const QString trimmed = text.trimmed();
    int value = 0;
    // A number outside 1..5 names no filter; clamping it would turn 6 into a
    // High Shelf that the user never chose, so it reads as Peaking like any
    // other unknown text.
    if (integerText(trimmed, &value))
        return value >= 1 && value <= 5 ? value : 1;
    const int code = codeOfName(standardNames, trimmed, 0);
    return code != 0 ? code : codeOfName(standardShortNames, trimmed, 1);
}

QString standardFilterTypeName(const QString &text)
{
    static const std::array<const char *, 5> names{"Peaking", "Low Pass", "High Pass", "Low Shelf", "High Shelf"};
    return QLatin1String(names[standardTypeCode(text) - 1]);
}

bool isStandardTypeText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    int value = 0;
    if (integerText(trimmed, &value))
        return value >= 1 && value <= 5;
    return codeOfName(standardNames, trimmed, 0) != 0;
}

int qorTypeCodeFromName(const QString &name)
{
    const QString trimmed = name.trimmed();
    for (size_t code = 0; code < qorDisplayNames.size(); ++code) {
        if (trimmed.compare(QLatin1String(qorDisplayNames[code]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(code);
    }
    return 2;
}

int qorTypeCode(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 2;
    int value = 0;
    if (integerText(trimmed, &value)) {
        if (hasHexPrefix(trimmed) || value < 0 || value > 5)
            return qorCodeOfStandard(value);
        return value;
    }
    return codeOfName(qorNames, trimmed, 2);
}

bool isQorTypeText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    int value = 0;
    if (integerText(trimmed, &value)) {
        if (hasHexPrefix(trimmed))
            return value >= 1 && value <= 5;
        return value >= 0 && value <= 5;
    }
    return codeOfName(qorNames, trimmed, -1) != -1;
}

QString qorFilterTypeName(int code)
{
    return QLatin1String(qorDisplayNames[static_cast<size_t>(std::clamp(code, 0, 5))]);
}

QString filterTypeTextFromJson(const QJsonValue &value, bool qor)
{
    if (value.isString())
        return value.toString();
    if (!value.isDouble())
        return QString();
    // Clamped as a double first, so that huge numbers never overflow the conversion.
    const double truncated = std::trunc(value.toDouble());
    const double low = qor ? 0.0 : 1.0;
    return QString::number(static_cast<int>(std::clamp(truncated, low, 5.0)));
}

} // namespace CustomEq
