#pragma once

#include "platform/keychain.h"
#include "platform/keychain_test_seam.h"
#include "platform/server_test_seam.h"
#include "platform/tovrin_haptics.h"
#include "platform/user_defaults.h"
#include "support/loopback.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <gtest/gtest.h>

// Every store test starts from an empty settings file and keychain.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings().clear();
        QDir(FileKeychainBackend::defaultDirectory()).removeRecursively();
        KeychainTestSeam::replaceShared(nullptr);
        HapticLog::clear();
    }

    // Points the client at a loopback port nobody listens on.
    static void pointAtClosedPort()
    {
        Server::setBaseURLForTesting(closedLoopbackURL());
    }

    static QJsonObject bodyOf(const QByteArray& body) { return QJsonDocument::fromJson(body).object(); }

    static int rigidImpacts()
    {
        int count = 0;
        for (const HapticEvent& event : HapticLog::events())
            count += event.style == ImpactStyle::Rigid && event.kind == HapticEvent::Kind::Impact;
        return count;
    }
};
