// The MapCounting of brennic-kappa itself: it starts the companion program that
// links GDAL, so that brennic-kappa stays small and quick to start.
#pragma once

#include <string>
#include <vector>

#include "cli/map_input.h"

namespace brennic {

// Replaces the process by brennic-kappa-maps in `directory` (by default the
// running program's, looked up only when maps are counted) with `args` (without
// the program's name), standard input, output and error inherited. Returns only
// when that cannot be done, with status 3 and the reason.
class CompanionMapCounting final : public MapCounting {
  public:
    explicit CompanionMapCounting(std::vector<std::string> args, std::string directory = {})
        : m_directory(std::move(directory)), m_args(std::move(args)) {}
    std::variant<CountedInput, InputError>
    Count(const MapOptions& options,
          const std::optional<std::vector<std::string>>& classes) override;
    std::variant<ComparedMapCounts, InputError>
    CountCompared(const MapOptions&, const std::optional<std::vector<std::string>>&) override {
        return start();
    }

  private:
    InputError start(); // returns only when the companion cannot be started
    std::string m_directory;
    std::vector<std::string> m_args;
};

// The folder of the running program (from /proc/self/exe), or empty.
std::string RunningProgramDirectory();

} // namespace brennic
