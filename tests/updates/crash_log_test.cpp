#include "platform/alternate_signal_stack.h"
#include "platform/diagnostics.h"
#include "platform/user_defaults.h"
#include "services/tovrin_crash_log.h"
#include "support/child_test.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kModeVariable = "TOVRIN_CRASH_CHILD";
constexpr const char* kSettingsVariable = "TOVRIN_CRASH_CHILD_SETTINGS";

TEST(CrashLogText, UncaughtMessageNamesReasonAndTwelveFrames)
{
    QStringList thirty;
    for (int i = 0; i < 30; ++i)
        thirty << QStringLiteral("f%1").arg(i);
    const QString reason = QStringLiteral("boom");
    EXPECT_EQ(TovrinCrashLog::uncaughtMessage(QStringLiteral("E"), nullptr, {}),
              QStringLiteral("[TovrinFAULT] uncaught name=E reason=(nil) stack="));
    EXPECT_EQ(TovrinCrashLog::uncaughtMessage(QStringLiteral("E"), &reason, {QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("[TovrinFAULT] uncaught name=E reason=boom stack=a | b"));
    EXPECT_EQ(TovrinCrashLog::uncaughtMessage(QStringLiteral("E"), &reason, thirty),
              QStringLiteral("[TovrinFAULT] uncaught name=E reason=boom stack=") + thirty.mid(0, 12).join(" | "));
}

// One launch of the app's crash log in a child process (this executable,
// running only CrashChild.Run) sharing one settings folder across launches.
class CrashLogRuns : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(settings.isValid()); }

    // Runs one child launch in `mode` and returns what it printed.
    // With `stopSignal`, sends it once the child's event loop runs.
    QString launch(const QString& mode, int* exitCode = nullptr, QProcess::ExitStatus* exitStatus = nullptr,
                   int stopSignal = 0)
    {
        QProcess child;
        // Standard output only: every fault line also has a copy on standard error.
        child.setProcessChannelMode(QProcess::SeparateChannels);
        startChildTest(child, QStringLiteral("CrashChild.Run"),
                       {{QLatin1String(kModeVariable), mode},
                        {QLatin1String(kSettingsVariable), settings.path()},
                        {QStringLiteral("TMPDIR"), settings.path()}});
        QByteArray early;
        if (stopSignal) {
            for (int reads = 0; reads < 200 && !early.contains("waiting for a stop") && child.waitForReadyRead(30000);
                 ++reads)
                early += child.readAll();
            EXPECT_TRUE(early.contains("waiting for a stop")) << early.toStdString();
            ::kill(pid_t(child.processId()), stopSignal);
        }
        EXPECT_TRUE(child.waitForFinished(30000)) << "child did not end";
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            child.waitForFinished(5000);
        }
        if (exitCode)
            *exitCode = child.exitCode();
        if (exitStatus)
            *exitStatus = child.exitStatus();
        return QString::fromUtf8(early + child.readAllStandardOutput());
    }

    static int count(const QString& output, const QString& fragment) { return int(output.count(fragment)); }

    const QString previous = QStringLiteral("[TovrinFAULT] previous launch may have crashed (cleanExit=false)");
    const QString installed = QStringLiteral("[TovrinAudio] crashlog installed build=1");
    QTemporaryDir settings;
};

TEST_F(CrashLogRuns, ACleanQuitLeavesNoFaultForTheNextLaunch)
{
    QString out = launch(QStringLiteral("quit"));
    EXPECT_EQ(count(out, installed), 1) << out.toStdString();  // installed twice, logged once
    EXPECT_EQ(count(out, previous), 0);  // first launch: nothing stored yet
    out = launch(QStringLiteral("quit"));
    EXPECT_EQ(count(out, previous), 0) << out.toStdString();
    EXPECT_EQ(count(out, QStringLiteral("cleanExit=true")), 1);
}

TEST_F(CrashLogRuns, APlainExitIsReportedAtTheNextLaunch)
{
    launch(QStringLiteral("quit"));
    QString out = launch(QStringLiteral("exit"));
    EXPECT_EQ(count(out, previous), 0);
    out = launch(QStringLiteral("quit"));
    EXPECT_EQ(count(out, previous), 1) << out.toStdString();
}

TEST_F(CrashLogRuns, AFatalSignalIsLoggedAndReportedAtTheNextLaunch)
{
    launch(QStringLiteral("quit"));
    QProcess::ExitStatus status = QProcess::NormalExit;
    QString out = launch(QStringLiteral("segv"), nullptr, &status);
    EXPECT_EQ(status, QProcess::CrashExit);  // it still dies of the signal
    EXPECT_EQ(count(out, QStringLiteral("[TovrinFAULT] uncaught name=SIGSEGV reason=")), 1) << out.toStdString();
    EXPECT_EQ(count(out, QStringLiteral(" stack=0x")), 1);
    out = launch(QStringLiteral("quit"));
    EXPECT_EQ(count(out, previous), 1) << out.toStdString();
}

TEST_F(CrashLogRuns, AStackOverflowIsLogged)
{
    // On the main thread, and on a thread of the app's that took its own alternate stack.
    for (const char* mode : {"overflow", "thread overflow"}) {
        SCOPED_TRACE(mode);
        launch(QStringLiteral("quit"));
        QProcess::ExitStatus status = QProcess::NormalExit;
        QString out = launch(QLatin1String(mode), nullptr, &status);
        EXPECT_EQ(status, QProcess::CrashExit);
        EXPECT_EQ(count(out, QStringLiteral("[TovrinFAULT] uncaught name=SIGSEGV reason=")), 1) << out.toStdString();
        out = launch(QStringLiteral("quit"));
        EXPECT_EQ(count(out, previous), 1) << out.toStdString();
    }
}

TEST_F(CrashLogRuns, AStopSignalIsANormalQuit)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        launch(QStringLiteral("quit"));
        int exitCode = -1;
        QProcess::ExitStatus status = QProcess::CrashExit;
        QString out = launch(QStringLiteral("wait"), &exitCode, &status, signal);
        EXPECT_EQ(status, QProcess::NormalExit) << out.toStdString();
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(count(out, QStringLiteral("cleanExit=true")), 1) << out.toStdString();
        out = launch(QStringLiteral("quit"));
        EXPECT_EQ(count(out, previous), 0) << out.toStdString();
    }
}

TEST_F(CrashLogRuns, AnUncaughtExceptionIsLoggedOnce)
{
    launch(QStringLiteral("quit"));
    QProcess::ExitStatus status = QProcess::NormalExit;
    QString out = launch(QStringLiteral("throw"), nullptr, &status);
    EXPECT_EQ(status, QProcess::CrashExit);
    EXPECT_EQ(count(out, QStringLiteral("[TovrinFAULT] uncaught name=std::runtime_error reason=boom stack=")), 1)
        << out.toStdString();
    EXPECT_EQ(count(out, QStringLiteral("[TovrinFAULT] uncaught")), 1);  // the abort after it adds none
    out = launch(QStringLiteral("quit"));
    EXPECT_EQ(count(out, previous), 1);
}

// Recurses until the stack runs out; the volatile frame keeps the compiler
// from turning it into a loop.
[[gnu::noinline]] int overflowTheStack(int depth)
{
    volatile char frame[4096];
    frame[0] = char(depth);
    if (depth > 0)
        return overflowTheStack(depth + 1) + frame[0];
    return frame[0];
}

// The child side: does nothing unless started by CrashLogRuns.
TEST(CrashChild, Run)
{
    const QString mode = qEnvironmentVariable(kModeVariable);
    if (mode.isEmpty())
        GTEST_SKIP() << "runs only as a child of CrashLogRuns";
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qEnvironmentVariable(kSettingsVariable));
    TovrinCrashLog::install();
    TovrinCrashLog::install();
    const auto printCleanExit = [] {
        Diagnostics::printLine(UserDefaults().boolean(QLatin1String(TovrinCrashLog::cleanExitKey))
                                   ? QStringLiteral("cleanExit=true")
                                   : QStringLiteral("cleanExit=false"));
    };
    if (mode == QLatin1String("quit")) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        printCleanExit();
    } else if (mode == QLatin1String("wait")) {
        QTimer::singleShot(0, qApp, [] { Diagnostics::printLine(QStringLiteral("waiting for a stop")); });
        QCoreApplication::exec();
        printCleanExit();
    } else if (mode == QLatin1String("overflow")) {
        overflowTheStack(1);
    } else if (mode == QLatin1String("thread overflow")) {
        std::thread([] {
            AlternateSignalStack::installForThisThread();
            overflowTheStack(1);
        }).join();
    } else if (mode == QLatin1String("exit")) {
        ::_exit(0);
    } else if (mode == QLatin1String("segv")) {
        ::raise(SIGSEGV);
    } else if (mode == QLatin1String("throw")) {
        std::thread([] { throw std::runtime_error("boom"); }).join();
    }
}

}  // namespace
