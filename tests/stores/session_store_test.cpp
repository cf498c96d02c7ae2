#include "services/keychain_helper.h"
#include "services/session_store.h"

#include "platform/diagnostics.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_keychain_backend.h"
#include "support/scripted_responder.h"
#include "store_test.h"

#include <QRegularExpression>
#include <QSignalSpy>

namespace {

using Reply = ScriptedResponder::Reply;

const QRegularExpression uuidText(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));

const QByteArray fullCheckin = R"({"ok": true, "uid": "server-side", "radio_id": "Q-AAAAAA",
    "owned_channel_number": 4242, "owned_channel_display": "042.042", "email": "ann@example.com",
    "first_name": "Ann", "last_name": "Lee", "display_name": "Annie",
    "workplace": {"org_id": "org-1", "name": "Acme", "channel_number": 700, "display_frequency": "007.000", "seat_limit": 5}})";

class SessionStoreTest : public StoreTest {
protected:
    static QByteArray storedIdBytes()
    {
        return FileKeychainBackend().read(QLatin1String(SessionStore::uidKey)).data;
    }
    static QJsonObject localProfile()
    {
        return bodyOf(UserDefaults().data(QLatin1String(SessionStore::profileKey)));
    }
    static void setLocalProfile(const QByteArray& json)
    {
        UserDefaults().set(QLatin1String(SessionStore::profileKey), json);
    }
};

// ---- identity ----------------------------------------------------------------------

TEST_F(SessionStoreTest, FirstStartMakesAnIdThatLaterStartsRead)
{
    QString first;
    {
        SessionStore store;
        first = store.uid();
    }
    EXPECT_TRUE(uuidText.match(first).hasMatch()) << first.toStdString();
    EXPECT_EQ(storedIdBytes(), first.toUtf8());
    EXPECT_EQ(SessionStore().uid(), first);
}

TEST_F(SessionStoreTest, AnIdThatIsNotUtf8IsReplacedInPlace)
{
    ASSERT_FALSE(FileKeychainBackend().write("tovrin.uid", QByteArray("\xff\xfe\xfd", 3)).has_value());
    Diagnostics::LineCapture log;
    SessionStore store;
    EXPECT_TRUE(uuidText.match(store.uid()).hasMatch());
    EXPECT_EQ(storedIdBytes(), store.uid().toUtf8());
    EXPECT_EQ(log.count("[TovrinFAULT] "), 1);
}

TEST_F(SessionStoreTest, AnyStoredStringIsTheId)
{
    ASSERT_FALSE(FileKeychainBackend().write("tovrin.uid", "my own id").has_value());
    EXPECT_EQ(SessionStore().uid(), "my own id");
}

TEST_F(SessionStoreTest, AnUnreadableIdIsAFaultAndIsNeverOverwritten)
{
    const QString path = FileKeychainBackend().pathFor("tovrin.uid");
    ASSERT_TRUE(QDir().mkpath(path));
    Diagnostics::LineCapture log;
    SessionStore store;
    EXPECT_EQ(store.uid(), "");  // no stand-in id for this run
    EXPECT_GE(log.count("[TovrinFAULT] "), 1);
    EXPECT_TRUE(QFileInfo(path).isDir());  // nothing was written over it
}

TEST_F(SessionStoreTest, AFailingSecretServiceWithAnEmptyFileMintsNoId)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    ScriptedKeychainBackend::Calls calls;
    KeychainTestSeam::replaceShared(std::make_unique<Keychain>(std::make_unique<ScriptedKeychainBackend>(&calls),
                                                               std::make_unique<FileKeychainBackend>()));
    Diagnostics::LineCapture log;
    SessionStore store;
    EXPECT_EQ(store.uid(), "");
    EXPECT_EQ(calls.writes, 0);
    EXPECT_EQ(FileKeychainBackend().read("tovrin.uid").status, KeychainBackend::Status::missing);
    EXPECT_GE(log.count("[TovrinFAULT] "), 2);  // the Secret Service, then the id

    // Nobody to check in: the server never hears of a stranger.
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    EXPECT_TRUE(store.serverOnline());
    EXPECT_EQ(store.statusMessage(), "Check-in failed");
    EXPECT_TRUE(store.bootstrapFinished());
}

TEST_F(SessionStoreTest, AFailingSecretServiceFallsBackToTheIdInTheFile)
{
    ASSERT_FALSE(FileKeychainBackend().write("tovrin.uid", "OLD-UID").has_value());
    ScriptedKeychainBackend::Calls calls;
    KeychainTestSeam::replaceShared(std::make_unique<Keychain>(std::make_unique<ScriptedKeychainBackend>(&calls),
                                                               std::make_unique<FileKeychainBackend>()));
    Diagnostics::LineCapture log;
    EXPECT_EQ(SessionStore().uid(), "OLD-UID");
    EXPECT_EQ(log.count("[TovrinFAULT] "), 1);
    EXPECT_EQ(storedIdBytes(), "OLD-UID");
}

// ---- local profile -------------------------------------------------------------------

TEST_F(SessionStoreTest, LocalProfileIsAppliedOnlyWhenEveryMemberIsAString)
{
    struct Case {
        const char* stored;
        QString displayName;
        QString email;
    };
    const Case cases[] = {
        {R"({"displayName": "Ann"})", "Ann", ""},
        {R"({"displayName": "Ann", "email": ""})", "Ann", ""},
        {R"({"displayName": null})", "", ""},
        {R"({"displayName": 5})", "", ""},
        {R"({"displayName": "Ann", "other": 5})", "", ""},
        {R"({"displayName": "Ann", "other": "x", "email": "a@b"})", "Ann", "a@b"},
        {R"(["Ann"])", "", ""},
        {"not json", "", ""},
    };
    for (const Case& c : cases) {
        setLocalProfile(c.stored);
        SessionStore store;
        EXPECT_EQ(store.displayName(), c.displayName) << c.stored;
        EXPECT_EQ(store.email(), c.email) << c.stored;
        EXPECT_EQ(store.firstName(), "") << c.stored;
    }
}

// ---- bootstrap -------------------------------------------------------------------------

TEST_F(SessionStoreTest, BootstrapChecksInAndASecondProcessKeepsIdAndProfile)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());

    QString uid;
    QString radioId;
    std::optional<qint64> owned;
    {
        SessionStore store;
        store.setFirstName("Ann");
        store.setDisplayName("Annie");
        QSignalSpy finished(&store, &SessionStore::bootstrapFinishedChanged);
        ASSERT_FALSE(runVoidTask(store.bootstrap()));
        EXPECT_TRUE(store.serverOnline());
        EXPECT_EQ(store.statusMessage(), "");
        EXPECT_TRUE(store.bootstrapFinished());
        EXPECT_EQ(finished.count(), 1);
        EXPECT_TRUE(QRegularExpression("^Q-[A-Z0-9]{6}$").match(store.radioId()).hasMatch()) << store.radioId().toStdString();
        ASSERT_TRUE(store.ownedChannelNumber().has_value());
        EXPECT_GE(*store.ownedChannelNumber(), 101);
        EXPECT_TRUE(store.ownedChannelDisplay().has_value());
        uid = store.uid();
        radioId = store.radioId();
        owned = store.ownedChannelNumber();
    }
    const QJsonObject saved = localProfile();
    EXPECT_EQ(saved.keys(), QStringList({"appleId", "displayName", "email", "firstName", "lastName"}));
    EXPECT_EQ(saved.value("firstName").toString(), "Ann");

    SessionStore again;
    EXPECT_EQ(again.uid(), uid);
    EXPECT_EQ(again.firstName(), "Ann");
    EXPECT_EQ(again.displayName(), "Annie");
    EXPECT_EQ(again.radioId(), "");  // not kept locally
    ASSERT_FALSE(runVoidTask(again.bootstrap()));
    EXPECT_EQ(again.radioId(), radioId);
    EXPECT_EQ(again.ownedChannelNumber(), owned);
}

TEST_F(SessionStoreTest, AServerThatFailsItsHealthCheckGetsNoCheckin)
{
    ScriptedResponder responder;
    responder.script({Reply{500, {}}});
    SessionStore store;
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    EXPECT_FALSE(store.serverOnline());
    EXPECT_EQ(store.statusMessage(), "Server offline");
    EXPECT_TRUE(store.bootstrapFinished());
    ASSERT_EQ(responder.requests().size(), 1);
    EXPECT_EQ(responder.requests()[0].target, "/healthz");
}

TEST_F(SessionStoreTest, AnUnreachableServerIsOffline)
{
    pointAtClosedPort();
    SessionStore store;
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    EXPECT_FALSE(store.serverOnline());
    EXPECT_EQ(store.statusMessage(), "Server offline");
    EXPECT_TRUE(store.bootstrapFinished());
}

TEST_F(SessionStoreTest, CheckinComesAfterTheHealthCheckWithItsBody)
{
    ScriptedResponder responder;
    responder.script({Reply{200, {}}, Reply{200, R"({"ok": true, "uid": "x"})"}});
    SessionStore store;
    store.setLastName("Lee");
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    ASSERT_EQ(responder.requests().size(), 2);
    EXPECT_EQ(responder.requests()[0].method, "GET");
    EXPECT_EQ(responder.requests()[0].target, "/healthz");
    EXPECT_EQ(responder.requests()[1].method, "POST");
    EXPECT_EQ(responder.requests()[1].target, "/v1/checkin");
    const QJsonObject body = bodyOf(responder.requests()[1].body);
    EXPECT_EQ(body, QJsonObject({{"uid", store.uid()}, {"email", ""}, {"platform", "mac"}, {"last_name", "Lee"}}));
}

TEST_F(SessionStoreTest, CheckinRepliesAreAppliedFieldByField)
{
    ScriptedResponder responder;
    responder.script({Reply{200, {}}, Reply{200, fullCheckin}, Reply{200, {}},
                      Reply{200, R"({"ok": true, "uid": "x", "radio_id": "", "email": "", "first_name": ""})"}});
    SessionStore store;
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    EXPECT_EQ(store.radioId(), "Q-AAAAAA");
    EXPECT_EQ(store.ownedChannelNumber(), 4242);
    EXPECT_EQ(store.ownedChannelDisplay(), "042.042");
    EXPECT_EQ(store.email(), "ann@example.com");
    EXPECT_EQ(store.chatDisplayName(), "Annie");
    ASSERT_TRUE(store.workplace().has_value());
    EXPECT_EQ(store.workplace()->orgId, "org-1");
    EXPECT_NE(store.uid(), "server-side");

    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    EXPECT_EQ(store.statusMessage(), "");
    EXPECT_FALSE(store.ownedChannelNumber().has_value());
    EXPECT_FALSE(store.ownedChannelDisplay().has_value());
    EXPECT_FALSE(store.workplace().has_value());
    EXPECT_EQ(store.radioId(), "");
    EXPECT_EQ(store.email(), "ann@example.com");
    EXPECT_EQ(store.firstName(), "");
    EXPECT_EQ(store.lastName(), "Lee");
    EXPECT_EQ(store.displayName(), "Annie");
}

TEST_F(SessionStoreTest, AFailedCheckinKeepsWhatWasKnown)
{
    struct Case {
        const char* what;
        Reply reply;
    };
    const Case cases[] = {
        {"refused", Reply{200, R"({"ok": false, "uid": "x"})"}},
        {"status 500", Reply{500, R"({"ok": true, "uid": "x"})"}},
        {"undecodable", Reply{200, R"({"ok": true})"}},
    };
    for (const Case& c : cases) {
        ScriptedResponder responder;
        responder.script({Reply{200, {}}, Reply{200, fullCheckin}, Reply{200, {}}, c.reply});
        SessionStore store;
        ASSERT_FALSE(runVoidTask(store.bootstrap()));
        ASSERT_EQ(store.statusMessage(), "");
        ASSERT_FALSE(runVoidTask(store.bootstrap()));
        EXPECT_EQ(store.statusMessage(), "Check-in failed") << c.what;
        EXPECT_TRUE(store.serverOnline()) << c.what;
        EXPECT_EQ(store.radioId(), "Q-AAAAAA") << c.what;
        EXPECT_EQ(store.ownedChannelNumber(), 4242) << c.what;
        EXPECT_TRUE(store.workplace().has_value()) << c.what;
        EXPECT_EQ(store.firstName(), "Ann") << c.what;
    }
}

// ---- profile ---------------------------------------------------------------------------

TEST_F(SessionStoreTest, SavedProfileIsAppliedAndKeptLocally)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    SessionStore store;
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    store.setDisplayName("Neo");
    store.setAppleId("neo@example.com");
    ASSERT_FALSE(runVoidTask(store.saveProfile()));
    EXPECT_EQ(store.statusMessage(), "");
    EXPECT_EQ(localProfile().value("displayName").toString(), "Neo");

    SessionStore again;
    EXPECT_EQ(again.displayName(), "Neo");
    EXPECT_EQ(again.appleId(), "neo@example.com");
}

TEST_F(SessionStoreTest, AProfileReplyWithoutProfileFailsAndASuccessClearsTheText)
{
    ScriptedResponder responder;
    responder.script({Reply{200, R"({"ok": true})"},
                      Reply{200, R"({"ok": true, "profile": {"uid": "u", "display_name": "Neo", "radio_id": "Q-BBBBBB"}})"}});
    setLocalProfile(R"({"displayName": "Old"})");
    SessionStore store;
    store.setDisplayName("Typed");
    ASSERT_FALSE(runVoidTask(store.saveProfile()));
    EXPECT_EQ(store.statusMessage(), "Profile save failed");
    EXPECT_EQ(store.displayName(), "Typed");
    EXPECT_EQ(localProfile().value("displayName").toString(), "Old");
    EXPECT_EQ(bodyOf(responder.requests()[0].body), QJsonObject({{"uid", store.uid()}, {"display_name", "Typed"}}));

    ASSERT_FALSE(runVoidTask(store.saveProfile()));
    EXPECT_EQ(store.statusMessage(), "");
    EXPECT_EQ(store.displayName(), "Neo");
    EXPECT_EQ(store.radioId(), "Q-BBBBBB");
    EXPECT_EQ(localProfile().value("displayName").toString(), "Neo");
}

TEST_F(SessionStoreTest, ASuccessfulProfileSaveLeavesOtherTextsAlone)
{
    ScriptedResponder responder;
    responder.script({Reply{500, {}}, Reply{200, R"({"ok": true, "profile": {"uid": "u"}})"}});
    SessionStore store;
    ASSERT_FALSE(runVoidTask(store.bootstrap()));
    ASSERT_FALSE(runVoidTask(store.saveProfile()));
    EXPECT_EQ(store.statusMessage(), "Server offline");
}

// ---- names and notifications -----------------------------------------------------------

TEST_F(SessionStoreTest, ChatDisplayName)
{
    struct Case {
        QString displayName, firstName, lastName, expected;
    };
    const Case cases[] = {
        {"Neo", "Ann", "Lee", "Neo"},
        {"", "Ann", "Lee", "Ann Lee"},
        {"", "", "Lee", "Lee"},
        {"", "Ann", "", "Ann"},
        {"", "", "", "Radio User"},
        {" ", "Ann", "", " "},
    };
    SessionStore store;
    for (const Case& c : cases) {
        store.setDisplayName(c.displayName);
        store.setFirstName(c.firstName);
        store.setLastName(c.lastName);
        EXPECT_EQ(store.chatDisplayName(), c.expected);
    }
}

TEST_F(SessionStoreTest, FieldsNotifyOnlyOnARealChange)
{
    SessionStore store;
    QSignalSpy spy(&store, &SessionStore::emailChanged);
    store.setEmail("a@b");
    store.setEmail("a@b");
    EXPECT_EQ(spy.count(), 1);
}

}  // namespace
