#pragma once

#include <QObject>
#include <QString>

// The app's notification centre: one object for the whole process, so a
// listener needs no reference to whichever object posts. GUI thread only.
class AppNotifications : public QObject {
    Q_OBJECT
public:
    static AppNotifications& instance();

signals:
    // A pager arrived from a listener who is not blocked; `sound` is its alert sound's raw name.
    void tovrinRemotePager(const QString& sound);

private:
    AppNotifications() = default;
};
