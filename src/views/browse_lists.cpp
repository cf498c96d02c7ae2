#include "views/browse_lists.h"

#include "models/channel_math.h"

namespace BrowseLists {

namespace {

constexpr qint64 lastHomeChannel = 100;

bool isTrue(const std::optional<bool>& flag)
{
    return flag.value_or(false);
}

bool hasTalkers(const Channel& channel)
{
    return channel.activeTalkerCount.value_or(0) > 0;
}

// An empty raw query keeps the list; anything else (even blanks) filters it.
std::vector<Channel> filtered(std::vector<Channel> list, const QString& query)
{
    if (query.isEmpty())
        return list;
    std::erase_if(list, [&](const Channel& channel) { return !matchesQuery(channel, query); });
    return list;
}

template <class Keep>
std::vector<Channel> keepIf(const std::vector<Channel>& channels, Keep keep)
{
    std::vector<Channel> kept;
    for (const Channel& channel : channels)
        if (keep(channel))
            kept.push_back(channel);
    return kept;
}

const Channel* findNumber(const std::vector<Channel>& channels, qint64 number)
{
    for (const Channel& channel : channels)
        if (channel.channelNumber == number)
            return &channel;
    return nullptr;
}

}  // namespace

bool matchesQuery(const Channel& channel, const QString& query)
{
    const QString q = query.trimmed().toLower();
    if (q.isEmpty())
        return true;
    if (channel.displayFrequency.toLower().contains(q))
        return true;
    const QString title = channel.name && !channel.name->isEmpty() ? *channel.name : channel.displayFrequency;
    if (title.toLower().contains(q))
        return true;
    return channel.companyName && channel.companyName->toLower().contains(q);
}

std::vector<Channel> publicChannels(const std::vector<Channel>& channels, const QString& query)
{
    return filtered(keepIf(channels,
                           [](const Channel& c) {
                               return hasTalkers(c) && (c.channelNumber <= lastHomeChannel || isTrue(c.isPublic));
                           }),
                    query);
}

std::vector<Channel> userChannels(const std::vector<Channel>& channels, const QString& query,
                                  const BrowseContext& context)
{
    std::vector<Channel> list = keepIf(channels, [](const Channel& c) {
        return isTrue(c.listedPublic) && c.channelNumber > lastHomeChannel && !isTrue(c.isCommercial);
    });
    if (const auto mine = myChannel(channels, context); mine && !findNumber(list, mine->channelNumber))
        list.insert(list.begin(), *mine);
    return filtered(std::move(list), query);
}

std::vector<Channel> commercialList(const std::vector<Channel>& commercial, const QString& query)
{
    return filtered(keepIf(commercial, hasTalkers), query);
}

std::optional<Channel> myChannel(const std::vector<Channel>& channels, const BrowseContext& context)
{
    if (!context.ownedChannelNumber)
        return std::nullopt;
    const qint64 n = *context.ownedChannelNumber;
    if (const Channel* listed = findNumber(channels, n))
        return *listed;
    Channel built;
    built.channelNumber = n;
    built.displayFrequency = context.ownedChannelDisplay.value_or(ChannelMath::display(n));
    built.name = context.displayName.isEmpty() ? QStringLiteral("My Channel") : context.displayName;
    built.status = QStringLiteral("assigned");
    built.isPublic = false;
    built.ownerRadioId = context.radioId;
    built.ownerDisplayName = context.chatDisplayName;
    return built;
}

std::optional<Channel> companyChannel(const std::vector<Channel>& commercial, const BrowseContext& context)
{
    if (!context.membership)
        return std::nullopt;
    const WorkplaceMembership& m = *context.membership;
    if (const Channel* listed = findNumber(commercial, m.channelNumber))
        return *listed;
    Channel built;
    built.channelNumber = m.channelNumber;
    built.displayFrequency = m.displayFrequency;
    built.name = m.channelName.value_or(m.name);
    built.status = QStringLiteral("assigned");
    built.isPublic = false;
    built.joinPolicy = QStringLiteral("workplace");
    built.isCommercial = true;
    built.companyName = m.name;
    built.orgId = m.orgId;
    built.seatLimit = m.seatLimit;
    built.seatsUsed = m.seatsUsed;
    built.ownerDisplayName = m.name;
    return built;
}

qint64 liveUserCount(const Channel& channel, const BrowseContext& context)
{
    if (context.connectedAndLive && context.tunedChannel == channel.channelNumber)
        return context.liveListenerCount;
    return channel.activeTalkerCount.value_or(0);
}

QString channelTitle(const Channel& channel)
{
    if (channel.companyName)
        return *channel.companyName;
    if (channel.name && !channel.name->isEmpty())
        return *channel.name;
    return channel.displayFrequency;
}

bool isCompanyChannel(const Channel& channel)
{
    return isTrue(channel.isCommercial) || channel.joinPolicy == QStringLiteral("workplace");
}

bool canJoinCompanyChannel(const Channel& channel, const BrowseContext& context)
{
    if (!isCompanyChannel(channel))
        return true;
    return context.membership && context.membership->channelNumber == channel.channelNumber;
}

std::vector<BrowseBadge> badges(const Channel& channel, const BrowseContext& context)
{
    using Tint = BrowseBadge::Tint;
    std::vector<BrowseBadge> pills;
    if (isTrue(channel.isCommercial))
        pills.push_back({QStringLiteral("Commercial"), Tint::orange});
    else if (context.ownedChannelNumber == channel.channelNumber)
        pills.push_back({QStringLiteral("Mine"), Tint::accent});
    else if (channel.channelNumber <= lastHomeChannel || isTrue(channel.isPublic))
        pills.push_back({QStringLiteral("Home"), Tint::green});
    else if (isTrue(channel.listedPublic))
        pills.push_back({QStringLiteral("Listed"), Tint::accent});

    if (channel.joinPolicy && *channel.joinPolicy != QStringLiteral("open") && channel.channelNumber > lastHomeChannel
        && !isTrue(channel.isCommercial))
        pills.push_back({capitalized(*channel.joinPolicy), Tint::purple});
    return pills;
}

QString quickAddIconId(const Channel& channel)
{
    if (isTrue(channel.isCommercial))
        return QStringLiteral("company");
    if (isTrue(channel.isPublic))
        return QStringLiteral("public");
    return QStringLiteral("radio");
}

QString capitalized(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool wordStart = true;
    for (const QChar c : text) {
        out += wordStart ? c.toUpper() : c.toLower();
        wordStart = !c.isLetterOrNumber();
    }
    return out;
}

}  // namespace BrowseLists
