#include "models/channel_math.h"
#include "quickbar/quick_bar_fixture.h"
#include "support/scripted_responder.h"
#include "support/view_test_support.h"
#include "views/add_quick_channel_view.h"
#include "views/find_radio_view.h"
#include "views/icon_picker_sheet.h"
#include "views/radio_view.h"
#include "views/sheet_overlay.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

class AddQuickChannelViewTest : public QuickBarTest {
protected:
    std::unique_ptr<AddQuickChannelView> makeView()
    {
        auto view = std::make_unique<AddQuickChannelView>(stores());
        view->resize(378, 700);
        view->show();
        return view;
    }

    void tuneTo(const QString& display) { radio->setChannel(*ChannelMath::number(display)); }

    // Saves with the given field texts against a responder that accepts, and
    // returns the body sent (empty when nothing was sent).
    QJsonObject sentBody(AddQuickChannelView& view, ScriptedResponder& responder, const QString& frequency,
                         const QString& label)
    {
        view.frequencyField()->setText(frequency);
        view.labelField()->setText(label);
        const auto before = responder.requests().size();
        EXPECT_FALSE(runVoidTask(view.save()));
        if (responder.requests().size() == before)
            return {};
        return QJsonDocument::fromJson(responder.requests()[before].body).object();
    }
};

}  // namespace

TEST_F(AddQuickChannelViewTest, TheTunedChannelIsSavedAtOnceAndTheSheetCloses)
{
    tuneTo(QStringLiteral("001.005"));
    auto view = makeView();
    QSignalSpy closed(view.get(), &AddQuickChannelView::closeRequested);
    EXPECT_EQ(view->frequencyField()->text(), "001.005");
    EXPECT_EQ(view->addButton()->text(), "Add to quick bar");
    saveArtifact(*view, QStringLiteral("add_channel_form"), QStringLiteral("quickbar"));
    QTest::mouseClick(view->addButton(), Qt::LeftButton);
    EXPECT_EQ(view->addButton()->text(), "Adding…");
    EXPECT_FALSE(view->addButton()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return closed.count() == 1; }));
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium"}));
    ASSERT_EQ(friends->savedSlots().size(), 1u);
    const SavedChannelSlot slot = serverSlots().front();
    EXPECT_EQ(slot.channelNumber, 5);
    EXPECT_EQ(slot.label, "001.005");
    EXPECT_EQ(slot.iconId, "radio");
    EXPECT_EQ(slot.iconCustom, std::nullopt);
}

TEST_F(AddQuickChannelViewTest, FieldsBecomeTheBodyAndBadFrequenciesSendNothing)
{
    tuneTo(QStringLiteral("012.005"));
    auto view = makeView();
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{200, R"({"ok": true})"}, {200, R"({"slots": []})"}});

    QJsonObject body = sentBody(*view, responder, QStringLiteral("012.005"), QString());
    EXPECT_EQ(body.value("channel_number").toInteger(), 3525);
    EXPECT_EQ(body.value("label").toString(), "012.005");
    EXPECT_EQ(body.value("icon_id").toString(), "radio");
    EXPECT_FALSE(body.contains("icon_custom"));
    EXPECT_FALSE(body.contains("friend_uid") || body.contains("friend_radio_id"));
    EXPECT_EQ(body.value("uid").toString(), session->uid());

    struct Case {
        const char* frequency;
        const char* label;
        qint64 channel;
        const char* sentLabel;
    };
    const Case cases[] = {{"1.1", "  ", 1, "1.1"},
                          {" 5.010", "", 1290, " 5.010"},
                          {"200.320", "  Base camp north  ", 64000, "Base camp no"},
                          {"\t007.007\t", "Dock", 1927, "Dock"}};
    for (const Case& c : cases) {
        body = sentBody(*view, responder, QString::fromUtf8(c.frequency), QString::fromUtf8(c.label));
        EXPECT_EQ(body.value("channel_number").toInteger(), c.channel) << c.frequency;
        EXPECT_EQ(body.value("label").toString(), QString::fromUtf8(c.sentLabel)) << c.frequency;
    }
    for (const char* bad : {"201.001", "0.5", "12", "12.3.4", "abc"}) {
        body = sentBody(*view, responder, QString::fromLatin1(bad), QString());
        EXPECT_TRUE(body.isEmpty()) << bad;
        EXPECT_EQ(view->errorText(), "Invalid frequency format (use e.g. 1.001)");
        EXPECT_TRUE(view->addButton()->isEnabled());
    }
    view->frequencyField()->setText(QStringLiteral("   "));
    EXPECT_FALSE(view->addButton()->isEnabled());
}

TEST_F(AddQuickChannelViewTest, AnUploadedIconIsSentAndClearKeepsOnlyTheId)
{
    auto view = makeView();
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{200, R"({"ok": false})"}});
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("logo.png"));
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    ASSERT_TRUE(image.save(photo));

    QTest::mouseClick(view->iconButton(), Qt::LeftButton);
    auto* picker = view->findChild<IconPickerSheet*>();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->title(), "Channel icon");
    picker->setPickerItem(photo);
    EXPECT_EQ(view->iconId(), "custom");
    ASSERT_TRUE(view->iconCustom());
    saveArtifact(*view->window(), QStringLiteral("add_channel_icon_picker"), QStringLiteral("quickbar"));
    QJsonObject body = sentBody(*view, responder, QStringLiteral("001.002"), QString());
    EXPECT_EQ(body.value("icon_id").toString(), "custom");
    EXPECT_EQ(body.value("icon_custom").toString(), *view->iconCustom());

    QTest::mouseClick(picker->clearButton(), Qt::LeftButton);
    body = sentBody(*view, responder, QStringLiteral("001.002"), QString());
    EXPECT_EQ(body.value("icon_id").toString(), "custom");
    EXPECT_FALSE(body.contains("icon_custom"));
}

TEST_F(AddQuickChannelViewTest, RepliesDecideBetweenAnErrorRowAndClosing)
{
    auto view = makeView();
    QSignalSpy closed(view.get(), &AddQuickChannelView::closeRequested);
    ScriptedResponder responder;
    responder.baseURL();
    struct Case {
        ScriptedResponder::Reply reply;
        const char* text;  // nullptr: success
    };
    const Case cases[] = {{{200, R"({"ok": false, "error": "not_found"})"}, "That channel is not on the server yet"},
                          {{200, R"({"ok": false, "error": "bad_request"})"}, "Invalid channel"},
                          {{200, R"({"ok": false})"}, "Could not save channel"},
                          {{500, R"({"ok": true})"}, "Could not save channel"},
                          {{200, "{}"}, nullptr},
                          {{200, R"({"ok": true})"}, nullptr}};
    int successes = 0;
    for (const Case& c : cases) {
        // One reply for every request: a success's reload gets it too, which does not matter here.
        responder.script({c.reply});
        sentBody(*view, responder, QStringLiteral("001.003"), QString());
        EXPECT_TRUE(view->addButton()->isEnabled());
        EXPECT_EQ(view->addButton()->text(), "Add to quick bar");
        if (c.text) {
            EXPECT_EQ(view->errorText(), c.text);
            EXPECT_EQ(friends->lastError(), c.text);
            EXPECT_TRUE(view->errorRow()->isVisible());
        } else {
            ++successes;
        }
        EXPECT_EQ(closed.count(), successes);
    }
}

TEST_F(AddQuickChannelViewTest, TheRadioScreenShowsItAndFindFriendComesBackToTheTuner)
{
    tuneTo(QStringLiteral("003.004"));
    RadioView view(stores(), std::make_unique<RecordingEffects>());
    view.resize(402, 860);
    view.show();
    view.showAddChannel();
    auto* add = qobject_cast<AddQuickChannelView*>(view.addChannelSheet()->content());
    ASSERT_TRUE(add);
    EXPECT_EQ(add->frequencyField()->text(), "003.004");
    saveArtifact(view, QStringLiteral("radio_view_add_channel_sheet"), QStringLiteral("quickbar"));
    add->frequencyField()->setText(QStringLiteral("9.9"));

    QTest::mouseClick(add->findFriendLink(), Qt::LeftButton);
    ASSERT_TRUE(add->findRadio());
    EXPECT_TRUE(add->findRadio()->titleLabel()->isVisible()) << "pushed, it shows its own title";
    EXPECT_EQ(add->findRadio()->titleLabel()->text(), "Find Radio");
    QTest::mouseClick(add->findRadio()->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(add->findRadio());
    EXPECT_EQ(add->frequencyField()->text(), "003.004") << "the tuner's frequency again";
    EXPECT_TRUE(view.addChannelSheet()->isVisible());

    QTest::mouseClick(add->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(view.addChannelSheet()->isVisible());
    EXPECT_EQ(view.quickBarRefresh(), 1);

    view.showFindRadio();
    auto* find = qobject_cast<FindRadioView*>(view.findRadioSheet()->content());
    ASSERT_TRUE(find);
    EXPECT_TRUE(find->results().empty());
    EXPECT_EQ(view.findRadioSheet()->title(), "Find Radio");
    EXPECT_FALSE(find->titleLabel()->isVisible()) << "the sheet's title is enough";
    saveArtifact(view, QStringLiteral("radio_view_find_radio_sheet"), QStringLiteral("quickbar"));
    QTest::mouseClick(find->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(view.findRadioSheet()->isVisible());
}
