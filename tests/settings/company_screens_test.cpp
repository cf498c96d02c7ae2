#include "settings_fixture.h"
#include "support/scripted_responder.h"

#include "views/company_section.h"
#include "views/icon_picker_sheet.h"
#include "views/navigation_stack.h"
#include "views/sheet_overlay.h"
#include "views/workplace_create_view.h"
#include "views/workplace_manage_view.h"
#include "views/workplace_redeem_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {

class CompanyScreensTest : public SettingsTest {
protected:
    // A company founded by someone else; its code.
    QString foundCompany(const QString& bossUid = "boss-uid")
    {
        WorkplaceStore founder;
        const std::optional<bool> created = runTask(founder.create(bossUid, "Acme", 5)).value;
        EXPECT_TRUE(created && *created);
        return founder.lastCompanyCode().value_or(QString());
    }

    // The settings section inside a stack, as the settings screen holds it.
    NavigationStack* sectionInStack()
    {
        auto* page = new FormPage;
        page->setWindowTitle("Settings");
        page->addSection(new CompanySection(session.get(), workplace.get()));
        auto* stack = new NavigationStack(page, &host);
        stack->resize(402, 902);
        host.show();
        stack->show();
        return stack;
    }
};

TEST_F(CompanyScreensTest, RedeemFieldNormalisesAndGatesTheButton)
{
    WorkplaceRedeemView view(session.get(), workplace.get(), &host);
    view.resize(402, 902);
    host.show();
    QLineEdit* field = view.codeField();
    EXPECT_EQ(field->placeholderText(), "e.g. K7MP4QRX");
    EXPECT_FALSE(view.lengthHint()->isVisibleTo(&view));
    EXPECT_FALSE(view.activateButton()->isEnabled());

    struct Case {
        const char* typed;
        const char* shown;
        bool hint;
        bool enabled;
    };
    const Case cases[] = {
        {"a", "A", true, false},
        {"ab-1", "AB1", true, false},
        {"ab-12 c", "AB12C", false, true},
        {"abcd", "ABCD", false, true},
        {"abcdefghijklmnopqrst", "ABCDEFGHIJKLMNOP", false, true},
        {" - ", "", false, false},
    };
    for (const Case& c : cases) {
        field->clear();
        QTest::keyClicks(field, c.typed);
        EXPECT_EQ(field->text(), c.shown) << c.typed;
        EXPECT_EQ(view.lengthHint()->isVisibleTo(&view), c.hint) << c.typed;
        EXPECT_EQ(view.activateButton()->isEnabled(), c.enabled) << c.typed;
    }
    // Pasting a long code keeps its first 16 letters and digits.
    field->setText("k7mp-4qrx-tr8w-z2he-5ncy");
    EXPECT_EQ(field->text(), "K7MP4QRXTR8WZ2HE");
    EXPECT_EQ(view.lengthHint()->text(), "Need at least 4 letters or numbers.");
    snapshot(view, "company_redeem");
}

TEST_F(CompanyScreensTest, RedeemShowsStoreErrorsAndJoinsOnSuccess)
{
    // An earlier failure of the store shows when the screen opens.
    server.kill();
    ASSERT_FALSE(runVoidTask(workplace->load(session->uid())));
    ASSERT_TRUE(server.restart());
    const QString code = foundCompany();
    NavigationStack* stack = sectionInStack();
    click(button(stack, "Enter company code"));
    auto* view = qobject_cast<WorkplaceRedeemView*>(stack->top());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(stack->title(), "Company code");
    EXPECT_TRUE(view->errorText()->isVisibleTo(view));
    EXPECT_EQ(view->errorText()->text(), "Could not load company info.");

    QTest::keyClicks(view->codeField(), "zzzz");
    click(view->activateButton());
    ASSERT_TRUE(waitUntil([&] { return !view->busy(); }));
    EXPECT_EQ(view->errorText()->text(), "Invalid company code.");
    EXPECT_FALSE(view->busy());
    EXPECT_EQ(view->codeField()->text(), "ZZZZ");
    snapshot(*stack, "company_redeem_error");

    view->codeField()->clear();
    QTest::keyClicks(view->codeField(), code.toLower());
    click(view->activateButton());
    EXPECT_EQ(view->activateButton()->title(), QString::fromUtf8("Activating…"));
    EXPECT_FALSE(view->activateButton()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return stack->depth() == 1; }));
    ASSERT_TRUE(session->workplace().has_value());
    EXPECT_EQ(session->workplace()->name, "Acme");
    EXPECT_FALSE(workplace->lastError().has_value());
    // Back on settings: the membership and its seats, the member's note.
    EXPECT_NE(label(stack, "Acme"), nullptr);
    EXPECT_NE(label(stack, "2/5 users"), nullptr);
    EXPECT_NE(label(stack, QString::fromUtf8("You joined with a company code. Ask your employer for the code — you "
                                             "cannot change it here.")),
              nullptr);
    EXPECT_EQ(button(stack, "Manage company"), nullptr);
    snapshot(*stack, "company_section_member");
}

TEST_F(CompanyScreensTest, CreateShowsTheCodeAlertCopiesAndCloses)
{
    NavigationStack* stack = sectionInStack();
    click(button(stack, "Create company channel"));
    auto* view = qobject_cast<WorkplaceCreateView*>(stack->top());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(stack->title(), "Create company");
    EXPECT_FALSE(view->createButton()->isEnabled());
    QTest::keyClicks(view->nameField(), " \t ");
    EXPECT_FALSE(view->createButton()->isEnabled());
    view->nameField()->setText("  Acme Trucks ");
    EXPECT_TRUE(view->createButton()->isEnabled());
    QGuiApplication::clipboard()->setText("before");

    click(view->createButton());
    EXPECT_EQ(view->createButton()->title(), QString::fromUtf8("Creating…"));
    ASSERT_TRUE(waitUntil([&] { return view->codeAlert() != nullptr; }));
    EXPECT_FALSE(view->busy());
    ASSERT_TRUE(workplace->membership().has_value());
    // The name goes out as typed; this server keeps it trimmed.
    EXPECT_EQ(workplace->membership()->name, "Acme Trucks");
    EXPECT_EQ(workplace->membership()->seatLimit, 5);
    EXPECT_EQ(session->workplace(), workplace->membership());
    const QString code = workplace->lastCompanyCode().value_or(QString());
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(view->codeAlert()->text(),
              QString::fromUtf8("Share this code with employees (Settings → Enter company code):\n\n") + code
                  + "\n\nSaved on this device. Rotate anytime in Manage company.");

    click(button(view->codeAlert(), "Copy code"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), code);
    ASSERT_TRUE(waitUntil([&] { return view->codeAlert() == nullptr || !view->codeAlert()->isVisible(); }));
    EXPECT_EQ(stack->depth(), 2);

    // A second alert: "OK" closes it and the screen.
    view->create();
    ASSERT_TRUE(waitUntil([&] { return view->errorText()->text() == "You already manage a company channel."; }));
    EXPECT_TRUE(view->errorText()->isVisibleTo(view));
    EXPECT_EQ(view->nameField()->text(), "  Acme Trucks ");
    snapshot(*stack, "company_create_error");
    click(stack->backButton());

    // The section now shows the company, its seats and the admin's code.
    EXPECT_NE(label(stack, "Acme Trucks"), nullptr);
    EXPECT_NE(label(stack, "1/5 users"), nullptr);
    EXPECT_NE(label(stack, code), nullptr);
    EXPECT_NE(button(stack, "Manage company"), nullptr);
    snapshot(*stack, "company_section_admin");
}

TEST_F(CompanyScreensTest, OkClosesAlertAndScreen)
{
    NavigationStack* stack = sectionInStack();
    click(button(stack, "Create company channel"));
    auto* view = qobject_cast<WorkplaceCreateView*>(stack->top());
    ASSERT_NE(view, nullptr);
    view->nameField()->setText("Acme");
    view->create();
    ASSERT_TRUE(waitUntil([&] { return view->codeAlert() != nullptr; }));
    snapshot(*view->codeAlert(), "company_code_alert");
    click(button(view->codeAlert(), "OK"));
    ASSERT_TRUE(waitUntil([&] { return stack->depth() == 1; }));
}

TEST_F(CompanyScreensTest, AdminWithoutAnyCodeSeesNoCodeBlock)
{
    WorkplaceMembership membership;
    membership.orgId = "org-x";
    membership.name = "Acme";
    membership.seatLimit = 9;
    membership.role = "admin";
    workplace->setMembership(membership);
    NavigationStack* stack = sectionInStack();
    EXPECT_EQ(label(stack, "Employee code"), nullptr);
    EXPECT_NE(button(stack, "Manage company"), nullptr);
    EXPECT_NE(label(stack, "0/9 users"), nullptr);
    // Letter case matters: "Admin" is a member.
    membership.role = "Admin";
    workplace->setMembership(membership);
    EXPECT_EQ(button(stack, "Manage company"), nullptr);
    EXPECT_NE(label(stack, QString::fromUtf8("You joined with a company code. Ask your employer for the code — you "
                                             "cannot change it here.")),
              nullptr);
}

TEST_F(CompanyScreensTest, ManageShowsCopiesAndRotatesTheCode)
{
    ASSERT_TRUE(*runTask(workplace->create(session->uid(), "Acme", 5)).value);
    const QString first = *workplace->lastCompanyCode();
    NavigationStack* stack = sectionInStack();
    click(button(stack, "Manage company"));
    auto* view = qobject_cast<WorkplaceManageView*>(stack->top());
    ASSERT_NE(view, nullptr);
    QSignalSpy loaded(view, &WorkplaceManageView::loadFinished);
    ASSERT_TRUE(loaded.wait(waitMs));
    EXPECT_EQ(stack->title(), "Manage company");
    EXPECT_EQ(view->displayedCode(), first);
    EXPECT_NE(label(view, "1/5 users"), nullptr);
    EXPECT_NE(label(view, workplace->membership()->displayFrequency), nullptr);
    EXPECT_EQ(view->companyIconId(), "company");
    snapshot(*stack, "company_manage");

    click(view->copyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), first);
    EXPECT_EQ(view->copyButton()->title(), "Copied!");
    ASSERT_TRUE(waitUntil([&] { return view->copyButton()->title() == "Copy code"; }, 5s));

    click(view->rotateButton());
    EXPECT_TRUE(view->rotating());
    EXPECT_EQ(view->rotateButton()->title(), QString::fromUtf8("Rotating…"));
    EXPECT_FALSE(view->rotateButton()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !view->rotating(); }));
    ASSERT_TRUE(view->displayedCode().has_value());
    EXPECT_NE(view->displayedCode(), first);
    EXPECT_EQ(workplace->lastCompanyCode(), view->displayedCode());
    EXPECT_NE(label(view, *view->displayedCode()), nullptr);

    // A failed rotation keeps the code, which still works, and says it failed.
    const QString orgId = workplace->membership()->orgId;
    const std::optional<QString> working = view->displayedCode();
    server.kill();
    view->rotate();
    ASSERT_TRUE(waitUntil([&] { return !view->rotating(); }));
    EXPECT_EQ(view->displayedCode(), working);
    EXPECT_NE(view->copyButton(), nullptr);
    EXPECT_EQ(view->rotationError(), "Could not rotate company code.");
    EXPECT_NE(label(view, "Could not rotate company code."), nullptr);
    EXPECT_EQ(workplace->savedCompanyCode(orgId), working);

    // A rotation whose reply has no code: the old code no longer works, and
    // neither this screen nor the settings section shows it again.
    ScriptedResponder responder;
    responder.baseURL();
    responder.script({{200, R"({"ok": true})"}});
    view->rotate();
    EXPECT_EQ(view->rotationError(), std::nullopt) << "a new attempt clears the failure";
    ASSERT_TRUE(waitUntil([&] { return !view->rotating(); }));
    EXPECT_FALSE(view->displayedCode().has_value());
    EXPECT_EQ(view->copyButton(), nullptr);
    EXPECT_NE(label(view, "Tap Rotate company code below to generate and show your code."), nullptr);
    EXPECT_EQ(label(view, "Could not rotate company code."), nullptr);
    EXPECT_FALSE(workplace->savedCompanyCode(orgId).has_value());
    stack->pop();
    EXPECT_EQ(label(stack, "Employee code"), nullptr);
    EXPECT_NE(button(stack, "Manage company"), nullptr);
}

TEST_F(CompanyScreensTest, ManageCodeChoiceAndEmptyForm)
{
    // No membership: no section at all.
    {
        WorkplaceManageView view(session.get(), workplace.get(), &host);
        QSignalSpy loaded(&view, &WorkplaceManageView::loadFinished);
        host.show();
        view.show();
        ASSERT_TRUE(loaded.wait(waitMs));
        for (FormSection* section : view.sections())
            EXPECT_FALSE(section->isVisibleTo(&view));
        EXPECT_FALSE(view.displayedCode().has_value());
    }
    WorkplaceMembership membership;
    membership.orgId = "org-y";
    membership.name = "Acme";
    membership.seatLimit = 5;
    membership.role = "admin";
    membership.companyCode = "FROMSERVER";
    UserDefaults().set("tovrin.companyCode.org-y", "SAVEDCODE");
    server.kill();  // the load fails and keeps what the store holds
    workplace->setMembership(membership);
    {
        // hydrate fills lastCompanyCode from the saved code, which wins.
        WorkplaceManageView view(session.get(), workplace.get(), &host);
        QSignalSpy loaded(&view, &WorkplaceManageView::loadFinished);
        view.show();
        EXPECT_EQ(view.displayedCode(), "SAVEDCODE");
        ASSERT_TRUE(loaded.wait(waitMs));
    }
}

TEST_F(CompanyScreensTest, ClosingTheIconSheetSendsTheIconOnce)
{
    ScriptedResponder responder;
    responder.script({{200, R"({"ok": true})"}});
    WorkplaceMembership membership;
    membership.orgId = "org-z";
    membership.name = "Acme";
    membership.seatLimit = 5;
    membership.role = "admin";
    workplace->setMembership(membership);
    WorkplaceManageView view(session.get(), workplace.get(), &host);
    view.resize(402, 902);
    host.show();
    Server::setBaseURLForTesting(responder.baseURL());
    QSignalSpy loaded(&view, &WorkplaceManageView::loadFinished);
    view.show();
    ASSERT_TRUE(loaded.wait(waitMs));
    // The responder's reply carries no workplace: the load emptied the membership.
    workplace->setMembership(membership);
    click(view.iconButton());
    ASSERT_NE(view.iconPicker(), nullptr);
    EXPECT_EQ(view.iconPicker()->title(), "Company icon");
    EXPECT_EQ(view.companyIconId(), "company");
    const auto iconRequests = [&] {
        int n = 0;
        for (const ScriptedResponder::Request& request : responder.requests())
            n += request.target.startsWith("/v1/workplace/icon");
        return n;
    };
    EXPECT_EQ(iconRequests(), 0);
    // Picking a preset changes only what is being edited; closing sends it.
    auto* picker = view.iconPicker()->findChild<IconPickerSheet*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->isSelected("company"));
    view.iconPicker()->dismiss();
    ASSERT_TRUE(waitUntil([&] { return iconRequests() == 1; }));
    // The update reloads the membership (again none here); then nothing is out.
    ASSERT_TRUE(waitUntil([&] { return !workplace->membership().has_value(); }));
    const ScriptedResponder::Request& sent = [&]() -> const ScriptedResponder::Request& {
        for (const ScriptedResponder::Request& request : responder.requests())
            if (request.target.startsWith("/v1/workplace/icon"))
                return request;
        return responder.requests().first();
    }();
    const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
    EXPECT_EQ(body.value("org_id").toString(), "org-z");
    EXPECT_EQ(body.value("icon_id").toString(), "company");
    EXPECT_FALSE(body.contains("icon_custom"));
    runQueued();
    EXPECT_EQ(iconRequests(), 1);
}

}  // namespace
