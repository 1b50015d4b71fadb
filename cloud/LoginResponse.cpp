#include "cloud/LoginResponse.h"

namespace EarphoneApi {

LoginResponse parseLoginResponse(const QJsonObject &data)
{
    LoginResponse response;
    response.token = data.value(QLatin1String("token")).toString();
    const QJsonValue nested = data.value(QLatin1String("userInfo"));
    response.userInfo = parseUserInfo(nested.isObject() ? nested.toObject() : data);
    return response;
}

} // namespace EarphoneApi
