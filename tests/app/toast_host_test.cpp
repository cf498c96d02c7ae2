#include "support/view_test_support.h"
#include "views/sheet_overlay.h"
#include "views/toast_host.h"

#include <QAbstractAnimation>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

void finish(QAbstractAnimation* motion)
{
    motion->setCurrentTime(motion->totalDuration());
}

qreal opacityOf(const ToastHost& toast)
{
    return static_cast<QGraphicsOpacityEffect*>(toast.graphicsEffect())->opacity();
}

TEST(ToastHost, OneHostPerWindowAboveEverySheetOpenedBeforeOrAfter)
{
    QWidget window;
    window.resize(402, 902);
    auto* screen = new QWidget(&window);
    screen->setGeometry(window.rect());
    window.show();
    SheetOverlay before(QStringLiteral("Before"), screen);
    before.present();

    ToastHost* toast = ToastHost::of(screen);
    EXPECT_EQ(toast, ToastHost::of(&window));
    EXPECT_EQ(toast->parentWidget(), &window);
    toast->present(screen, QStringLiteral("Saved"), {.bottomInset = 12});
    EXPECT_TRUE(toast->isShowing(screen));
    EXPECT_EQ(toast->text(), QStringLiteral("Saved"));
    EXPECT_EQ(toast->geometry().bottom() + 1, 902 - 12);
    EXPECT_LE(std::abs(toast->x() - (402 - toast->x() - toast->width())), 1);  // centred
    EXPECT_TRUE(stackedOnTop(*toast));

    // Sheets opened later, and new children of the window, stay under it.
    SheetOverlay after(QStringLiteral("After"), screen);
    after.present();
    EXPECT_TRUE(stackedOnTop(*toast));
    auto* late = new QLabel(QStringLiteral("late"), &window);
    late->setGeometry(window.rect());
    late->show();
    EXPECT_TRUE(stackedOnTop(*toast));
    before.raise();
    EXPECT_TRUE(stackedOnTop(*toast));
    // Clicks go through it to what lies under.
    EXPECT_TRUE(toast->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(ToastHost, OnlyItsOwnerTakesAToastDownAndItGoesWithTheOwner)
{
    QWidget window;
    window.resize(402, 902);
    auto first = std::make_unique<QWidget>(&window);
    auto* second = new QWidget(&window);
    ToastHost* toast = ToastHost::of(&window);

    toast->present(first.get(), QStringLiteral("first"), {});
    ToastHost::withdraw(second);
    EXPECT_TRUE(toast->isShowing(first.get()));
    toast->present(second, QStringLiteral("second"), {});
    ToastHost::withdraw(first.get());
    EXPECT_TRUE(toast->isShowing(second));
    ToastHost::withdraw(second);
    EXPECT_TRUE(toast->isHidden());

    toast->present(first.get(), QStringLiteral("again"), {.slides = true});
    first.reset();
    EXPECT_TRUE(toast->isHidden());
    EXPECT_EQ(toast->motion()->state(), QAbstractAnimation::Stopped);
}

TEST(ToastHost, ASlidingToastComesUpFromTheBottomEdgeAndFadesBothWays)
{
    QWidget window;
    window.resize(402, 902);
    window.show();
    ToastHost* toast = ToastHost::of(&window);
    toast->present(&window, QStringLiteral("Blocked Bo"), {.bottomInset = 88, .slides = true});

    // It starts below the window, clear, and moves in.
    EXPECT_EQ(toast->y(), 902);
    EXPECT_EQ(opacityOf(*toast), 0.0);
    EXPECT_EQ(toast->motion()->state(), QAbstractAnimation::Running);
    finish(toast->motion());
    EXPECT_EQ(toast->geometry().bottom() + 1, 902 - 88);
    EXPECT_EQ(opacityOf(*toast), 1.0);

    // A new text while it is up only replaces the text.
    toast->present(&window, QStringLiteral("Banned Bo"), {.bottomInset = 88, .slides = true});
    EXPECT_EQ(toast->motion()->state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(toast->geometry().bottom() + 1, 902 - 88);

    // Taken down, it slides out and fades, and is gone at the end.
    ToastHost::withdraw(&window);
    EXPECT_FALSE(toast->isShowing(&window));
    EXPECT_FALSE(toast->isHidden());
    EXPECT_EQ(toast->motion()->state(), QAbstractAnimation::Running);
    finish(toast->motion());
    EXPECT_TRUE(toast->isHidden());
    EXPECT_EQ(toast->y(), 902);
    EXPECT_EQ(opacityOf(*toast), 0.0);

    // A toast shown again on its way out comes back up.
    toast->present(&window, QStringLiteral("one"), {.bottomInset = 88, .slides = true});
    ToastHost::withdraw(&window);
    toast->present(&window, QStringLiteral("two"), {.bottomInset = 88, .slides = true});
    finish(toast->motion());
    EXPECT_TRUE(toast->isShowing(&window));
    EXPECT_EQ(opacityOf(*toast), 1.0);
}

}  // namespace
