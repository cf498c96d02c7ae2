#include "views/sheet_overlay.h"

#include <QLabel>
#include <QPointer>
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

namespace {

TEST(SheetOverlay, CoversTheWholeWindowAndGoesWithTheScreenThatOpenedIt)
{
    QWidget window;
    window.resize(402, 902);
    auto* screen = new QWidget(&window);
    screen->setGeometry(0, 0, 402, 800);
    auto* bar = new QWidget(&window);  // drawn above the screen, like the tab bar
    bar->setGeometry(0, 800, 402, 102);
    window.show();

    QPointer<SheetOverlay> sheet = new SheetOverlay(QStringLiteral("Chat"), screen);
    sheet->present();
    EXPECT_EQ(sheet->parentWidget(), &window);
    EXPECT_EQ(sheet->geometry(), window.rect());
    QWidget* hit = window.childAt(200, 850);
    EXPECT_TRUE(hit == sheet.data() || sheet->isAncestorOf(hit));

    delete screen;
    EXPECT_TRUE(sheet->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheet.isNull());
}

}  // namespace
