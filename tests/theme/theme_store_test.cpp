#include "platform/user_defaults.h"
#include "theme/theme_store.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

const QString kKey = QStringLiteral("tovrin.faceplate");

class ThemeStoreTest : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults().remove(kKey); }
    void TearDown() override { UserDefaults().remove(kKey); }
};

TEST_F(ThemeStoreTest, StartsOnClassicAndWritesNothing)
{
    ThemeStore store;
    EXPECT_EQ(store.current().id, QStringLiteral("classic"));
    EXPECT_FALSE(UserDefaults().contains(kKey));
}

TEST_F(ThemeStoreTest, ChoiceSurvivesARestart)
{
    {
        ThemeStore store;
        store.setCurrent(FacePlateTheme::byId(QStringLiteral("zodiac_leo")));
        EXPECT_EQ(UserDefaults().string(kKey).value_or(QString()), QStringLiteral("zodiac_leo"));
    }
    ThemeStore restarted;
    EXPECT_EQ(restarted.current(), FacePlateTheme::byId(QStringLiteral("zodiac_leo")));
}

TEST_F(ThemeStoreTest, UnknownStoredIdFallsBackAndStaysStored)
{
    for (const char* stored : {"theme_from_a_newer_build", "Cyber", "cyber "}) {
        UserDefaults().set(kKey, QString::fromLatin1(stored));
        ThemeStore store;
        EXPECT_EQ(store.current().id, QStringLiteral("classic")) << stored;
        EXPECT_EQ(UserDefaults().string(kKey).value_or(QString()), QString::fromLatin1(stored));
    }
}

TEST_F(ThemeStoreTest, NotifiesOnRealChangesAndWritesOnEveryAssignment)
{
    ThemeStore store;
    QSignalSpy spy(&store, &ThemeStore::currentChanged);
    store.setCurrent(FacePlateTheme::byId(QStringLiteral("cyber")));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(store.property("current").value<FacePlateTheme>().id, QStringLiteral("cyber"));

    // Same theme again: written again, no second notification.
    UserDefaults().remove(kKey);
    store.setCurrent(FacePlateTheme::byId(QStringLiteral("cyber")));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(UserDefaults().string(kKey).value_or(QString()), QStringLiteral("cyber"));

    store.setCurrent(FacePlateTheme::byId(QStringLiteral("classic")));
    EXPECT_EQ(spy.count(), 2);
}

} // namespace
