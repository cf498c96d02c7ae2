#include "settings_fixture.h"

#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "views/face_plate_theme_picker_view.h"
#include "views/navigation_stack.h"
#include "views/privacy_policy_gate_view.h"
#include "views/settings_view.h"

#include <QLineEdit>

namespace {

QStringList visibleHeaders(FormPage* form)
{
    QStringList headers;
    for (FormSection* section : form->sections())
        if (section->isVisibleTo(form))
            headers << section->header();
    return headers;
}

FormSection* sectionNamed(FormPage* form, const QString& header)
{
    for (FormSection* section : form->sections())
        if (section->header() == header)
            return section;
    return nullptr;
}

class SettingsViewTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        view = std::make_unique<SettingsView>(stores(), &host);
        view->resize(402, 902);
        QSignalSpy loaded(view.get(), &SettingsView::loadFinished);
        host.show();
        // The stores must not go while the screen's load is out.
        ASSERT_TRUE(loaded.wait(waitMs));
    }
    void TearDown() override
    {
        // The stores must not go while a load the screen started is out.
        EXPECT_TRUE(waitUntil([&] { return !view || !view->loading(); }));
        view.reset();
    }

    void checkIn() { ASSERT_FALSE(runVoidTask(session->bootstrap())); }

    std::unique_ptr<SettingsView> view;
};

TEST_F(SettingsViewTest, SectionsFollowTheStores)
{
    FormPage* form = view->form();
    EXPECT_EQ(view->navigation()->title(), "Settings");
    // Before a check-in: no radio ID, no channel, nothing to report.
    EXPECT_EQ(visibleHeaders(form), (QStringList{"THEME", "RADIO IDENTITY", "BLOCKED USERS", "DEVICE", "PERMISSIONS",
                                                 "COMPANY / WORKPLACE", "ABOUT & LEGAL"}));
    EXPECT_EQ(label(form, "Radio ID"), nullptr);
    EXPECT_NE(label(form, "Nobody blocked"), nullptr);
    EXPECT_EQ(button(form, "Unblock"), nullptr);
    EXPECT_NE(label(form, session->uid().left(8) + QChar(0x2026)), nullptr);
    EXPECT_NE(button(form, "Face plate"), nullptr);
    EXPECT_NE(button(form, "Enter company code"), nullptr);
    EXPECT_NE(button(form, "Create company channel"), nullptr);

    checkIn();
    ASSERT_FALSE(session->radioId().isEmpty());
    ASSERT_TRUE(session->ownedChannelDisplay().has_value());
    EXPECT_NE(label(form, "Radio ID"), nullptr);
    EXPECT_NE(label(form, session->radioId()), nullptr);
    EXPECT_NE(label(form, *session->ownedChannelDisplay()), nullptr);
    EXPECT_EQ(visibleHeaders(form).mid(0, 3), (QStringList{"THEME", "RADIO IDENTITY", "YOUR CHANNEL"}));
    snapshot(*view, "settings_checked_in");
}

TEST_F(SettingsViewTest, CompanyChannelLineWithoutOwnChannel)
{
    WorkplaceMembership membership;
    membership.orgId = "org-1";
    membership.name = "Acme";
    membership.displayFrequency = "007.001";
    membership.seatLimit = 5;
    session->setWorkplace(membership);
    EXPECT_NE(label(view->form(), QString::fromUtf8("You use your company channel — no personal frequency.")), nullptr);
    // The company section shows the check-in's membership.
    EXPECT_NE(label(view->form(), "Acme"), nullptr);
    EXPECT_NE(label(view->form(), "0/5 users"), nullptr);
    EXPECT_EQ(button(view->form(), "Enter company code"), nullptr);
}

TEST_F(SettingsViewTest, BlockedUsersSortedShortenedAndUnblocked)
{
    for (const char* id : {"b", "Zed", "alpha1234567"})
        ASSERT_FALSE(runVoidTask(blocks->block(session->uid(), id)));
    ASSERT_EQ(blocks->blockedUIDs().size(), 3);
    FormSection* section = sectionNamed(view->form(), "BLOCKED USERS");
    ASSERT_NE(section, nullptr);
    QStringList shown;
    for (QLabel* l : section->findChildren<QLabel*>())
        if (l->isVisibleTo(section) && l->text().endsWith(QChar(0x2026)))
            shown << l->text();
    // Layout order is creation order: the rows as listed.
    EXPECT_EQ(shown, (QStringList{QString::fromUtf8("Zed…"), QString::fromUtf8("alpha123…"), QString::fromUtf8("b…")}));
    snapshot(*view, "settings_blocked");

    QWidget* zedRow = section->findChild<QWidget*>("Zed");
    ASSERT_NE(zedRow, nullptr);
    click(button(zedRow, "Unblock"));
    ASSERT_TRUE(waitUntil([&] { return !blocks->blockedUIDs().contains("Zed"); }));
    ASSERT_TRUE(waitUntil([&] { return radio->live()->blockedUIDs() == QSet<QString>{"b", "alpha1234567"}; }));
    view->unblock("b");
    view->unblock("alpha1234567");
    ASSERT_TRUE(waitUntil([&] { return label(view->form(), "Nobody blocked") != nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return radio->live()->blockedUIDs().isEmpty(); }));
}

TEST_F(SettingsViewTest, FailedUnblockStillPushesTheSetToTheEngine)
{
    ASSERT_FALSE(runVoidTask(blocks->block(session->uid(), "x-user")));
    server.kill();
    view->unblock("x-user");
    ASSERT_TRUE(waitUntil([&] { return blocks->lastError() == QStringLiteral("Unblock failed"); }));
    ASSERT_TRUE(waitUntil([&] { return radio->live()->blockedUIDs() == QSet<QString>{"x-user"}; }));
    EXPECT_NE(label(view->form(), QString::fromUtf8("x-user…")), nullptr);
}

TEST_F(SettingsViewTest, ProfileEditsGoToTheStoreAndSaveToTheServer)
{
    checkIn();
    QLineEdit* nickname = view->field("Chat nickname");
    ASSERT_NE(nickname, nullptr);
    for (const char* placeholder : {"First name", "Last name", "Email", "Apple ID (optional)"})
        EXPECT_NE(view->field(placeholder), nullptr) << placeholder;
    nickname->clear();
    session->setDisplayName(QString());
    QTest::keyClicks(nickname, "Night Owl");
    EXPECT_EQ(session->displayName(), "Night Owl");
    // Another screen's change shows here at once.
    session->setFirstName("Ada");
    EXPECT_EQ(view->field("First name")->text(), "Ada");

    click(button(view->form(), "Save profile"));
    ASSERT_TRUE(waitUntil([&] { return radio->live()->chatDisplayName() == "Night Owl"; }));
    EXPECT_EQ(radio->live()->chatRadioId(), session->radioId());
    EXPECT_TRUE(session->statusMessage().isEmpty());

    // What the server kept comes back with the next check-in on this device.
    SessionStore again;
    ASSERT_FALSE(runVoidTask(again.bootstrap()));
    EXPECT_EQ(again.displayName(), "Night Owl");
    EXPECT_EQ(again.firstName(), "Ada");
}

TEST_F(SettingsViewTest, FailedSaveShowsStatusAndStillPushesTheNickname)
{
    checkIn();
    server.kill();
    QLineEdit* nickname = view->field("Chat nickname");
    nickname->selectAll();
    QTest::keyClicks(nickname, "Offline Ollie");
    view->saveProfile();
    ASSERT_TRUE(waitUntil([&] { return label(view->form(), "Profile save failed") != nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return radio->live()->chatDisplayName() == "Offline Ollie"; }));
    EXPECT_TRUE(visibleHeaders(view->form()).contains(QString()));
    snapshot(*view, "settings_save_failed");
}

TEST_F(SettingsViewTest, PrivacyRowFollowsTheConsentKey)
{
    UserDefaults().remove(PrivacyConsent::key);
    view->form()->hide();
    view->form()->show();
    EXPECT_NE(button(view->form(), "Privacy Policy"), nullptr);
    PrivacyConsent::accept();
    view->form()->hide();
    view->form()->show();
    FormButton* row = button<FormButton>(view->form(), "Privacy Policy (Agreed)");
    ASSERT_NE(row, nullptr);

    click(row);
    auto* detail = qobject_cast<PrivacyPolicyDetailView*>(view->navigation()->top());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->statusText(), "You already agreed on this device.");
    ASSERT_NE(detail->doneButton(), nullptr);
    click(detail->doneButton());
    EXPECT_EQ(view->navigation()->depth(), 1);
}

TEST_F(SettingsViewTest, WebRowsOpenTheDefaultBrowser)
{
    BrowserRecorder browser;
    click(button(view->form(), "Privacy Policy (web)"));
    click(button(view->form(), "Terms of Use (web)"));
    ASSERT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(browser.opened[0], server.baseURL().resolved(QUrl("/privacy")));
    EXPECT_EQ(browser.opened[1], server.baseURL().resolved(QUrl("/terms")));
}

TEST_F(SettingsViewTest, ThemeRowPushesThePickerWhichChangesTheTheme)
{
    click(button(view->form(), "Face plate"));
    ASSERT_EQ(view->navigation()->depth(), 2);
    auto* picker = qobject_cast<FacePlateThemePickerView*>(view->navigation()->top());
    ASSERT_NE(picker, nullptr);
    click(view->navigation()->backButton());
    EXPECT_EQ(view->navigation()->depth(), 1);

    click(button(view->form(), "Face plate"));
    picker = qobject_cast<FacePlateThemePickerView*>(view->navigation()->top());
    ASSERT_NE(picker, nullptr);
    const std::vector<const FacePlateTheme*> themes = picker->filtered();
    ASSERT_GE(themes.size(), 2u);
    const FacePlateTheme* other = themes[0]->id == theme->current().id ? themes[1] : themes[0];
    picker->choose(*other);
    EXPECT_EQ(theme->current().id, other->id);
    EXPECT_EQ(view->navigation()->depth(), 1);
}

TEST_F(SettingsViewTest, LoadTaskRestoresAnAdminsSavedCode)
{
    WorkplaceStore founder;
    ASSERT_TRUE(*runTask(founder.create(session->uid(), "Acme", 5)).value);
    const QString code = *founder.lastCompanyCode();
    // A fresh screen and store: only the membership on the server and the code on the device.
    view.reset();
    workplace = std::make_unique<WorkplaceStore>();
    view = std::make_unique<SettingsView>(stores(), &host);
    QSignalSpy loaded(view.get(), &SettingsView::loadFinished);
    view->show();
    ASSERT_TRUE(loaded.wait(waitMs));
    EXPECT_EQ(workplace->lastCompanyCode(), code);
    EXPECT_NE(label(view->form(), code), nullptr);
    EXPECT_NE(button(view->form(), "Manage company"), nullptr);
    snapshot(*view, "settings_company_admin");
}

}  // namespace
