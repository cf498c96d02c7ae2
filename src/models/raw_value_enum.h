#pragma once

#include "platform/errors.h"

#include <QJsonValue>
#include <QString>

#include <array>
#include <optional>

// Enumerations named on the wire by a string. Each specialises RawValues<E>
// with `table`, one {case, raw value} pair per case in declaration order.
template <class E>
struct RawValues;

template <class E>
QString rawValue(E value)
{
    for (const auto& [e, raw] : RawValues<E>::table)
        if (e == value)
            return QString::fromLatin1(raw);
    return {};
}

// The case whose raw value equals `raw` exactly (letter case included).
template <class E>
std::optional<E> fromRawValue(const QString& raw)
{
    for (const auto& [e, name] : RawValues<E>::table)
        if (raw == QLatin1String(name))
            return e;
    return std::nullopt;
}

template <class E>
constexpr auto allCases()
{
    std::array<E, RawValues<E>::table.size()> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i)
        cases[i] = RawValues<E>::table[i].first;
    return cases;
}

template <class E>
QJsonValue encodeRawValue(E value)
{
    return QJsonValue(rawValue(value));
}

// A single JSON string naming a case; anything else fails.
template <class E>
E decodeRawValue(const QJsonValue& json)
{
    if (!json.isString())
        throw DecodeError(QStringLiteral("%1: expected a string").arg(QLatin1String(RawValues<E>::name)));
    if (auto e = fromRawValue<E>(json.toString()))
        return *e;
    throw DecodeError(QStringLiteral("%1: unknown value \"%2\"").arg(QLatin1String(RawValues<E>::name), json.toString()));
}
