// Saving a copy of the result file under a name the user chose.
#pragma once

#include <optional>
#include <string>

namespace brennic {

// Makes `destination` a byte copy of `source`, replacing any file there. The copy
// is written beside the destination first and then renamed over it, so a failed
// copy never leaves a half-written file and copying a file onto itself keeps it
// whole. Gives the system's reason on failure, naming which side failed.
std::optional<std::string> CopyFileReplacing(const std::string& source,
                                             const std::string& destination);

} // namespace brennic
