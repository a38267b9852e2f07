// Starting another program on this computer, without waiting for it.
#pragma once

#include <string>
#include <vector>

#include "platform/program_starter.h"

namespace brennic::platform {

// On Windows the command line goes to CreateProcessA as it stands, with a normal
// window. Elsewhere it is split into words and the first word is looked up on the
// PATH; the program runs in a session of its own.
class SystemProgramStarter final : public ProgramStarter {
  public:
    bool Start(const std::string& commandLine) override;
};

// The words of a command line as a shell splits it at blanks and tabs: double or
// single quotes keep blanks inside a word and are removed. Backslashes are kept as
// they stand, since the command lines are Windows paths.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace brennic::platform
