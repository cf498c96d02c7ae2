#include "views/sheet_overlay.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

TEST(SheetOverlay, OpensOverItsHostAndClosesWithEscapeOrTheCloseControl)
{
    QWidget host;
    host.resize(402, 902);
    host.show();
    SheetOverlay sheet(QStringLiteral("Chat"), &host);
    sheet.setContent(new QLabel(QStringLiteral("body")));
    QSignalSpy dismissed(&sheet, &SheetOverlay::dismissed);

    EXPECT_TRUE(sheet.isHidden());
    sheet.present();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.geometry(), host.rect());
    EXPECT_EQ(sheet.title(), "Chat");

    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet.isHidden());
    EXPECT_EQ(dismissed.count(), 1);

    sheet.present();
    QTest::mouseClick(sheet.closeButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet.isHidden());
    EXPECT_EQ(dismissed.count(), 2);

    sheet.dismiss();  // already hidden: no second report
    EXPECT_EQ(dismissed.count(), 2);

    host.resize(402, 700);
    sheet.present();
    EXPECT_EQ(sheet.geometry(), host.rect());
}

}  // namespace
