#pragma once

#include "models/alert_sound.h"
#include "models/sfx_kind.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

class AudioPlayer;

// The radio's short interface sounds and the pager alert sounds on this
// device. Each of the three server effects is downloaded once per run into
// the cache and kept as a prepared player; until that has produced a playable
// file, a locally synthesised substitute plays instead. Alert sounds are
// rendered off the GUI thread, at 44.1 kHz to play here or at the pager's rate
// as raw samples.
//
// Threads: built, called and destroyed on the GUI thread. Renders run on the
// global thread pool; the audio-session wake runs there too and never blocks
// the caller.
class AudioFXService : public QObject {
    Q_OBJECT
public:
    static constexpr double kLocalRate = 44100.0;

    explicit AudioFXService(QObject* parent = nullptr);
    ~AudioFXService() override;

    // Downloads and prepares one effect, at most once per run. A failed
    // download leaves the kind unfetched, so a later call tries again; a file
    // that cannot be played stays fetched and the substitute keeps playing.
    QCoro::Task<void> prefetch(SFXKind kind);

    // Plays the effect at full volume from its start, or its substitute.
    void play(SFXKind kind);
    // The push-to-talk chirp: as play() at volume 0.85, without waking the
    // audio session, with a "[TovrinPTT]" line.
    void playPTTChirp(SFXKind kind);
    // Renders the alert in the background and plays it; returns at once.
    void playAlert(AlertSound sound);
    // The alert rendered at `sampleRate`: signed 16-bit little-endian mono.
    QCoro::Task<QByteArray> relayPCM(AlertSound sound, double sampleRate);

    // Makes sure the shared audio session is active for playback, on a
    // background thread; returns at once.
    static void wakeEffectsSessionAsync();

    bool isFetched(SFXKind kind) const { return fileURLs_.count(kind) > 0; }
    bool hasPlayer(SFXKind kind) const { return players_.count(kind) > 0; }

private:
    friend struct AudioFXServiceTestPeer;

    // Plays samples at kLocalRate, replacing the sound before.
    bool playPCMSamples(const std::vector<std::int16_t>& samples, bool activateSession);
    std::vector<std::int16_t> renderSubstitute(SFXKind kind) const;
    // A prefetch nobody awaits; it catches everything itself.
    void prefetchInBackground(SFXKind kind);

    std::map<SFXKind, std::unique_ptr<AudioPlayer>> players_;
    std::map<SFXKind, QString> fileURLs_;
    std::unique_ptr<AudioPlayer> tonePlayer_;
    std::set<SFXKind> downloading_;
};
