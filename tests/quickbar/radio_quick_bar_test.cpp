#include "quickbar/quick_bar_fixture.h"
#include "support/scripted_responder.h"
#include "support/view_test_support.h"
#include "views/icon_picker_sheet.h"
#include "views/radio_quick_bar.h"
#include "views/radio_view.h"
#include "views/sheet_overlay.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

using namespace std::chrono_literals;

namespace {

const QString dash = QStringLiteral("\u2014");

class RadioQuickBarTest : public QuickBarTest {
protected:
    // A bar whose actions are written down.
    std::unique_ptr<RadioQuickBar> makeBar()
    {
        RadioQuickBar::Actions actions{[this] { calls << "my"; },
                                       [this] { calls << "company"; },
                                       [this](const SavedChannelSlot& slot) { calls << "friend " + slot.label; },
                                       [this] { calls << "home"; },
                                       [this] { calls << "add"; },
                                       [this] { calls << "settings"; }};
        auto bar = std::make_unique<RadioQuickBar>(stores(), actions);
        bar->resize(378, 100);
        return bar;
    }

    static QAbstractButton* alertButton(QMessageBox* box, const QString& text)
    {
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == text)
                return b;
        }
        return nullptr;
    }

    // Returns once every reply already sent has been handled: a later
    // request's reply comes after them, as one network thread delivers
    // replies in order. Takes one scripted reply for the health check.
    static void afterRepliesSoFar() { ASSERT_TRUE(runTask(TovrinAPI::shared().healthOK()).value.value_or(false)); }

    QStringList calls;
};

}  // namespace

TEST_F(RadioQuickBarTest, WithNothingOwnedShowsHomeDisabledMyAndAdd)
{
    auto bar = makeBar();
    bar->show();
    ASSERT_TRUE(waitUntil([&] { return !friends->isLoading(); }));
    const auto buttons = bar->buttons();
    EXPECT_EQ(labels(buttons), QStringList({"HOME", "MY", "ADD CH"}));
    EXPECT_EQ(buttons[0]->face().frequency, "1.001");
    EXPECT_EQ(buttons[0]->face().iconId, "home");
    EXPECT_FALSE(buttons[1]->isEnabled());
    EXPECT_EQ(buttons[1]->face().frequency, dash);
    EXPECT_EQ(buttons[1]->face().iconId, "star");
    EXPECT_EQ(buttons[2]->face().frequency, radio->displayFrequency());
    EXPECT_TRUE(bar->radioIdLabel()->isHidden()) << "no radio ID yet";

    tap(buttons[1]);
    EXPECT_TRUE(calls.isEmpty()) << "a disabled MY takes no tap";
    tap(buttons[0]);
    tap(buttons[2]);
    EXPECT_EQ(calls, QStringList({"home", "add"}));

    // A retune shows on ADD CH and leaves the row's buttons in place.
    radio->setChannel(radio->channelNumber() == 42 ? 43 : 42);
    EXPECT_EQ(bar->buttons(), buttons);
    EXPECT_EQ(buttons[2]->face().frequency, radio->displayFrequency());
}

TEST_F(RadioQuickBarTest, WithAnOwnedChannelAndSlotsShowsThemInOrderThenAddAndSetup)
{
    checkIn();
    addSlot(QStringLiteral("Warehouse"), 5, QStringLiteral("public"));
    addSlot(QStringLiteral("Gate"), 7, QStringLiteral("kart"));
    auto bar = makeBar();
    bar->show();
    ASSERT_TRUE(waitUntil([&] { return bar->buttons().size() == 6; }));
    const auto buttons = bar->buttons();
    EXPECT_EQ(labels(buttons), QStringList({"HOME", "MY", "WAREHO", "GATE", "ADD CH", "SETUP"}));
    EXPECT_TRUE(buttons[1]->isEnabled());
    EXPECT_EQ(buttons[1]->face().frequency, *session->ownedChannelDisplay());
    EXPECT_EQ(buttons[2]->face().frequency, "001.005");
    EXPECT_EQ(buttons[2]->face().iconId, "public");
    EXPECT_EQ(buttons[3]->face().iconId, "kart");
    EXPECT_EQ(buttons[5]->face().frequency, QStringLiteral("\u2699\uFE0E"));
    EXPECT_TRUE(buttons[2]->hasLongPress());
    EXPECT_FALSE(buttons[0]->hasLongPress());
    EXPECT_EQ(bar->radioIdLabel()->text(), session->radioId());
    EXPECT_FALSE(bar->radioIdLabel()->isHidden());
    saveArtifact(*bar, QStringLiteral("quick_bar_owned_two_slots"), QStringLiteral("quickbar"));

    for (const char* label : {"MY", "GATE", "SETUP"})
        tap(button(buttons, label));
    EXPECT_EQ(calls, QStringList({"my", "friend Gate", "settings"}));
    EXPECT_EQ(hapticImpacts(), 3);
}

TEST_F(RadioQuickBarTest, TheCompanyComesFromTheStoreElseFromTheCheckIn)
{
    auto bar = makeBar();
    WorkplaceMembership checkInCompany;
    checkInCompany.orgId = QStringLiteral("org-1");
    checkInCompany.name = QStringLiteral("Acme");
    checkInCompany.displayFrequency = QStringLiteral("010.001");
    session->setWorkplace(checkInCompany);
    auto buttons = bar->buttons();
    ASSERT_EQ(labels(buttons), QStringList({"HOME", "CO", "MY", "ADD CH"}));
    EXPECT_EQ(buttons[1]->face().frequency, "010.001");
    EXPECT_EQ(buttons[1]->face().iconId, "company");

    WorkplaceMembership stored = checkInCompany;
    stored.displayFrequency = QStringLiteral("020.002");
    stored.iconId = QStringLiteral("mall");
    workplace->setMembership(stored);
    buttons = bar->buttons();
    EXPECT_EQ(buttons[1]->face().frequency, "020.002");
    EXPECT_EQ(buttons[1]->face().iconId, "mall");
    tap(buttons[1]);
    EXPECT_EQ(calls, QStringList({"company"}));
}

TEST_F(RadioQuickBarTest, TwoQuickRefreshesEndWithTheServersSlots)
{
    // The first load's older list lands after the second load's newer one.
    ScriptedResponder responder;
    responder.baseURL();
    const QByteArray older = R"({"slots": [{"id": 1, "label": "Gate", "channel_number": 7}]})";
    const QByteArray newer =
        R"({"slots": [{"id": 1, "label": "Gate", "channel_number": 7}, {"id": 2, "label": "Dock", "channel_number": 9}]})";
    responder.script({{.status = 200, .body = older, .held = true}, {.status = 200, .body = newer}, {200, "{}"}});
    auto bar = makeBar();
    bar->show();
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 1; }));
    bar->setRefreshToken(1);
    const QStringList expected{"HOME", "MY", "GATE", "DOCK", "ADD CH"};
    ASSERT_TRUE(waitUntil([&] { return labels(bar->buttons()) == expected; }));
    EXPECT_TRUE(friends->isLoading()) << "the first load still runs";
    responder.release();
    afterRepliesSoFar();
    EXPECT_EQ(labels(bar->buttons()), expected);
    EXPECT_FALSE(friends->isLoading());
}

TEST_F(RadioQuickBarTest, AHiddenBarLoadsNothingUntilItIsShownAgain)
{
    auto bar = makeBar();
    bar->show();
    ASSERT_TRUE(waitUntil([&] { return !friends->isLoading(); }));
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{200, R"({"slots": [{"id": 3, "label": "Dock", "channel_number": 9}]})"}});
    bar->hide();
    bar->setRefreshToken(1);
    bar->setRefreshToken(2);
    bar->show();
    ASSERT_TRUE(waitUntil([&] { return !friends->isLoading(); }));
    EXPECT_EQ(responder.requests().size(), 1) << "one load, when the bar came back";
    EXPECT_EQ(labels(bar->buttons()), QStringList({"HOME", "MY", "DOCK", "ADD CH"}));
}

TEST_F(RadioQuickBarTest, TheMyIconFollowsTheOwnedChannelsSettings)
{
    const auto checkin = [this](std::optional<int> owned) {
        QJsonObject reply{{"ok", true}, {"uid", session->uid()}, {"radio_id", "Q-ABC123"}};
        if (owned) {
            reply.insert("owned_channel_number", *owned);
            reply.insert("owned_channel_display", QStringLiteral("001.%1").arg(*owned, 3, 10, QLatin1Char('0')));
        }
        return ScriptedResponder::Reply{200, QJsonDocument(reply).toJson()};
    };
    const auto settings = [](int channel, QJsonObject icon) {
        QJsonObject reply{{"channel_number", channel}, {"display_frequency", "001.001"}, {"max_talkers", 8},
                          {"join_policy", "open"},     {"is_locked", false},             {"has_passkey", false},
                          {"listed_public", false},    {"allowlist", QJsonArray()}};
        for (auto it = icon.begin(); it != icon.end(); ++it)
            reply.insert(it.key(), it.value());
        return ScriptedResponder::Reply{200, QJsonDocument(reply).toJson()};
    };
    const ScriptedResponder::Reply health{200, "{}"};
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({
        {200, R"({"slots": []})"},
        health, checkin(5), settings(5, {{"icon_id", "mall"}, {"icon_custom", "aGk="}}),
        health, checkin(6), {500, "{}"}, health,
        health, checkin(7), settings(7, {}),
        health, checkin(8), [&] { auto held = settings(8, {{"icon_id", "kart"}}); held.held = true; return held; }(),
        health, checkin(std::nullopt), health,
    });
    auto bar = makeBar();
    bar->show();
    ASSERT_TRUE(waitUntil([&] { return !friends->isLoading(); }));
    EXPECT_EQ(bar->myIconId(), "star");

    checkIn();
    ASSERT_TRUE(waitUntil([&] { return bar->myIconId() == QStringLiteral("mall"); }));
    EXPECT_EQ(bar->myIconCustom(), "aGk=");
    EXPECT_EQ(button(bar->buttons(), "MY")->face().iconId, "mall");
    EXPECT_EQ(responder.requests()[3].target,
              QByteArray("/v1/channel-settings?uid=") + session->uid().toUtf8() + "&channel_number=5");

    checkIn();
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 7; }));
    afterRepliesSoFar();
    EXPECT_EQ(bar->myIconId(), "mall") << "a failed fetch keeps the icon";
    EXPECT_EQ(bar->myIconCustom(), "aGk=");

    checkIn();
    ASSERT_TRUE(waitUntil([&] { return bar->myIconId() == QStringLiteral("star"); }));
    EXPECT_EQ(bar->myIconCustom(), std::nullopt) << "settings without an icon";

    checkIn();
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 14; }));
    checkIn();
    ASSERT_FALSE(session->ownedChannelNumber());
    responder.release();
    afterRepliesSoFar();
    EXPECT_EQ(bar->myIconId(), "star") << "the fetch for a channel no longer owned sets nothing";
    EXPECT_FALSE(button(bar->buttons(), "MY")->isEnabled());
}

TEST(RadioQuickBarTexts, ShortLabelsAndTheRemoveMessage)
{
    EXPECT_EQ(RadioQuickBar::shortLabel(QStringLiteral("Warehouse")), "WAREHO");
    EXPECT_EQ(RadioQuickBar::shortLabel(QStringLiteral("Gate")), "GATE");
    EXPECT_EQ(RadioQuickBar::shortLabel(QString()), "");
    EXPECT_EQ(RadioQuickBar::shortLabel(QStringLiteral("\U0001F600ab\u00e9cde")), QStringLiteral("\U0001F600AB\u00c9CD"));
    SavedChannelSlot slot;
    slot.label = QStringLiteral("Warehouse");
    EXPECT_EQ(RadioQuickBar::removeMessage(slot), QStringLiteral("Remove Warehouse (\u2014) from your quick bar?"));
    slot.displayFrequency = QStringLiteral("001.005");
    EXPECT_EQ(RadioQuickBar::removeMessage(slot), "Remove Warehouse (001.005) from your quick bar?");
}

TEST_F(RadioQuickBarTest, TheMenuOffersChangeIconThenRemove)
{
    addSlot(QStringLiteral("Gate"), 7);
    loadSlots();
    auto bar = makeBar();
    std::unique_ptr<QMenu> menu(bar->slotMenu(friends->savedSlots().front(), nullptr));
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "Change icon");
    EXPECT_EQ(actions[1]->text(), "Remove from quick bar");
}

TEST_F(RadioQuickBarTest, ALongPressAsksAndRemoveDeletesTheSlotOnTheServer)
{
    addSlot(QStringLiteral("Warehouse"), 5);
    addSlot(QStringLiteral("Gate"), 7);
    loadSlots();
    auto bar = makeBar();
    bar->show();
    ProQuickButton* warehouse = button(bar->buttons(), QStringLiteral("WAREHO"));
    ASSERT_TRUE(warehouse);

    QTest::mousePress(warehouse, Qt::LeftButton, {}, warehouse->rect().center());
    ASSERT_TRUE(waitUntil([&] { return bar->removeAlert() != nullptr; }, 3s));
    QTest::mouseRelease(warehouse, Qt::LeftButton, {}, warehouse->rect().center());
    EXPECT_TRUE(calls.isEmpty()) << "the long press swallowed its release";
    QMessageBox* alert = bar->removeAlert();
    EXPECT_EQ(alert->windowTitle(), "Remove channel?");
    EXPECT_EQ(alert->text(), "Remove Warehouse (001.005) from your quick bar?");
    ASSERT_TRUE(alertButton(alert, "Cancel"));
    EXPECT_EQ(alert->buttonRole(alertButton(alert, "Remove")), QMessageBox::DestructiveRole);

    // Cancel sends nothing, and the next tap joins.
    alertButton(alert, "Cancel")->click();
    EXPECT_FALSE(bar->slotPendingDelete());
    runQueued();
    EXPECT_EQ(serverSlots().size(), 2u);
    tap(warehouse);
    EXPECT_EQ(calls, QStringList({"friend Warehouse"}));

    bar->askToRemove(friends->savedSlots().front());
    alertButton(bar->removeAlert(), "Remove")->click();
    EXPECT_FALSE(bar->slotPendingDelete());
    ASSERT_TRUE(waitUntil([&] { return labels(bar->buttons()) == QStringList({"HOME", "MY", "GATE", "ADD CH"}); }));
    const auto kept = serverSlots();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.front().label, "Gate");
}

TEST_F(RadioQuickBarTest, AnIconPickedOrUploadedIsStoredOnTheServer)
{
    addSlot(QStringLiteral("Gate"), 7, QStringLiteral("gaming"));
    loadSlots();
    auto bar = makeBar();
    bar->show();

    bar->changeIcon(friends->savedSlots().front());
    IconPickerSheet* picker = bar->iconPicker();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->title(), "Channel icon");
    EXPECT_TRUE(picker->isSelected(QStringLiteral("gaming")));
    QTest::mouseClick(picker->presetCell(QStringLiteral("kart")), Qt::LeftButton);
    // The sheet's own close control sends too.
    SheetOverlay* sheet = nullptr;
    for (QWidget* w = picker; w && !sheet; w = w->parentWidget())
        sheet = qobject_cast<SheetOverlay*>(w);
    ASSERT_TRUE(sheet);
    sheet->closeButton()->click();
    ASSERT_TRUE(waitUntil([&] { return button(bar->buttons(), "GATE")->face().iconId == QStringLiteral("kart"); }));
    EXPECT_EQ(serverSlots().front().iconId, "kart");
    EXPECT_EQ(serverSlots().front().iconCustom, std::nullopt);

    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("logo.png"));
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(photo));
    bar->changeIcon(friends->savedSlots().front());
    bar->iconPicker()->setPickerItem(photo);
    QTest::mouseClick(bar->iconPicker()->doneButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return button(bar->buttons(), "GATE")->face().iconId == QStringLiteral("custom"); }));
    const auto stored = serverSlots().front();
    EXPECT_EQ(stored.iconId, "custom");
    ASSERT_TRUE(stored.iconCustom);
    EXPECT_EQ(QImage::fromData(QByteArray::fromBase64(stored.iconCustom->toLatin1()), "JPG").size(), QSize(128, 86)) << "85.3 rows cover 86";
    EXPECT_EQ(button(bar->buttons(), "GATE")->face().iconCustom, stored.iconCustom);
}

TEST_F(RadioQuickBarTest, ASlotWithoutIconOpensOnRadioAndAnUntouchedCloseStillSendsIt)
{
    ScriptedResponder responder;
    responder.baseURL();
    const QByteArray list = R"({"slots": [{"id": 41, "label": "Warehouse", "channel_number": 5}]})";
    responder.script({{200, list}, {200, R"({"ok": true})"}});
    loadSlots();
    auto bar = makeBar();
    ProQuickButton* warehouse = button(bar->buttons(), "WAREHO");
    ASSERT_TRUE(warehouse);
    EXPECT_EQ(warehouse->face().iconId, "radio");
    EXPECT_EQ(warehouse->face().frequency, dash);
    bar->askToRemove(friends->savedSlots().front());
    EXPECT_EQ(bar->removeAlert()->text(), QStringLiteral("Remove Warehouse (\u2014) from your quick bar?"));
    alertButton(bar->removeAlert(), "Cancel")->click();

    bar->changeIcon(friends->savedSlots().front());
    EXPECT_TRUE(bar->iconPicker()->isSelected(QStringLiteral("radio")));
    QTest::mouseClick(bar->iconPicker()->doneButton(), Qt::LeftButton);
    // The reply carries no slot: the update failed and nothing is reloaded.
    ASSERT_TRUE(waitUntil([&] { return friends->lastError().has_value(); }));
    EXPECT_EQ(friends->lastError(), "Could not update icon");
    runQueued();
    ASSERT_EQ(responder.requests().size(), 2);
    EXPECT_EQ(responder.requests()[1].target, "/v1/saved-channels/update");
    const QJsonObject body = QJsonDocument::fromJson(responder.requests()[1].body).object();
    EXPECT_EQ(body.value("icon_id").toString(), "radio");
    EXPECT_EQ(body.value("id").toInteger(), 41);
    EXPECT_EQ(body.value("uid").toString(), session->uid());
    EXPECT_FALSE(body.contains("icon_custom"));
}

TEST_F(RadioQuickBarTest, ARefusedRemoveStillReloadsAndKeepsTheSlot)
{
    addSlot(QStringLiteral("Gate"), 7);
    loadSlots();
    const QByteArray list = QJsonDocument(QJsonObject{{"slots", QJsonArray{QJsonObject{
                                              {"id", friends->savedSlots().front().id}, {"label", "Gate"},
                                              {"channel_number", 7}, {"display_frequency", "001.007"}}}}})
                                .toJson();
    auto bar = makeBar();
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{200, R"({"ok": false, "error": "not_found"})"}, {200, list}});
    bar->askToRemove(friends->savedSlots().front());
    alertButton(bar->removeAlert(), "Remove")->click();
    ASSERT_TRUE(waitUntil([&] { return responder.requests().size() == 2; }));
    EXPECT_EQ(responder.requests()[0].target, "/v1/saved-channels/remove");
    EXPECT_TRUE(responder.requests()[1].target.startsWith("/v1/saved-channels?"));
    ASSERT_TRUE(waitUntil([&] { return !friends->isLoading(); }));
    EXPECT_EQ(labels(bar->buttons()), QStringList({"HOME", "MY", "GATE", "ADD CH"}));
}

TEST_F(RadioQuickBarTest, TheRadioScreenJoinsByTapAndReloadsWhenItsSheetsClose)
{
    checkIn();
    addSlot(QStringLiteral("Gate"), 7);
    RadioView view(stores(), std::make_unique<RecordingEffects>());
    view.resize(402, 860);
    view.show();
    RadioQuickBar* bar = view.quickBar();
    ASSERT_TRUE(waitUntil([&] { return button(bar->buttons(), "GATE") != nullptr; }));
    runQueued();  // pending layouts
    saveArtifact(view, QStringLiteral("radio_view_with_quick_bar"), QStringLiteral("quickbar"));

    tap(button(bar->buttons(), "GATE"));
    ASSERT_TRUE(waitUntil([&] { return inChannel() && radio->channelNumber() == 7; }));
    tap(button(bar->buttons(), "HOME"));
    ASSERT_TRUE(waitUntil([&] { return inChannel() && radio->channelNumber() == 1; }));
    EXPECT_EQ(button(bar->buttons(), "ADD CH")->face().frequency, "001.001");

    // A slot added elsewhere shows once the add-channel sheet closes.
    addSlot(QStringLiteral("Dock"), 9);
    tap(button(bar->buttons(), "ADD CH"));
    EXPECT_TRUE(view.addChannelSheet()->isVisible());
    view.addChannelSheet()->dismiss();
    EXPECT_EQ(view.quickBarRefresh(), 1);
    ASSERT_TRUE(waitUntil([&] { return button(bar->buttons(), "DOCK") != nullptr; }));

    tap(button(bar->buttons(), "SETUP"));
    EXPECT_TRUE(view.channelSettingsSheet()->isVisible());
}
