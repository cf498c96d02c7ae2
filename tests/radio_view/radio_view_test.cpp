#include "radio_view_fixture.h"

#include "platform/record_permission.h"
#include "services/app_notifications.h"
#include "support/audio_fakes.h"
#include "support/tone.h"
#include "support/view_test_support.h"
#include "views/call_tone_button.h"
#include "views/channel_settings_view.h"
#include "views/chat_button.h"
#include "views/compact_join_channel_button.h"
#include "views/hold_button_reader.h"
#include "views/ptt_button.h"
#include "views/tovrin_action_button_strip.h"
#include "services/audio_fx_service.h"
#include "services/mac_tovrin_keyboard.h"
#include "services/tovrin_api.h"
#include "support/scripted_responder.h"
#include "views/passkey_prompt.h"
#include "views/radio_view.h"
#include "views/sheet_overlay.h"
#include "views/tovrin_shell_view.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace std::chrono_literals;

namespace {

using PTT = RadioOperations::PTTSource;

class RadioViewTest : public RadioScreenTest {
protected:
    std::unique_ptr<RadioView> makeView()
    {
        auto view = std::make_unique<RadioView>(stores(), std::make_unique<ForwardingEffects>(effects));
        view->resize(402, 820);
        return view;
    }

    // Hands the screen's sounds to the fixture's recorder, which outlives every view.
    class ForwardingEffects : public RadioEffects {
    public:
        explicit ForwardingEffects(RecordingEffects& to) : to_(to) {}
        void wakeEffectsSession() override { to_.wakeEffectsSession(); }
        void play(SFXKind kind) override { to_.play(kind); }
        void playPTTChirp(SFXKind kind) override { to_.playPTTChirp(kind); }
        void playAlert(AlertSound sound) override { to_.playAlert(sound); }
        QCoro::Task<std::optional<QByteArray>> relayPCM(AlertSound sound, double rate) override
        {
            return to_.relayPCM(sound, rate);
        }

    private:
        RecordingEffects& to_;
    };

    static void pressReturn(QWidget& view) { QTest::keyPress(&view, Qt::Key_Return); }
    // The release is let through once no auto-repeat press follows it.
    static void releaseReturn(RadioView& view)
    {
        QTest::keyRelease(&view, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !view.keyboard()->releasePending(); }, 2000));
    }

    static QList<SheetOverlay*> sheets(const RadioView& view)
    {
        return {view.findRadioSheet(), view.addChannelSheet(), view.channelSettingsSheet(), view.chatSheet()};
    }

    // A channel owned by another user, locked with a passkey.
    qint64 lockedChannel(const QString& passkey)
    {
        const QString owner = QStringLiteral("passkey-owner");
        const auto checkin = runTask(TovrinAPI::shared().checkin(owner, {}, {}, {}));
        EXPECT_TRUE(checkin.ok());
        const qint64 channel = checkin.value->ownedChannelNumber.value_or(0);
        const QJsonObject rules{{"join_policy", "passkey"}, {"passkey", passkey}};
        EXPECT_TRUE(runTask(TovrinAPI::shared().updateChannelSettings(owner, channel, rules)).ok());
        return channel;
    }

    // Checks in, tunes to a channel locked with `passkey` and has the view's
    // join refused, so that the prompt asks; returns the channel.
    qint64 refusedForPasskey(RadioView& view, const QString& passkey)
    {
        checkIn();
        const qint64 locked = lockedChannel(passkey);
        radio->setChannel(locked);
        EXPECT_FALSE(runVoidTask(view.operations()->joinCurrent()));
        EXPECT_EQ(radio->lastError(), PasskeyPrompt::refusalText());
        EXPECT_TRUE(view.passkeyPrompt()->isVisible());
        return locked;
    }
};

TEST_F(RadioViewTest, ComposesHeaderQuickBarPlaceAndShell)
{
    auto view = makeView();
    const QList<QLabel*> labels = view->findChildren<QLabel*>();
    const auto shows = [&](const QString& text) {
        return std::any_of(labels.begin(), labels.end(), [&](QLabel* label) { return label->text() == text; });
    };
    EXPECT_TRUE(shows(RadioView::titleText()));
    EXPECT_TRUE(shows(theme->current().emoji));
    EXPECT_NE(view->quickBar(), nullptr);
    EXPECT_NE(view->shell(), nullptr);
    QStringList titles;
    for (SheetOverlay* sheet : sheets(*view)) {
        titles << sheet->title();
        EXPECT_TRUE(sheet->isHidden());
    }
    EXPECT_EQ(titles, QStringList({"Find Radio", "Add channel", "Channel Setup", "Channel Chat"}));
    EXPECT_TRUE(view->passkeyPrompt()->isHidden());
    EXPECT_TRUE(view->keyboardShortcutsEnabled());

    // The theme's emoji follows the theme.
    const FacePlateTheme other = FacePlateTheme::catalog().at(5);
    theme->setCurrent(other);
    EXPECT_TRUE(shows(other.emoji));
}

TEST_F(RadioViewTest, TheAppsViewPlaysThroughTheEffectsService)
{
    AudioFXService fx;
    AppStores all = stores();
    all.sfx = &fx;
    RadioView view(all);
    Q_EMIT view.shell()->subUp();
    Q_EMIT view.shell()->pttDown();
    Q_EMIT view.shell()->pttUp();
    Q_EMIT view.shell()->callToneTapped();
    EXPECT_EQ(radio->channelNumber(), 2);
    EXPECT_EQ(SystemSounds::played(), QList<quint32>({1104}));
}

TEST_F(RadioViewTest, ShellActionsReachTheOperations)
{
    auto view = makeView();
    radio->setChannel(320);
    Q_EMIT view->shell()->subUp();
    EXPECT_EQ(radio->channelNumber(), 321);
    Q_EMIT view->shell()->bandDown();
    EXPECT_EQ(radio->channelNumber(), 1);
    Q_EMIT view->shell()->digitNudged(4, 1);
    EXPECT_EQ(radio->displayFrequency(), "001.101");
    Q_EMIT view->shell()->pttDown();
    Q_EMIT view->shell()->pttUp();
    EXPECT_EQ(effects.calls.mid(effects.calls.size() - 2), QStringList({"play rx_open", "chirp ptt_end"}));
    Q_EMIT view->shell()->chatTapped();
    EXPECT_FALSE(view->chatSheet()->isHidden());
}

TEST_F(RadioViewTest, FaceShowsTheRadioState)
{
    auto view = makeView();
    radio->setChannel(641);
    EXPECT_EQ(view->shell()->state().displayFrequency, "003.001");
    radio->setChannel(5000);  // nobody's channel: the join is refused
    EXPECT_FALSE(runVoidTask(view->operations()->joinCurrent()));
    ASSERT_TRUE(radio->lastError());
    EXPECT_EQ(view->shell()->state().errorText, radio->lastError());
    receiveChat(QStringLiteral("x1"), 1);
    EXPECT_EQ(view->shell()->state().chatUnread, 1);
}

TEST_F(RadioViewTest, EverySheetClosesWithEscapeAndItsCloseControlAndFreesTheKeyboard)
{
    auto view = makeView();
    const std::function<void(RadioView&)> opens[] = {
        [](RadioView& v) { v.showFindRadio(); },
        [](RadioView& v) { v.showAddChannel(); },
        [](RadioView& v) { v.showChannelSettings(); },
        [](RadioView& v) { v.operations()->openChat(); },
    };
    for (int i = 0; i < 4; ++i) {
        SheetOverlay* sheet = sheets(*view)[i];
        SCOPED_TRACE(sheet->title().toStdString());
        for (bool escape : {true, false}) {
            opens[i](*view);
            ASSERT_FALSE(sheet->isHidden());
            EXPECT_FALSE(view->keyboardShortcutsEnabled());
            EXPECT_FALSE(view->keyboard()->enabled());
            if (escape)
                QTest::keyClick(sheet, Qt::Key_Escape);
            else
                sheet->closeButton()->click();
            EXPECT_TRUE(sheet->isHidden());
            EXPECT_TRUE(view->keyboard()->enabled());
        }
    }
}

TEST_F(RadioViewTest, ClosingAddChannelOrChannelSetupRefreshesTheQuickBar)
{
    auto view = makeView();
    view->showFindRadio();
    view->findRadioSheet()->dismiss();
    view->operations()->openChat();
    view->chatSheet()->dismiss();
    EXPECT_EQ(view->quickBarRefresh(), 0);
    view->showAddChannel();
    view->addChannelSheet()->dismiss();
    view->showChannelSettings();
    view->channelSettingsSheet()->dismiss();
    EXPECT_EQ(view->quickBarRefresh(), 2);
}

TEST_F(RadioViewTest, ChannelSetupSaysSoForAUserWithoutAChannel)
{
    auto view = makeView();
    ASSERT_FALSE(session->ownedChannelNumber());
    view->showChannelSettings();
    auto* body = qobject_cast<QLabel*>(view->channelSettingsSheet()->content());
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->text(), RadioView::noOwnedChannelText());
    view->channelSettingsSheet()->closeButton()->click();
    EXPECT_TRUE(view->channelSettingsSheet()->isHidden());

    checkIn();
    view->showChannelSettings();
    auto* settings = qobject_cast<ChannelSettingsView*>(view->channelSettingsSheet()->content());
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->channelNumber(), *session->ownedChannelNumber());
    // The form's own "Close" dismisses the sheet.
    EXPECT_FALSE(runVoidTask(settings->load()));
    EXPECT_EQ(settings->formState(), QStringLiteral("loaded"));
    settings->closeButton()->click();
    EXPECT_TRUE(view->channelSettingsSheet()->isHidden());
}

TEST_F(RadioViewTest, ReturnAndSpaceWorkOnlyWhileNothingCoversTheRadio)
{
    auto view = makeView();
    pressReturn(*view);
    EXPECT_TRUE(view->operations()->isPTTHeld());
    // A sheet opening under a held Return ends the transmission.
    view->showFindRadio();
    EXPECT_FALSE(view->operations()->isPTTHeld());
    EXPECT_EQ(effects.count("chirp ptt_end"), 1);
    releaseReturn(*view);
    pressReturn(*view);
    EXPECT_FALSE(view->operations()->isPTTHeld());
    view->findRadioSheet()->dismiss();
    pressReturn(*view);
    EXPECT_TRUE(view->operations()->isPTTHeld());
    releaseReturn(*view);
    EXPECT_EQ(effects.count("chirp ptt_end"), 2);

    QTest::keyClick(view.get(), Qt::Key_Space);
    EXPECT_EQ(effects.count("alert pager"), 1);
    view->showAddChannel();
    QTest::keyClick(view.get(), Qt::Key_Space);
    EXPECT_EQ(effects.count("alert pager"), 1);
}

TEST_F(RadioViewTest, TheKeyAndReturnTogetherEndWithOneChirp)
{
    auto view = makeView();
    Q_EMIT view->shell()->pttDown();
    pressReturn(*view);
    Q_EMIT view->shell()->pttUp();
    EXPECT_EQ(effects.count("chirp ptt_end"), 0);
    releaseReturn(*view);
    EXPECT_EQ(effects.calls, QStringList({"play rx_open", "chirp ptt_end"}));
}

TEST_F(RadioViewTest, LosingTheWindowWhileReturnTransmitsEndsOnce)
{
    auto view = makeView();
    Diagnostics::LineCapture capture;
    pressReturn(*view);
    view->findChild<PTTButton*>()->setActive(true);  // the key shows the transmission
    // Qt tells the window and then every widget in it.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(view->window(), &deactivate);
    for (QWidget* widget : view->window()->findChildren<QWidget*>())
        QApplication::sendEvent(widget, &deactivate);
    EXPECT_EQ(effects.count("chirp ptt_end"), 1);
    EXPECT_EQ(capture.lines().filter("[UIJANK] PTT up").size(), 1);
}

// ---- passkey ----------------------------------------------------------------------------

TEST_F(RadioViewTest, APasskeyRefusalAsksForThePasskeyAndJoinsWithIt)
{
    auto view = makeView();
    const qint64 locked = refusedForPasskey(*view, QStringLiteral("open sesame"));
    PasskeyPrompt* prompt = view->passkeyPrompt();
    ASSERT_TRUE(view->passkeyPrompt()->isVisible());
    EXPECT_EQ(prompt->windowTitle(), "Channel Passkey");
    EXPECT_EQ(prompt->field()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(prompt->field()->placeholderText(), "Passkey");
    EXPECT_EQ(view->pendingJoinChannel(), locked);
    EXPECT_FALSE(view->keyboard()->enabled());

    // Retuned meanwhile: the join goes to the channel that was refused.
    radio->setChannel(2);
    prompt->field()->setText(QStringLiteral("open sesame"));
    prompt->joinButton()->click();
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_TRUE(view->keyboard()->enabled());
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    EXPECT_EQ(radio->channelNumber(), locked);
    ASSERT_TRUE(waitUntil([&] { return !view->pendingJoinChannel(); }));
    EXPECT_TRUE(prompt->field()->text().isEmpty());
}

TEST_F(RadioViewTest, AnEmptyPasskeyIsSentAndEveryRefusalAsksAgain)
{
    auto view = makeView();
    const qint64 locked = refusedForPasskey(*view, QStringLiteral("1234"));
    PasskeyPrompt* prompt = view->passkeyPrompt();
    ASSERT_TRUE(prompt->isVisible());
    prompt->joinButton()->click();
    EXPECT_FALSE(prompt->isVisible());
    // The same text again is no change, yet the refusal asks again.
    ASSERT_TRUE(waitUntil([&] { return prompt->isVisible(); }));
    EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::idle);
    EXPECT_EQ(radio->lastError(), PasskeyPrompt::refusalText());
    EXPECT_EQ(view->pendingJoinChannel(), locked);
    EXPECT_TRUE(prompt->field()->text().isEmpty());

    // A wrong passkey, too.
    prompt->field()->setText(QStringLiteral("9999"));
    prompt->joinButton()->click();
    ASSERT_TRUE(waitUntil([&] { return prompt->isVisible(); }));
    EXPECT_EQ(view->pendingJoinChannel(), locked);

    // After Cancel, the join key asks again.
    prompt->cancelButton()->click();
    EXPECT_FALSE(view->pendingJoinChannel());
    view->operations()->joinOrLeave();
    ASSERT_TRUE(waitUntil([&] { return prompt->isVisible(); }));
    EXPECT_EQ(view->pendingJoinChannel(), locked);
}

TEST_F(RadioViewTest, CancelClearsThePromptAndLeavesTheRadio)
{
    auto view = makeView();
    const qint64 locked = refusedForPasskey(*view, QStringLiteral("1234"));
    PasskeyPrompt* prompt = view->passkeyPrompt();
    ASSERT_TRUE(view->passkeyPrompt()->isVisible());
    view->passkeyPrompt()->field()->setText(QStringLiteral("typed"));
    view->passkeyPrompt()->cancelButton()->click();
    EXPECT_FALSE(view->passkeyPrompt()->isVisible());
    EXPECT_FALSE(view->pendingJoinChannel());
    EXPECT_TRUE(view->passkeyPrompt()->field()->text().isEmpty());
    EXPECT_EQ(radio->channelNumber(), locked);
    EXPECT_EQ(radio->lastError(), PasskeyPrompt::refusalText());
    // Return is the radio's again, not the closed prompt's field.
    pressReturn(*view);
    EXPECT_TRUE(view->operations()->isPTTHeld());
    releaseReturn(*view);
}

TEST_F(RadioViewTest, EscapeCancelsThePrompt)
{
    auto view = makeView();
    refusedForPasskey(*view, QStringLiteral("1234"));
    view->passkeyPrompt()->field()->setText(QStringLiteral("typed"));
    QTest::keyClick(view->passkeyPrompt()->field(), Qt::Key_Escape);
    EXPECT_FALSE(view->passkeyPrompt()->isVisible());
    EXPECT_FALSE(view->pendingJoinChannel());
    EXPECT_TRUE(view->passkeyPrompt()->field()->text().isEmpty());
    EXPECT_TRUE(view->keyboard()->enabled());
}

TEST_F(RadioViewTest, OnlyThePasskeyTextOpensThePromptAndAStandingTextAsksNothing)
{
    checkIn();
    radio->setChannel(5000 == *session->ownedChannelNumber() ? 5001 : 5000);
    auto view = makeView();
    EXPECT_FALSE(runVoidTask(view->operations()->joinCurrent()));  // refused: not active
    ASSERT_TRUE(radio->lastError());
    EXPECT_FALSE(view->passkeyPrompt()->isVisible());

    // A screen made while the passkey text already stands asks nothing.
    const qint64 locked = lockedChannel(QStringLiteral("1234"));
    view.reset();
    radio->setChannel(locked);
    EXPECT_FALSE(runVoidTask(radio->join(session->uid(), std::nullopt, "A", session->radioId(), {})));
    ASSERT_EQ(radio->lastError(), PasskeyPrompt::refusalText());
    view = makeView();
    runQueued();
    EXPECT_FALSE(view->passkeyPrompt()->isVisible());
}

TEST_F(RadioViewTest, APasskeyJoinOutlivesItsScreen)
{
    auto view = makeView();
    const qint64 locked = refusedForPasskey(*view, QStringLiteral("1234"));
    PasskeyPrompt* prompt = view->passkeyPrompt();
    ASSERT_TRUE(view->passkeyPrompt()->isVisible());
    view->passkeyPrompt()->field()->setText(QStringLiteral("1234"));
    view->passkeyPrompt()->joinButton()->click();
    view.reset();  // the tab changes while the join runs
    EXPECT_TRUE(waitUntil([&] { return inChannel(); }));
}

// ---- unread hint ------------------------------------------------------------------------

TEST_F(RadioViewTest, UnreadCountsOnlyLinesNewerThanTheLastSeen)
{
    auto view = makeView();
    for (int i = 1; i <= 5; ++i)
        receiveChat(QStringLiteral("m%1").arg(i), 100 + i);
    EXPECT_EQ(view->chatUnread(), 5);
    view->operations()->openChat();
    EXPECT_EQ(view->chatUnread(), 0);
    for (int i = 6; i <= 8; ++i)
        receiveChat(QStringLiteral("m%1").arg(i), 100 + i);
    EXPECT_EQ(view->chatUnread(), 3);
    // Closing the chat marks what it showed as seen.
    view->chatSheet()->dismiss();
    EXPECT_EQ(view->chatUnread(), 0);

    // Old lines leave the list (a blocked sender) and one new line comes:
    // one unread, not the difference of two lengths.
    receiveChat(QStringLiteral("b1"), 90, QStringLiteral("pest"));
    radio->live()->updateBlocked({QStringLiteral("pest"), QStringLiteral("someone-else")});
    radio->live()->updateBlocked({});
    receiveChat(QStringLiteral("m9"), 109);
    EXPECT_EQ(view->chatUnread(), 1);
    ASSERT_TRUE(waitUntil([&] { return view->shell()->state().chatUnread == 1; }));

    // A new screen (back from another tab) remembers what was seen.
    view = makeView();
    EXPECT_EQ(view->chatUnread(), 1);
}

TEST_F(RadioViewTest, UnreadStartsOverOnAChannelChange)
{
    auto view = makeView();
    receiveChat(QStringLiteral("a1"), 10);
    receiveChat(QStringLiteral("a2"), 11);
    EXPECT_EQ(view->chatUnread(), 2);
    radio->applyChannel(77);
    EXPECT_EQ(view->chatUnread(), 0);
    receiveChat(QStringLiteral("b1"), 12);
    EXPECT_EQ(view->chatUnread(), 1);
}

// ---- lifecycle --------------------------------------------------------------------------

TEST_F(RadioViewTest, TheMicrophonePermissionIsReadAgainWhenTheWindowBecomesActive)
{
    auto view = makeView();
    RecordPermission::Override denied(RecordPermission::State::denied, false);
    ASSERT_FALSE(radio->live()->micDeniedNeedsSettings());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(view.get(), &activate);
    EXPECT_TRUE(radio->live()->micDeniedNeedsSettings());
}

TEST_F(RadioViewTest, VoiceFilterFollowsTheStore)
{
    voiceFilters->setSelected(VoiceFilter::robot);
    auto view = makeView();
    view->show();
    EXPECT_EQ(radio->live()->voiceFilter(), VoiceFilter::robot);
    voiceFilters->setSelected(VoiceFilter::helium);
    EXPECT_EQ(radio->live()->voiceFilter(), VoiceFilter::helium);
}

TEST_F(RadioViewTest, RemotePagersPlayTheirSoundOrThePagerSound)
{
    auto view = makeView();
    Diagnostics::LineCapture capture;
    for (const char* sound : {"cat", "cat", "not-a-sound", ""})
        Q_EMIT AppNotifications::instance().tovrinRemotePager(QString::fromLatin1(sound));
    EXPECT_EQ(effects.calls, QStringList({"alert cat", "alert cat", "alert pager", "alert pager"}));
    EXPECT_EQ(linesWith(capture, QStringLiteral("[TovrinPager][mac] local-play remote")),
              QStringList({"[TovrinPager][mac] local-play remote sound=cat build=1",
                           "[TovrinPager][mac] local-play remote sound=cat build=1",
                           "[TovrinPager][mac] local-play remote sound=pager build=1",
                           "[TovrinPager][mac] local-play remote sound=pager build=1"}));
    view.reset();
    Q_EMIT AppNotifications::instance().tovrinRemotePager(QStringLiteral("dog"));
    EXPECT_EQ(effects.count("alert dog"), 0);
}

TEST_F(RadioViewTest, APagerFromAnotherListenerPlaysHere)
{
    checkIn();
    auto view = makeView();
    radio->setChannel(1);
    joinTuned(*view->operations());
    ChannelAudioService sender;
    EXPECT_FALSE(runVoidTask(sender.connect(1, "pager-sender", "S", "Q-SSSSSS", {})));
    ASSERT_TRUE(waitUntil([&] { return sender.isLive(); }));
    EXPECT_TRUE(sender.sendPager(QStringLiteral("cow"), QByteArray(3200, '\x02')));
    EXPECT_TRUE(waitUntil([&] { return effects.count("alert cow") == 1; }));
}

TEST_F(RadioViewTest, PresenceIsPolledOnlyWhileTheScreenIsShown)
{
    ScriptedResponder responder;
    responder.script({{.body = R"({"channels": [{"channel_number": 1, "display_frequency": "001.001",
        "active_talker_count": 3}], "total": 1, "page": 1})"}});
    responder.baseURL();
    radio->setChannel(1);
    auto view = makeView();
    EXPECT_TRUE(responder.requests().isEmpty());
    view->show();
    EXPECT_TRUE(waitUntil([&] { return radio->listenersOnTunedChannel() == 3 && responder.requests().size() >= 3; }));
    // Once the loop has ended, nobody asks while the screen is away.
    view->hide();
    ASSERT_TRUE(waitUntil([&] { return !radio->isPollingPresence(); }));
    const qsizetype asked = responder.requests().size();
    runQueued();
    EXPECT_EQ(responder.requests().size(), asked);
    view->show();
    EXPECT_TRUE(radio->isPollingPresence());
    EXPECT_TRUE(waitUntil([&] { return responder.requests().size() > asked; }));
    view.reset();
    ASSERT_TRUE(waitUntil([&] { return !radio->isPollingPresence(); }));
    const qsizetype atClose = responder.requests().size();
    runQueued();
    EXPECT_EQ(responder.requests().size(), atClose);
}

// ---- pictures ---------------------------------------------------------------------------

TEST_F(RadioViewTest, PicturesOfTheScreen)
{
    checkIn();
    const std::vector<FacePlateTheme>& all = FacePlateTheme::catalog();
    const QStringList ids{"classic", all.at(40).id, all.at(120).id};
    for (const QString& id : ids) {
        const auto picked = std::find_if(all.begin(), all.end(), [&](const FacePlateTheme& t) { return t.id == id; });
        ASSERT_NE(picked, all.end());
        theme->setCurrent(*picked);
        radio->leaveChannel();
        radio->setChannel(1);
        auto view = makeView();
        view->show();
        runQueued();  // pending layouts
        saveArtifact(*view, QStringLiteral("radio_view_%1_standby").arg(id));
        joinTuned(*view->operations());
        // The channel's greeting comes first, or it would clear the line below.
        ASSERT_TRUE(waitUntil([&] { return radio->live()->listenerCount() > 0; }));
        receiveChat(QStringLiteral("pic-%1").arg(id), 1);
        radio->live()->applyServerPagerCooldown(14);
        ASSERT_TRUE(waitUntil([&] { return view->shell()->state().isInChannel(); }));
        runQueued();  // pending layouts
        saveArtifact(*view, QStringLiteral("radio_view_%1_on_channel").arg(id));
    }
}

// ---- the face's own keys, pressed with the mouse ------------------------------------------

void tapKey(QWidget* key)
{
    QTest::mouseClick(key, Qt::LeftButton, {}, key->rect().center());
}

TEST_F(RadioViewTest, TheFaceKeysDriveTheEngine)
{
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    ToneMicrophone microphone(440, 2.0);
    checkIn();
    radio->setChannel(1);
    auto owned = makeView();
    RadioView& view = *owned;
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, 2000));
    TovrinShellView* shell = view.shell();
    TovrinActionButtonStrip* strip = shell->actionStrip();

    tapKey(shell->joinButton());
    ASSERT_TRUE(waitUntil([&] { return inChannel() && shell->joinButton()->caption() == "EXIT"; }));

    auto* reader = strip->pttButton()->findChild<HoldButtonReader*>();
    ASSERT_NE(reader, nullptr);
    QTest::mousePress(reader, Qt::LeftButton, {}, reader->rect().center());
    EXPECT_TRUE(radio->live()->isTransmitting());
    ASSERT_TRUE(microphone.captured());
    QTest::mouseRelease(reader, Qt::LeftButton, {}, reader->rect().center());
    EXPECT_FALSE(radio->live()->isTransmitting());
    EXPECT_EQ(effects.count("chirp ptt_end"), 1);

    tapKey(strip->callToneButton());
    ASSERT_TRUE(waitUntil([&] { return radio->live()->pagerCooldownRemaining().has_value(); }));
    ASSERT_TRUE(waitUntil([&] { return strip->callToneButton()->labelTexts().value(1) == "WAIT"; }));
    tapKey(strip->callToneButton());  // ignored while cooling
    EXPECT_EQ(effects.count("alert pager"), 1);

    tapKey(strip->chatButton());
    EXPECT_FALSE(view.chatSheet()->isHidden());
    view.chatSheet()->hide();

    tapKey(shell->joinButton());
    EXPECT_FALSE(inChannel());
    EXPECT_EQ(shell->joinButton()->caption(), "JOIN");
}

}  // namespace
