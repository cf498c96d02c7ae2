#include "models/voice_filter.h"
#include "platform/user_defaults.h"
#include "services/voice_filter_store.h"
#include "support/artifacts.h"
#include "theme/theme_store.h"
#include "views/voice_filter_dial.h"

#include <QImage>
#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QString kKey = QString::fromLatin1(VoiceFilterStore::kKey);

TEST(VoiceFilter, TwentyPresetsByExactRawValue)
{
    QStringList raws;
    for (VoiceFilter f : allCases<VoiceFilter>())
        raws << rawValue(f);
    EXPECT_EQ(raws.join(','), "normal,grovak,superman,spiderman,darth,batman,chipmunk,mickey,helium,lady,manly,alien,"
                              "robot,drunk,hyper,cartoon,cyborg,demon,grandpa,valley");
    EXPECT_EQ(fromRawValue<VoiceFilter>("Normal"), std::nullopt);
    EXPECT_EQ(fromRawValue<VoiceFilter>("grovak"), VoiceFilter::grovak);
    EXPECT_EQ(encodeRawValue(VoiceFilter::demon), QJsonValue("demon"));
    EXPECT_EQ(decodeRawValue<VoiceFilter>(QJsonValue("valley")), VoiceFilter::valley);
}

TEST(VoiceFilterStore, StartsAtNormalWhateverWasStoredAndDoesNotPersistLaterChoices)
{
    UserDefaults defaults;
    defaults.set(kKey, "robot");
    VoiceFilterStore store;
    EXPECT_EQ(store.selected(), VoiceFilter::normal);
    EXPECT_FALSE(store.effectsEnabled());
    EXPECT_EQ(defaults.string(kKey), "normal");

    QSignalSpy spy(&store, &VoiceFilterStore::selectedChanged);
    store.setSelected(VoiceFilter::robot);
    store.setSelected(VoiceFilter::robot);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(defaults.string(kKey), "normal");
    EXPECT_EQ(VoiceFilterStore().selected(), VoiceFilter::normal);
}

TEST(VoiceFilterDial, SizesFollowTheSideWithTheirFloors)
{
    const VoiceFilterDialStyle small(40);
    EXPECT_DOUBLE_EQ(small.captionSize, 8.0);  // 0.16 x 40 = 6.4, floored
    EXPECT_DOUBLE_EQ(small.symbolSize, 16.8);
    EXPECT_DOUBLE_EQ(small.height, 44.8);
    EXPECT_DOUBLE_EQ(small.cornerRadius, 8.0);
    EXPECT_DOUBLE_EQ(small.strokeWidth, 1.0);  // 0.72, floored
    const VoiceFilterDialStyle large(100);
    EXPECT_DOUBLE_EQ(large.captionSize, 16.0);
    EXPECT_DOUBLE_EQ(large.strokeWidth, 1.8);
    EXPECT_DOUBLE_EQ(large.spacing, 8.0);
}

TEST(VoiceFilterDial, ReadsFxOffAndTakesNoInput)
{
    ThemeStore theme;
    VoiceFilterDial dial(&theme, 40);
    EXPECT_EQ(VoiceFilterDial::kSymbol, QString::fromUcs4(U"\U0001F6AB"));
    EXPECT_EQ(VoiceFilterDial::kCaption, "FX OFF");
    EXPECT_EQ(dial.size(), QSize(40, 45));
    EXPECT_EQ(dial.accessibleName(), "Voice effects off");
    EXPECT_EQ(dial.accessibleDescription(), "Effects are disabled while audio is being fixed");
    EXPECT_TRUE(dial.testAttribute(Qt::WA_TransparentForMouseEvents));

    const QImage image = dial.grab().toImage();
    ASSERT_FALSE(image.isNull());
    // The plate darkens the middle of the dial.
    EXPECT_GT(image.pixelColor(20, 3).alpha(), 0);

    VoiceFilterDial large(&theme, 120);
    EXPECT_TRUE(large.grab().save(artifactFilePath(QStringLiteral("voice-filter-dial-120.png"))));
}

}  // namespace
