#include "services/tovrin_audio_pipeline.h"

namespace TovrinAudioPipeline {

TovrinVoiceBus& receiveBus()
{
    static TovrinVoiceBus bus(TovrinBusKind::receive);
    return bus;
}

TovrinVoiceBus& sfxBus()
{
    static TovrinVoiceBus bus(TovrinBusKind::sfx);
    return bus;
}

}  // namespace TovrinAudioPipeline
