#include "models/alert_sound.h"
#include "platform/tovrin_haptics.h"
#include "platform/user_defaults.h"
#include "services/alert_sound_store.h"

#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QString kKey = QString::fromLatin1(AlertSoundStore::kKey);

class AlertSoundStoreTest : public ::testing::Test {
protected:
    void SetUp() override { defaults.remove(kKey); }
    UserDefaults defaults;
};

TEST(AlertSound, CasesLabelsAndEmojiInDeclarationOrder)
{
    QStringList raws, labels;
    for (AlertSound s : allCases<AlertSound>()) {
        raws << rawValue(s);
        labels << alertSoundLabel(s);
    }
    EXPECT_EQ(raws.join(','), "pager,cat,dog,alien,horn,laugh,whatsUp,sonicBoom,ak47,fastCar,airplane,fighterJet,"
                              "cow,birds,scratch,chalk,bell,siren,whistle,drum");
    EXPECT_EQ(labels.join(','), "Pager,Cat,Dog,Alien,Horn,Laugh,What's Up,Sonic Boom,AK-47,Fast Car,Airplane,"
                                "Fighter Jet,Cow,Birds,Scratch,Chalk,Bell,Siren,Whistle,Drum");
    EXPECT_EQ(alertSoundEmoji(AlertSound::pager), QString::fromUcs4(U"\U0001F3B5"));
    EXPECT_EQ(alertSoundEmoji(AlertSound::whatsUp), QString::fromUcs4(U"\u270C\uFE0F"));
    EXPECT_EQ(alertSoundEmoji(AlertSound::fastCar), QString::fromUcs4(U"\U0001F3CE\uFE0F"));
    EXPECT_EQ(alertSoundEmoji(AlertSound::airplane), QString::fromUcs4(U"\u2708\uFE0F"));
    EXPECT_EQ(alertSoundEmoji(AlertSound::fighterJet), QString::fromUcs4(U"\U0001F6E9\uFE0F"));
    EXPECT_EQ(alertSoundEmoji(AlertSound::drum), QString::fromUcs4(U"\U0001F941"));
}

TEST(AlertSound, RawValuesAndJsonAreExact)
{
    EXPECT_EQ(fromRawValue<AlertSound>("sonicBoom"), AlertSound::sonicBoom);
    EXPECT_EQ(fromRawValue<AlertSound>("sonic_Boom"), std::nullopt);
    EXPECT_EQ(fromRawValue<AlertSound>("Siren"), std::nullopt);
    EXPECT_EQ(decodeRawValue<AlertSound>(QJsonValue("bell")), AlertSound::bell);
    EXPECT_THROW(decodeRawValue<AlertSound>(QJsonValue("Bell")), DecodeError);
    EXPECT_THROW(decodeRawValue<AlertSound>(QJsonValue(3)), DecodeError);
    EXPECT_EQ(encodeRawValue(AlertSound::ak47), QJsonValue("ak47"));
    EXPECT_EQ(qHash(AlertSound::cow, 7), qHash(QStringLiteral("cow"), 7));
}

TEST_F(AlertSoundStoreTest, FirstStartIsPagerAndWritesNothing)
{
    AlertSoundStore store;
    EXPECT_EQ(store.current(), AlertSound::pager);
    EXPECT_FALSE(defaults.contains(kKey));
}

TEST_F(AlertSoundStoreTest, UnknownStoredNamesStartAsPagerAndStayUntilOverwritten)
{
    for (const QVariant& stored : {QVariant("Siren"), QVariant("kazoo"), QVariant(QStringList{"siren"})}) {
        defaults.set(kKey, stored);
        AlertSoundStore store;
        EXPECT_EQ(store.current(), AlertSound::pager) << stored.toString().toStdString();
        EXPECT_EQ(defaults.value(kKey), stored);
        store.setCurrent(AlertSound::pager);  // same case, still written
        EXPECT_EQ(defaults.string(kKey), "pager");
    }
}

TEST_F(AlertSoundStoreTest, ChoiceSurvivesANewStoreAndSignalsOnlyRealChanges)
{
    {
        AlertSoundStore store;
        QSignalSpy spy(&store, &AlertSoundStore::currentChanged);
        store.setCurrent(AlertSound::siren);
        store.setCurrent(AlertSound::siren);
        EXPECT_EQ(spy.count(), 1);
    }
    AlertSoundStore again;
    EXPECT_EQ(again.current(), AlertSound::siren);
}

TEST_F(AlertSoundStoreTest, TwentyStepsComeBackWithARigidTapEach)
{
    defaults.set(kKey, "whistle");
    AlertSoundStore store;
    TovrinHaptics::rigidGen();
    HapticLog::clear();
    store.cycleNext();
    EXPECT_EQ(store.current(), AlertSound::drum);
    store.cycleNext();
    EXPECT_EQ(store.current(), AlertSound::pager);
    EXPECT_EQ(defaults.string(kKey), "pager");
    for (int i = 0; i < 18; ++i)
        store.cycleNext();
    EXPECT_EQ(store.current(), AlertSound::whistle);
    EXPECT_EQ(AlertSoundStore().current(), AlertSound::whistle);

    const auto events = HapticLog::events();
    ASSERT_EQ(events.size(), 40u);
    for (std::size_t i = 0; i < events.size(); i += 2) {
        EXPECT_EQ(events[i], (HapticEvent{ImpactStyle::Rigid, HapticEvent::Kind::Prepared}));
        EXPECT_EQ(events[i + 1], (HapticEvent{ImpactStyle::Rigid, HapticEvent::Kind::Impact, 1.0}));
    }
}

}  // namespace
