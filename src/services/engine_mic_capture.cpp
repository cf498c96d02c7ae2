#include "services/engine_mic_capture.h"

void EngineMicCapture::stop()
{
    if (engine_)
        engine_->stop();  // removes the tap and stops the capture stream
    engine_.reset();
    framesEmitted_ = 0;
}
