#include "browse_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A public list with a live home channel, a live public user channel, a listed
// user channel (with its owner) and an idle channel; a commercial list with
// one live and one idle company.
QJsonArray publicList()
{
    return {
        BrowseScreenTest::channelJson(5, "001.005", {{"name", "Home 5"}, {"active_talker_count", 2}}),
        BrowseScreenTest::channelJson(400, "002.080",
                                      {{"name", "Main Street"}, {"is_public", true}, {"listed_public", true},
                                       {"join_policy", "open"}, {"active_talker_count", 1},
                                       {"owner_radio_id", "Q-OWNER1"}}),
        BrowseScreenTest::channelJson(401, "002.081",
                                      {{"name", "Locked room"}, {"listed_public", true}, {"join_policy", "passkey"},
                                       {"owner_radio_id", "Q-OWNER2"}}),
        BrowseScreenTest::channelJson(6, "001.006", {{"active_talker_count", 0}}),
    };
}

QJsonArray commercialList()
{
    return {
        BrowseScreenTest::channelJson(8001, "026.001",
                                      {{"name", "Front desk"}, {"company_name", "Acme Security"},
                                       {"is_commercial", true}, {"join_policy", "workplace"},
                                       {"active_talker_count", 3}}),
        BrowseScreenTest::channelJson(8002, "026.002",
                                      {{"company_name", "Quiet Mall"}, {"is_commercial", true}}),
    };
}

}  // namespace

TEST_F(BrowseScreenTest, LoadFillsEachTabFromTheTwoListsAndAsksForOnePageOfForty)
{
    ScriptedResponder responder;
    responder.script({listReply(publicList(), std::chrono::milliseconds(300)), listReply(commercialList()),
                      jsonReply({{"ok", true}})});
    responder.baseURL();
    makeView();
    EXPECT_EQ(view->state().tab, BrowseTab::publicChannels);

    // The first load shows the indicator over the empty list.
    auto task = view->load();
    EXPECT_TRUE(view->state().loading);
    EXPECT_TRUE(view->progressShown());
    EXPECT_EQ(view->emptyStateTexts().value(0), "No public channels");
    ASSERT_FALSE(runVoidTask(std::move(task)));
    EXPECT_FALSE(view->state().loading);
    EXPECT_FALSE(view->progressShown());
    EXPECT_EQ(view->state().errorText, std::nullopt);

    ASSERT_GE(responder.requests().size(), 3);
    EXPECT_EQ(responder.requests()[0].target, "/v1/channels?q=&page=1&limit=40");
    EXPECT_EQ(responder.requests()[1].target, "/v1/channels/commercial?q=&page=1&limit=40");
    EXPECT_TRUE(responder.requests()[2].target.startsWith("/v1/workplace/mine"));

    EXPECT_EQ(rowNumbers(), (std::vector<qint64>{5, 400}));
    EXPECT_EQ(row(5)->lineTexts(), QStringList({"001.005", "Home 5"}));
    EXPECT_EQ(row(5)->badgeTexts(), QStringList({"Home"}));
    EXPECT_EQ(row(400)->content().liveUserCount, 1);
    saveArtifact(*view, "browse_public");

    selectTab(BrowseTab::userChannels);
    EXPECT_EQ(view->state().tab, BrowseTab::userChannels);
    EXPECT_EQ(rowNumbers(), (std::vector<qint64>{400, 401}));
    // The owner line shows on the Users tab only.
    EXPECT_EQ(row(401)->lineTexts(), QStringList({"002.081", "Locked room", "Q-OWNER2"}));
    EXPECT_EQ(row(401)->badgeTexts(), QStringList({"Listed", "Passkey"}));
    saveArtifact(*view, "browse_users");

    selectTab(BrowseTab::commercial);
    EXPECT_EQ(rowNumbers(), (std::vector<qint64>{8001}));
    EXPECT_EQ(row(8001)->lineTexts(), QStringList({"026.001", "Acme Security"}));
    EXPECT_EQ(row(8001)->badgeTexts(), QStringList({"Commercial"}));
    saveArtifact(*view, "browse_commercial");

    // Changing tabs loads nothing.
    EXPECT_EQ(responder.requests().size(), 3);
}

TEST_F(BrowseScreenTest, TypingFiltersLocallyAndSubmittingSendsTheTrimmedText)
{
    ScriptedResponder responder;
    responder.script({listReply(publicList()), listReply(commercialList()), jsonReply({{"ok", true}})});
    responder.baseURL();
    makeView();
    load();
    const qsizetype sent = responder.requests().size();

    QTest::keyClicks(view->searchField(), "  main ");
    EXPECT_EQ(view->state().query, "  main ");
    EXPECT_EQ(rowNumbers(), (std::vector<qint64>{400}));
    selectTab(BrowseTab::commercial);
    EXPECT_TRUE(rowNumbers().empty());
    EXPECT_EQ(view->emptyStateTexts(),
              QStringList({"No commercial channels live",
                           "Security firms, malls, and workplace channels appear here when someone is on air."}));
    EXPECT_EQ(responder.requests().size(), sent);

    QTest::keyClick(view->searchField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() >= sent + 3 && !view->state().loading; }));
    EXPECT_EQ(responder.requests()[sent].target, "/v1/channels?q=main&page=1&limit=40");
    EXPECT_EQ(responder.requests()[sent + 1].target, "/v1/channels/commercial?q=main&page=1&limit=40");
}

TEST_F(BrowseScreenTest, FailedListsKeepTheirRowsAndOnlyBothFailingIsReported)
{
    ScriptedResponder responder;
    responder.script({listReply(publicList()), listReply(commercialList()), jsonReply({{"ok", true}}),
                      // One failing: the other list updates, no error.
                      failure(), listReply({}), jsonReply({{"ok", true}}),
                      // Both failing.
                      failure(), {.status = 200, .body = "not json"}, jsonReply({{"ok", true}})});
    responder.baseURL();
    makeView();
    load();
    ASSERT_EQ(view->state().commercialChannels.size(), 2u);

    load();
    EXPECT_EQ(view->state().errorText, std::nullopt);
    EXPECT_EQ(view->state().channels.size(), 4u);
    EXPECT_TRUE(view->state().commercialChannels.empty());

    load();
    EXPECT_EQ(view->state().errorText, BrowseView::loadFailedText);
    EXPECT_EQ(view->state().channels.size(), 4u);
    EXPECT_EQ(rowNumbers(), (std::vector<qint64>{5, 400}));
    ASSERT_TRUE(view->errorAlert()->isVisible());
    EXPECT_EQ(view->errorAlert()->title(), "Error");
    EXPECT_EQ(view->errorAlert()->message(), "Could not load channels.");
    saveArtifact(*view->errorAlert(), "browse_error_alert");
    view->errorAlert()->button("OK")->click();
    EXPECT_EQ(view->state().errorText, std::nullopt);
}

TEST_F(BrowseScreenTest, AnOvertakenLoadDropsItsResultsAndLeavesLoadingToTheNewest)
{
    ScriptedResponder responder;
    // The first load's public request answers last.
    responder.script({listReply(publicList(), std::chrono::milliseconds(600)), listReply({}), listReply({}),
                      jsonReply({{"ok", true}})});
    responder.baseURL();
    makeView();
    auto first = view->load();
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() >= 1; }));
    auto second = view->load();
    EXPECT_EQ(view->state().loadGeneration, 2u);
    ASSERT_FALSE(runVoidTask(std::move(second)));
    EXPECT_FALSE(view->state().loading);
    ASSERT_FALSE(runVoidTask(std::move(first)));
    EXPECT_TRUE(view->state().channels.empty());
    EXPECT_FALSE(view->state().loading);
}

TEST_F(BrowseScreenTest, EmptyStatesAndTheCompanyTabWithoutMembership)
{
    ScriptedResponder responder;
    responder.script({listReply({}), listReply({}), jsonReply({{"ok", true}})});
    responder.baseURL();
    makeView();
    load();
    EXPECT_EQ(view->emptyStateTexts(),
              QStringList({"No public channels", "Only public channels with someone live right now appear here."}));
    EXPECT_EQ(view->emptyStateAction(), nullptr);
    selectTab(BrowseTab::userChannels);
    EXPECT_EQ(view->emptyStateTexts(),
              QStringList({"No user channels yet",
                           "Listed user channels appear here. Turn on List in Browse in SETUP to show yours."}));
    selectTab(BrowseTab::company);
    EXPECT_EQ(view->emptyStateTexts(),
              QStringList({"No company yet", "Enter your employer’s company code in Settings."}));
    saveArtifact(*view, "browse_company_empty");
    auto* action = qobject_cast<QPushButton*>(view->emptyStateAction());
    ASSERT_TRUE(action);
    EXPECT_EQ(action->text(), "Enter company code");
    action->click();
    EXPECT_TRUE(view->state().showRedeem);
    EXPECT_FALSE(view->redeemSheet()->isHidden());
    EXPECT_EQ(view->redeemSheet()->title(), "Company code");
}

TEST_F(BrowseScreenTest, TabBarSelectsOnlyTheTappedSegment)
{
    makeView();
    const QSignalSpy changes(view.get(), &BrowseView::stateChanged);
    selectTab(BrowseTab::publicChannels);
    EXPECT_EQ(changes.count(), 0);
    selectTab(BrowseTab::commercial);
    EXPECT_EQ(view->state().tab, BrowseTab::commercial);
    EXPECT_EQ(view->tabBar()->selected(), BrowseTab::commercial);
}

TEST_F(BrowseScreenTest, ALoadWithoutAMembershipClearsTheCompanyTheUserLeft)
{
    ScriptedResponder responder;
    // The membership load fails, then answers that the user is in no company.
    responder.script({listReply({}), listReply(commercialList()), failure(),
                      listReply({}), listReply(commercialList()), jsonReply({{"ok", true}})});
    responder.baseURL();
    session->setWorkplace(WorkplaceMembership{.orgId = "org-1", .name = "Acme Security", .channelNumber = 8001,
                                              .displayFrequency = "026.001"});
    makeView();

    // A failed load says nothing about the company: the copy stands.
    load();
    ASSERT_FALSE(view->state().commercialChannels.empty());
    const Channel frontDesk = view->state().commercialChannels.front();
    ASSERT_TRUE(session->workplace());
    EXPECT_TRUE(view->canJoinCompanyChannel(frontDesk));
    EXPECT_TRUE(view->companyChannel());

    load();
    EXPECT_FALSE(session->workplace());
    EXPECT_FALSE(view->canJoinCompanyChannel(frontDesk));
    EXPECT_FALSE(view->companyChannel());
    selectTab(BrowseTab::company);
    EXPECT_EQ(view->emptyStateTexts().value(0), "No company yet");
}
