#include "platform/pcm_buffer.h"

PcmBuffer PcmBuffer::make(const PcmFormat& format, int capacity)
{
    PcmBuffer buffer;
    buffer.format = format;
    buffer.frameLength = capacity;
    if (format.sample == PcmFormat::Sample::float32)
        buffer.floatChannels.assign(size_t(format.channels), std::vector<float>(size_t(capacity), 0.0f));
    else
        buffer.int16Channels.assign(size_t(format.channels), std::vector<int16_t>(size_t(capacity), 0));
    return buffer;
}
