// The MapCounting of the companion program: the maps counted through GDAL and
// handed to the command line as a labelled matrix with its source record.
#pragma once

#include <ostream>

#include "cli/map_input.h"
#include "maps/map_counting.h"

namespace brennic {

// Progress in GDAL's own style on a terminal ("0...10...20..."), shown only once
// a count has taken a second, so that quick counts stay silent.
class TerminalProgress final : public ProgressSink {
  public:
    // `delaySeconds`: how long a count runs before its progress is shown.
    explicit TerminalProgress(std::ostream& err, double delaySeconds = 1.0);
    void Progress(double fraction) override;
    void Finish(); // ends the line, when one was begun

  private:
    std::ostream& m_err;
    double m_start;
    double m_delay;
    int m_shown = -1; // the last step of 2.5 % written
};

class GdalMapCounting final : public MapCounting {
  public:
    // `err`: where progress goes; `showProgress`: standard error is a terminal.
    GdalMapCounting(std::ostream& err, bool showProgress)
        : m_err(err), m_showProgress(showProgress) {}
    std::variant<CountedInput, InputError>
    Count(const MapOptions& options,
          const std::optional<std::vector<std::string>>& classes) override;
    std::variant<ComparedMapCounts, InputError>
    CountCompared(const MapOptions& options,
                  const std::optional<std::vector<std::string>>& classes) override;
    std::variant<DrawnSample, InputError> Draw(const DrawRequest& request) override;
    std::variant<StrataAreas, InputError> Areas(const DrawRequest& request,
                                                const std::vector<double>& pixels) override;
    std::optional<InputError> WritePoints(const std::string& path,
                                          const std::vector<SamplePoint>& points,
                                          const std::string& crsWkt,
                                          const std::string& design) override {
        return WriteSamplePoints(path, points, crsWkt, design);
    }

  private:
    template <typename Work> auto showing(bool quiet, Work work);
    // The count of the maps, its progress shown and its warnings written.
    std::variant<MapCount, InputError>
    countMaps(const MapOptions& options, const std::optional<std::vector<std::string>>& classes);

    std::ostream& m_err;
    bool m_showProgress;
};

} // namespace brennic
