#pragma once

#include <QString>

#include <memory>
#include <optional>

class AudioRecorder;

// A file recorder the engine holds and stops with the file removed. GUI thread only.
class VoiceNoteRecorder {
public:
    VoiceNoteRecorder();
    ~VoiceNoteRecorder();
    void stop(bool deleteFile);

    void setRecording(std::unique_ptr<AudioRecorder> recorder, std::optional<QString> fileURL);
    bool hasRecorder() const { return recorder_ != nullptr; }
    std::optional<QString> fileURL() const { return fileURL_; }

private:
    std::unique_ptr<AudioRecorder> recorder_;
    std::optional<QString> fileURL_;
};
