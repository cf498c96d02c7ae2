#include "platform/diagnostics.h"
#include "platform/keychain.h"
#include "support/scripted_keychain_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Status = KeychainBackend::Status;

using Calls = ScriptedKeychainBackend::Calls;

class KeychainTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString directory() const { return root.path() + QStringLiteral("/keychain"); }
};

TEST_F(KeychainTest, FileBackendKeepsBytesOnlyTheUserCanRead)
{
    FileKeychainBackend file(directory());
    EXPECT_EQ(file.read("tovrin.uid").status, Status::missing);

    const QByteArray bytes("\xff\x00uid", 5);
    ASSERT_FALSE(file.write("tovrin.uid", bytes).has_value());
    const KeychainBackend::Read read = file.read("tovrin.uid");
    EXPECT_EQ(read.status, Status::found);
    EXPECT_EQ(read.data, bytes);

    EXPECT_EQ(QFileInfo(directory()).permissions() & 0x0077, 0);
    const QFileInfo stored(file.pathFor("tovrin.uid"));
    EXPECT_EQ(stored.permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    // The account name is escaped into one plain file name.
    EXPECT_EQ(stored.fileName(), "tovrin%2Euid");
    EXPECT_EQ(QFileInfo(FileKeychainBackend(directory()).pathFor("../x")).dir().path(), directory());

    ASSERT_FALSE(file.write("tovrin.uid", "second").has_value());
    EXPECT_EQ(file.read("tovrin.uid").data, "second");
    EXPECT_EQ(QDir(directory()).entryList(QDir::Files).size(), 1);
}

TEST_F(KeychainTest, FileBackendReportsAnEntryItCannotRead)
{
    FileKeychainBackend file(directory());
    ASSERT_TRUE(QDir().mkpath(file.pathFor("tovrin.uid")));  // a directory where the file belongs
    const KeychainBackend::Read read = file.read("tovrin.uid");
    EXPECT_EQ(read.status, Status::failed);
    EXPECT_FALSE(read.error.isEmpty());
}

TEST_F(KeychainTest, SecretServiceWithoutABusIsAFailureNotAnEmptyEntry)
{
    const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    EXPECT_FALSE(SecretServiceKeychainBackend::sessionBusOffered());
    EXPECT_FALSE(SecretServiceKeychainBackend::providerOffered());

    SecretServiceKeychainBackend secrets(std::chrono::milliseconds(3000));
    const KeychainBackend::Read read = secrets.read("tovrin.uid");
    EXPECT_EQ(read.status, Status::failed);
    EXPECT_FALSE(read.error.isEmpty());
    EXPECT_TRUE(secrets.write("tovrin.uid", "x").has_value());
    qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
}

TEST_F(KeychainTest, AFailingSecretServiceIsAFaultAndTheFileTakesOver)
{
    Calls calls;
    auto primary = std::make_unique<ScriptedKeychainBackend>(&calls);
    auto fileBackend = std::make_unique<FileKeychainBackend>(directory());
    ASSERT_FALSE(fileBackend->write("tovrin.uid", "OLD-UID").has_value());
    Keychain keychain(std::move(primary), std::move(fileBackend));

    Diagnostics::LineCapture log;
    const KeychainBackend::Read read = keychain.read("tovrin.uid");
    EXPECT_EQ(read.status, Status::found);
    EXPECT_EQ(read.data, "OLD-UID");
    EXPECT_EQ(log.count("[TovrinFAULT] "), 1);
    EXPECT_TRUE(log.contains("locked"));

    // From now on the file serves alone: no second wait on the Secret Service.
    EXPECT_TRUE(keychain.write("tovrin.other", "v"));
    EXPECT_EQ(keychain.read("tovrin.other").data, "v");
    EXPECT_EQ(calls.reads, 1);
    EXPECT_EQ(calls.writes, 0);
}

TEST_F(KeychainTest, AFailedWriteFallsBackToTheFile)
{
    Calls calls;
    auto primary = std::make_unique<ScriptedKeychainBackend>(&calls);
    primary->readResult = {Status::missing, {}, {}};
    Keychain keychain(std::move(primary), std::make_unique<FileKeychainBackend>(directory()));

    Diagnostics::LineCapture log;
    EXPECT_EQ(keychain.read("tovrin.uid").status, Status::missing);
    EXPECT_EQ(log.count("[TovrinFAULT] "), 0);
    EXPECT_TRUE(keychain.write("tovrin.uid", "NEW"));
    EXPECT_EQ(log.count("[TovrinFAULT] "), 1);
    EXPECT_EQ(FileKeychainBackend(directory()).read("tovrin.uid").data, "NEW");
}

TEST_F(KeychainTest, AFailingSecretServiceAndAnEmptyFileAreUnreadableNotMissing)
{
    Calls calls;
    Keychain keychain(std::make_unique<ScriptedKeychainBackend>(&calls),
                      std::make_unique<FileKeychainBackend>(directory()));
    Diagnostics::LineCapture log;
    EXPECT_EQ(keychain.read("tovrin.uid").status, Status::failed);
    // Still so once the file serves alone.
    EXPECT_EQ(keychain.read("tovrin.uid").status, Status::failed);
    EXPECT_EQ(calls.reads, 1);
    EXPECT_EQ(log.count("[TovrinFAULT] "), 1);
}

TEST_F(KeychainTest, WritesKeepBothStoresInStep)
{
    Calls calls;
    auto primary = std::make_unique<ScriptedKeychainBackend>(&calls);
    primary->writeFailure.reset();
    primary->readResult = {Status::found, "IN-BOTH", {}};
    Keychain keychain(std::move(primary), std::make_unique<FileKeychainBackend>(directory()));
    EXPECT_TRUE(keychain.write("tovrin.uid", "IN-BOTH"));
    EXPECT_EQ(calls.writes, 1);
    EXPECT_EQ(FileKeychainBackend(directory()).read("tovrin.uid").data, "IN-BOTH");

    // A value found only in the Secret Service is copied to the file.
    ASSERT_TRUE(QFile::remove(FileKeychainBackend(directory()).pathFor("tovrin.uid")));
    EXPECT_EQ(keychain.read("tovrin.uid").data, "IN-BOTH");
    EXPECT_EQ(FileKeychainBackend(directory()).read("tovrin.uid").data, "IN-BOTH");
}

TEST_F(KeychainTest, AValueMissingFromTheSecretServiceIsFoundInTheFile)
{
    Calls calls;
    auto primary = std::make_unique<ScriptedKeychainBackend>(&calls);
    primary->readResult = {Status::missing, {}, {}};
    auto file = std::make_unique<FileKeychainBackend>(directory());
    ASSERT_FALSE(file->write("tovrin.uid", "KEPT").has_value());
    Keychain keychain(std::move(primary), std::move(file));
    EXPECT_EQ(keychain.read("tovrin.uid").data, "KEPT");
}

TEST_F(KeychainTest, AnUnreadableFileIsAFault)
{
    FileKeychainBackend probe(directory());
    ASSERT_TRUE(QDir().mkpath(probe.pathFor("tovrin.uid")));
    Keychain keychain(nullptr, std::make_unique<FileKeychainBackend>(directory()));
    Diagnostics::LineCapture log;
    EXPECT_EQ(keychain.read("tovrin.uid").status, Status::failed);
    EXPECT_EQ(log.count("[TovrinFAULT] "), 1);
}

}  // namespace
