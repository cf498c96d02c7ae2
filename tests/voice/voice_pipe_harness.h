#pragma once

#include "platform/record_permission.h"
#include "services/tovrin_voice_pipe.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

// A voice pipe whose hooks record what it sends (in one ordered list), with
// a granted microphone that delivers a 1 kHz tone of the chosen length.
class VoicePipeTest : public ::testing::Test {
protected:
    struct Sent {
        QString type;  // a JSON "type", or "frame"
        QJsonObject json;
        QByteArray frame;
    };

    VoicePipeTest()
    {
        pipe.sendJSON = [this](QJsonObject object) -> QCoro::Task<bool> {
            sent.push_back({object.value("type").toString(), object, {}});
            co_return true;
        };
        pipe.sendBinary = [this](QByteArray frame) -> QCoro::Task<bool> {
            sent.push_back({"frame", {}, frame});
            const bool ok = binaryAnswer ? binaryAnswer(int(frames().size())) : true;
            co_return ok;
        };
    }

    std::vector<Sent> ofType(const QString& type) const
    {
        std::vector<Sent> matching;
        for (const Sent& s : sent)
            if (s.type == type)
                matching.push_back(s);
        return matching;
    }
    std::vector<Sent> frames() const { return ofType("frame"); }
    QStringList types() const
    {
        QStringList list;
        for (const Sent& s : sent)
            list.append(s.type);
        return list;
    }

    RecordPermission::Override permission{RecordPermission::State::granted, true};
    ToneMicrophone microphone{1000, 1.0};
    CapturedOutputs outputs;
    std::vector<Sent> sent;
    // Answers the n-th frame (1-based); all succeed when unset.
    std::function<bool(int)> binaryAnswer;
    TovrinVoicePipe pipe;
};
