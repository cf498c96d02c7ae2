#include "views/saved_channel_failure.h"

#include "services/tovrin_api_error.h"

QString savedChannelFailureText(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const TovrinAPIError& error) {
        if (error.kind() == TovrinAPIError::Kind::server) {
            if (error.serverText() == QLatin1String("not_found"))
                return QStringLiteral("That channel is not on the server yet");
            if (error.serverText() == QLatin1String("bad_request"))
                return QStringLiteral("Invalid channel");
        }
    } catch (...) {
    }
    return QStringLiteral("Could not save channel");
}
