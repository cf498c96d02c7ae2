#pragma once

#include "models/update_manifest.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

// The silent self-updater. At launch and then about every 6 hours it fetches
// the update manifest, and when its "mac" entry offers a newer build it
// downloads the image over https into a private folder of the per-user cache,
// checks its SHA-256 (an entry without one is refused before anything is
// fetched), checks that the image is an executable for this machine that
// reports the offered build, and then, once no transmission or join is in
// progress, starts the packaged installer script detached and quits through
// the application's normal quit 0.4 s later. A build that was handed to the
// installer, or failed its checks, is not tried again. Every failure is
// logged as "[TovrinBriselAutoUpdate] <description>" or is silent; the
// application keeps running unchanged.
//
// Thread contract: built, called and destroyed on the GUI thread. Its tasks
// catch everything and end quietly once the object is gone.
class TovrinBriselAutoUpdate : public QObject {
    Q_OBJECT
public:
    // A failure of one install attempt; what() is the logged description.
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Everything that touches the world, replaceable by tests.
    struct Environment {
        QUrl manifestURL;            // default: the built-in server plus manifestPath
        QString version;             // the application's version text
        QString buildText;           // the application's build number text
        QString workingDirectory;    // default: "tovrin-brisel-update" in the per-user cache
        QString applicationPath;     // handed to the installer
        qint64 applicationPid = 0;   // the process the installer waits for
        std::function<double()> now; // seconds since 1970
        // Starts the installer: executable, arguments, environment ("NAME=value"); throws Error.
        std::function<void(const QString&, const QStringList&, const QStringList&)> spawn;
        std::function<void()> quit;  // the application's normal quit
        // True while a transmission or a join is in progress; the hand-off waits for it to end.
        std::function<bool()> busy;
        std::chrono::milliseconds firstPassDelay{15000};
        std::chrono::milliseconds passInterval{21600LL * 1000};
        std::chrono::milliseconds quitDelay{400};
        std::chrono::milliseconds busyRecheck{1000};
        std::chrono::milliseconds trialRunTimeout{10000};
        std::chrono::milliseconds downloadIdleTimeout{180000};
        std::chrono::milliseconds downloadResourceTimeout{600000};

        // The application's own: the real clock, posix_spawn, the activity
        // check the main view sets, and QCoreApplication::quit().
        static Environment standard();
    };

    static constexpr const char* lastCheckKey = "tovrin.lastUpdateCheck";
    // The build last handed to the installer or refused after its download.
    static constexpr const char* attemptedBuildKey = "tovrin.update.attemptedBuild";
    static constexpr double throttleSeconds = 21600.0;
    static constexpr const char* manifestPath = "/api/tovrin-brisel/updates.json";
    static constexpr const char* imageName = "Tovrin-Brisel-update.dmg";
    static constexpr const char* installerName = "My Tovrin-Brisel";

    explicit TovrinBriselAutoUpdate(Environment environment, QObject* parent = nullptr);

    // Starts the launch check (forced) and the periodic checks, on a
    // process-wide instance with the standard environment.
    static void checkOnLaunch();
    // What the standard environment asks before installing; null: never busy.
    static void setActivityCheck(std::function<bool()> busy);
    // The same two tasks on this instance; never awaited, they end with it.
    void startLaunchTasks();

    QCoro::Task<void> check(bool installIfNewer, bool force);
    // Never throws: every failure gives nothing.
    QCoro::Task<std::optional<UpdateManifest>> fetchManifest();
    // Compares and, when newer, installs; logs every error.
    QCoro::Task<void> handleMac(UpdatePlatformEntry remote, bool installIfNewer);
    QCoro::Task<void> downloadAndInstallMac(UpdatePlatformEntry entry, QUrl url);

    // Lower-case hexadecimal SHA-256 of a file, read 1 MiB at a time; throws Error.
    static QString sha256(const QString& filePath);
    // The installer script, written out of the resources into the private
    // working folder (its own copy, which nobody else can change); none when missing.
    std::optional<QString> updateScriptPath() const;
    // Starts a process in a session of its own with exactly `environment`,
    // no inherited descriptors and /dev/null as its standard streams, and
    // does not wait for it; throws Error "posix_spawn failed (<code>)".
    static void spawnDetached(const QString& executable, const QStringList& arguments,
                              const QStringList& environment);
    // The installer's environment: a fixed PATH, the session variables a
    // relaunched window needs, the user's XDG folders, the application's pid
    // and the build to expect.
    static QStringList installerEnvironment(qint64 applicationPid, qint64 build);

    QString bundleVersion() const;
    qint64 bundleBuild() const;
    // Whether the remote entry is newer than a local version and build.
    static bool isNewer(const UpdatePlatformEntry& remote, const QString& localVersion, qint64 localBuild);
    // Text comparison in which runs of digits compare as numbers ("1.10" > "1.9"): -1, 0 or 1.
    static int compareNumeric(const QString& a, const QString& b);
    // A whole decimal number with an optional sign in the 64-bit range, else 0.
    static qint64 parseBuild(const QString& text);

    QString imagePath() const;
    const Environment& environment() const { return environment_; }

private:
    QCoro::Task<void> periodicPasses();
    QCoro::Task<void> download(QUrl url, QString path);
    QCoro::Task<void> verifyImage(UpdatePlatformEntry entry, QString image);
    QCoro::Task<bool> waitUntilIdle();
    void refuseBeforeDownload(const UpdatePlatformEntry& entry, const QUrl& url) const;
    void prepareWorkingDirectory() const;
    static void rememberAttempt(qint64 build);
    void storeLastCheck(double when);

    Environment environment_;
};
