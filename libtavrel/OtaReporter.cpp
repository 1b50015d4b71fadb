#include "libtavrel/OtaReporter.h"

namespace libtavrel {

OtaReporter::OtaReporter(const OtaCallbacks *callbacks)
{
    if (callbacks)
        callbacks_ = *callbacks;
}

void OtaReporter::start()
{
    if (!ended_ && callbacks_.onStart)
        callbacks_.onStart(callbacks_.context);
}

void OtaReporter::progress(int done)
{
    if (!ended_ && callbacks_.onProgress)
        callbacks_.onProgress(callbacks_.context, done, 100);
}

void OtaReporter::finish()
{
    if (ended_)
        return;
    ended_ = true;
    if (callbacks_.onFinish)
        callbacks_.onFinish(callbacks_.context);
}

void OtaReporter::error(int code, const std::string &message)
{
    if (ended_)
        return;
    ended_ = true;
    if (callbacks_.onError)
        callbacks_.onError(callbacks_.context, code, message.c_str());
}

} // namespace libtavrel
