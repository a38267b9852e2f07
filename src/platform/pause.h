// The splash window's pause: the user-interface thread blocks for a while, so no
// window events are handled meanwhile. An interface so tests pause in no time.
#pragma once

#include <chrono>

namespace brennic::platform {

class Pause {
  public:
    virtual ~Pause() = default;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// Blocks the calling thread for the whole duration.
class ThreadPause final : public Pause {
  public:
    void Sleep(std::chrono::milliseconds duration) override;
};

} // namespace brennic::platform
