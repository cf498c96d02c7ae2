#include "views/quick_bar_slot_save.h"

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
    co_return true;
}
