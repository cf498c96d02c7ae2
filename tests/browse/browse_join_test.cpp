#include "browse_fixture.h"

#include "theme/face_plate_theme_catalog.h"

#include "services/channel_audio_service.h"
#include "views/channel_user_count_badge.h"
#include "views/icon_picker_sheet.h"
#include "views/toast_host.h"
#include "views/workplace_redeem_view.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace std::chrono_literals;

namespace {

QAction* menuItem(BrowseChannelRow* row, const QString& text)
{
    for (QAction* action : row->menuActions())
        if (action->text() == text)
            return action;
    return nullptr;
}

}  // namespace

TEST_F(BrowseScreenTest, MyChannelCardJoinsTheOwnChannelAndShowsItsLiveCount)
{
    checkIn();
    makeView();
    load();
    selectTab(BrowseTab::userChannels);
    const qint64 mine = *session->ownedChannelNumber();
    auto* card = qobject_cast<MyChannelBrowseCard*>(view->card());
    ASSERT_TRUE(card);
    EXPECT_EQ(card->content().header, "MY CHANNEL");
    EXPECT_EQ(card->content().frequency, *session->ownedChannelDisplay());
    EXPECT_EQ(card->content().detail, session->radioId());
    EXPECT_TRUE(card->pillTexts().isEmpty());
    EXPECT_EQ(card->badge()->count(), 0);
    // The own channel also heads the Users list.
    EXPECT_EQ(rowNumbers().front(), mine);
    EXPECT_EQ(row(mine)->badgeTexts(), QStringList({"Mine"}));

    card->joinButton()->click();
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    EXPECT_EQ(radio->channelNumber(), mine);
    ASSERT_TRUE(waitUntil([&] { return toastIs("Joined " + *session->ownedChannelDisplay()); }));
    EXPECT_TRUE(ToastHost::of(view.get())->isShowing(view.get()));
    // The live service's count replaces the server's without a load.
    ASSERT_TRUE(waitUntil([&] {
        auto* now = qobject_cast<MyChannelBrowseCard*>(view->card());
        return now && now->badge()->count() == 1;
    }));
    saveArtifact(*view, "browse_my_channel_joined");
    ASSERT_TRUE(waitUntil([&] { return !view->state().toast; }));

    // A search text, even blanks, hides the card.
    view->searchField()->setText(" ");
    EXPECT_EQ(view->card(), nullptr);
}

TEST_F(BrowseScreenTest, PasskeyPromptJoinsTheTunedChannelWithTheTypedPasskey)
{
    const qint64 locked = showListedChannel("owner-of-locked", "passkey", "4321");
    ASSERT_TRUE(row(locked));
    EXPECT_EQ(row(locked)->badgeTexts(), QStringList({"Listed", "Passkey"}));

    row(locked)->click();
    ASSERT_TRUE(waitUntil([&] { return view->state().showPasskeyPrompt; }));
    EXPECT_EQ(view->state().pendingJoinChannel, locked);
    EXPECT_TRUE(view->passkeyPrompt()->isVisible());
    runQueued();
    EXPECT_EQ(view->state().toast, std::nullopt);
    saveArtifact(*view->passkeyPrompt(), "browse_passkey_prompt");

    // A wrong passkey is refused with the same text: the prompt asks again, no toast.
    QTest::keyClicks(view->passkeyPrompt()->field(), "0000");
    EXPECT_EQ(view->state().passkeyInput, "0000");
    view->passkeyPrompt()->joinButton()->click();
    EXPECT_FALSE(view->state().showPasskeyPrompt);
    ASSERT_TRUE(waitUntil([&] { return view->state().showPasskeyPrompt; }));
    EXPECT_TRUE(view->passkeyPrompt()->isVisible());
    EXPECT_EQ(view->state().pendingJoinChannel, locked);
    EXPECT_EQ(view->state().passkeyInput, "");
    EXPECT_FALSE(inChannel());
    EXPECT_EQ(view->state().toast, std::nullopt);

    // So does an empty one.
    view->passkeyPrompt()->joinButton()->click();
    ASSERT_TRUE(waitUntil([&] { return view->state().showPasskeyPrompt; }));
    EXPECT_EQ(view->state().pendingJoinChannel, locked);

    // After Cancel, a tap on the channel asks again.
    view->passkeyPrompt()->cancelButton()->click();
    EXPECT_FALSE(view->state().pendingJoinChannel);
    ASSERT_EQ(radio->lastError(), PasskeyPrompt::refusalText());
    row(locked)->click();
    ASSERT_TRUE(waitUntil([&] { return view->state().showPasskeyPrompt; }));
    EXPECT_TRUE(view->passkeyPrompt()->isVisible());
    QTest::keyClicks(view->passkeyPrompt()->field(), "4321");
    view->passkeyPrompt()->joinButton()->click();
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    EXPECT_EQ(radio->channelNumber(), locked);
    ASSERT_TRUE(waitUntil([&] { return toastIs("Joined " + radio->displayFrequency()); }));
    EXPECT_EQ(view->state().pendingJoinChannel, std::nullopt);
    EXPECT_FALSE(view->passkeyPrompt()->isVisible());
}

TEST_F(BrowseScreenTest, ATapDuringAJoinTakesOverAndTheRadioJoinsTheChannelItShows)
{
    checkIn();
    const qint64 open = otherUsersChannel("owner-of-open", "Open room", "open");
    const qint64 refusing = showListedChannel("owner-of-list", "allowlist");
    ASSERT_TRUE(row(open));
    ASSERT_TRUE(row(refusing));
    recordToasts();

    // The second tap comes before the first join has its answer (a refusal).
    row(refusing)->click();
    EXPECT_EQ(radio->channelNumber(), refusing);
    row(open)->click();
    EXPECT_EQ(radio->channelNumber(), open);
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    EXPECT_EQ(radio->channelNumber(), open);
    ASSERT_TRUE(waitUntil([&] { return !toasts.isEmpty(); }));
    // The old join's refusal is not reported as the new channel's result.
    EXPECT_EQ(toasts, QStringList{"Joined " + radio->displayFrequency()});

    // The live channel is the one shown: a listener there hears of the user.
    ChannelAudioService listener;
    ASSERT_FALSE(runVoidTask(listener.connect(int(open), "browse-listener", "Lis", "Q-LISTEN", {})));
    EXPECT_TRUE(waitUntil([&] { return radio->live()->channelRoster().size() == 2; }));
    EXPECT_EQ(toasts.size(), 1);
}

// A double-click is two taps on the same channel: the second finds the first
// one's join running and leaves it to report. The refusal of the join before
// them is never shown as their result, and their real outcome is not lost.
TEST_F(BrowseScreenTest, ADoubleClickAfterARefusalReportsWhatItsJoinGot)
{
    enum class Outcome { joined, banned, askedForPasskey };
    const struct {
        QString owner;
        Outcome outcome;
    } rows[] = {
        {"owner-then-open", Outcome::joined},
        {"owner-then-ban", Outcome::banned},
        {"owner-then-passkey", Outcome::askedForPasskey},
    };
    checkIn();
    makeView();
    selectTab(BrowseTab::userChannels);
    recordToasts();
    for (const auto& setup : rows) {
        SCOPED_TRACE(setup.owner.toStdString());
        const qint64 number = otherUsersChannel(setup.owner, setup.owner + " room", "allowlist");
        load();
        ASSERT_TRUE(row(number));
        row(number)->click();
        ASSERT_TRUE(waitUntil([&] { return !toasts.isEmpty(); }));
        ASSERT_EQ(toasts, QStringList{"You are not on the allowlist for this channel."})
            << toasts.join(" | ").toStdString();
        ASSERT_TRUE(waitUntil([&] { return !view->state().toast; }));
        toasts.clear();

        // The owner lets the user in, bans them or asks for a passkey.
        switch (setup.outcome) {
        case Outcome::joined:
            ASSERT_TRUE(
                runTask(TovrinAPI::shared().updateChannelSettings(setup.owner, number, {{"join_policy", "open"}})).value);
            break;
        case Outcome::banned:
            ASSERT_FALSE(runVoidTask(TovrinAPI::shared().banFromChannel(setup.owner, number, session->uid())));
            break;
        case Outcome::askedForPasskey:
            ASSERT_TRUE(runTask(TovrinAPI::shared().updateChannelSettings(
                                    setup.owner, number, {{"join_policy", "passkey"}, {"passkey", "4321"}}))
                            .value);
            break;
        }
        // As the window system delivers it: press, release, double-click, release.
        BrowseChannelRow* tapped = row(number);
        QSignalSpy taps(tapped, &BrowseChannelRow::joinRequested);
        QTest::mouseClick(tapped, Qt::LeftButton);
        QTest::mouseDClick(tapped, Qt::LeftButton);
        QTest::mouseRelease(tapped, Qt::LeftButton);
        ASSERT_EQ(taps.size(), 2);

        switch (setup.outcome) {
        case Outcome::joined:
            ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
            ASSERT_TRUE(waitUntil([&] { return !toasts.isEmpty(); }));
            EXPECT_EQ(toasts, QStringList{"Joined " + radio->displayFrequency()}) << toasts.join(" | ").toStdString();
            break;
        case Outcome::banned:
            ASSERT_TRUE(waitUntil([&] { return !toasts.isEmpty(); }));
            EXPECT_EQ(toasts, QStringList{"You are banned from this channel."}) << toasts.join(" | ").toStdString();
            break;
        case Outcome::askedForPasskey:
            ASSERT_TRUE(waitUntil([&] { return view->state().showPasskeyPrompt; }));
            EXPECT_EQ(view->state().pendingJoinChannel, number);
            runQueued();
            EXPECT_TRUE(toasts.isEmpty()) << toasts.join(" | ").toStdString();
            view->passkeyPrompt()->cancelButton()->click();
            break;
        }
        ASSERT_TRUE(waitUntil([&] { return !view->state().toast; }));
        toasts.clear();
    }
}

// A join overtaken by a join of another channel says nothing when its answer
// comes last: what the radio shows by then is the newer join's outcome.
TEST_F(BrowseScreenTest, AnOvertakenJoinReportsNothingWhenItsAnswerComesLast)
{
    ScriptedResponder responder;
    const auto refusal = [](const char* reason) { return jsonReply({{"allowed", false}, {"reason", reason}}); };
    ScriptedResponder::Reply held = refusal("not_found");
    held.held = true;
    // The second channel's listener count and join both get the passkey refusal.
    responder.script({held, refusal("passkey_required")});
    responder.baseURL();
    radio->setChannel(500);
    makeView();
    recordToasts();

    QCoro::Task<void> first = view->joinChannelNumber(500, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 1; }));
    ASSERT_FALSE(runVoidTask(view->joinChannelNumber(600, std::nullopt)));
    ASSERT_TRUE(view->state().showPasskeyPrompt);
    EXPECT_EQ(view->state().pendingJoinChannel, 600);
    view->passkeyPrompt()->cancelButton()->click();

    responder.release();
    ASSERT_FALSE(runVoidTask(std::move(first)));
    runQueued();
    EXPECT_FALSE(view->state().showPasskeyPrompt);
    EXPECT_EQ(view->state().pendingJoinChannel, std::nullopt);
    EXPECT_TRUE(toasts.isEmpty()) << toasts.join(", ").toStdString();
    EXPECT_EQ(radio->channelNumber(), 600);
}

TEST_F(BrowseScreenTest, PasskeyCancelClearsThePromptState)
{
    const qint64 locked = showListedChannel("owner-of-locked", "passkey", "4321");
    ASSERT_TRUE(row(locked));
    row(locked)->click();
    ASSERT_TRUE(waitUntil([&] { return view->state().showPasskeyPrompt; }));
    QTest::keyClicks(view->passkeyPrompt()->field(), "12");
    view->passkeyPrompt()->cancelButton()->click();
    EXPECT_FALSE(view->state().showPasskeyPrompt);
    EXPECT_EQ(view->state().pendingJoinChannel, std::nullopt);
    EXPECT_EQ(view->state().passkeyInput, "");
    EXPECT_FALSE(inChannel());
}

TEST_F(BrowseScreenTest, ARefusedJoinShowsTheRadioErrorForAWhile)
{
    const qint64 allowlist = showListedChannel("owner-of-list", "allowlist");
    ASSERT_TRUE(row(allowlist));
    EXPECT_EQ(row(allowlist)->badgeTexts(), QStringList({"Listed", "Allowlist"}));
    row(allowlist)->click();
    ASSERT_TRUE(waitUntil([&] { return toastIs("You are not on the allowlist for this channel."); }));
    saveArtifact(*view, "browse_join_refused");
    EXPECT_FALSE(view->state().showPasskeyPrompt);
    ASSERT_TRUE(waitUntil([&] { return !view->state().toast; }));
}

TEST_F(BrowseScreenTest, CompanyCardJoinsTheMembersCompanyChannel)
{
    checkIn();
    ASSERT_TRUE(runTask(workplace->create(session->uid(), "Acme Security", 5)).value.value_or(false));
    makeView();
    load();
    // The loaded membership is copied into the session.
    ASSERT_TRUE(session->workplace());
    const WorkplaceMembership member = *session->workplace();
    selectTab(BrowseTab::company);
    auto* card = qobject_cast<CompanyBrowseCard*>(view->card());
    ASSERT_TRUE(card);
    EXPECT_EQ(card->content().header, "MY COMPANY");
    EXPECT_EQ(card->content().title, "Acme Security");
    EXPECT_EQ(card->content().detail, member.seatsLabel());
    EXPECT_EQ(card->pillTexts(), QStringList({"Admin"}));
    EXPECT_EQ(card->badge()->count(), 0);
    EXPECT_TRUE(view->rows().isEmpty());
    EXPECT_TRUE(view->emptyStateTexts().isEmpty());
    saveArtifact(*view, "browse_company_card");

    card->joinButton()->click();
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    EXPECT_EQ(radio->channelNumber(), member.channelNumber);
    ASSERT_TRUE(waitUntil([&] { return toastIs("Joined " + member.displayFrequency); }));
    // With someone on air, the company's row appears on the Commercial tab.
    selectTab(BrowseTab::commercial);
    // The server counts the listener once its socket is in the room.
    ASSERT_TRUE(waitUntil([&] {
        load();
        return row(member.channelNumber) != nullptr;
    }));
    EXPECT_TRUE(row(member.channelNumber)->content().allowed);
    EXPECT_EQ(row(member.channelNumber)->menuActions().size(), 2);
}

TEST_F(BrowseScreenTest, AnotherCompanysChannelIsForEmployeesOnly)
{
    ScriptedResponder responder;
    const QJsonArray commercial{channelJson(8001, "026.001",
                                            {{"name", "Front desk"}, {"company_name", "Acme Security"},
                                             {"is_commercial", true}, {"active_talker_count", 1}})};
    responder.script({listReply({}), listReply(commercial), jsonReply({{"ok", true}})});
    responder.baseURL();
    makeView();
    load();
    selectTab(BrowseTab::commercial);
    BrowseChannelRow* company = row(8001);
    ASSERT_TRUE(company);
    EXPECT_TRUE(company->menuActions().isEmpty());
    const qsizetype sent = responder.requests().size();
    company->click();
    EXPECT_EQ(view->state().blockedCompanyName, "Acme Security");
    EXPECT_TRUE(view->state().showCompanyJoinBlocked);
    ASSERT_TRUE(view->blockedAlert()->isVisible());
    EXPECT_EQ(view->blockedAlert()->title(), "Employees only");
    EXPECT_EQ(view->blockedAlert()->message(),
              "Acme Security is for employees only. Ask your employer for the company code, then enter it in Settings.");
    saveArtifact(*view->blockedAlert(), "browse_employees_only");
    runQueued();
    EXPECT_EQ(responder.requests().size(), sent);  // nothing sent

    view->blockedAlert()->button("Enter company code")->click();
    EXPECT_FALSE(view->state().showCompanyJoinBlocked);
    EXPECT_TRUE(view->state().showRedeem);
    EXPECT_FALSE(view->redeemSheet()->isHidden());
    EXPECT_NE(qobject_cast<WorkplaceRedeemView*>(view->redeemSheet()->content()), nullptr);
}

TEST_F(BrowseScreenTest, QuickAddSavesTheSlotWithTheChosenIconAndReloadsTheQuickBar)
{
    checkIn();
    const qint64 listed = otherUsersChannel("owner-of-long", "A very long channel title", "open");
    makeView();
    load();
    selectTab(BrowseTab::userChannels);
    ASSERT_TRUE(row(listed));
    QAction* add = menuItem(row(listed), "Add to quick bar");
    ASSERT_TRUE(add);
    EXPECT_TRUE(menuItem(row(listed), "Join channel"));
    add->trigger();
    EXPECT_EQ(view->state().pendingQuickAdd->channelNumber, listed);
    EXPECT_EQ(view->state().quickAddIconId, "public");  // listed and open: public on this server
    EXPECT_TRUE(view->state().showQuickAddIcon);
    EXPECT_FALSE(view->iconSheet()->isHidden());
    EXPECT_EQ(view->iconSheet()->title(), "Quick bar icon");
    saveArtifact(*view, "browse_quick_add_icon");

    auto* picker = qobject_cast<IconPickerSheet*>(view->iconSheet()->content());
    ASSERT_TRUE(picker);
    EXPECT_TRUE(picker->isSelected("public"));
    picker->presetCell("star")->click();
    EXPECT_EQ(view->state().quickAddIconId, "star");
    picker->doneButton()->click();
    ASSERT_TRUE(waitUntil([&] { return toastIs("Added " + row(listed)->content().channel.displayFrequency); }));
    EXPECT_EQ(view->state().pendingQuickAdd, std::nullopt);
    ASSERT_EQ(friends->savedSlots().size(), 1u);
    EXPECT_EQ(friends->savedSlots()[0].label, "A very long ");
    EXPECT_EQ(friends->savedSlots()[0].channelNumber, listed);
    EXPECT_EQ(friends->savedSlots()[0].iconId, "star");
}

TEST_F(BrowseScreenTest, QuickAddFailuresBecomeTheStoresErrorAndAToast)
{
    Channel channel;
    channel.channelNumber = 400;
    channel.displayFrequency = "002.080";
    channel.name = "Short name";
    const struct {
        ScriptedResponder::Reply reply;
        std::optional<QString> text;  // none: success
    } rows[] = {
        {jsonReply({{"ok", false}, {"error", "not_found"}}), "That channel is not on the server yet"},
        {jsonReply({{"ok", false}, {"error", "bad_request"}}), "Invalid channel"},
        {jsonReply({{"ok", false}, {"error", "too_many_slots"}}), "Could not save channel"},
        {jsonReply({{"ok", false}}), "Could not save channel"},
        {failure(), "Could not save channel"},
        {{.status = 200, .body = "[1]"}, "Could not save channel"},
        {jsonReply({}), std::nullopt},
    };
    makeView();
    for (const auto& row : rows) {
        ScriptedResponder responder;
        responder.script({row.reply, jsonReply({{"slots", QJsonArray()}})});
        responder.baseURL();
        view->beginQuickAdd(channel);
        view->iconSheet()->dismiss();
        const QString expected = row.text.value_or("Added 002.080");
        ASSERT_TRUE(waitUntil([&] { return toastIs(expected); })) << expected.toStdString();
        EXPECT_EQ(view->state().pendingQuickAdd, std::nullopt);
        if (row.text)
            EXPECT_EQ(friends->lastError(), row.text);
        const QJsonObject body = QJsonDocument::fromJson(responder.requests()[0].body).object();
        EXPECT_EQ(body.value("label").toString(), "Short name");
        EXPECT_EQ(body.value("icon_id").toString(), "radio");
        EXPECT_FALSE(body.contains("icon_custom"));
        ASSERT_TRUE(waitUntil([&] { return !view->state().toast; }));
    }
}

TEST_F(BrowseScreenTest, RowsAndCardsFollowTheTheme)
{
    checkIn();
    makeView();
    load();
    selectTab(BrowseTab::userChannels);
    ASSERT_TRUE(view->card());
    ASSERT_FALSE(view->rows().isEmpty());
    const QImage cardBefore = view->card()->grab().toImage();
    const QImage rowBefore = view->rows().front()->grab().toImage();
    theme->setCurrent(FacePlateThemeCatalog::extended().back());
    EXPECT_EQ(view->rows().front()->content().channel.channelNumber, *session->ownedChannelNumber());
    EXPECT_NE(view->card()->grab().toImage(), cardBefore);
    EXPECT_NE(view->rows().front()->grab().toImage(), rowBefore);
    saveArtifact(*view, "browse_users_other_theme");
}
