// Stand-ins for the platform services, and a registry for the tests to fill: the
// in-memory one, which follows the Windows registry in what the lookups use.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/file_lookup.h"
#include "platform/memory_registry.h"
#include "platform/program_starter.h"

namespace brennic::platform::test {

using Bytes = std::vector<std::uint8_t>;
using TestRegistry = MemoryRegistry;

struct RecordingStarter final : ProgramStarter {
    bool Start(const std::string& line) override {
        return started.push_back(line), succeeds && !line.empty();
    }
    std::vector<std::string> started;
    bool succeeds = true;
};

struct FakeFiles final : FileLookup {
    bool OrdinaryFileExists(const std::string& path) override { return files.count(path) == 1; }
    std::set<std::string> files;
};

} // namespace brennic::platform::test
