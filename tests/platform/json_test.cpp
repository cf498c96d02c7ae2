#include "platform/json.h"

#include <gtest/gtest.h>

namespace {

QJsonObject parse(const char* text)
{
    return Json::parseObject(QByteArray(text));
}

TEST(Json, RequiredFieldsRejectMissingNullAndWrongTypes)
{
    struct Case {
        const char* json;
        bool stringOk;
        bool intOk;
        bool boolOk;
    };
    const Case cases[] = {
        {R"({})", false, false, false},
        {R"({"v": null})", false, false, false},
        {R"({"v": "7"})", true, false, false},
        {R"({"v": 7})", false, true, false},
        {R"({"v": 7.5})", false, false, false},
        {R"({"v": true})", false, false, true},
        {R"({"v": [1]})", false, false, false},
    };
    for (const Case& c : cases) {
        const QJsonObject o = parse(c.json);
        EXPECT_EQ(c.stringOk, [&] { try { Json::requireString(o, "v"); return true; } catch (const DecodeError&) { return false; } }()) << c.json;
        EXPECT_EQ(c.intOk, [&] { try { Json::requireInt(o, "v"); return true; } catch (const DecodeError&) { return false; } }()) << c.json;
        EXPECT_EQ(c.boolOk, [&] { try { Json::requireBool(o, "v"); return true; } catch (const DecodeError&) { return false; } }()) << c.json;
    }
}

TEST(Json, OptionalFieldsAreEmptyWhenMissingOrNullButStillTyped)
{
    EXPECT_FALSE(Json::optionalString(parse(R"({})"), "v").has_value());
    EXPECT_FALSE(Json::optionalString(parse(R"({"v": null})"), "v").has_value());
    EXPECT_EQ(*Json::optionalString(parse(R"({"v": ""})"), "v"), QString());
    EXPECT_THROW(Json::optionalInt(parse(R"({"v": "1"})"), "v"), DecodeError);
    EXPECT_THROW(Json::optionalBool(parse(R"({"v": 0})"), "v"), DecodeError);
}

TEST(Json, LargeIntegersAreExact)
{
    EXPECT_EQ(Json::requireInt(parse(R"({"v": 9007199254740993})"), "v"), 9007199254740993LL);
    EXPECT_EQ(Json::requireInt(parse(R"({"v": -9223372036854775807})"), "v"), -9223372036854775807LL);
    EXPECT_THROW(Json::requireInt(parse(R"({"v": 1e30})"), "v"), DecodeError);
    EXPECT_EQ(Json::requireInt(parse(R"({"v": 3.0})"), "v"), 3);
}

TEST(Json, MalformedTextAndNonObjectsFail)
{
    EXPECT_THROW(Json::parseObject("{"), DecodeError);
    EXPECT_THROW(Json::parseObject("[]"), DecodeError);
    EXPECT_THROW(Json::parseObject(""), DecodeError);
    EXPECT_THROW(Json::parseArray("{}"), DecodeError);
}

TEST(Json, StringArraysAndListsFailOnOneBadElement)
{
    EXPECT_EQ(Json::requireStringArray(parse(R"({"v": ["a", "b"]})"), "v"), QStringList({"a", "b"}));
    EXPECT_THROW(Json::requireStringArray(parse(R"({"v": ["a", 1]})"), "v"), DecodeError);
    const QJsonArray list = Json::requireArray(parse(R"({"v": [{"n": 1}, {"n": "x"}]})"), "v");
    EXPECT_THROW(Json::decodeList(list, "v", [](const QJsonObject& o) { return Json::requireInt(o, "n"); }), DecodeError);
}

}  // namespace
