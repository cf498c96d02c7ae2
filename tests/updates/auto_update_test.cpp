#include "platform/diagnostics.h"
#include "platform/errors.h"
#include "platform/user_defaults.h"
#include "services/tovrin_brisel_auto_update.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcoronetworkreply.h>

#include <gtest/gtest.h>

#include <memory>

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

struct Recorded {
    QList<QStringList> spawns;
    int quits = 0;
    double now = 1'000'000.0;
};

class AutoUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings().clear();
        ASSERT_TRUE(work.isValid());
    }

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
        env.now = [this] { return recorded.now; };
        // Never run the installer: write its command line down.
        env.spawn = [this](const QString& executable, const QStringList& arguments) {
            recorded.spawns << (QStringList{executable} + arguments);
        };
        env.quit = [this] { ++recorded.quits; };
        env.quitDelay = std::chrono::milliseconds(10);
        return env;
    }

    // Replaces the devserver's manifest with a desktop entry of `build` and `checksum`.
    void offer(qint64 build, const std::optional<QString>& checksum)
    {
        QJsonObject mac{{"version", "1.0"}, {"build_number", build}, {"download_url", imageURL().toString()}};
        if (checksum)
            mac.insert("checksum_sha256", *checksum);
        QNetworkAccessManager manager;
        QNetworkRequest request(manifestURL());
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        std::unique_ptr<QNetworkReply> reply(
            manager.post(request, QJsonDocument(QJsonObject{{"mac", mac}}).toJson()));
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

    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    QTest::qWait(50);
    EXPECT_TRUE(recorded.spawns.isEmpty());
    EXPECT_FALSE(QFile::exists(update.imagePath()));
}

TEST_F(AutoUpdateTest, AGoodUpdateReachesTheInstallerAndQuits)
{
    ASSERT_TRUE(server.start());
    const QByteArray image = served();
    ASSERT_GT(image.size(), 2 * 1024 * 1024);
    const QString digest = QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex());
    // The expected digest in upper case still matches.
    offer(2, digest.toUpper());

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
    EXPECT_EQ(recorded.spawns[0],
              (QStringList{"/bin/bash", *script, update.imagePath(), "My Tovrin-Brisel", "/opt/tovrin/tovrin-brisel"}));
    EXPECT_EQ(Update::sha256(update.imagePath()), digest);
    EXPECT_TRUE(QFileInfo(*script).isExecutable());
    EXPECT_EQ(recorded.quits, 0);  // not at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.quits == 1; }, waitMs));
    EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate]")), 0);
    // Nothing but the image and the script is left in the working folder.
    EXPECT_EQ(QDir(update.environment().workingDirectory).entryList(QDir::Files).size(), 2);
}

TEST_F(AutoUpdateTest, ChecksumMismatchRefusesToInstall)
{
    ASSERT_TRUE(server.start());
    offer(2, QString(64, QLatin1Char('0')));
    Update update(environment(server.baseURL()));
    Diagnostics::LineCapture capture;
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    QTest::qWait(50);
    EXPECT_TRUE(recorded.spawns.isEmpty());
    EXPECT_EQ(recorded.quits, 0);
    EXPECT_FALSE(QFile::exists(update.imagePath()));
    EXPECT_EQ(capture.count(QStringLiteral("[TovrinBriselAutoUpdate] cannot decode raw data")), 1);

    // An empty digest means no check at all.
    offer(2, QString());
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    EXPECT_EQ(recorded.spawns.size(), 1);
}

TEST_F(AutoUpdateTest, NoInstallWithoutTheAskOrANewerBuild)
{
    ASSERT_TRUE(server.start());
    offer(2, std::nullopt);
    Update update(environment(server.baseURL()));
    EXPECT_FALSE(runVoidTask(update.check(false, true)));
    offer(0, std::nullopt);
    EXPECT_FALSE(runVoidTask(update.check(true, true)));
    QTest::qWait(50);
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
        const QJsonObject manifest{
            {"mac", QJsonObject{{"version", "1.0"}, {"build_number", 2}, {"download_url", image.toString()}}}};
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
    }
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
    QTest::qWait(250);
    EXPECT_EQ(responder.requests().size(), 1);
    // Six hours later by the clock, the next pass fetches again.
    recorded.now += Update::throttleSeconds;
    ASSERT_TRUE(QTest::qWaitFor([&] { return responder.requests().size() == 2; }, waitMs));
    // Once the updater is gone its tasks do nothing more.
    update.reset();
    recorded.now += Update::throttleSeconds;
    QTest::qWait(500);
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
        Update::spawnDetached(QStringLiteral("/nonexistent/tovrin-installer"), {QStringLiteral("a")});
        ADD_FAILURE() << "spawned a missing program";
    } catch (const Update::Error& error) {
        EXPECT_STREQ(error.what(), "posix_spawn failed (2)");
    }
}

}  // namespace
