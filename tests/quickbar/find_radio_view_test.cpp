#include "quickbar/quick_bar_fixture.h"
#include "support/scripted_responder.h"
#include "support/view_test_support.h"
#include "views/find_radio_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrlQuery>

using namespace std::chrono_literals;

namespace {

class FindRadioViewTest : public QuickBarTest {
protected:
    std::unique_ptr<FindRadioView> makeView()
    {
        auto view = std::make_unique<FindRadioView>(session.get(), friends.get());
        view->resize(378, 700);
        view->show();
        return view;
    }

    // Another user of the devserver, who owns a channel.
    CheckinResponse otherUser(const QString& uid, const QString& email, const QString& first, const QString& last)
    {
        auto outcome = runTask(TovrinAPI::shared().checkin(uid, email, first, last));
        EXPECT_TRUE(outcome.ok());
        return outcome.value.value_or(CheckinResponse{});
    }

    void searchFor(FindRadioView& view, const QString& text)
    {
        view.queryField()->setText(text);
        ASSERT_FALSE(runVoidTask(view.search()));
    }

    static QStringList shownTexts(const FindRadioView& view)
    {
        QStringList texts;
        for (const QLabel* label : view.resultsBox()->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                texts << label->text();
        }
        return texts;
    }

    static QString queryOf(const ScriptedResponder::Request& request)
    {
        return QUrlQuery(QUrl(QString::fromUtf8(request.target)).query()).queryItemValue(
            "q", QUrl::FullyDecoded);
    }
};

}  // namespace

TEST_F(FindRadioViewTest, TheSearchButtonNeedsTwoCharactersButReturnSearchesAnything)
{
    auto view = makeView();
    EXPECT_EQ(shownTexts(*view), QStringList({"No matches yet"}));
    struct Case {
        const char* text;
        bool enabled;
    };
    for (const Case& c : {Case{" a ", false}, Case{"\ta\u00a0", false}, Case{"ab", true}, Case{"", false}}) {
        view->queryField()->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(view->searchButton()->isEnabled(), c.enabled) << c.text;
    }

    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{200, R"({"users": []})"}});
    QTest::keyClick(view->queryField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 1 && !view->searching(); }));
    EXPECT_TRUE(responder.requests()[0].target.startsWith("/v1/users/search?"));
    EXPECT_EQ(queryOf(responder.requests()[0]), "");
    searchFor(*view, QStringLiteral("  bo  "));
    EXPECT_EQ(queryOf(responder.requests()[1]), "  bo  ") << "sent as typed";
    EXPECT_EQ(shownTexts(*view), QStringList({"No matches yet"}));
}

TEST_F(FindRadioViewTest, FindsOtherUsersByRadioIdEmailAndName)
{
    const CheckinResponse ada = otherUser(QStringLiteral("uid-ada"), QStringLiteral("ada@example.org"),
                                          QStringLiteral("Ada"), QStringLiteral("Lovelace"));
    ASSERT_TRUE(ada.radioId);
    auto view = makeView();
    for (const QString& text : {*ada.radioId, QStringLiteral("ada@example"), QStringLiteral("lovelace")}) {
        searchFor(*view, text);
        ASSERT_EQ(view->results().size(), 1u) << text.toStdString();
        EXPECT_EQ(view->results().front().uid, "uid-ada");
    }
    const QStringList texts = shownTexts(*view);
    EXPECT_TRUE(texts.contains(*ada.radioId));
    EXPECT_TRUE(texts.contains("Channel " + *ada.ownedChannelDisplay));
    EXPECT_FALSE(view->progressRow()->isVisible());
    runQueued();  // pending layouts
    saveArtifact(*view, QStringLiteral("find_radio_results"), QStringLiteral("quickbar"));
}

TEST_F(FindRadioViewTest, AddingAHitSavesTheFriendsChannelAndCloses)
{
    const CheckinResponse bo = otherUser(QStringLiteral("uid-bo"), QStringLiteral("bo@example.org"),
                                         QStringLiteral("Bo"), QStringLiteral("Tsang"));
    auto view = makeView();
    QSignalSpy closed(view.get(), &FindRadioView::closeRequested);
    searchFor(*view, *bo.radioId);
    ASSERT_EQ(view->results().size(), 1u);
    auto* row = view->resultsBox()->findChild<QPushButton*>(QStringLiteral("FindRadioRow"));
    ASSERT_TRUE(row);
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(20, 10));
    ASSERT_TRUE(waitUntil([&] { return closed.count() == 1; }));
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium"}));
    ASSERT_EQ(friends->savedSlots().size(), 1u);
    const SavedChannelSlot slot = serverSlots().front();
    EXPECT_EQ(slot.iconId, "friend");
    EXPECT_EQ(slot.channelNumber, *bo.ownedChannelNumber);
    EXPECT_EQ(slot.friendUid, "uid-bo");
    EXPECT_EQ(slot.friendRadioId, bo.radioId);
    EXPECT_EQ(slot.label, view->results().front().displayName.value_or(*bo.radioId).left(12));
}

TEST_F(FindRadioViewTest, SlotLabelsAndTheFriendKeys)
{
    ScriptedResponder responder;
    responder.baseURL();
    const QByteArray users = R"({"users": [
        {"uid": "u1", "display_name": "Nineteen characters", "radio_id": "Q-AAAAAA", "owned_channel_number": 201},
        {"uid": "u2", "radio_id": "Q-BBBBBB", "owned_channel_number": 202},
        {"uid": "u3", "owned_channel_number": 203},
        {"uid": "u4", "display_name": "", "radio_id": "Q-DDDDDD", "owned_channel_number": 204},
        {"uid": "u5", "display_name": "No channel"}]})";
    responder.script({{200, users}, {200, "{}"}, {200, R"({"slots": []})"}});
    auto view = makeView();
    searchFor(*view, QStringLiteral("any"));
    ASSERT_EQ(view->results().size(), 5u);
    EXPECT_EQ(shownTexts(*view).count("Radio User"), 2);

    const char* labels[] = {"Nineteen cha", "Q-BBBBBB", "Friend", ""};
    for (int i = 0; i < 4; ++i) {
        const auto before = responder.requests().size();
        ASSERT_FALSE(runVoidTask(view->add(view->results()[i])));
        ASSERT_GT(responder.requests().size(), before);
        const QJsonObject body = QJsonDocument::fromJson(responder.requests()[before].body).object();
        EXPECT_EQ(body.value("label").toString(), labels[i]);
        EXPECT_EQ(body.value("icon_id").toString(), "friend");
        EXPECT_EQ(body.value("channel_number").toInteger(), 201 + i);
        EXPECT_EQ(body.value("friend_uid").toString(), view->results()[i].uid);
        EXPECT_EQ(body.contains("friend_radio_id"), view->results()[i].radioId.has_value());
        EXPECT_FALSE(body.contains("icon_custom"));
    }

    const auto before = responder.requests().size();
    ASSERT_FALSE(runVoidTask(view->add(view->results()[4])));
    EXPECT_EQ(view->errorText(), "User has no channel assigned");
    EXPECT_TRUE(view->errorRow()->isVisible());
    runQueued();
    EXPECT_EQ(responder.requests().size(), before) << "nothing is sent";
}

TEST_F(FindRadioViewTest, SaveFailuresAndAFailedSearchShowTheirTexts)
{
    ScriptedResponder responder;
    responder.baseURL();
    const QByteArray users = R"({"users": [{"uid": "u1", "display_name": "Cy", "owned_channel_number": 201}]})";
    auto view = makeView();
    QSignalSpy closed(view.get(), &FindRadioView::closeRequested);
    responder.script({{200, users}});
    searchFor(*view, QStringLiteral("cy"));
    ASSERT_EQ(view->results().size(), 1u);
    struct Case {
        ScriptedResponder::Reply reply;
        const char* text;
    };
    const Case cases[] = {{{200, R"({"ok": false, "error": "not_found"})"}, "That channel is not on the server yet"},
                          {{200, R"({"ok": false, "error": "bad_request"})"}, "Invalid channel"},
                          {{200, R"({"ok": false})"}, "Could not save channel"},
                          {{200, R"({"ok": false, "error": "too_many_slots"})"}, "Could not save channel"},
                          {{500, "{}"}, "Could not save channel"}};
    for (const Case& c : cases) {
        responder.script({c.reply});
        ASSERT_FALSE(runVoidTask(view->add(view->results().front())));
        EXPECT_EQ(view->errorText(), c.text);
        EXPECT_EQ(friends->lastError(), c.text);
    }
    EXPECT_EQ(closed.count(), 0);
    saveArtifact(*view, QStringLiteral("find_radio_save_failed"), QStringLiteral("quickbar"));

    responder.script({{500, "{}"}});
    searchFor(*view, QStringLiteral("cy"));
    EXPECT_EQ(view->errorText(), "Search failed");
    EXPECT_EQ(view->results().size(), 1u) << "earlier results stay";
    EXPECT_TRUE(shownTexts(*view).contains("Cy"));
}

TEST_F(FindRadioViewTest, WhileSearchingTheProgressRowReplacesTheEmptyRow)
{
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{.status = 200, .body = R"({"users": []})", .held = true}});
    auto view = makeView();
    EXPECT_EQ(view->queryField()->inputMethodHints(), Qt::ImhPreferUppercase | Qt::ImhNoPredictiveText);
    view->queryField()->setText(QStringLiteral("zz"));
    QTest::mouseClick(view->searchButton(), Qt::LeftButton);
    EXPECT_TRUE(view->searching());
    EXPECT_TRUE(view->progressRow()->isVisible());
    auto* indicator = view->progressRow()->findChild<QProgressBar*>();
    ASSERT_TRUE(indicator);
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(indicator->maximum(), 0) << "a running indicator, not a fill level";
    EXPECT_TRUE(view->progressRow()->findChild<QLabel*>()->text() == QStringLiteral("Searching…"));
    EXPECT_FALSE(shownTexts(*view).contains("No matches yet"));
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 1; }));
    responder.release();
    ASSERT_TRUE(waitUntil([&] { return !view->searching(); }));
    EXPECT_FALSE(view->progressRow()->isVisible());
    EXPECT_EQ(shownTexts(*view), QStringList({"No matches yet"}));
}

TEST_F(FindRadioViewTest, ASecondClickWhileASaveRunsSavesNothingMore)
{
    ScriptedResponder responder;
    responder.baseURL();
    const QByteArray users = R"({"users": [{"uid": "u1", "display_name": "Cy", "owned_channel_number": 201}]})";
    responder.script({{200, users}, {.status = 200, .body = R"({"ok": true})", .held = true},
                      {200, R"({"slots": []})"}});
    auto view = makeView();
    QSignalSpy closed(view.get(), &FindRadioView::closeRequested);
    searchFor(*view, QStringLiteral("cy"));
    auto* row = view->resultsBox()->findChild<QPushButton*>(QStringLiteral("FindRadioRow"));
    auto* add = view->resultsBox()->findChild<QPushButton*>(QStringLiteral("FindRadioAdd"));
    ASSERT_TRUE(row && add);
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(20, 10));
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 2; }));
    EXPECT_TRUE(view->adding());
    QTest::mouseDClick(row, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseClick(add, Qt::LeftButton);
    responder.release();
    ASSERT_TRUE(waitUntil([&] { return closed.count() == 1; }));
    int saves = 0;
    for (const auto& request : responder.requests())
        saves += request.method == "POST" && request.target == "/v1/saved-channels";
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(closed.count(), 1);
}
