#include "radio_view/radio_view_fixture.h"

#include "support/view_test_support.h"
#include "views/channel_chat_view.h"
#include "views/radio_view.h"
#include "views/sheet_overlay.h"
#include "views/tovrin_shell_view.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace {

class ChatSheetTest : public RadioScreenTest {};

ChannelChatView* chatIn(const RadioView& view)
{
    return qobject_cast<ChannelChatView*>(view.chatSheet()->content());
}

}  // namespace

TEST_F(ChatSheetTest, EveryOpeningOfTheChatIsAFreshScreenAndDoneClosesIt)
{
    RadioView view(stores(), std::make_unique<RecordingEffects>());
    view.resize(402, 820);
    view.show();
    Q_EMIT view.shell()->chatTapped();
    ASSERT_FALSE(view.chatSheet()->isHidden());
    QPointer<ChannelChatView> first = chatIn(view);
    ASSERT_NE(first, nullptr);
    first->setDraft(QStringLiteral("unsent"));
    first->showToast(QStringLiteral("a toast"));
    runQueued();
    saveArtifact(*view.window(), QStringLiteral("chat_sheet_on_radio"));

    QTest::mouseClick(first->doneButton(), Qt::LeftButton);
    EXPECT_TRUE(view.chatSheet()->isHidden());
    EXPECT_TRUE(waitUntil([&] { return first.isNull(); }));  // nothing of it stays

    Q_EMIT view.shell()->chatTapped();
    ChannelChatView* second = chatIn(view);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_EQ(second->draft(), QString());
    EXPECT_FALSE(second->toast());

    // Escape closes the sheet as a swipe would; no "Done" line is written.
    Diagnostics::LineCapture log;
    view.chatSheet()->dismiss();
    EXPECT_TRUE(view.chatSheet()->isHidden());
    EXPECT_TRUE(log.lines().filter(QStringLiteral("chat Done")).isEmpty());
}
