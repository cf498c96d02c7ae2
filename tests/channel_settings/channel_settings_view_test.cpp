#include "platform/keychain.h"
#include "platform/keychain_test_seam.h"
#include "platform/tovrin_haptics.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"
#include "stores/store_test.h"
#include "support/view_test_support.h"
#include "views/channel_settings_view.h"
#include "views/icon_picker_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int waitMs = 8000;

class ChannelSettingsViewTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_TRUE(server.start());
        session = std::make_unique<SessionStore>();
        ASSERT_FALSE(runVoidTask(session->bootstrap()));
        ASSERT_TRUE(session->ownedChannelNumber());
        owned = *session->ownedChannelNumber();
    }

    // A view of the owned channel, loaded.
    std::unique_ptr<ChannelSettingsView> loadedView()
    {
        auto view = std::make_unique<ChannelSettingsView>(owned, session.get());
        view->resize(378, 820);
        EXPECT_FALSE(runVoidTask(view->load()));
        EXPECT_EQ(view->formState(), QStringLiteral("loaded"));
        return view;
    }

    ChannelSettings stored()
    {
        const auto outcome = runTask(TovrinAPI::shared().fetchChannelSettings(session->uid(), owned));
        EXPECT_TRUE(outcome.ok());
        return outcome.value.value_or(ChannelSettings{});
    }

    // Another user, with a chat name, banned from the owned channel.
    ChannelBanEntry banSomeone(const QString& uid, const QString& displayName)
    {
        EXPECT_TRUE(runTask(TovrinAPI::shared().checkin(uid, QString(), QString(), QString())).ok());
        TovrinAPI::ProfileUpdate profile;
        profile.displayName = displayName;
        EXPECT_TRUE(runTask(TovrinAPI::shared().updateProfile(uid, profile)).ok());
        EXPECT_FALSE(runVoidTask(TovrinAPI::shared().banFromChannel(session->uid(), owned, uid)));
        const auto bans = runTask(TovrinAPI::shared().fetchChannelBans(session->uid(), owned));
        for (const ChannelBanEntry& entry : bans.value.value_or(std::vector<ChannelBanEntry>{}))
            if (entry.uid == uid)
                return entry;
        ADD_FAILURE() << "ban not stored";
        return {};
    }

    static int impacts()
    {
        int count = 0;
        for (const HapticEvent& event : HapticLog::events())
            count += event.kind == HapticEvent::Kind::Impact && event.style == ImpactStyle::Medium;
        return count;
    }

    DevServerProcess server;
    std::unique_ptr<SessionStore> session;
    qint64 owned = 0;
};

TEST_F(ChannelSettingsViewTest, StartsLoadingAndLoadsWhenFirstShown)
{
    ChannelSettingsView view(owned, session.get());
    EXPECT_EQ(view.formState(), QStringLiteral("loading"));
    EXPECT_FALSE(view.saveButton()->isEnabled());
    view.resize(378, 820);
    view.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.formState() == QLatin1String("loaded"); }, waitMs));
    EXPECT_TRUE(view.saveButton()->isEnabled());
    // A fresh channel: no name, no icon id, no custom picture.
    EXPECT_EQ(view.nameField()->text(), QString());
    EXPECT_EQ(view.iconId(), QStringLiteral("star"));
    EXPECT_FALSE(view.iconCustom());
    EXPECT_FALSE(view.payload().contains(QStringLiteral("icon_custom")));
    EXPECT_EQ(view.maxTalkersLabel()->text(), QStringLiteral("Max talkers: 100"));
    EXPECT_EQ(view.joinPolicyPicker()->currentData().toString(), QStringLiteral("open"));
    EXPECT_EQ(view.messageText(), QString());
    const QStringList texts = [&] {
        QStringList all;
        for (const QLabel* label : view.findChildren<QLabel*>())
            if (label->isVisibleTo(&view))
                all << label->text();
        return all;
    }();
    EXPECT_TRUE(texts.contains(session->radioId()));
    EXPECT_TRUE(texts.contains(*session->ownedChannelDisplay()));
    EXPECT_TRUE(texts.contains(ChannelSettingsView::nobodyBannedText()));
    saveArtifact(view, QStringLiteral("channel_settings_loaded"));
}

TEST_F(ChannelSettingsViewTest, EveryFieldSavedReachesTheServer)
{
    auto view = loadedView();
    view->nameField()->setText(QStringLiteral("Night Owls"));
    view->listedToggle()->setChecked(true);
    view->lockedToggle()->setChecked(true);
    view->maxTalkersSlider()->setValue(7);
    EXPECT_EQ(view->maxTalkersLabel()->text(), QStringLiteral("Max talkers: 7"));
    view->joinPolicyPicker()->setCurrentIndex(2);
    Q_EMIT view->joinPolicyPicker()->activated(2);
    view->passkeyField()->setText(QStringLiteral("s3cret"));
    view->allowField()->setText(QStringLiteral("q-abc123"));
    // The icon through the picker: a preset, then an uploaded picture.
    view->iconButton()->click();
    EXPECT_TRUE(view->showIconPicker());
    auto* picker = view->findChild<IconPickerSheet*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->title(), QStringLiteral("MY CH icon"));
    EXPECT_EQ(picker->selectedIconId(), QStringLiteral("star"));
    picker->presetCell(QStringLiteral("mario"))->click();
    EXPECT_EQ(view->iconId(), QStringLiteral("mario"));
    EXPECT_FALSE(view->iconCustom());
    QTemporaryDir photos;
    const QString photo = photos.path() + QStringLiteral("/logo.png");
    QImage logo(300, 200, QImage::Format_RGB32);
    logo.fill(Qt::darkCyan);
    ASSERT_TRUE(logo.save(photo));
    picker->loadPhoto(photo);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->iconCustom().has_value(); }, waitMs));
    EXPECT_EQ(view->iconId(), QStringLiteral("custom"));
    const QString custom = *view->iconCustom();
    picker->doneButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->showIconPicker(); }, waitMs));

    const QJsonObject body = view->payload();
    EXPECT_EQ(body.value("max_talkers").toVariant().userType(), QMetaType::LongLong);
    EXPECT_EQ(body.value("allow_add").toArray(), QJsonArray{"Q-ABC123"});

    HapticLog::clear();  // the picker's own taps
    view->saveButton()->click();
    EXPECT_FALSE(view->saveButton()->isEnabled());  // while saving
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isSaving(); }, waitMs));
    EXPECT_EQ(view->messageText(), ChannelSettingsView::savedText());
    EXPECT_EQ(impacts(), 1);
    // The one-shot fields empty, the rest keep their edits, the allow list comes from the reply.
    EXPECT_EQ(view->passkeyField()->text(), QString());
    EXPECT_EQ(view->allowField()->text(), QString());
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Night Owls"));
    EXPECT_EQ(view->allowlistTexts(), QStringList{"Q-ABC123"});
    EXPECT_EQ(view->formState(), QStringLiteral("loaded"));
    saveArtifact(*view, QStringLiteral("channel_settings_saved"));

    const ChannelSettings after = stored();
    EXPECT_EQ(after.name, QStringLiteral("Night Owls"));
    EXPECT_TRUE(after.listedPublic);
    EXPECT_TRUE(after.isLocked);
    EXPECT_EQ(after.maxTalkers, 7);
    EXPECT_EQ(after.joinPolicy, QStringLiteral("passkey"));
    EXPECT_TRUE(after.hasPasskey);
    EXPECT_EQ(after.iconId, QStringLiteral("custom"));
    EXPECT_EQ(after.iconCustom, custom);

    // A second sheet reads it all back; the passkey is never filled in.
    auto again = loadedView();
    EXPECT_EQ(again->nameField()->text(), QStringLiteral("Night Owls"));
    EXPECT_TRUE(again->listedToggle()->isChecked());
    EXPECT_TRUE(again->lockedToggle()->isChecked());
    EXPECT_EQ(again->maxTalkersSlider()->value(), 7);
    EXPECT_EQ(again->joinPolicyPicker()->currentText(), QStringLiteral("Passkey required"));
    EXPECT_EQ(again->passkeyField()->text(), QString());
    EXPECT_EQ(again->iconId(), QStringLiteral("custom"));
    EXPECT_EQ(again->iconCustom(), custom);
}

TEST_F(ChannelSettingsViewTest, PayloadFollowsTheFormExactly)
{
    auto view = loadedView();
    struct Row {
        const char* name;
        const char* passkey;
        const char* allow;
        const char* policy;
        QJsonObject expected;  // the keys that depend on the row
        QStringList absent;
    };
    const Row rows[] = {
        {"", "", "", "open", {{"name", ""}, {"join_policy", "open"}}, {"passkey", "allow_add"}},
        // Blanks alone are no radio ID: nothing to add, so no key that would fail the save.
        {"  spaced  ", "", "  ", "allowlist", {{"name", "  spaced  "}, {"join_policy", "allowlist"}},
         {"passkey", "allow_add"}},
        {"x", " pk ", " q-zz9zz9\t", "passkey",
         {{"passkey", " pk "}, {"allow_add", QJsonArray{"Q-ZZ9ZZ9"}}, {"join_policy", "passkey"}}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        view->nameField()->setText(QString::fromUtf8(row.name));
        view->passkeyField()->setText(QString::fromUtf8(row.passkey));
        view->allowField()->setText(QString::fromUtf8(row.allow));
        const int index = view->joinPolicyPicker()->findData(QString::fromLatin1(row.policy));
        view->joinPolicyPicker()->setCurrentIndex(index);
        Q_EMIT view->joinPolicyPicker()->activated(index);
        const QJsonObject body = view->payload();
        for (auto it = row.expected.begin(); it != row.expected.end(); ++it)
            EXPECT_EQ(body.value(it.key()), it.value()) << it.key().toStdString();
        for (const QString& key : row.absent)
            EXPECT_FALSE(body.contains(key)) << key.toStdString();
        EXPECT_EQ(body.value("max_talkers"), QJsonValue(qint64(100)));
        EXPECT_EQ(body.value("icon_id"), QJsonValue("star"));
        EXPECT_FALSE(body.contains("icon_custom"));
        EXPECT_FALSE(body.contains("uid"));
    }
    // The passkey field is offered whatever the policy.
    EXPECT_FALSE(view->passkeyField()->isHidden());
}

TEST_F(ChannelSettingsViewTest, FailedSaveKeepsEveryEdit)
{
    auto view = loadedView();
    view->nameField()->setText(QStringLiteral("Kept"));
    view->passkeyField()->setText(QStringLiteral("pk"));
    view->allowField()->setText(QStringLiteral("not-an-id"));  // the server refuses it
    EXPECT_FALSE(runVoidTask(view->save()));
    EXPECT_EQ(view->messageText(), ChannelSettingsView::saveFailedText());
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Kept"));
    EXPECT_EQ(view->passkeyField()->text(), QStringLiteral("pk"));
    EXPECT_EQ(view->allowField()->text(), QStringLiteral("not-an-id"));
    EXPECT_TRUE(view->saveButton()->isEnabled());
    EXPECT_EQ(impacts(), 0);
    EXPECT_EQ(stored().name, std::nullopt);
}

TEST_F(ChannelSettingsViewTest, ACloseSendsNothing)
{
    auto view = loadedView();
    QSignalSpy closed(view.get(), &ChannelSettingsView::closeRequested);
    view->iconButton()->click();
    auto* picker = view->findChild<IconPickerSheet*>();
    ASSERT_NE(picker, nullptr);
    picker->presetCell(QStringLiteral("mario"))->click();
    picker->doneButton()->click();
    EXPECT_EQ(view->iconId(), QStringLiteral("mario"));
    view->nameField()->setText(QStringLiteral("Unsaved"));
    view->closeButton()->click();
    EXPECT_EQ(closed.size(), 1);
    view.reset();
    const ChannelSettings after = stored();
    EXPECT_EQ(after.iconId, std::nullopt);
    EXPECT_EQ(after.name, std::nullopt);
}

TEST_F(ChannelSettingsViewTest, SettingsThatDoNotLoadShowOnlyTheMessage)
{
    ChannelSettingsView view(owned + 1, session.get());  // not the user's channel: refused
    view.resize(378, 820);
    EXPECT_FALSE(runVoidTask(view.load()));
    EXPECT_EQ(view.formState(), QStringLiteral("not loaded"));
    EXPECT_EQ(view.messageText(), ChannelSettingsView::loadFailedText());
    // Saving now would write the blank form over the channel: not offered.
    EXPECT_FALSE(view.saveButton()->isEnabled());
    saveArtifact(view, QStringLiteral("channel_settings_not_loaded"));
}

TEST_F(ChannelSettingsViewTest, UnbanReloadsTheListThenNamesTheUser)
{
    const ChannelBanEntry bo = banSomeone(QStringLiteral("uid-bo"), QStringLiteral("Bo"));
    const ChannelBanEntry plain = banSomeone(QStringLiteral("uid-plain"), QString());
    auto view = loadedView();
    ASSERT_EQ(view->banned().size(), 2u);
    EXPECT_EQ(view->bannedTexts(), (QStringList{"Bo " + bo.radioId, "Radio User " + plain.radioId}));
    saveArtifact(*view, QStringLiteral("channel_settings_bans"));

    view->unbanButtons().first()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->message().has_value(); }, waitMs));
    EXPECT_EQ(view->messageText(), QStringLiteral("Unbanned Bo"));
    EXPECT_EQ(view->bannedTexts(), QStringList{"Radio User " + plain.radioId});
    EXPECT_EQ(impacts(), 1);

    // The same ban lifted again: the server still says yes; the nickname rule applies.
    EXPECT_FALSE(runVoidTask(view->unban(plain)));
    EXPECT_EQ(view->messageText(), QStringLiteral("Unbanned Radio User"));
    EXPECT_EQ(view->bannedTexts(), QStringList());
    EXPECT_EQ(view->banned().size(), 0u);
}

TEST_F(ChannelSettingsViewTest, RefreshReloadsOnlyTheBans)
{
    ChannelSettingsView sheet(owned, session.get());
    auto* view = &sheet;
    view->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->formState() == QLatin1String("loaded"); }, waitMs));
    const ChannelBanEntry bo = banSomeone(QStringLiteral("uid-bo"), QStringLiteral("Bo"));
    // Another client renames the channel meanwhile: the refresh does not pick that up.
    QJsonObject rename{{"name", "Elsewhere"}};
    ASSERT_TRUE(runTask(TovrinAPI::shared().updateChannelSettings(session->uid(), owned, rename)).ok());
    QTest::keySequence(view->nameField(), QKeySequence::Refresh);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->banned().size() == 1 && !view->isLoadingBans(); }, waitMs));
    EXPECT_EQ(view->nameField()->text(), QString());
    EXPECT_EQ(view->settings()->name, std::nullopt);
    EXPECT_EQ(view->banned().front().uid, bo.uid);
}

TEST_F(ChannelSettingsViewTest, OnlyTheNewestBanLoadCountsAndAFailedOneKeepsTheList)
{
    auto view = loadedView();
    const auto bans = [](std::initializer_list<const char*> names, bool held = false) {
        QJsonArray list;
        for (const char* name : names)
            list.append(QJsonObject{{"uid", QString("uid-") + name}, {"radio_id", "Q-AAAAAA"}, {"display_name", name}});
        const QJsonObject body{{"ok", true}, {"bans", list}};
        return ScriptedResponder::Reply{.body = QJsonDocument(body).toJson(QJsonDocument::Compact), .held = held};
    };
    ScriptedResponder responder;
    responder.baseURL();

    // Replies go out in the order requests come: two loads, then two more.
    responder.script({bans({"Old"}, true), bans({"New"}), bans({"First"}), bans({"Second"}, true)});

    // The older load answers last: its list never replaces the newer one.
    auto older = view->loadBans();
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == 1; }, waitMs));
    EXPECT_FALSE(runVoidTask(view->loadBans()));
    EXPECT_FALSE(view->isLoadingBans());
    responder.release();
    EXPECT_FALSE(runVoidTask(std::move(older)));
    EXPECT_EQ(view->bannedTexts(), QStringList{"New Q-AAAAAA"});

    // The first reply to arrive does not end the newer load's spinner.
    const qsizetype sent = responder.requests().size();
    auto first = view->loadBans();
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == sent + 1; }, waitMs));
    auto second = view->loadBans();
    EXPECT_FALSE(runVoidTask(std::move(first)));
    EXPECT_TRUE(view->isLoadingBans());
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == sent + 2; }, waitMs));
    responder.release();
    EXPECT_FALSE(runVoidTask(std::move(second)));
    EXPECT_FALSE(view->isLoadingBans());
    EXPECT_EQ(view->bannedTexts(), QStringList{"Second Q-AAAAAA"});
    EXPECT_EQ(view->bansStatusText(), QString());

    // A failed load keeps the list it had and says it could not load.
    responder.script({{.status = 500, .body = "{}"}});
    EXPECT_FALSE(runVoidTask(view->loadBans()));
    EXPECT_EQ(view->bannedTexts(), QStringList{"Second Q-AAAAAA"});
    EXPECT_EQ(view->bansStatusText(), QStringLiteral("Could not load bans"));
    EXPECT_EQ(view->unbanButtons().size(), 1);
}

TEST_F(ChannelSettingsViewTest, AnOvertakenSettingsLoadChangesNothing)
{
    ChannelSettingsView view(owned, session.get());
    ScriptedResponder responder;
    responder.baseURL();
    const auto settingsReply = [&](const char* name, bool held = false) {
        const QJsonObject body{{"channel_number", owned}, {"display_frequency", "016.200"}, {"name", name},
                               {"max_talkers", 5}, {"join_policy", "open"}, {"is_locked", false},
                               {"listed_public", false}, {"has_passkey", false}, {"allowlist", QJsonArray{}}};
        return ScriptedResponder::Reply{.body = QJsonDocument(body).toJson(QJsonDocument::Compact), .held = held};
    };
    const ScriptedResponder::Reply noBans{.body = R"({"ok": true, "bans": []})"};
    // The first load's settings answer after the whole second load.
    responder.script({settingsReply("Older", true), settingsReply("Newer"), noBans});
    auto older = view.load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == 1; }, waitMs));
    EXPECT_FALSE(runVoidTask(view.load()));
    EXPECT_EQ(view.formState(), QStringLiteral("loaded"));
    responder.release();
    EXPECT_FALSE(runVoidTask(std::move(older)));
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("Newer"));
    EXPECT_EQ(view.formState(), QStringLiteral("loaded"));
    EXPECT_EQ(responder.requests().size(), 3);  // the overtaken load fetched no bans
}

TEST_F(ChannelSettingsViewTest, FailuresOnAnOddServer)
{
    auto view = loadedView();
    ScriptedResponder responder;
    responder.baseURL();
    ScriptedResponder::Reply broken;
    broken.status = 500;
    broken.body = "{}";
    responder.script({broken});

    // A ban list that does not load says so; it does not read as nobody banned.
    EXPECT_FALSE(runVoidTask(view->loadBans()));
    EXPECT_EQ(view->bannedTexts(), QStringList());
    EXPECT_EQ(view->bansStatusText(), QStringLiteral("Could not load bans"));
    EXPECT_FALSE(view->isLoadingBans());
    EXPECT_EQ(view->messageText(), QString());

    ChannelBanEntry someone{QStringLiteral("u"), QStringLiteral("Q-AAAAAA"), QStringLiteral("Al")};
    EXPECT_FALSE(runVoidTask(view->unban(someone)));
    EXPECT_EQ(view->messageText(), ChannelSettingsView::unbanFailedText());

    EXPECT_FALSE(runVoidTask(view->save()));
    EXPECT_EQ(view->messageText(), ChannelSettingsView::saveFailedText());
    EXPECT_EQ(impacts(), 0);
    // A failed unban does not fetch the list again: three requests, one per operation.
    EXPECT_EQ(responder.requests().size(), 3);
}

}  // namespace
