#include "cloud/EQCategory.h"

#include "cloud/EqJsonReaders.h"

namespace EarphoneApi {

EQCategory parseEQCategory(const QJsonObject &object)
{
    EQCategory category;
    category.id = jsonText(object.value(QLatin1String("id")));
    category.name = jsonText(object.value(QLatin1String("name")));
    category.pid = jsonText(object.value(QLatin1String("pid")));
    category.sort = jsonText(object.value(QLatin1String("sort")));
    category.lang = jsonText(object.value(QLatin1String("lang")));
    return category;
}

} // namespace EarphoneApi
