#include "services/app_notifications.h"

AppNotifications& AppNotifications::instance()
{
    static AppNotifications notifications;
    return notifications;
}
