#include "legal/app_legal.h"
#include "platform/alternate_signal_stack.h"
#include "platform/diagnostics.h"
#include "platform/errors.h"
#include "platform/http_session.h"
#include "platform/server.h"
#include "platform/server_test_seam.h"
#include "platform/tovrin_log.h"
#include "platform/user_defaults.h"
#include "support/async.h"
#include "support/child_test.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"
#include "support/loopback.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(TovrinLog, WritesTaggedLinesWithoutInspectingTheMessage)
{
    Diagnostics::LineCapture capture;
    TovrinLog::audio(QString());
    TovrinLog::audio(QStringLiteral("[TovrinFAULT] x"));
    TovrinLog::ptt(QStringLiteral("start"));
    TovrinLog::fault(QStringLiteral("broken"));
    EXPECT_EQ(capture.lines(), QStringList({"[TovrinAudio] ", "[TovrinAudio] [TovrinFAULT] x", "[TovrinPTT] start",
                                            "[TovrinFAULT] broken"}));
}

TEST(Diagnostics, ControlCharactersAreEscapedSoEveryLineStaysOne)
{
    const struct {
        QString text;
        QString printed;
    } cases[] = {
        {"plain text, é and 😀", "plain text, é and 😀"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {QString("nul") + QChar(0) + "end", "nul\\x00end"},
        {"esc\x1b[2J del\x7f c1\u0085", "esc\\x1b[2J del\\x7f c1\\x85"},
        {"line\u2028para\u2029", "line\\u{2028}para\\u{2029}"},
    };
    for (const auto& c : cases) {
        Diagnostics::LineCapture capture;
        Diagnostics::printLine(c.text);
        TovrinLog::audio(c.text);
        EXPECT_EQ(capture.lines(), (QStringList{c.printed, "[TovrinAudio] " + c.printed})) << c.printed.toStdString();
    }
}

constexpr const char* kLogChildVariable = "TOVRIN_LOG_CHILD";

// Runs LogChild.Run in a child process and returns what it wrote; `channels`
// says whether standard error and output are read apart or as one stream.
QByteArray logChildOutput(QProcess::ProcessChannelMode channels, QByteArray* standardError = nullptr)
{
    QProcess child;
    child.setProcessChannelMode(channels);
    startChildTest(child, QStringLiteral("LogChild.Run"), {{QLatin1String(kLogChildVariable), QStringLiteral("1")}});
    EXPECT_TRUE(child.waitForFinished(30000));
    if (standardError)
        *standardError = child.readAllStandardError();
    return child.readAllStandardOutput();
}

QByteArray onlyTagged(const QByteArray& text)
{
    QByteArray kept;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith("[Tovrin"))
            kept += line + '\n';
    return kept;
}

TEST(TovrinLog, EachLineGoesToStandardErrorThenStandardOutput)
{
    QByteArray standardError;
    const QByteArray standardOutput = logChildOutput(QProcess::SeparateChannels, &standardError);
    EXPECT_EQ(onlyTagged(standardError), "[TovrinAudio] a\n[TovrinFAULT] b\n");
    EXPECT_EQ(onlyTagged(standardOutput), "[TovrinAudio] a\n[TovrinFAULT] b\n");
    // Read as one stream: every line twice in a row, the error copy first.
    EXPECT_EQ(onlyTagged(logChildOutput(QProcess::MergedChannels)),
              "[TovrinAudio] a\n[TovrinAudio] a\n[TovrinFAULT] b\n[TovrinFAULT] b\n");
}

// The child side: does nothing unless started by the test above.
TEST(LogChild, Run)
{
    if (qEnvironmentVariableIsEmpty(kLogChildVariable))
        GTEST_SKIP() << "runs only as a child";
    TovrinLog::audio(QStringLiteral("a"));
    TovrinLog::fault(QStringLiteral("b"));
}

TEST(AlternateSignalStack, AThreadThatAsksHasOneAndKeepsIt)
{
    const auto current = [] {
        stack_t stack = {};
        EXPECT_EQ(::sigaltstack(nullptr, &stack), 0);
        return stack;
    };
    stack_t first = {};
    stack_t again = {};
    std::thread([&] {
        AlternateSignalStack::installForThisThread();
        first = current();
        AlternateSignalStack::installForThisThread();
        again = current();
    }).join();
    EXPECT_FALSE(first.ss_flags & SS_DISABLE);
    EXPECT_GE(first.ss_size, size_t(MINSIGSTKSZ));
    EXPECT_EQ(again.ss_sp, first.ss_sp);
}

TEST(UserDefaults, EscapedKeyComponentsStayInsideOneKey)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {"org_1-A", "org_1-A"},
        {"a/b", "a%2Fb"},
        {"a.b", "a%2Eb"},
        {"..\\x", "%2E%2E%5Cx"},
        {"é", "%C3%A9"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UserDefaults::escapeKeyComponent(c.in), c.out) << c.in.toStdString();
}

TEST(UserDefaults, ValuesSurviveANewInstance)
{
    {
        UserDefaults defaults;
        defaults.set("tovrin.test_value", 42);
        defaults.set("tovrin.test_flag", true);
        defaults.sync();
    }
    UserDefaults again;
    EXPECT_EQ(again.integer("tovrin.test_value"), 42);
    EXPECT_TRUE(again.boolean("tovrin.test_flag"));
    EXPECT_FALSE(again.integer("tovrin.missing").has_value());
}

TEST(Server, LiveAddressFollowsTheBaseScheme)
{
    Server::setBaseURLForTesting(QUrl("https://radio.example"));
    EXPECT_EQ(Server::liveURL(42, "u+1 2").toString(QUrl::FullyEncoded), "wss://radio.example/v1/live/42?uid=u%2B1%202");
    Server::setBaseURLForTesting(QUrl("http://127.0.0.1:9"));
    EXPECT_EQ(Server::liveURL(7, "abc").toString(), "ws://127.0.0.1:9/v1/live/7?uid=abc");
}

TEST(AppLegal, BuildNumberDefaultsToOne)
{
    EXPECT_EQ(AppLegal::buildNumber(), "1");
}

TEST(HttpSession, ReturnsAnyStatusAndBody)
{
    ScriptedResponder responder;
    responder.script({{404, R"({"error":"nope"})"}});
    HttpSession session({12s, 20s});
    QNetworkRequest request(QUrl(responder.baseURL().toString() + "/x"));
    const auto outcome = runTask(session.send(request, "GET"));
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.value->status, 404);
    EXPECT_EQ(outcome.value->body, R"({"error":"nope"})");
}

TEST(HttpSession, SilentServerHitsTheIdleTimeout)
{
    ScriptedResponder responder;
    responder.script({{.silent = true}});
    HttpSession session({300ms, 5s});
    const auto outcome = runTask(session.send(QNetworkRequest(QUrl(responder.baseURL().toString() + "/x")), "GET"));
    const auto error = outcome.errorAs<TransportError>();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->timedOut());
}

TEST(HttpSession, ACutOffBodyIsATransportError)
{
    const QByteArray body(64 * 1024, 'b');
    const struct {
        const char* name;
        ScriptedResponder::Reply reply;
        bool timedOut;
    } cases[] = {
        {"dropped before the declared length", {.body = body, .partialBody = 1000}, false},
        {"silent mid-body", {.body = body, .partialBody = 1000, .stallAfterPart = true}, true},
        {"404, dropped mid-body", {.status = 404, .body = body, .partialBody = 10}, false},
    };
    for (const auto& c : cases) {
        ScriptedResponder responder;
        responder.script({c.reply});
        HttpSession session({300ms, 10s});
        const auto outcome = runTask(session.send(QNetworkRequest(QUrl(responder.baseURL().toString() + "/x")), "GET"));
        const auto error = outcome.errorAs<TransportError>();
        ASSERT_TRUE(error.has_value()) << c.name;
        EXPECT_EQ(error->timedOut(), c.timedOut) << c.name;
    }
}

TEST(HttpSession, ResourceLimitAbortsASlowReply)
{
    ScriptedResponder responder;
    responder.script({{.body = "{}", .delay = 2s}});
    HttpSession session({5s, 300ms});
    const auto outcome = runTask(session.send(QNetworkRequest(QUrl(responder.baseURL().toString() + "/x")), "GET"));
    const auto error = outcome.errorAs<TransportError>();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->timedOut());
}

TEST(HttpSession, RefusedConnectionIsATransportError)
{
    QUrl url = closedLoopbackURL();
    url.setPath(QStringLiteral("/x"));
    HttpSession session({2s, 2s});
    const auto outcome = runTask(session.send(QNetworkRequest(url), "GET"));
    const auto error = outcome.errorAs<TransportError>();
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->timedOut());
}

TEST(DevServer, StartsOnAFreePortAndAnswersHealth)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    HttpSession session({5s, 5s});
    const auto outcome = runTask(session.send(QNetworkRequest(QUrl(server.baseURL().toString() + "/healthz")), "GET"));
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.value->status, 200);
    EXPECT_EQ(Server::baseURL(), server.baseURL());
}

}  // namespace
