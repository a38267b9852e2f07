// Saving a copy of the result file under a name the user chose.
#pragma once

#include <optional>
#include <string>

#include "core/result_file.h"

namespace brennic {

// Makes `destination` a byte copy of `source`, replacing any file there. The copy
// is written beside the destination first and then renamed over it, so a failed
// copy never leaves a half-written file and copying a file onto itself keeps it
// whole. A destination reached through symbolic links replaces their target and
// keeps the links; a replaced file's permission bits are kept; a destination that
// is a directory, device, FIFO or socket is refused, untouched.
std::optional<FileError> CopyFileReplacing(const std::string& source,
                                           const std::string& destination,
                                           FileSystem& files = SystemFiles());

} // namespace brennic
