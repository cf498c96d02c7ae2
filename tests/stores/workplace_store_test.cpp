#include "services/workplace_store.h"

#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"
#include "store_test.h"

namespace {

using Reply = ScriptedResponder::Reply;

class WorkplaceStoreTest : public StoreTest {
protected:
    static QByteArray membershipJson(const char* orgId, const char* role, const char* code = nullptr)
    {
        QJsonObject m{{"org_id", orgId}, {"name", "Acme"}, {"channel_number", 700}, {"display_frequency", "007.000"},
                      {"seat_limit", 5}, {"role", role}};
        if (code)
            m.insert("company_code", code);
        return QJsonDocument(m).toJson(QJsonDocument::Compact);
    }
    static Reply ok(const QByteArray& rest) { return Reply{200, "{\"ok\": true" + rest + "}"}; }
};

TEST_F(WorkplaceStoreTest, CreateRedeemRotateAndIconAgainstTheServer)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());

    WorkplaceStore admin;
    ASSERT_TRUE(*runTask(admin.create("boss", "Acme", 3)).value);
    ASSERT_TRUE(admin.membership().has_value());
    EXPECT_TRUE(admin.membership()->isAdmin());
    const QString orgId = admin.membership()->orgId;
    const std::optional<QString> code = admin.lastCompanyCode();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(admin.savedCompanyCode(orgId), code);
    EXPECT_FALSE(admin.lastError().has_value());

    // An employee types the code in lower case with blanks and dashes.
    WorkplaceStore employee;
    QString typed = code->toLower();
    typed.insert(2, QStringLiteral(" - "));
    ASSERT_TRUE(*runTask(employee.redeem("worker", typed)).value);
    ASSERT_TRUE(employee.membership().has_value());
    EXPECT_EQ(employee.membership()->orgId, orgId);
    EXPECT_FALSE(employee.membership()->isAdmin());
    EXPECT_FALSE(employee.lastCompanyCode().has_value());
    EXPECT_FALSE(*runTask(employee.redeem("worker", *code)).value);
    EXPECT_EQ(employee.lastError(), "You are already on a company account.");

    std::optional<WorkplaceMembership> expected = admin.membership();
    const WorkplaceStore::CodeRotation rotation = *runTask(admin.rotateCode("boss", orgId)).value;
    EXPECT_TRUE(rotation.rotated);
    const std::optional<QString> rotated = rotation.code;
    ASSERT_TRUE(rotated.has_value());
    EXPECT_NE(rotated, code);
    EXPECT_EQ(admin.lastCompanyCode(), rotated);
    EXPECT_EQ(admin.savedCompanyCode(orgId), rotated);
    expected->companyCode = rotated;
    EXPECT_EQ(admin.membership(), expected) << "only its code changes";

    ASSERT_TRUE(*runTask(admin.updateOrgIcon("boss", orgId, "truck", std::nullopt)).value);
    EXPECT_EQ(admin.membership()->iconId, "truck");
    EXPECT_FALSE(*runTask(employee.updateOrgIcon("worker", orgId, "truck", std::nullopt)).value);
    EXPECT_EQ(employee.lastError(), "Could not update company icon.");

    // After a restart the administrator sees the saved code again.
    WorkplaceStore restarted;
    ASSERT_FALSE(runVoidTask(restarted.load("boss")));
    EXPECT_EQ(restarted.lastCompanyCode(), rotated);
    WorkplaceStore employeeRestarted;
    ASSERT_FALSE(runVoidTask(employeeRestarted.load("worker")));
    EXPECT_TRUE(employeeRestarted.membership().has_value());
    EXPECT_FALSE(employeeRestarted.lastCompanyCode().has_value());
}

TEST_F(WorkplaceStoreTest, RedeemSendsTheNormalisedCodeOrNothing)
{
    ScriptedResponder responder;
    responder.script({ok("")});
    WorkplaceStore store;
    EXPECT_FALSE(*runTask(store.redeem("me", "ab-1")).value);
    EXPECT_EQ(store.lastError(), "Code must be at least 4 letters or numbers.");
    EXPECT_TRUE(responder.requests().isEmpty());

    EXPECT_TRUE(*runTask(store.redeem("me", "ab-12")).value);
    EXPECT_TRUE(*runTask(store.redeem("me", "abcdefghij klmnopqrst")).value);
    ASSERT_EQ(responder.requests().size(), 2);
    EXPECT_EQ(bodyOf(responder.requests()[0].body).value("code").toString(), "AB12");
    EXPECT_EQ(bodyOf(responder.requests()[1].body).value("code").toString(), "ABCDEFGHIJKLMNOP");
    EXPECT_FALSE(store.lastError().has_value());
}

TEST_F(WorkplaceStoreTest, RedeemFailureTexts)
{
    struct Case {
        Reply reply;
        const char* text;
    };
    const Case cases[] = {
        {Reply{200, R"({"ok": false})"}, "Request failed."},
        {Reply{200, R"({"ok": false, "error": "seats_full"})"}, "All company seats are in use."},
        {Reply{200, R"({"ok": false, "error": "Seats_Full"})"}, "Request failed."},
        {Reply{200, R"({"ok": false, "error": "something_new"})"}, "Request failed."},
        {Reply{500, R"({"ok": true})"}, "Server unavailable — check connection and retry."},
        {Reply{200, R"({"error": "invalid_code"})"}, "Update the app and try again (server response mismatch)."},
    };
    for (const Case& c : cases) {
        ScriptedResponder responder;
        responder.script({c.reply});
        WorkplaceStore store;
        EXPECT_FALSE(*runTask(store.redeem("me", "ABCD")).value) << c.text;
        EXPECT_EQ(store.lastError(), QString::fromUtf8(c.text));
    }
    pointAtClosedPort();
    WorkplaceStore store;
    EXPECT_FALSE(*runTask(store.redeem("me", "ABCD")).value);
    EXPECT_EQ(store.lastError(), "Could not redeem company code.");
}

TEST_F(WorkplaceStoreTest, ErrorCodeTable)
{
    EXPECT_EQ(WorkplaceStore::errorMessage(std::nullopt), "Request failed.");
    EXPECT_EQ(WorkplaceStore::errorMessage("invalid_code"), "Invalid company code.");
    EXPECT_EQ(WorkplaceStore::errorMessage("seats_full"), "All company seats are in use.");
    EXPECT_EQ(WorkplaceStore::errorMessage("already_in_other_org"), "You are already on another company account.");
    EXPECT_EQ(WorkplaceStore::errorMessage("already_in_org"), "You are already on a company account.");
    EXPECT_EQ(WorkplaceStore::errorMessage("already_admin"), "You already manage a company channel.");
    EXPECT_EQ(WorkplaceStore::errorMessage(""), "Request failed.");
}

TEST_F(WorkplaceStoreTest, ARedeemWithoutMembershipClearsIt)
{
    ScriptedResponder responder;
    responder.script({ok(", \"workplace\": " + membershipJson("o1", "member")), ok("")});
    WorkplaceStore store;
    EXPECT_TRUE(*runTask(store.redeem("me", "ABCD")).value);
    EXPECT_TRUE(store.membership().has_value());
    EXPECT_TRUE(*runTask(store.redeem("me", "ABCD")).value);
    EXPECT_FALSE(store.membership().has_value());
}

TEST_F(WorkplaceStoreTest, CreateChoosesTheMembershipsCodeBeforeTheTopLevelOne)
{
    ScriptedResponder responder;
    responder.script({ok(", \"company_code\": \"TOP1\", \"workplace\": " + membershipJson("org/1", "admin")),
                      ok(", \"company_code\": \"TOP2\", \"workplace\": " + membershipJson("org/1", "admin", "INNER")),
                      ok(", \"company_code\": \"TOP3\""), ok(""), Reply{500, {}}});
    WorkplaceStore store;
    EXPECT_TRUE(*runTask(store.create("me", "Acme", 5)).value);
    EXPECT_EQ(store.lastCompanyCode(), "TOP1");
    EXPECT_EQ(store.savedCompanyCode("org/1"), "TOP1");
    // The organisation id is escaped inside the key.
    EXPECT_EQ(UserDefaults().string("tovrin.companyCode.org%2F1"), "TOP1");

    EXPECT_TRUE(*runTask(store.create("me", "Acme", 5)).value);
    EXPECT_EQ(store.lastCompanyCode(), "INNER");
    EXPECT_EQ(store.savedCompanyCode("org/1"), "INNER");

    EXPECT_TRUE(*runTask(store.create("me", "Acme", 5)).value);
    EXPECT_FALSE(store.membership().has_value());
    EXPECT_EQ(store.lastCompanyCode(), "TOP3");
    EXPECT_EQ(store.savedCompanyCode("org/1"), "INNER");

    EXPECT_TRUE(*runTask(store.create("me", "Acme", 5)).value);
    EXPECT_FALSE(store.lastCompanyCode().has_value());

    EXPECT_FALSE(*runTask(store.create("me", "Acme", 5)).value);
    EXPECT_EQ(store.lastError(), "Could not create company channel.");
}

TEST_F(WorkplaceStoreTest, RotationReplacesTheOldCodeEverywhereAndAFailureKeepsIt)
{
    ScriptedResponder responder;
    responder.script({ok(", \"company_code\": \"TOP\", \"workplace\": " + membershipJson("o2", "admin", "INNER")),
                      Reply{200, R"({"ok": false, "error": "not_admin"})"}, Reply{500, {}}, ok("")});
    WorkplaceStore store;
    WorkplaceMembership mine{.orgId = "o1", .name = "Acme", .channelNumber = 700, .displayFrequency = "007.000",
                             .seatLimit = 5, .role = "admin", .companyCode = "OLD"};
    store.setMembership(mine);
    UserDefaults().set("tovrin.companyCode.o1", "OLD");

    const auto rotated = *runTask(store.rotateCode("me", "o1")).value;
    EXPECT_TRUE(rotated.rotated);
    EXPECT_EQ(rotated.code, "TOP");
    EXPECT_FALSE(store.savedCompanyCode("o2").has_value());
    EXPECT_EQ(store.membership()->orgId, "o1") << "the reply's workplace is not taken";

    // What the device knows of the code after each rotation.
    struct Case {
        const char* error;
        std::optional<QString> code;
    };
    const Case cases[] = {{"Request failed.", "TOP"}, {"Could not rotate company code.", "TOP"}, {nullptr, std::nullopt}};
    for (const Case& c : cases) {
        if (c.error) {
            EXPECT_FALSE(runTask(store.rotateCode("me", "o1")).value->rotated);
            EXPECT_EQ(store.lastError(), c.error);
        } else {
            const auto done = *runTask(store.rotateCode("me", "o1")).value;
            EXPECT_TRUE(done.rotated) << "a reply without a code";
            EXPECT_EQ(done.code, std::nullopt);
            EXPECT_FALSE(store.lastError().has_value());
        }
        EXPECT_EQ(store.savedCompanyCode("o1"), c.code) << c.error;
        EXPECT_EQ(store.lastCompanyCode(), c.code);
        EXPECT_EQ(store.membership()->companyCode, c.code);
    }
}

TEST_F(WorkplaceStoreTest, HydrateRestoresOnlyAnAdministratorsCodeOnce)
{
    UserDefaults().set("tovrin.companyCode.o1", "SAVED");
    const auto membership = [](const char* role) {
        WorkplaceMembership m{.orgId = "o1", .name = "n", .channelNumber = 700, .displayFrequency = "007.000", .seatLimit = 5};
        if (role)
            m.role = role;
        return std::optional<WorkplaceMembership>(m);
    };
    WorkplaceStore store;
    store.hydrateSavedCompanyCode(membership("Admin"));
    store.hydrateSavedCompanyCode(membership(nullptr));
    store.hydrateSavedCompanyCode(std::nullopt);
    EXPECT_FALSE(store.lastCompanyCode().has_value());
    store.hydrateSavedCompanyCode(membership("admin"));
    EXPECT_EQ(store.lastCompanyCode(), "SAVED");
    UserDefaults().set("tovrin.companyCode.o1", "NEWER");
    store.hydrateSavedCompanyCode(membership("admin"));
    EXPECT_EQ(store.lastCompanyCode(), "SAVED");
}

TEST_F(WorkplaceStoreTest, LoadFailureKeepsTheMembership)
{
    ScriptedResponder responder;
    responder.script({Reply{200, "{\"workplace\": " + membershipJson("o1", "member") + "}"}, Reply{500, {}},
                      Reply{200, "{}"}});
    WorkplaceStore store;
    ASSERT_FALSE(runVoidTask(store.load("me")));
    ASSERT_TRUE(store.membership().has_value());
    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_EQ(store.lastError(), "Could not load company info.");
    EXPECT_TRUE(store.membership().has_value());
    ASSERT_FALSE(runVoidTask(store.load("me")));
    EXPECT_FALSE(store.lastError().has_value());
    EXPECT_FALSE(store.membership().has_value());
}

TEST_F(WorkplaceStoreTest, AnIconChangeSucceedsEvenWhenItsReloadFails)
{
    ScriptedResponder responder;
    responder.script({ok(""), Reply{500, {}}});
    WorkplaceStore store;
    EXPECT_TRUE(*runTask(store.updateOrgIcon("me", "o1", "truck", QString())).value);
    EXPECT_FALSE(store.lastError().has_value());
    ASSERT_EQ(responder.requests().size(), 2);
    EXPECT_EQ(bodyOf(responder.requests()[0].body),
              QJsonObject({{"uid", "me"}, {"org_id", "o1"}, {"icon_id", "truck"}, {"icon_custom", ""}}));
    EXPECT_TRUE(responder.requests()[1].target.startsWith("/v1/workplace/mine"));
}

TEST_F(WorkplaceStoreTest, AFailedIconChangeDoesNotReload)
{
    ScriptedResponder responder;
    responder.script({Reply{500, {}}});
    WorkplaceStore store;
    EXPECT_FALSE(*runTask(store.updateOrgIcon("me", "o1", "truck", std::nullopt)).value);
    EXPECT_EQ(store.lastError(), "Could not update company icon.");
    EXPECT_EQ(responder.requests().size(), 1);
}

}  // namespace
