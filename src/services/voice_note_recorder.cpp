#include "services/voice_note_recorder.h"

#include "platform/audio_recorder.h"

#include <QFile>

VoiceNoteRecorder::VoiceNoteRecorder() = default;
VoiceNoteRecorder::~VoiceNoteRecorder() = default;

void VoiceNoteRecorder::stop(bool deleteFile)
{
    if (recorder_) {
        recorder_->stop();
        recorder_.reset();
    }
    if (deleteFile && fileURL_)
        QFile::remove(*fileURL_);
    fileURL_.reset();
}

void VoiceNoteRecorder::setRecording(std::unique_ptr<AudioRecorder> recorder, std::optional<QString> fileURL)
{
    recorder_ = std::move(recorder);
    fileURL_ = std::move(fileURL);
}
