#include "platform/tovrin_haptics.h"
#include "support/view_test_support.h"
#include "theme/quick_bar_icons.h"
#include "views/icon_picker_sheet.h"
#include "views/sheet_overlay.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QFileDialog>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// The picture a custom text carries, as the JPEG decoder reads it.
QImage decodedJpeg(const QString& base64)
{
    const QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
    EXPECT_TRUE(bytes.startsWith("\xFF\xD8")) << "a JPEG";
    return QImage::fromData(bytes, "JPG");
}

class IconPickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HapticLog::clear();
        ASSERT_TRUE(dir.isValid());
    }

    QString writePhoto(const QString& name, const QImage& image)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    std::unique_ptr<IconPickerSheet> picker(QString id, std::optional<QString> custom)
    {
        auto sheet = std::make_unique<IconPickerSheet>(std::move(id), std::move(custom), QStringLiteral("Channel icon"));
        sheet->resize(378, 780);
        sheet->show();
        return sheet;
    }

    static QStringList selectedCells(const IconPickerSheet& sheet)
    {
        QStringList selected;
        for (const auto& item : QuickBarIconCatalog::presets()) {
            if (sheet.isSelected(item.id))
                selected << item.id;
        }
        return selected;
    }

    QTemporaryDir dir;
};

}  // namespace

TEST(IconPictureEncoding, CapsTheLongerSideAt128AndNeverEnlarges)
{
    struct Case {
        QSize in;
        QSize out;
    };
    const Case cases[] = {{{4000, 3000}, {128, 96}}, {{3000, 4000}, {96, 128}}, {{100, 50}, {100, 50}},
                          {{1, 1}, {1, 1}},          {{128, 128}, {128, 128}}, {{1000, 3}, {128, 1}}};
    for (const Case& c : cases) {
        const auto text = IconPickerSheet::encodePicture(encoded(solid(c.in, Qt::blue), "PNG"));
        ASSERT_TRUE(text) << c.in.width() << "x" << c.in.height();
        EXPECT_FALSE(text->contains(QLatin1Char('\n')));
        EXPECT_EQ(decodedJpeg(*text).size(), c.out) << c.in.width() << "x" << c.in.height();
        EXPECT_EQ(QuickBarIcon::contentFor(QStringLiteral("custom"), text), QuickBarIcon::Content::custom);
    }
}

TEST(IconPictureEncoding, FlattensTransparencyOntoAnOpaqueBitmap)
{
    const auto text = IconPickerSheet::encodePicture(encoded(solid({40, 40}, Qt::transparent), "PNG"));
    ASSERT_TRUE(text);
    const QImage jpeg = decodedJpeg(*text);
    EXPECT_FALSE(jpeg.hasAlphaChannel());
    EXPECT_EQ(jpeg.pixelColor(20, 20).alpha(), 255);
}

TEST(IconPictureEncoding, RefusesWhatIsNoImage)
{
    EXPECT_FALSE(IconPickerSheet::encodePicture(QByteArray()));
    EXPECT_FALSE(IconPickerSheet::encodePicture(QByteArray("not a picture at all")));
}

TEST_F(IconPickerTest, SelectionFollowsTheIdOnlyWithoutACustomPicture)
{
    auto sheet = picker(QStringLiteral("star"), std::nullopt);
    EXPECT_EQ(selectedCells(*sheet), QStringList({"star"}));
    EXPECT_FALSE(sheet->customRow()->isVisible());
    saveArtifact(*sheet, QStringLiteral("icon_picker_star"), QStringLiteral("quickbar"));

    auto withCustom = picker(QStringLiteral("star"), QStringLiteral("AAAA"));
    EXPECT_TRUE(selectedCells(*withCustom).isEmpty()) << "a custom picture wins over a matching id";

    auto empty = picker(QStringLiteral("radio"), QString());
    EXPECT_TRUE(empty->customRow()->isVisible()) << "an empty custom text still shows the row";
    EXPECT_TRUE(selectedCells(*empty).isEmpty());
}

TEST_F(IconPickerTest, APresetTapWritesBothValuesAndStaysOpen)
{
    auto sheet = picker(QStringLiteral("radio"), QStringLiteral("AAAA"));
    QSignalSpy ids(sheet.get(), &IconPickerSheet::selectedIconIdChanged);
    QSignalSpy customs(sheet.get(), &IconPickerSheet::customBase64Changed);
    QSignalSpy done(sheet.get(), &IconPickerSheet::doneRequested);

    QAbstractButton* kart = sheet->presetCell(QStringLiteral("kart"));
    ASSERT_TRUE(kart);
    QTest::mouseClick(kart, Qt::LeftButton);
    EXPECT_EQ(sheet->selectedIconId(), "kart");
    EXPECT_EQ(sheet->customBase64(), std::nullopt);
    EXPECT_EQ(ids.count(), 1);
    EXPECT_EQ(customs.count(), 1);
    EXPECT_EQ(done.count(), 0);
    EXPECT_EQ(selectedCells(*sheet), QStringList({"kart"}));
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium"}));
}

TEST_F(IconPickerTest, AnUploadSetsThePictureThenTheCustomIdAndClearKeepsTheId)
{
    auto sheet = picker(QStringLiteral("star"), std::nullopt);
    QStringList order;
    QObject::connect(sheet.get(), &IconPickerSheet::customBase64Changed, [&] { order << "custom"; });
    QObject::connect(sheet.get(), &IconPickerSheet::selectedIconIdChanged, [&] { order << "id"; });

    QImage photo = solid({4000, 3000}, QColor(200, 40, 40));
    QPainter(&photo).fillRect(QRect(0, 0, 2000, 3000), QColor(40, 40, 200));
    const QString path = writePhoto(QStringLiteral("logo.png"), photo);
    sheet->setPickerItem(path);
    ASSERT_TRUE(sheet->customBase64());
    EXPECT_EQ(order, QStringList({"custom", "id"}));
    EXPECT_EQ(sheet->selectedIconId(), "custom");
    EXPECT_EQ(decodedJpeg(*sheet->customBase64()).size(), QSize(128, 96));
    EXPECT_TRUE(sheet->customRow()->isVisible());
    EXPECT_TRUE(selectedCells(*sheet).isEmpty());
    saveArtifact(*sheet, QStringLiteral("icon_picker_uploaded"), QStringLiteral("quickbar"));

    QTest::mouseClick(sheet->clearButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->customBase64(), std::nullopt);
    EXPECT_EQ(sheet->selectedIconId(), "custom");
    EXPECT_EQ(sheet->pickerItem(), std::nullopt);
    EXPECT_FALSE(sheet->customRow()->isVisible());
    EXPECT_TRUE(selectedCells(*sheet).isEmpty());

    sheet->setPickerItem(path);
    EXPECT_TRUE(sheet->customBase64()) << "the same photo is processed again after Clear";
}

TEST_F(IconPickerTest, APhotoThatCannotBeReadChangesNothing)
{
    auto sheet = picker(QStringLiteral("star"), std::nullopt);
    QFile broken(dir.filePath(QStringLiteral("broken.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG but not really");
    broken.close();
    for (const QString& path : {broken.fileName(), dir.filePath(QStringLiteral("missing.jpg"))}) {
        sheet->setPickerItem(path);
        EXPECT_EQ(sheet->selectedIconId(), "star");
        EXPECT_EQ(sheet->customBase64(), std::nullopt);
        EXPECT_EQ(selectedCells(*sheet), QStringList({"star"}));
    }
}

TEST_F(IconPickerTest, AnOversizedFileIsRefusedBeforeItIsRead)
{
    auto sheet = picker(QStringLiteral("star"), std::nullopt);
    QFile huge(dir.filePath(QStringLiteral("huge.png")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(65 * 1024 * 1024));  // sparse: no time spent writing
    huge.close();
    sheet->setPickerItem(huge.fileName());
    EXPECT_EQ(sheet->selectedIconId(), "star");
    EXPECT_EQ(sheet->customBase64(), std::nullopt);
}

TEST_F(IconPickerTest, TheUploadButtonOpensAFileChooserThatLoadsThePhoto)
{
    auto sheet = picker(QStringLiteral("radio"), std::nullopt);
    const QString path = writePhoto(QStringLiteral("pick.png"), solid({300, 100}, Qt::green));
    QTest::mouseClick(sheet->uploadButton(), Qt::LeftButton);
    auto* dialog = sheet->findChild<QFileDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(sheet->customBase64());
    EXPECT_EQ(decodedJpeg(*sheet->customBase64()).size(), QSize(128, 43));
}

TEST_F(IconPickerTest, DoneClosesTheSheetAndReportsOnce)
{
    QWidget host;
    host.resize(402, 902);
    host.show();
    auto* sheet = new IconPickerSheet(QStringLiteral("radio"), std::nullopt, QStringLiteral("Channel icon"));
    int closed = 0;
    QPointer<SheetOverlay> overlay = presentIconPicker(&host, sheet, [&] { ++closed; });
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->title(), "Channel icon");
    EXPECT_TRUE(overlay->isVisible());
    saveArtifact(host, QStringLiteral("icon_picker_sheet"), QStringLiteral("quickbar"));
    QTest::mouseClick(sheet->doneButton(), Qt::LeftButton);
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlay.isNull(); }, 2000)) << "the sheet goes once closed";
    EXPECT_EQ(closed, 1);
}
