// Starting another program without waiting for it: the help viewer and the
// system-information tool.
#pragma once

#include <string>

namespace brennic::platform {

class ProgramStarter {
  public:
    virtual ~ProgramStarter() = default;
    // Starts the program named by `commandLine` in a normal window that gets the
    // focus, and returns at once. False when it cannot be started.
    virtual bool Start(const std::string& commandLine) = 0;
};

} // namespace brennic::platform
