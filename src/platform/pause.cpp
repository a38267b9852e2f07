// The real pause: the calling thread sleeps.
#include "platform/pause.h"

#include <thread>

namespace brennic::platform {

void ThreadPause::Sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

} // namespace brennic::platform
