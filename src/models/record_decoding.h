#pragma once

#include "platform/json.h"

#include <QHashFunctions>

#include <optional>
#include <utility>
#include <vector>

// Helpers shared by the wire records: nested records and lists of records
// decoded with the strict rules of platform/json.h, failures naming the path
// ("channel.channel_number", "slots[2].label"), and the hash of a record.
namespace Records {

// Runs `decode` and prefixes the key of the enclosing object to its failure.
template <class Decode>
auto within(const QString& key, Decode decode) -> decltype(decode())
{
    try {
        return decode();
    } catch (const DecodeError& error) {
        throw DecodeError(key + QLatin1Char('.') + QString::fromStdString(error.what()));
    }
}

template <class T>
std::optional<T> optionalRecord(const QJsonObject& object, const QString& key)
{
    const std::optional<QJsonObject> nested = Json::optionalObject(object, key);
    if (!nested)
        return std::nullopt;
    return within(key, [&] { return T::fromJson(*nested); });
}

// One bad element fails the whole list.
template <class T>
std::vector<T> requireRecordList(const QJsonObject& object, const QString& key)
{
    qsizetype index = 0;
    return Json::decodeList(Json::requireArray(object, key), key, [&](const QJsonObject& element) {
        return within(QStringLiteral("%1[%2]").arg(key).arg(index++), [&] { return T::fromJson(element); });
    });
}

// Combines field hashes in declaration order; an optional field contributes
// whether it is present and then its value.
class Hasher {
public:
    explicit Hasher(size_t seed) : seed_(seed) {}

    template <class V>
    Hasher& add(const V& value)
    {
        seed_ ^= qHash(value) + 0x9e3779b9 + (seed_ << 6) + (seed_ >> 2);
        return *this;
    }

    template <class V>
    Hasher& add(const std::optional<V>& value)
    {
        add(value.has_value());
        if (value)
            add(*value);
        return *this;
    }

    size_t result() const { return seed_; }

private:
    size_t seed_;
};

}  // namespace Records
