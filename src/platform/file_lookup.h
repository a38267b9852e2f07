// Whether an ordinary file exists at a path: the About window's check for the
// system-information tool in the folder the registry names.
#pragma once

#include <string>

namespace brennic::platform {

class FileLookup {
  public:
    virtual ~FileLookup() = default;
    // True when an ordinary file is at `path`: not hidden, not a system file, not
    // a folder.
    virtual bool OrdinaryFileExists(const std::string& path) = 0;
};

// The file system of this computer. On Windows it reads the file's attributes;
// elsewhere a regular file whose name does not start with "." counts, since a
// leading dot is what hides a file there and there are no system files.
class SystemFileLookup final : public FileLookup {
  public:
    bool OrdinaryFileExists(const std::string& path) override;
};

} // namespace brennic::platform
