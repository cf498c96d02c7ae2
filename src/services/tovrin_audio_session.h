#pragma once

#include "platform/audio_session.h"

#include <QString>

// The shared audio session's radio and playback set-ups, each with its one
// fallback. None reports to its caller or throws; failures are logged.
// Callable from the GUI thread or the engine's audio-session worker.
namespace TovrinAudioSession {

// Play-and-record through the loudspeaker, mixed with others, 48 kHz and the
// given I/O buffer; on failure, configureMac(playAndRecord, standard, mixWithOthers).
void activateMacTovrin(double ioBuffer);

// Sets the category and activates; on failure sets the category with the
// standard mode and mixWithOthers and activates, ignoring errors. Silent.
void configureMac(AudioSession::Category category, AudioSession::Mode mode, unsigned options);

// Wakes the session for playback: only activates when it is already set for
// play-and-record, otherwise configures it for playback mixed with others.
void wakeForPlayback();

// Arms play-and-record output through the loudspeaker at 44.1 kHz before a
// talk or a clip; on failure, activateMacTovrin(0.01). reason only goes into
// the log line.
void armLoudspeaker(const QString& reason);

}  // namespace TovrinAudioSession
