#pragma once

#include <QHash>
#include <QString>

// Everything the devserver remembers, in memory only, for the life of the process.
struct DevUser {
    QString uid;
    QString radioId;      // "Q-" and six upper-case letters or digits
    int ownedChannel = 0; // 101..64000, stable for the user
    QString email;
    QString firstName;
    QString lastName;
    QString appleId;
    QString displayName;
};

struct DevState {
    QHash<QString, DevUser> usersByUid;

    // The user with this uid, created with a radio ID and an owned channel on first sight.
    DevUser& user(const QString& uid);
};
