#include "services/block_store.h"
#include "services/friends_store.h"
#include "services/tovrin_api.h"

#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"
#include "store_test.h"

#include <QSignalSpy>

namespace {

using Reply = ScriptedResponder::Reply;

class BlockStoreTest : public StoreTest {};
class FriendsStoreTest : public StoreTest {};

TEST_F(BlockStoreTest, LoadBlockAndUnblockAgainstTheServer)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    BlockStore store;
    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_TRUE(store.blockedUIDs().isEmpty());
    EXPECT_FALSE(store.lastError().has_value());

    ASSERT_FALSE(runVoidTask(store.block("me", "troll")));
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"troll"}));
    EXPECT_EQ(rigidImpacts(), 1);

    // A new store reads the server's list again.
    BlockStore fresh;
    ASSERT_FALSE(runVoidTask(fresh.load("me")));
    EXPECT_EQ(fresh.blockedUIDs(), QSet<QString>({"troll"}));

    ASSERT_FALSE(runVoidTask(store.unblock("me", "troll")));
    EXPECT_TRUE(store.blockedUIDs().isEmpty());
    ASSERT_FALSE(runVoidTask(fresh.load("me")));
    EXPECT_TRUE(fresh.blockedUIDs().isEmpty());
    EXPECT_EQ(rigidImpacts(), 1);
}

TEST_F(BlockStoreTest, BlockingOneselfSendsNothing)
{
    ScriptedResponder responder;
    responder.script({Reply{200, "{}"}});
    BlockStore store;
    ASSERT_FALSE(runVoidTask(store.block("me", "me")));
    EXPECT_TRUE(responder.requests().isEmpty());
    EXPECT_TRUE(store.blockedUIDs().isEmpty());
    EXPECT_FALSE(store.lastError().has_value());
    EXPECT_EQ(rigidImpacts(), 0);
}

TEST_F(BlockStoreTest, RepeatedBlockAndStrayUnblockStillAsk)
{
    ScriptedResponder responder;
    responder.script({Reply{200, "{}"}});
    BlockStore store;
    QSignalSpy changed(&store, &BlockStore::blockedUIDsChanged);
    ASSERT_FALSE(runVoidTask(store.block("me", "x")));
    ASSERT_FALSE(runVoidTask(store.block("me", "x")));
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"x"}));
    EXPECT_EQ(rigidImpacts(), 2);
    ASSERT_FALSE(runVoidTask(store.unblock("me", "nobody")));
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"x"}));
    EXPECT_EQ(responder.requests().size(), 3);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(bodyOf(responder.requests()[0].body), QJsonObject({{"uid", "me"}, {"blocked_uid", "x"}}));
}

TEST_F(BlockStoreTest, ABlockTheServerRefusedAddsNothingAndStaysSilent)
{
    ScriptedResponder responder;
    responder.script({Reply{200, R"({"ok": false, "error": "cannot_block_self"})"}});
    BlockStore store;
    ASSERT_FALSE(runVoidTask(store.block("me", "x")));
    EXPECT_EQ(store.lastError(), "Block failed");
    EXPECT_TRUE(store.blockedUIDs().isEmpty());
    EXPECT_EQ(rigidImpacts(), 0);
}

TEST_F(BlockStoreTest, FailureTextsStayUntilASuccessfulLoad)
{
    ScriptedResponder responder;
    responder.script({Reply{500, {}}, Reply{200, "{}"}, Reply{500, {}}, Reply{500, {}},
                      Reply{200, R"({"blocked_uids": ["a", "a", "x"]})"}});
    BlockStore store;
    ASSERT_FALSE(runVoidTask(store.block("me", "x")));
    EXPECT_EQ(store.lastError(), "Block failed");
    EXPECT_EQ(rigidImpacts(), 0);
    ASSERT_FALSE(runVoidTask(store.block("me", "x")));
    EXPECT_EQ(store.lastError(), "Block failed");
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"x"}));

    ASSERT_FALSE(runVoidTask(store.unblock("me", "x")));
    EXPECT_EQ(store.lastError(), "Unblock failed");
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"x"}));
    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_EQ(store.lastError(), "Could not load block list");
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"x"}));

    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_FALSE(store.lastError().has_value());
    EXPECT_EQ(store.blockedUIDs(), QSet<QString>({"a", "x"}));
}

TEST_F(FriendsStoreTest, LoadShowsTheServersSlotsInOrder)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    ASSERT_FALSE(runVoidTask(TovrinAPI::shared().addSavedChannel("me", "Home", 5, "star")));
    ASSERT_FALSE(runVoidTask(TovrinAPI::shared().addSavedChannel("me", "Work", 7, "friend", std::nullopt, "Q-FRIEND", "f1")));

    FriendsStore store;
    QList<bool> loading;
    QObject::connect(&store, &FriendsStore::isLoadingChanged, [&](bool value) { loading.append(value); });
    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_EQ(loading, QList<bool>({true, false}));
    EXPECT_FALSE(store.lastError().has_value());
    ASSERT_EQ(store.savedSlots().size(), 2u);
    EXPECT_EQ(store.savedSlots()[0].label, "Home");
    EXPECT_EQ(store.savedSlots()[1].label, "Work");
    EXPECT_EQ(store.savedSlots()[1].friendUid, "f1");
}

TEST_F(FriendsStoreTest, AFailedLoadKeepsTheSlotsAndEndsLoading)
{
    ScriptedResponder responder;
    responder.script({Reply{200, R"({"slots": [{"id": 1, "label": "Home", "channel_number": 5}]})"},
                      Reply{200, R"({"slots": [{"id": 1, "channel_number": 5}]})"}, Reply{200, R"({"slots": []})"}});
    FriendsStore store;
    QSignalSpy slotsChanged(&store, &FriendsStore::savedSlotsChanged);
    ASSERT_FALSE(runVoidTask(store.load("me")));
    ASSERT_EQ(store.savedSlots().size(), 1u);

    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_EQ(store.lastError(), "Could not load friend channels");
    EXPECT_FALSE(store.isLoading());
    EXPECT_EQ(store.savedSlots().size(), 1u);

    pointAtClosedPort();
    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_EQ(store.lastError(), "Could not load friend channels");
    EXPECT_EQ(store.savedSlots().size(), 1u);
    EXPECT_EQ(slotsChanged.count(), 1);
}

TEST_F(FriendsStoreTest, AnOlderLoadThatEndsLastChangesNothing)
{
    // The first load is answered last, with an older list, then with a failure.
    ScriptedResponder responder;
    responder.script({Reply{.status = 200, .body = R"({"slots": []})", .held = true},
                      Reply{200, R"({"slots": [{"id": 1, "label": "Home", "channel_number": 5}]})"},
                      Reply{.status = 500, .body = "{}", .held = true}, Reply{200, R"({"slots": []})"}});
    FriendsStore store;
    for (int round = 0; round < 2; ++round) {
        auto older = store.load("me");
        ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 2 * round + 1; }));
        ASSERT_FALSE(runVoidTask(store.load("me")));
        EXPECT_TRUE(store.isLoading()) << "the older load still runs";
        responder.release();
        ASSERT_FALSE(runVoidTask(std::move(older)));
        EXPECT_FALSE(store.isLoading());
        EXPECT_EQ(store.lastError(), std::nullopt);
        EXPECT_EQ(store.savedSlots().size(), round == 0 ? 1u : 0u) << "the newer load's list";
    }
}

}  // namespace
