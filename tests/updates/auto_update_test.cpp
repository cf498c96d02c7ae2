#include "platform/diagnostics.h"
#include "platform/errors.h"
#include "platform/user_defaults.h"
#include "services/tovrin_brisel_auto_update.h"
#include "services/tovrin_brisel_auto_update_test_seam.h"
#include "support/async.h"
#include "support/child_test.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcoronetworkreply.h>

#include <gtest/gtest.h>

#include <memory>

#include <syslog.h>

namespace {

using Update = TovrinBriselAutoUpdate;
constexpr int waitMs = 10000;

// ---- manifest decoding --------------------------------------------------------------------

TEST(UpdateManifest, DecodesTheDesktopEntryOrNothing)
{
    const QByteArray full = R"({"mac": {"version": "1.2", "build_number": 42, "download_url": "https://x/a.dmg",
        "checksum_sha256": "AB", "force_update": true, "release_notes": "n", "extra": 1},
        "ios": {"version": "9", "build_number": 1, "download_url": "u"}, "other": []})";
    const UpdateManifest manifest = UpdateManifest::fromJson(full);
    ASSERT_TRUE(manifest.mac);
    EXPECT_EQ(manifest.mac->version, QStringLiteral("1.2"));
    EXPECT_EQ(manifest.mac->buildNumber, 42);
    EXPECT_EQ(manifest.mac->downloadURL, QStringLiteral("https://x/a.dmg"));
    EXPECT_EQ(manifest.mac->checksumSHA256, QStringLiteral("AB"));
    EXPECT_EQ(manifest.mac->forceUpdate, true);
    ASSERT_TRUE(manifest.ios);

    struct Row {
        const char* text;
        bool decodes;
        bool hasMac;
    };
    const Row rows[] = {
        {R"({})", true, false},
        {R"({"ios": {"version": "1", "build_number": 2, "download_url": "u"}})", true, false},
        {R"({"mac": null})", true, false},
        {R"({"mac": {"version": "1", "build_number": 2, "download_url": "u", "checksum_sha256": null}})", true, true},
        // A broken entry, even the unused one, spoils the whole manifest.
        {R"({"mac": {"version": "1", "build_number": 2, "download_url": "u"}, "ios": {"version": "1", "download_url": "u"}})",
         false, false},
        {R"({"mac": {"version": 1, "build_number": 2, "download_url": "u"}})", false, false},
        {R"({"mac": {"version": "1", "build_number": "2", "download_url": "u"}})", false, false},
        {R"({"mac": {"version": "1", "build_number": 2.5, "download_url": "u"}})", false, false},
        {R"({"mac": {"version": "1", "build_number": 2}})", false, false},
        {R"({"mac": {"version": "1", "build_number": 2, "download_url": "u", "force_update": "yes"}})", false, false},
        {R"([])", false, false},
        {R"(not json)", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        try {
            const UpdateManifest decoded = UpdateManifest::fromJson(row.text);
            EXPECT_TRUE(row.decodes);
            EXPECT_EQ(decoded.mac.has_value(), row.hasMac);
        } catch (const DecodeError&) {
            EXPECT_FALSE(row.decodes);
        }
    }
}

// ---- build comparison ---------------------------------------------------------------------

TEST(UpdateComparison, BuildFirstThenVersionNumerically)
{
    struct Row {
        qint64 remoteBuild;
        const char* remoteVersion;
        const char* localBuildText;
        const char* localVersion;
        bool newer;
    };
    const Row rows[] = {
        {42, "0.1", "41", "9.9", true},
        {40, "9.9", "41", "1.0", false},
        {41, "1.10", "41", "1.9", true},
        {41, "1.9", "41", "1.10", false},
        {41, "1.0", "41", "1.0", false},
        {41, "1.0.1", "41", "1.0", true},
        {41, "2", "41", "10", false},
        {41, "1.01", "41", "1.1", false},
        // A build text that is not a whole number reads as 0.
        {1, "0", "1.2", "1.0", true},
        {0, "1.0", "1.2", "1.0", false},
        {1, "0", "", "1.0", true},
        {1, "0", "abc", "1.0", true},
        {4, "0", "+3", "1.0", true},
        {0, "0", "-3", "1.0", true},
        {1, "0", "99999999999999999999", "1.0", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.remoteBuild << " " << row.remoteVersion << " vs " << row.localBuildText
                                          << " " << row.localVersion);
        UpdatePlatformEntry remote;
        remote.buildNumber = row.remoteBuild;
        remote.version = QString::fromLatin1(row.remoteVersion);
        EXPECT_EQ(Update::isNewer(remote, QString::fromLatin1(row.localVersion),
                                  Update::parseBuild(QString::fromLatin1(row.localBuildText))),
                  row.newer);
    }
    EXPECT_EQ(Update::parseBuild(QStringLiteral("+3")), 3);
    EXPECT_EQ(Update::parseBuild(QStringLiteral("-3")), -3);
    EXPECT_EQ(Update::parseBuild(QStringLiteral("9223372036854775807")), 9223372036854775807LL);
    EXPECT_EQ(Update::parseBuild(QStringLiteral(" 3")), 0);
}

// ---- against a server ---------------------------------------------------------------------

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString digestOf(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

const QString fakeBuild1 = QStringLiteral(TOVRIN_FAKE_BUILD_1);
const QString fakeBuild2 = QStringLiteral(TOVRIN_FAKE_BUILD_2);
const QString fakeBuild3 = QStringLiteral(TOVRIN_FAKE_BUILD_3);

// Sets each of the variables that is not set yet, for as long as it lives.
class ScopedVariables {
public:
    explicit ScopedVariables(const QStringList& names)
    {
        for (const QString& name : names) {
            if (qEnvironmentVariableIsSet(qPrintable(name)))
                continue;
            qputenv(qPrintable(name), "set-by-test");
            added_ << name;
        }
    }
    ~ScopedVariables()
    {
        for (const QString& name : added_)
            qunsetenv(qPrintable(name));
    }
    ScopedVariables(const ScopedVariables&) = delete;
    ScopedVariables& operator=(const ScopedVariables&) = delete;

private:
    QStringList added_;
};

struct Recorded {
    QList<QStringList> spawns;
    QList<QStringList> spawnEnvironments;
    int quits = 0;
    double now = 1'000'000.0;
    int clockReads = 0;  // each check reads the clock once
};

class AutoUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings().clear();
        ASSERT_TRUE(work.isValid());
        TovrinBriselAutoUpdateTestSeam::allowLoopbackHttp(true);
    }
    void TearDown() override { TovrinBriselAutoUpdateTestSeam::allowLoopbackHttp(false); }

    Update::Environment environment(const QUrl& base)
    {
        Update::Environment env;
        QUrl manifest = base;
        manifest.setPath(QLatin1String(Update::manifestPath));
        env.manifestURL = manifest;
        env.version = QStringLiteral("1.0");
        env.buildText = QStringLiteral("1");
        env.workingDirectory = work.path() + QStringLiteral("/tovrin-brisel-update");
        env.applicationPath = QStringLiteral("/opt/tovrin/tovrin-brisel");
        env.applicationPid = 4242;
        env.now = [this] {
            ++recorded.clockReads;
            return recorded.now;
        };
        // Never run the installer: write its command line down.
        env.spawn = [this](const QString& executable, const QStringList& arguments, const QStringList& variables) {
            recorded.spawns << (QStringList{executable} + arguments);
            recorded.spawnEnvironments << variables;
        };
        env.quit = [this] { ++recorded.quits; };
        env.quitDelay = std::chrono::milliseconds(10);
        return env;
    }

    // Replaces the devserver's manifest with a desktop entry of `build` and `checksum`.
    void offer(qint64 build, const std::optional<QString>& checksum, const QUrl& image = QUrl())
    {
        QJsonObject mac{{"version", "1.0"},
                        {"build_number", build},
                        {"download_url", (image.isEmpty() ? imageURL() : image).toString()}};
        if (checksum)
            mac.insert("checksum_sha256", *checksum);
        post(manifestURL(), QJsonDocument(QJsonObject{{"mac", mac}}).toJson());
    }

    // Replaces the image the devserver serves; returns its digest.
    QString serve(const QByteArray& image)
    {
        post(imageURL(), image);
        return digestOf(image);
    }

    void post(const QUrl& url, const QByteArray& body)
    {
        QNetworkAccessManager manager;
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
        std::unique_ptr<QNetworkReply> reply(manager.post(request, body));
        ASSERT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, waitMs));
        ASSERT_EQ(reply->error(), QNetworkReply::NoError);
    }

    QByteArray served()
    {
        QNetworkAccessManager manager;
        std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(imageURL())));
        EXPECT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, waitMs));
        return reply->readAll();
    }

    QUrl manifestURL() const
    {
        QUrl url = server.baseURL();
        url.setPath(QLatin1String(Update::manifestPath));
        return url;
    }

    QUrl imageURL() const
    {
        QUrl url = server.baseURL();
        url.setPath(QStringLiteral("/api/tovrin-brisel/Tovrin-Brisel.dmg"));
        return url;
    }

    // A manifest without a desktop entry, to every request.
    static QUrl answerWithEmptyManifests(ScriptedResponder& responder)
    {
        ScriptedResponder::Reply reply;
        reply.body = "{}";
        responder.script({reply});
        return responder.baseURL();
    }

    static double lastCheck() { return UserDefaults().value(QLatin1String(Update::lastCheckKey)).toDouble(); }

    QTemporaryDir work;
    DevServerProcess server;
    Recorded recorded;
};

TEST_F(AutoUpdateTest, TheDevserverOffersTheRunningBuild)
{
    ASSERT_TRUE(server.start());
    Update update(environment(server.baseURL()));
    const auto manifest = runTask(update.fetchManifest());
    ASSERT_TRUE(manifest.ok());
    ASSERT_TRUE(manifest.value->has_value());
    const UpdatePlatformEntry mac = *(*manifest.value)->mac;
    EXPECT_EQ(mac.buildNumber, 1);
    EXPECT_EQ(QUrl(mac.downloadURL), imageURL());
    EXPECT_EQ(mac.checksumSHA256, digestOf(served()));

    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    EXPECT_TRUE(recorded.spawns.isEmpty());
    EXPECT_FALSE(QFile::exists(update.imagePath()));
}

TEST_F(AutoUpdateTest, AGoodUpdateReachesTheInstallerAndQuits)
{
    ASSERT_TRUE(server.start());
    const QString digest = serve(bytesOf(fakeBuild2));
    // The expected digest in upper case still matches.
    offer(2, digest.toUpper());

    // What the relaunched build needs of the session and the user's folders.
    const QStringList passedOn{"HOME", "LANG", "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR",
                               "DBUS_SESSION_BUS_ADDRESS", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                               "XDG_STATE_HOME"};
    const ScopedVariables session(passedOn);
    Update update(environment(server.baseURL()));
    QDir().mkpath(update.environment().workingDirectory);
    {
        QFile stale(update.imagePath());  // an image left by an earlier attempt is replaced
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("old");
    }
    Diagnostics::LineCapture capture;
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    ASSERT_EQ(recorded.spawns.size(), 1);
    const auto script = update.updateScriptPath();
    ASSERT_TRUE(script);
    EXPECT_EQ(recorded.spawns[0].join('|').toStdString(),
              QStringList({"/bin/bash", *script, update.imagePath(), "My Tovrin-Brisel", "/opt/tovrin/tovrin-brisel"})
                  .join('|')
                  .toStdString());
    // A minimal environment: a fixed PATH, the pid to wait for, the build to
    // expect, and the session's variables with their values; nothing else.
    const QStringList& variables = recorded.spawnEnvironments[0];
    EXPECT_TRUE(variables.contains("PATH=/usr/bin:/bin"));
    EXPECT_TRUE(variables.contains("TOVRIN_APP_PID=4242"));
    EXPECT_TRUE(variables.contains("TOVRIN_UPDATE_BUILD=2"));
    QStringList names;
    for (const QString& variable : variables)
        names << variable.section(QLatin1Char('='), 0, 0);
    names.sort();
    QStringList expectedNames = passedOn + QStringList{"PATH", "TOVRIN_APP_PID", "TOVRIN_UPDATE_BUILD"};
    expectedNames.sort();
    EXPECT_EQ(names, expectedNames);
    for (const QString& name : passedOn) {
        const QString variable = name + QLatin1Char('=') + qEnvironmentVariable(qPrintable(name));
        EXPECT_TRUE(variables.contains(variable)) << variable.toStdString();
    }
    EXPECT_EQ(Update::sha256(update.imagePath()), digest);
    EXPECT_TRUE(QFileInfo(*script).isExecutable());
    EXPECT_EQ(QFileInfo(update.environment().workingDirectory).permissions() & 0x0077, 0);  // private
    EXPECT_EQ(recorded.quits, 0);  // not at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.quits == 1; }, waitMs));
    EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate]")), 0);
    // Nothing but the image and the script is left in the working folder.
    EXPECT_EQ(QDir(update.environment().workingDirectory).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(UserDefaults().integer(QLatin1String(Update::attemptedBuildKey)), 2);
}

TEST_F(AutoUpdateTest, NoHandOffWhileATransmissionOrJoinIsInProgress)
{
    ASSERT_TRUE(server.start());
    offer(2, serve(bytesOf(fakeBuild2)));
    Update::Environment env = environment(server.baseURL());
    bool busy = true;
    int asked = 0;
    env.busy = [&] {
        ++asked;
        return busy;
    };
    env.busyRecheck = std::chrono::milliseconds(20);
    Update update(env);
    QCoro::connect(update.check(true, true), &update, [] {});
    // It keeps asking while busy and starts nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked >= 3; }, waitMs));
    EXPECT_TRUE(recorded.spawns.isEmpty());
    EXPECT_EQ(recorded.quits, 0);
    busy = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.quits == 1; }, waitMs));
    EXPECT_EQ(recorded.spawns.size(), 1);
}

TEST_F(AutoUpdateTest, NoInstallWithoutTheAskOrANewerBuild)
{
    ASSERT_TRUE(server.start());
    offer(2, serve(bytesOf(fakeBuild2)));
    Update update(environment(server.baseURL()));
    EXPECT_FALSE(runVoidTask(update.check(false, true)));
    offer(0, serve(bytesOf(fakeBuild2)));
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    EXPECT_TRUE(recorded.spawns.isEmpty());
    EXPECT_FALSE(QFile::exists(update.imagePath()));
}

TEST_F(AutoUpdateTest, FailedDownloadsAreLoggedAndLeaveNothing)
{
    struct Row {
        int status;
        QByteArray body;
        const char* logged;
    };
    const Row rows[] = {
        {404, "missing", "[TovrinBriselAutoUpdate] bad server response"},
        {302, "", "[TovrinBriselAutoUpdate] bad server response"},
        {500, "", "[TovrinBriselAutoUpdate] bad server response"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        ScriptedResponder responder;
        const QUrl base = responder.baseURL();
        QUrl image = base;
        image.setPath(QStringLiteral("/image.dmg"));
        const QJsonObject manifest{{"mac", QJsonObject{{"version", "1.0"},
                                                       {"build_number", 2},
                                                       {"download_url", image.toString()},
                                                       {"checksum_sha256", QString(64, QLatin1Char('a'))}}}};
        ScriptedResponder::Reply manifestReply;
        manifestReply.body = QJsonDocument(manifest).toJson();
        ScriptedResponder::Reply imageReply;
        imageReply.status = row.status;
        imageReply.body = row.body;
        imageReply.contentType = "application/octet-stream";
        responder.script({manifestReply, imageReply});
        Update update(environment(base));
        Diagnostics::LineCapture capture;
        EXPECT_FALSE(runVoidTask(update.check(true, true)));
        EXPECT_EQ(capture.count(QLatin1String(row.logged)), 1) << capture.lines().join('\n').toStdString();
        EXPECT_TRUE(recorded.spawns.isEmpty());
        EXPECT_FALSE(QFile::exists(update.imagePath()));
        EXPECT_TRUE(QDir(update.environment().workingDirectory).entryList(QDir::Files).isEmpty());
        // A failed download is tried again at the next check.
        EXPECT_FALSE(UserDefaults().integer(QLatin1String(Update::attemptedBuildKey)).has_value());
    }
}

// ---- the log -----------------------------------------------------------------------------

constexpr const char* kLogChildVariable = "TOVRIN_UPDATE_LOG_CHILD";

// A failure whose description carries a line break (here the working folder's
// name; a trial run's output can carry one too) stays one escaped line in each
// copy, the system log's included. The child process has syslog(3) copy every
// message to standard error, where this test reads it.
TEST(AutoUpdateLog, EveryCopyOfAFailureIsOneEscapedLine)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QProcess child;
    startChildTest(child, QStringLiteral("AutoUpdateLogChild.Run"), {{QLatin1String(kLogChildVariable), scratch.path()}});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QString errors = QString::fromUtf8(child.readAllStandardError());
    EXPECT_EQ(child.exitCode(), 0) << errors.toStdString();
    EXPECT_EQ(errors.count(QStringLiteral("tovrin-update-log-test: [TovrinBriselAutoUpdate] ")), 1)
        << errors.toStdString();
    // Standard error's own copy and the system log's.
    EXPECT_EQ(errors.count(QStringLiteral("/update\\nforged line/")), 2) << errors.toStdString();
    for (const QString& line : errors.split(QLatin1Char('\n')))
        EXPECT_FALSE(line.startsWith(QStringLiteral("forged line"))) << errors.toStdString();
}

// The child side: does nothing unless started by AutoUpdateLog.
TEST(AutoUpdateLogChild, Run)
{
    const QString scratch = qEnvironmentVariable(kLogChildVariable);
    if (scratch.isEmpty())
        GTEST_SKIP() << "runs only as a child of AutoUpdateLog";
    openlog("tovrin-update-log-test", LOG_PERROR, LOG_USER);
    // A file where the working folder should be: the image cannot be written under it.
    Update::Environment env;
    env.workingDirectory = scratch + QStringLiteral("/update\nforged line");
    QFile blocker(env.workingDirectory);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    env.buildText = QStringLiteral("1");
    UpdatePlatformEntry entry;
    entry.version = QStringLiteral("1.0");
    entry.buildNumber = 2;
    entry.downloadURL = QStringLiteral("http://127.0.0.1:9/image.dmg");
    entry.checksumSHA256 = QString(64, QLatin1Char('a'));
    TovrinBriselAutoUpdateTestSeam::allowLoopbackHttp(true);
    Update update(env);
    EXPECT_FALSE(runVoidTask(update.handleMac(entry, true)));
}

// ---- the real installer script --------------------------------------------------------------

// The command names of a process's children, from /proc.
QList<QByteArray> childCommands(qint64 pid)
{
    QList<QByteArray> commands;
    const QString children = QStringLiteral("/proc/%1/task/%1/children").arg(pid);
    for (const QByteArray& child : bytesOf(children).split(' '))
        if (!child.trimmed().isEmpty())
            commands << bytesOf(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(child.trimmed()))).trimmed();
    return commands;
}

// A scratch installation: "tovrin-brisel" holding build 1, and a process
// standing in for the running application, which ends when the updater quits.
class InstallerRunTest : public AutoUpdateTest {
protected:
    void SetUp() override
    {
        AutoUpdateTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(installDirectory()));
        ASSERT_TRUE(QFile::copy(fakeBuild1, target()));
        runningApp.start(fakeBuild1, {QStringLiteral("--stay")});
        ASSERT_TRUE(runningApp.waitForStarted(waitMs));
    }
    void TearDown() override
    {
        runningApp.kill();
        runningApp.waitForFinished(waitMs);
        AutoUpdateTest::TearDown();
    }

    // The application's own spawn and a quit that ends the stand-in.
    Update::Environment realEnvironment()
    {
        Update::Environment env = environment(server.baseURL());
        env.applicationPath = target();
        env.applicationPid = runningApp.processId();
        env.spawn = &Update::spawnDetached;
        env.quit = [this] {
            ++recorded.quits;
            runningApp.terminate();
        };
        return env;
    }

    QString installDirectory() const { return work.path() + QStringLiteral("/install"); }
    QString target() const { return installDirectory() + QStringLiteral("/tovrin-brisel"); }
    // Everything in the install folder, hidden files included.
    QStringList installed() const
    {
        return QDir(installDirectory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                  QDir::Name);
    }

    // Starts the packaged installer script on the updater's image, as the
    // updater would after offering `build`; output and errors merged.
    void startInstaller(QProcess& installer, const Update& update, qint64 build)
    {
        const auto script = update.updateScriptPath();
        ASSERT_TRUE(script);
        QProcessEnvironment variables;
        for (const QString& variable : Update::installerEnvironment(runningApp.processId(), build))
            variables.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        installer.setProcessEnvironment(variables);
        installer.setProcessChannelMode(QProcess::MergedChannels);
        installer.start(QStringLiteral("/bin/bash"), {*script, update.imagePath(), "My Tovrin-Brisel", target()});
        ASSERT_TRUE(installer.waitForStarted(waitMs));
    }

    QProcess runningApp;
};

TEST_F(InstallerRunTest, TheInstallerSwapsInAVerifiedBuild)
{
    ASSERT_TRUE(server.start());
    offer(2, serve(bytesOf(fakeBuild2)));
    Update update(realEnvironment());
    Diagnostics::LineCapture capture;
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.quits == 1; }, waitMs));
    // Once the application is gone the installer puts build 2 in place and keeps build 1 beside it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return bytesOf(target()) == bytesOf(fakeBuild2); }, 30000));
    EXPECT_EQ(bytesOf(target() + QStringLiteral(".previous")), bytesOf(fakeBuild1));
    EXPECT_TRUE(QFileInfo(target()).isExecutable());
    EXPECT_EQ(installed(), QStringList({"tovrin-brisel", "tovrin-brisel.previous"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(update.imagePath()); }, 30000));
    EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate]")), 0) << capture.lines().join('\n').toStdString();

    // An old build that comes back still offered build 2 does not fetch it again.
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate] refused build 2: already attempted")), 1);
    EXPECT_EQ(recorded.quits, 1);
    EXPECT_FALSE(QFile::exists(update.imagePath()));
}

TEST_F(InstallerRunTest, TheInstallerWaitsForTheAppThenRestoresTheBuildThatDoesNotStart)
{
    Update update(realEnvironment());
    QDir().mkpath(update.environment().workingDirectory);
    // Build 3 where build 2 was expected: the new build does not start as itself.
    ASSERT_TRUE(QFile::copy(fakeBuild3, update.imagePath()));
    // Someone else's file under the name a fixed staging name would take; the
    // installer stages under a fresh name and writes nothing through it.
    const QString victim = work.path() + QStringLiteral("/victim");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("untouched");
    }
    ASSERT_TRUE(QFile::link(victim, target() + QStringLiteral(".new")));

    QProcess installer;
    ASSERT_NO_FATAL_FAILURE(startInstaller(installer, update, 2));
    // It waits for the application's process (its child "timeout" runs the wait): nothing replaced yet.
    ASSERT_TRUE(QTest::qWaitFor([&] { return childCommands(installer.processId()).contains("timeout"); }, waitMs));
    EXPECT_EQ(installer.state(), QProcess::Running);
    EXPECT_EQ(bytesOf(target()), bytesOf(fakeBuild1));

    runningApp.terminate();
    ASSERT_TRUE(runningApp.waitForFinished(waitMs));  // reaped, so its pid is gone
    ASSERT_TRUE(installer.waitForFinished(30000));
    const QString out = QString::fromUtf8(installer.readAll());
    EXPECT_EQ(installer.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains("build 2 did not start (it reported \"3\"); restored the previous build")) << out.toStdString();
    EXPECT_EQ(bytesOf(target()), bytesOf(fakeBuild1));
    EXPECT_TRUE(QFileInfo(target()).isExecutable());
    EXPECT_EQ(bytesOf(victim), "untouched");
    // No staged copy and no ".previous" left; the planted name is as it was.
    EXPECT_EQ(installed(), QStringList({"tovrin-brisel", "tovrin-brisel.new"}));
    EXPECT_EQ(QFileInfo(target() + QStringLiteral(".new")).symLinkTarget(), victim);
    // A rollback removes the image too.
    EXPECT_FALSE(QFile::exists(update.imagePath()));
}

TEST_F(InstallerRunTest, ARestoreThatFailsIsLoggedAsSuch)
{
    Update update(realEnvironment());
    QDir().mkpath(update.environment().workingDirectory);
    // A build that does not start as itself and takes the kept build away when tried.
    const QByteArray breaking = "#!/bin/sh\nrm -f \"$0.previous\"\necho 3\n";
    {
        QFile image(update.imagePath());
        ASSERT_TRUE(image.open(QIODevice::WriteOnly));
        image.write(breaking);
    }
    QProcess installer;
    ASSERT_NO_FATAL_FAILURE(startInstaller(installer, update, 2));
    runningApp.terminate();
    ASSERT_TRUE(runningApp.waitForFinished(waitMs));
    ASSERT_TRUE(installer.waitForFinished(30000));
    const QString out = QString::fromUtf8(installer.readAll());
    EXPECT_EQ(installer.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains("build 2 did not start (it reported \"3\"); could not restore " + target() + ".previous"))
        << out.toStdString();
    EXPECT_FALSE(out.contains("restored the previous build")) << out.toStdString();
    EXPECT_EQ(bytesOf(target()), breaking);
    EXPECT_FALSE(QFile::exists(update.imagePath()));
}

TEST_F(InstallerRunTest, EachRefusalLeavesTheRunningBuildAlone)
{
    ASSERT_TRUE(server.start());
    ScriptedResponder untouched;  // must never be asked for an image
    QUrl plainHttp = untouched.baseURL();
    plainHttp.setPath(QStringLiteral("/image.dmg"));
    const QString goodDigest = digestOf(bytesOf(fakeBuild2));

    struct Row {
        const char* name;
        QByteArray image;   // served by the devserver
        QString checksum;   // "served": the served image's digest; "absent": no key
        QUrl url;           // empty: the devserver's image
        bool loopbackHttpAllowed;
        bool attemptedBefore;
        QString logged;
        bool remembered;    // the build counts as attempted afterwards
    };
    const QString served = QStringLiteral("served");
    const QString absent = QStringLiteral("absent");
    const Row rows[] = {
        {"no checksum", bytesOf(fakeBuild2), absent, plainHttp, true, false,
         "refused build 2: no checksum_sha256 in the manifest", false},
        {"empty checksum", bytesOf(fakeBuild2), QString(), plainHttp, true, false,
         "refused build 2: no checksum_sha256 in the manifest", false},
        {"http", bytesOf(fakeBuild2), goodDigest, plainHttp, false, false,
         "refused build 2: download URL is not https (http://127.0.0.1:", false},
        {"wrong digest", bytesOf(fakeBuild2), QString(64, QLatin1Char('0')), QUrl(), true, false,
         "cannot decode raw data (checksum mismatch)", false},
        {"not an executable", "#!/bin/sh\necho 2\n", served, QUrl(), true, false,
         "refused build 2: not an executable for this machine (no ELF header)", true},
        {"mislabelled", bytesOf(fakeBuild3), served, QUrl(), true, false,
         "refused build 2: trial run reported build \"3\"", true},
        {"already attempted", bytesOf(fakeBuild2), goodDigest, plainHttp, true, true,
         "refused build 2: already attempted", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QSettings().clear();
        const QString digest = serve(row.image);
        std::optional<QString> checksum = row.checksum == served ? digest : row.checksum;
        if (row.checksum == absent)
            checksum.reset();
        offer(2, checksum, row.url);
        TovrinBriselAutoUpdateTestSeam::allowLoopbackHttp(row.loopbackHttpAllowed);
        if (row.attemptedBefore)
            UserDefaults().set(QLatin1String(Update::attemptedBuildKey), 2);
        Update update(realEnvironment());
        Diagnostics::LineCapture capture;
        EXPECT_FALSE(runVoidTask(update.check(true, true)));
        EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate] ") + row.logged), 1)
            << capture.lines().join('\n').toStdString();
        EXPECT_EQ(recorded.quits, 0);
        EXPECT_EQ(runningApp.state(), QProcess::Running);
        EXPECT_EQ(bytesOf(target()), bytesOf(fakeBuild1));
        EXPECT_FALSE(QFile::exists(update.imagePath()));
        const std::optional<qint64> attempted = UserDefaults().integer(QLatin1String(Update::attemptedBuildKey));
        EXPECT_EQ(attempted, row.remembered ? std::optional<qint64>(2) : std::nullopt);
        if (!row.remembered)
            continue;
        // The next check refuses the build before it asks for any image.
        offer(2, checksum, plainHttp);
        TovrinBriselAutoUpdateTestSeam::allowLoopbackHttp(true);
        EXPECT_FALSE(runVoidTask(update.check(true, true)));
        EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate] refused build 2: already attempted")),
                  row.attemptedBefore ? 2 : 1);
        EXPECT_EQ(recorded.quits, 0);
    }
    EXPECT_TRUE(untouched.requests().isEmpty());
}

TEST_F(AutoUpdateTest, OddManifestRepliesCountAsNone)
{
    const QByteArray newer = R"({"mac": {"version": "1.0", "build_number": 9, "download_url": "http://127.0.0.1:9/x"}})";
    const std::pair<int, QByteArray> rows[] = {
        {304, newer}, {204, QByteArray()}, {201, newer}, {500, newer}, {200, "{\"mac\": 1}"}, {200, "<html>"},
    };
    for (const auto& [status, body] : rows) {
        SCOPED_TRACE(status);
        ScriptedResponder responder;
        const QUrl base = responder.baseURL();
        ScriptedResponder::Reply reply;
        reply.status = status;
        reply.body = body;
        responder.script({reply});
        Update update(environment(base));
        const auto manifest = runTask(update.fetchManifest());
        ASSERT_TRUE(manifest.ok());
        EXPECT_FALSE(manifest.value->has_value());
    }
    // No server at all: nothing either, and nothing logged.
    Diagnostics::LineCapture capture;
    Update update(environment(QUrl(QStringLiteral("http://127.0.0.1:9"))));
    const auto manifest = runTask(update.fetchManifest());
    ASSERT_TRUE(manifest.ok());
    EXPECT_FALSE(manifest.value->has_value());
    EXPECT_TRUE(capture.lines().isEmpty());
}

TEST_F(AutoUpdateTest, ThrottleSkipsChecksWithinSixHours)
{
    ScriptedResponder responder;
    const QUrl base = answerWithEmptyManifests(responder);
    Update update(environment(base));

    struct Step {
        double advance;
        bool force;
        int requestsAfter;
    };
    const double start = recorded.now;
    const Step steps[] = {
        {0, false, 1},      // nothing stored reads as 0: long ago
        {21599, false, 1},  // too soon
        {0, true, 2},       // forced
        {21599, false, 2},  // too soon after the forced one
        {1, false, 3},      // exactly six hours
    };
    double elapsed = 0;
    for (const Step& step : steps) {
        elapsed += step.advance;
        recorded.now = start + elapsed;
        SCOPED_TRACE(elapsed);
        EXPECT_FALSE(runVoidTask(update.check(true, step.force)));
        EXPECT_EQ(responder.requests().size(), step.requestsAfter);
    }
    EXPECT_DOUBLE_EQ(lastCheck(), recorded.now);
    EXPECT_EQ(responder.requests().last().target, QByteArray(Update::manifestPath));
}

TEST_F(AutoUpdateTest, LaunchChecksOnceThenEveryInterval)
{
    ScriptedResponder responder;
    const QUrl base = answerWithEmptyManifests(responder);
    Update::Environment env = environment(base);
    env.firstPassDelay = std::chrono::milliseconds(100);
    env.passInterval = std::chrono::milliseconds(300);
    auto update = std::make_unique<Update>(env);
    update->startLaunchTasks();
    // The forced check at once; the first periodic pass finds it too recent.
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == 1; }, waitMs));
    const double forced = lastCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.clockReads >= 2; }, waitMs));
    EXPECT_EQ(lastCheck(), forced) << "the pass was throttled and stored no check";
    EXPECT_EQ(responder.requests().size(), 1);
    // Six hours later by the clock, the next pass fetches again.
    recorded.now += Update::throttleSeconds;
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == 2; }, waitMs));
    // Once the updater is gone its tasks do nothing more.
    update.reset();
    recorded.now += Update::throttleSeconds;
    const int reads = recorded.clockReads;
    ASSERT_TRUE(waitPastTimers(env.passInterval));  // the pass that was due
    EXPECT_EQ(recorded.clockReads, reads);
    EXPECT_EQ(responder.requests().size(), 2);
}

TEST(AutoUpdateFiles, Sha256ReadsInChunksAndFailsOnAMissingFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/f");
    QByteArray content;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        content.append(char(i % 251));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    EXPECT_EQ(Update::sha256(path),
              QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()));
    QFile empty(dir.path() + QStringLiteral("/empty"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(Update::sha256(empty.fileName()),
              QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    EXPECT_THROW(Update::sha256(dir.path() + QStringLiteral("/missing")), Update::Error);
}

TEST(AutoUpdateFiles, SpawnFailureNamesTheCode)
{
    try {
        Update::spawnDetached(QStringLiteral("/nonexistent/tovrin-installer"), {QStringLiteral("a")}, {});
        ADD_FAILURE() << "spawned a missing program";
    } catch (const Update::Error& error) {
        EXPECT_STREQ(error.what(), "posix_spawn failed (2)");
    }
}

}  // namespace
