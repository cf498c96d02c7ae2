#include "support/view_test_support.h"

#include "platform/symbol_image.h"
#include "platform/user_defaults.h"
#include "theme/face_plate_art_overlay.h"
#include "theme/theme_store.h"
#include "views/face_plate_theme_picker_view.h"
#include "views/face_plate_theme_preview.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>

namespace {

QStringList ids(const std::vector<const FacePlateTheme*>& themes)
{
    QStringList out;
    for (const FacePlateTheme* theme : themes)
        out.append(theme->id);
    return out;
}

QStringList catalogIds()
{
    QStringList out;
    for (const FacePlateTheme& theme : FacePlateTheme::catalog())
        out.append(theme.id);
    return out;
}

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults().remove(QStringLiteral("tovrin.faceplate"));
        HapticLog::clear();
    }
    void TearDown() override { UserDefaults().remove(QStringLiteral("tovrin.faceplate")); }

    QStringList rows(FacePlateThemePickerView& picker)
    {
        QStringList out;
        QAbstractItemModel* model = picker.list()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out.append(model->index(r, 0).data(Qt::UserRole).toString());
        return out;
    }

    void clickRow(FacePlateThemePickerView& picker, const QString& id)
    {
        QAbstractItemModel* model = picker.list()->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            const QModelIndex index = model->index(r, 0);
            if (index.data(Qt::UserRole).toString() != id)
                continue;
            picker.list()->scrollTo(index);
            QTest::mouseClick(picker.list()->viewport(), Qt::LeftButton, {},
                              picker.list()->visualRect(index).center());
            return;
        }
        ADD_FAILURE() << "no row " << id.toStdString();
    }
};

TEST(FacePlateThemePicker, Filtering)
{
    EXPECT_EQ(ids(FacePlateThemePickerView::filtered(QString())), catalogIds());
    EXPECT_EQ(ids(FacePlateThemePickerView::filtered(QStringLiteral("  \n\t "))), catalogIds());
    EXPECT_EQ(catalogIds().size(), 197);

    const QStringList flag = ids(FacePlateThemePickerView::filtered(QStringLiteral("flag")));
    EXPECT_EQ(ids(FacePlateThemePickerView::filtered(QStringLiteral("FLAG"))), flag);
    EXPECT_EQ(ids(FacePlateThemePickerView::filtered(QStringLiteral("  Flag \n"))), flag);
    for (const FacePlateTheme& theme : FacePlateTheme::catalog()) {
        const bool expected = theme.name.toLower().contains(QStringLiteral("flag"))
                              || theme.id.toLower().contains(QStringLiteral("flag"));
        EXPECT_EQ(flag.contains(theme.id), expected) << theme.id.toStdString();
    }

    // By id even where the name does not say it.
    const QStringList states = ids(FacePlateThemePickerView::filtered(QStringLiteral("state_")));
    EXPECT_EQ(states.size(), 50);
    EXPECT_TRUE(states.contains(QStringLiteral("state_wy")));

    // By emoji.
    const FacePlateTheme& canada = FacePlateTheme::byId(QStringLiteral("canada"));
    EXPECT_TRUE(ids(FacePlateThemePickerView::filtered(canada.emoji)).contains(QStringLiteral("canada")));

    EXPECT_TRUE(FacePlateThemePickerView::filtered(QStringLiteral("zzzz-no-theme")).empty());
}

TEST(FacePlateThemePicker, StickerLine)
{
    EXPECT_EQ(FacePlateThemePickerView::stickerLine(FacePlateTheme::byId(QStringLiteral("classic"))),
              QString::fromUtf8("📻 📡 🔊"));
    const FacePlateTheme& finland = FacePlateTheme::byId(QStringLiteral("finland"));
    EXPECT_EQ(FacePlateThemePickerView::stickerLine(finland), finland.emoji + QString::fromUtf8(" ✨"));
}

TEST_F(PickerTest, ScreenTextsAndSearchRefilters)
{
    ThemeStore store;
    FacePlateThemePickerView picker(&store);
    picker.resize(402, 800);
    picker.show();
    EXPECT_EQ(FacePlateThemePickerView::titleText(), QStringLiteral("Face plate themes"));
    EXPECT_EQ(picker.searchField()->placeholderText(), QString::fromUtf8("Search themes — flags, gaming, cute…"));
    EXPECT_TRUE(picker.searchField()->text().isEmpty());
    EXPECT_EQ(rows(picker), catalogIds());
    saveArtifact(picker, QStringLiteral("theme-picker"));

    QTest::keyClicks(picker.searchField(), QStringLiteral("Zodiac"));
    EXPECT_EQ(rows(picker).size(), 12);
    EXPECT_EQ(rows(picker), ids(picker.filtered()));
    saveArtifact(picker, QStringLiteral("theme-picker-search"));

    picker.searchField()->setText(QStringLiteral("zzzz"));
    EXPECT_EQ(picker.list()->model()->rowCount(), 0);
}

TEST_F(PickerTest, TappingARowStoresItTapsAndAsksToClose)
{
    ThemeStore store;
    FacePlateThemePickerView picker(&store);
    picker.resize(402, 800);
    picker.show();
    QSignalSpy dismissed(&picker, &FacePlateThemePickerView::dismissRequested);
    QSignalSpy changed(&store, &ThemeStore::currentChanged);

    clickRow(picker, QStringLiteral("cyber"));
    EXPECT_EQ(store.current().id, QStringLiteral("cyber"));
    EXPECT_EQ(UserDefaults().value(QStringLiteral("tovrin.faceplate")).toString(), QStringLiteral("cyber"));
    EXPECT_EQ(hapticTrace(), (QStringList{"prepare medium", "impact medium"}));
    EXPECT_EQ(dismissed.count(), 1);
    EXPECT_EQ(changed.count(), 1);

    // The theme already in use: stored again, tapped, closed; no change signal.
    UserDefaults().remove(QStringLiteral("tovrin.faceplate"));
    HapticLog::clear();
    clickRow(picker, QStringLiteral("cyber"));
    EXPECT_EQ(UserDefaults().value(QStringLiteral("tovrin.faceplate")).toString(), QStringLiteral("cyber"));
    EXPECT_EQ(hapticTrace(), (QStringList{"prepare medium", "impact medium"}));
    EXPECT_EQ(dismissed.count(), 2);
    EXPECT_EQ(changed.count(), 1);

    // Return on the list chooses the current row.
    picker.list()->setFocus();
    picker.list()->setCurrentIndex(picker.list()->model()->index(0, 0));
    QTest::keyClick(picker.list(), Qt::Key_Return);
    EXPECT_EQ(store.current().id, QStringLiteral("classic"));
    EXPECT_EQ(dismissed.count(), 3);
}

TEST_F(PickerTest, PreviewCards)
{
    EXPECT_TRUE(SymbolImage::exists(QStringLiteral("checkmark.circle.fill")));
    EXPECT_EQ(FacePlateThemePreview::cornerRadius(true), 10);
    EXPECT_EQ(FacePlateThemePreview::cornerRadius(false), 14);
    for (const char* id : {"classic", "canada", "mario", "state_tx", "zodiac_leo"}) {
        const FacePlateTheme& theme = FacePlateTheme::byId(QString::fromLatin1(id));
        FacePlateThemePreview compact(theme, true);
        compact.resize(compact.sizeHint());
        EXPECT_EQ(compact.size(), QSize(88, 56));
        FacePlateThemePreview full(theme, false);
        full.resize(full.sizeHint());
        saveArtifact(compact, QStringLiteral("theme-card-compact-%1").arg(QLatin1String(id)));
        saveArtifact(full, QStringLiteral("theme-card-full-%1").arg(QLatin1String(id)));
        // The corner outside the rounded card stays empty.
        QImage image(full.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        full.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, 20)), 255);
    }
}

} // namespace
