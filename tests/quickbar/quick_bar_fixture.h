#pragma once

#include "radio_view/radio_view_fixture.h"
#include "services/tovrin_api.h"
#include "views/pro_quick_button.h"

#include <QTest>

// The real stores against a devserver, with helpers that change and read what
// the devserver keeps for this user.
class QuickBarTest : public RadioScreenTest {
protected:
    // Without an icon id the slot is stored with none.
    void addSlot(const QString& label, qint64 channel, std::optional<QString> iconId = std::nullopt)
    {
        ASSERT_FALSE(runVoidTask(TovrinAPI::shared().addSavedChannel(session->uid(), label, channel,
                                                                     iconId.value_or(QString()))));
    }

    std::vector<SavedChannelSlot> serverSlots()
    {
        auto outcome = runTask(TovrinAPI::shared().fetchSavedChannels(session->uid()));
        EXPECT_TRUE(outcome.ok());
        return outcome.value.value_or(std::vector<SavedChannelSlot>{});
    }

    void loadSlots() { ASSERT_FALSE(runVoidTask(friends->load(session->uid()))); }

    static QStringList labels(const QList<ProQuickButton*>& buttons)
    {
        QStringList list;
        for (const ProQuickButton* button : buttons)
            list << button->face().label;
        return list;
    }

    static ProQuickButton* button(const QList<ProQuickButton*>& buttons, const QString& label)
    {
        for (ProQuickButton* b : buttons) {
            if (b->face().label == label)
                return b;
        }
        return nullptr;
    }

    static void tap(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }
};
