#pragma once

#include "radio_view/radio_view_fixture.h"
#include "services/tovrin_api.h"
#include "support/scripted_responder.h"
#include "views/alert_dialog.h"
#include "views/browse_card.h"
#include "views/browse_channel_row.h"
#include "views/browse_tab_bar.h"
#include "views/passkey_prompt.h"
#include "views/sheet_overlay.h"

#include <QSignalSpy>
#include "support/view_test_support.h"
#include "views/browse_view.h"

#include <QJsonArray>

// The browse screen on the real stores, against the devserver or a scripted responder.
class BrowseScreenTest : public RadioScreenTest {
public:
    static QJsonObject channelJson(qint64 number, const QString& frequency, QJsonObject extra = {})
    {
        extra.insert("channel_number", number);
        extra.insert("display_frequency", frequency);
        return extra;
    }

protected:
    // Short toasts, so that their clearing can be watched.
    static constexpr BrowseView::Timing shortTiming{std::chrono::milliseconds(150), std::chrono::milliseconds(250)};

    BrowseView& makeView()
    {
        view = std::make_unique<BrowseView>(stores(), shortTiming);
        view->resize(402, 820);
        return *view;
    }

    void load() { ASSERT_FALSE(runVoidTask(view->load())); }

    void selectTab(BrowseTab tab)
    {
        QTest::mouseClick(view->tabBar(), Qt::LeftButton, {}, view->tabBar()->segmentRect(tab).center());
    }

    BrowseChannelRow* row(qint64 channelNumber) const
    {
        for (BrowseChannelRow* candidate : view->rows())
            if (candidate->content().channel.channelNumber == channelNumber)
                return candidate;
        return nullptr;
    }

    std::vector<qint64> rowNumbers() const
    {
        std::vector<qint64> numbers;
        for (const BrowseChannelRow* r : view->rows())
            numbers.push_back(r->content().channel.channelNumber);
        return numbers;
    }

    bool toastIs(const QString& text) const { return view->state().toast == text; }

    // From now on, every toast the screen puts up lands in `toasts`, in order;
    // the same text put up again after it went counts again.
    void recordToasts()
    {
        QObject::connect(view.get(), &BrowseView::stateChanged, view.get(), [this] {
            const std::optional<QString>& toast = view->state().toast;
            if (toast && toast != lastToast_)
                toasts << *toast;
            lastToast_ = toast;
        });
    }

    static ScriptedResponder::Reply listReply(const QJsonArray& channels, std::chrono::milliseconds delay = {})
    {
        const QJsonObject body{{"channels", channels}, {"total", channels.size()}, {"page", 1}};
        return {.status = 200, .body = QJsonDocument(body).toJson(QJsonDocument::Compact), .delay = delay};
    }

    static ScriptedResponder::Reply jsonReply(const QJsonObject& body, int status = 200)
    {
        return {.status = status, .body = QJsonDocument(body).toJson(QJsonDocument::Compact)};
    }

    static ScriptedResponder::Reply failure() { return {.status = 500, .body = "{}"}; }

    // Another user of the devserver with a listed channel of the given policy.
    qint64 otherUsersChannel(const QString& uid, const QString& name, const QString& policy,
                             const QString& passkey = QString())
    {
        const QString none;
        auto checkin = runTask(TovrinAPI::shared().checkin(uid, none, none, none));
        if (!checkin.value) {
            ADD_FAILURE() << "check-in failed";
            return 0;
        }
        const qint64 number = checkin.value->ownedChannelNumber.value_or(0);
        QJsonObject payload{{"name", name}, {"listed_public", true}, {"join_policy", policy}};
        if (!passkey.isEmpty())
            payload.insert("passkey", passkey);
        const auto update = runTask(TovrinAPI::shared().updateChannelSettings(uid, number, payload));
        if (const auto error = update.errorAs<TovrinAPIError>())
            ADD_FAILURE() << "settings: " << error->what();
        EXPECT_TRUE(update.value);
        return number;
    }

    // Checks in, lists another user's channel and shows the Users tab.
    qint64 showListedChannel(const QString& owner, const QString& policy, const QString& passkey = QString())
    {
        checkIn();
        const qint64 number = otherUsersChannel(owner, owner + " room", policy, passkey);
        makeView();
        load();
        selectTab(BrowseTab::userChannels);
        return number;
    }

    std::unique_ptr<BrowseView> view;
    QStringList toasts;

private:
    std::optional<QString> lastToast_;
};
