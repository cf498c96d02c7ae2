#include "models/channel_math.h"

#include "platform/text_characters.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace ChannelMath {
namespace {

// A decimal integer: optional sign, then ASCII digits only, within 64 bits.
// Written out so that no locale, space or overflow rule of a library applies.
std::optional<qint64> parseInteger(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate on the negative side: its range is one larger.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

struct BandAndSub {
    qint64 band;
    qint64 sub;
};

std::optional<BandAndSub> read(const QString& text)
{
    const QStringList pieces = text.split(u'.', Qt::SkipEmptyParts);
    if (pieces.size() != 2)
        return std::nullopt;
    const auto band = parseInteger(pieces[0]);
    const auto sub = parseInteger(pieces[1]);
    if (!band || !sub)
        return std::nullopt;
    return BandAndSub{*band, *sub};
}

}  // namespace

QString display(qint64 channel)
{
    const qint64 band = (channel - 1) / subChannelCount + 1;
    const qint64 sub = (channel - 1) % subChannelCount + 1;
    return QString::asprintf("%03lld.%03lld", static_cast<long long>(band), static_cast<long long>(sub));
}

std::optional<qint64> number(const QString& text)
{
    const auto pair = read(text);
    if (!pair || pair->band < 1 || pair->band > bandCount || pair->sub < 1 || pair->sub > subChannelCount)
        return std::nullopt;
    return (pair->band - 1) * subChannelCount + pair->sub;
}

std::optional<Snapped> snapToValid(const QString& text)
{
    const auto pair = read(text);
    if (!pair)
        return std::nullopt;
    const qint64 band = std::clamp<qint64>(pair->band, 1, bandCount);
    const qint64 sub = std::clamp<qint64>(pair->sub, 1, subChannelCount);
    const qint64 channel = (band - 1) * subChannelCount + sub;
    return Snapped{display(channel), channel};
}

qint64 stepMajor(qint64 channel, qint64 delta)
{
    // Callers pass a tuned channel; anything else is brought into range first
    // so that no step can overflow.
    const qint64 n = std::clamp(channel, minChannel, maxChannel);
    const qint64 band = (n - 1) / subChannelCount + 1;
    const qint64 offset = (n - 1) % subChannelCount;
    const qint64 step = std::clamp<qint64>(delta, -bandCount, bandCount);
    const qint64 newBand = std::clamp<qint64>(band + step, 1, bandCount);
    return (newBand - 1) * subChannelCount + offset + 1;
}

QString nudgeDisplayCharacter(const QString& display, qint64 digitCharacterIndex, qint64 delta)
{
    // User-perceived characters: a combining mark stays with its base.
    const QStringList characters = TextCharacters::split(display);
    if (digitCharacterIndex < 0 || digitCharacterIndex >= characters.size() || delta == 0)
        return display;
    const QString& target = characters[digitCharacterIndex];
    const QList<uint> scalars = target.toUcs4();
    const char32_t first = scalars.isEmpty() ? 0 : scalars.first();
    if (!QChar::isNumber(first))
        return display;
    const int digit = (target.size() == 1 && target[0] >= u'0' && target[0] <= u'9') ? target[0].unicode() - u'0' : 0;
    // Reduce the step first: the same remainder, and no overflow.
    int rolled = int((digit + delta % 10) % 10);
    if (rolled < 0)
        rolled += 10;
    QString out;
    out.reserve(display.size());
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (i == digitCharacterIndex)
            out.append(QChar(u'0' + rolled));
        else
            out.append(characters[i]);
    }
    return out;
}

}  // namespace ChannelMath
