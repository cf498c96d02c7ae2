#pragma once

#include "models/channel.h"
#include "models/raw_value_enum.h"
#include "models/workplace_membership.h"

#include <QString>

#include <optional>
#include <vector>

// The four tabs of the browse screen, in the tab bar's order.
enum class BrowseTab { publicChannels, userChannels, commercial, company };

template <>
struct RawValues<BrowseTab> {
    static constexpr std::array<std::pair<BrowseTab, const char*>, 4> table{{
        {BrowseTab::publicChannels, "Public"},
        {BrowseTab::userChannels, "Users"},
        {BrowseTab::commercial, "Commercial"},
        {BrowseTab::company, "Company"},
    }};
};

// What the browse lists read of the stores, taken fresh at each redraw.
struct BrowseContext {
    std::optional<qint64> ownedChannelNumber;
    std::optional<QString> ownedChannelDisplay;
    QString displayName;
    QString radioId;
    QString chatDisplayName;
    // The company store's membership when it has one, else the check-in's.
    std::optional<WorkplaceMembership> membership;
    // The radio: connected to `tunedChannel` with its live service up.
    bool connectedAndLive = false;
    qint64 tunedChannel = 0;
    qint64 liveListenerCount = 0;
};

// One small pill beside a channel row, named by the colour it is tinted with.
struct BrowseBadge {
    enum class Tint { orange, accent, green, purple };
    QString text;
    Tint tint;

    friend bool operator==(const BrowseBadge&, const BrowseBadge&) = default;
};

// The browse screen's derivations: pure functions of the last lists, the
// search text and the context. Nothing is cached; lists are small (one page).
namespace BrowseLists {

// Whether the trimmed, lower-cased query is in the frequency, the title
// (name, else frequency) or the company name.
bool matchesQuery(const Channel& channel, const QString& query);

// Live home channels and live public user channels.
std::vector<Channel> publicChannels(const std::vector<Channel>& channels, const QString& query);
// Listed, non-commercial user channels, with the own channel first when the server lacks it.
std::vector<Channel> userChannels(const std::vector<Channel>& channels, const QString& query,
                                  const BrowseContext& context);
// Commercial channels with someone on air.
std::vector<Channel> commercialList(const std::vector<Channel>& commercial, const QString& query);

// The user's own channel: the server's entry, else one built from the session.
std::optional<Channel> myChannel(const std::vector<Channel>& channels, const BrowseContext& context);
// The company channel: the server's commercial entry, else one built from the membership.
std::optional<Channel> companyChannel(const std::vector<Channel>& commercial, const BrowseContext& context);

// The live listener count while the radio is live on the channel, else the server's count.
qint64 liveUserCount(const Channel& channel, const BrowseContext& context);

// Company name (even empty), else a non-empty name, else the frequency.
QString channelTitle(const Channel& channel);
// Commercial, or joined by company membership.
bool isCompanyChannel(const Channel& channel);
// Any channel but a company channel; a company channel only for its members.
bool canJoinCompanyChannel(const Channel& channel, const BrowseContext& context);

// The row's pills, kind first, then the join policy.
std::vector<BrowseBadge> badges(const Channel& channel, const BrowseContext& context);
// The quick-bar icon offered for a channel.
QString quickAddIconId(const Channel& channel);
// Each word's first letter upper-cased, the rest lower-cased.
QString capitalized(const QString& text);

}  // namespace BrowseLists
