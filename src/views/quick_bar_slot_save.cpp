#include "views/quick_bar_slot_save.h"

#include "platform/tovrin_haptics.h"
#include "services/friends_store.h"
#include "services/tovrin_api.h"
#include "views/saved_channel_failure.h"

QCoro::Task<bool> saveQuickBarSlot(FriendsStore* friends, QuickBarSlotRequest request)
{
    std::exception_ptr failure;
    try {
        co_await TovrinAPI::shared().addSavedChannel(request.uid, request.label, request.channelNumber, request.iconId,
                                                     request.iconCustom, request.friendRadioId, request.friendUid);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        friends->setLastError(savedChannelFailureText(failure));
        co_return false;
    }
    co_await friends->load(request.uid);
    TovrinHaptics::medium();
    co_return true;
}

QString trimmedBlanks(const QString& text)
{
    const auto blank = [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}
