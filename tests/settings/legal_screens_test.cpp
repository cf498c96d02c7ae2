#include "settings_fixture.h"

#include "legal/app_legal.h"
#include "platform/audio_devices.h"
#include "platform/record_permission.h"
#include "services/mic_privacy.h"
#include "views/legal_views.h"
#include "views/microphone_permission_section.h"
#include "views/navigation_stack.h"
#include "views/privacy_policy_gate_view.h"
#include "views/safari_sheet.h"

#include <QApplication>
#include <QTemporaryFile>
#include <QTextBrowser>

#include <optional>

namespace {

using State = RecordPermission::State;

class LegalScreensTest : public SettingsTest {};

TEST_F(LegalScreensTest, MicrophoneSectionStates)
{
    const QString denied = QString::fromUtf8("Denied — enable My Tovrin-Brisel");
    QStringList opened;
    MicPrivacy::setLauncherForTesting({[](const MicPrivacy::SettingsAddress&) { return true; },
                                       [&](const MicPrivacy::SettingsAddress& a) {
                                           opened << a.program;
                                           return true;
                                       }});
    {
        // Nothing asked yet; the user refuses in the prompt.
        RecordPermission::Override permission(State::undetermined, false);
        MicrophonePermissionSection section(&host);
        EXPECT_EQ(section.statusText(), QString::fromUtf8("…"));
        EXPECT_EQ(section.header(), "PERMISSIONS");
        host.show();
        section.show();
        EXPECT_EQ(section.statusText(), "Not asked yet");
        ASSERT_NE(section.actionButton(), nullptr);
        EXPECT_EQ(section.actionButton()->title(), "Allow microphone");
        snapshot(section, "microphone_not_asked");
        click(section.actionButton());
        ASSERT_TRUE(waitUntil([&] { return section.statusText() == denied; }));
        EXPECT_EQ(permission.requests(), 1);
        ASSERT_NE(section.actionButton(), nullptr);
        EXPECT_EQ(section.actionButton()->title(), "Open Microphone Settings");
        click(section.actionButton());
        EXPECT_EQ(opened.size(), 1);
    }
    {
        RecordPermission::Override permission(State::undetermined, true);
        MicrophonePermissionSection section(&host);
        section.show();
        click(section.actionButton());
        ASSERT_TRUE(waitUntil([&] { return section.statusText() == "Allowed"; }));
        EXPECT_EQ(section.actionButton(), nullptr);
    }
    {
        // Changed in the system settings while shown: the button follows at
        // the next redraw, the text only when the section is shown again.
        RecordPermission::Override granted(State::granted, true);
        MicrophonePermissionSection section(&host);
        section.show();
        EXPECT_EQ(section.statusText(), "Allowed");
        RecordPermission::Override revoked(State::denied, false);
        section.redraw();
        EXPECT_EQ(section.statusText(), "Allowed");
        ASSERT_NE(section.actionButton(), nullptr);
        EXPECT_EQ(section.actionButton()->title(), "Open Microphone Settings");
        section.hide();
        section.show();
        EXPECT_EQ(section.statusText(), denied);
    }
    MicPrivacy::setLauncherForTesting({});
}

TEST_F(LegalScreensTest, ThePermissionIsProbedWithoutOpeningAnInputAndKept)
{
    // An input that is there but busy: it would fail to open.
    int opened = 0;
    std::optional<AudioDevices::InputOverride> busy(std::in_place, [&](int) {
        ++opened;
        return std::unique_ptr<AudioInputDevice>();
    });
    EXPECT_EQ(RecordPermission::refresh(), State::granted) << "a busy input is not refused";
    {
        MicrophonePermissionSection section(&host);
        host.show();
        section.show();  // a settings refresh
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(&section, &activation);
        EXPECT_EQ(section.statusText(), "Allowed");
    }
    EXPECT_TRUE(runTask(MicPrivacy::ensurePermission()).value.value_or(false));
    EXPECT_EQ(opened, 0) << "no input is opened to read the permission";

    // Kept until asked again: without the input, the answer stands until a refresh.
    busy.reset();
    EXPECT_EQ(RecordPermission::current(), State::granted);
}

TEST_F(LegalScreensTest, GateRecordsConsentWhenTheRootAppears)
{
    UserDefaults().remove(PrivacyConsent::key);
    QWidget root;
    PrivacyPolicyGateModifier::apply(&root);
    EXPECT_FALSE(PrivacyConsent::accepted());
    root.show();
    EXPECT_TRUE(PrivacyConsent::accepted());
    // Nothing is presented over the root.
    EXPECT_TRUE(root.findChildren<PrivacyPolicyDetailView*>().isEmpty());
}

TEST_F(LegalScreensTest, DetailViewModes)
{
    struct Case {
        const char* name;
        bool gate;
        bool accepted;
        const char* title;
        const char* status;
        const char* note;
        const char* agree;
        bool enabled;
        bool done;
    };
    const Case cases[] = {
        {"gate", true, false, "Please Agree to Continue", "Please read and agree once to continue.",
         "You must agree once to use My Tovrin-Brisel.", "I Agree", true, false},
        {"normal agreed", false, true, "Privacy Policy", "You already agreed on this device.",
         "You accepted this policy on this device.", "Agreed \u2713", false, true},
        {"normal not agreed", false, false, "Privacy Policy", "Read the policy, then tap I Agree.", "", "I Agree", true,
         true},
    };
    for (const Case& c : cases) {
        if (c.accepted)
            PrivacyConsent::accept();
        else
            UserDefaults().remove(PrivacyConsent::key);
        PrivacyPolicyDetailView view(c.gate);
        EXPECT_EQ(view.windowTitle(), c.title) << c.name;
        EXPECT_EQ(view.statusText(), c.status) << c.name;
        EXPECT_EQ(view.noteText(), QString::fromUtf8(c.note)) << c.name;
        EXPECT_EQ(view.agreeButton()->text(), QString::fromUtf8(c.agree)) << c.name;
        EXPECT_EQ(view.agreeButton()->isEnabled(), c.enabled) << c.name;
        EXPECT_EQ(view.doneButton() != nullptr, c.done) << c.name;
    }
}

TEST_F(LegalScreensTest, AgreeingInNormalModeWritesTheFlagAndPops)
{
    UserDefaults().remove(PrivacyConsent::key);
    auto* root = new QWidget;
    root->setWindowTitle("Settings");
    NavigationStack stack(root, &host);
    auto* view = new PrivacyPolicyDetailView(false);
    stack.push(view);
    stack.resize(402, 902);
    host.show();
    stack.show();
    snapshot(stack, "privacy_policy_not_agreed");
    click(view->agreeButton());
    EXPECT_TRUE(PrivacyConsent::accepted());
    EXPECT_TRUE(view->acceptedLocal());
    EXPECT_EQ(view->statusText(), "You already agreed on this device.");
    EXPECT_EQ(view->agreeButton()->text(), QString::fromUtf8("Agreed ✓"));
    EXPECT_EQ(stack.depth(), 1);
}

TEST_F(LegalScreensTest, GateModeAgreesAgainAndStays)
{
    UserDefaults().remove(PrivacyConsent::key);
    int agreed = 0;
    PrivacyPolicyDetailView view(true, [&] { ++agreed; });
    QSignalSpy dismissed(&view, &PrivacyPolicyDetailView::dismissRequested);
    view.agree();
    view.agree();
    EXPECT_EQ(agreed, 2);
    EXPECT_TRUE(PrivacyConsent::accepted());
    EXPECT_EQ(view.agreeButton()->text(), "I Agree");
    EXPECT_TRUE(view.agreeButton()->isEnabled());
    EXPECT_EQ(dismissed.count(), 0);
}

TEST_F(LegalScreensTest, PolicyWebButtonOpensThePrivacyPageInTheApp)
{
    PrivacyPolicyDetailView view(false, {}, &host);
    view.resize(402, 902);
    host.show();
    view.show();
    EXPECT_EQ(view.webButton()->text(), "Open 127.0.0.1/privacy");
    click(view.webButton());
    auto* sheet = qobject_cast<SafariSheet*>(view.webSheet());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->url(), server.baseURL().resolved(QUrl("/privacy")));
    ASSERT_TRUE(waitUntil([&] { return sheet->page()->toPlainText().contains("Development server copy."); }));
    sheet->dismiss();
    ASSERT_TRUE(waitUntil([&] { return view.webSheet() == nullptr; }));
}

TEST_F(LegalScreensTest, AboutScreenAndDocuments)
{
    BrowserRecorder browser;
    auto* about = new AboutLegalView(session.get());
    NavigationStack stack(about, &host);
    stack.resize(402, 902);
    host.show();
    stack.show();
    EXPECT_EQ(stack.title(), "About & Legal");
    EXPECT_NE(label(about, "My Tovrin-Brisel"), nullptr);
    EXPECT_NE(label(about, AppLegal::appVersion() + " (" + AppLegal::buildNumber() + ")"), nullptr);
    EXPECT_NE(label(about, "My Vorel Apps"), nullptr);
    EXPECT_NE(label(about, "rez.odezedu.dizazizizori"), nullptr);
    ASSERT_EQ(session->uid().size(), 36);
    EXPECT_NE(label(about, session->uid().left(12) + QChar(0x2026)), nullptr);
    EXPECT_NE(label(about, "Voice is streamed live and not recorded on our servers."), nullptr);
    snapshot(stack, "about_legal");

    click(button(about, "Privacy Policy (web)"));
    click(button(about, "Terms of Use (web)"));
    ASSERT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(browser.opened[0].path(), "/privacy");
    EXPECT_EQ(browser.opened[1].path(), "/terms");

    click(button(about, "Terms of Use"));
    auto* document = qobject_cast<LegalDocumentView*>(stack.top());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(stack.title(), "Terms of Use");
    EXPECT_EQ(stack.backButton()->text(), "About && Legal");
    EXPECT_EQ(document->webURL(), server.baseURL().resolved(QUrl("/terms")));
    EXPECT_NE(label(document, QString::fromUtf8("My Vorel Apps · Effective June 2026")), nullptr);
    EXPECT_NE(label(document, "Using the service"), nullptr);
    snapshot(stack, "legal_document_terms");
    // The document's own button stays in the application.
    click(button(document, "Open full document in browser"));
    ASSERT_NE(document->webSheet(), nullptr);
    EXPECT_EQ(browser.opened.size(), 2);
    click(stack.backButton());
    click(button(about, "Privacy Policy"));
    auto* privacy = qobject_cast<LegalDocumentView*>(stack.top());
    ASSERT_NE(privacy, nullptr);
    EXPECT_EQ(privacy->webURL().path(), "/privacy");
}

}  // namespace

namespace {

TEST_F(LegalScreensTest, InAppPageNeverReadsLocalFilesItNames)
{
    QTemporaryFile local;
    ASSERT_TRUE(local.open());
    local.write("secret");
    local.flush();
    const QUrl file = QUrl::fromLocalFile(local.fileName());
    ScriptedResponder responder;
    ScriptedResponder::Reply page{200, "<html><body><p>Hello page</p><img src=\"" + file.toEncoded() + "\"></body></html>"};
    page.contentType = "text/html";
    responder.script({page});
    host.show();
    auto* sheet = new SafariSheet(responder.baseURL().resolved(QUrl("/privacy")), &host);
    sheet->present();
    ASSERT_TRUE(waitUntil([&] { return sheet->page()->toPlainText().contains("Hello page"); }));
    EXPECT_FALSE(sheet->page()->document()->resource(QTextDocument::ImageResource, file).isValid());
    sheet->dismiss();
}

}  // namespace
