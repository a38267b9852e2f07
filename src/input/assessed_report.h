// brennic-kappa --compare-reports: the figures of one assessment read back from
// its JSON report, for the z-tests of two independent assessments.
#pragma once

#include <string>
#include <variant>

#include "core/comparison.h"
#include "core/input_error.h"

namespace brennic {

// Kappa, its large-sample standard error kappa_se, the overall accuracy and
// its standard error of a report written by --report --format json (from any
// input). A figure the report holds as null comes with the report's reason.
// Gives the failure instead: status 3 for a file that cannot be read, 1 for
// one that is no such report or whose kappa is not defined.
std::variant<AssessedFigures, InputError> ReadAssessedReport(const std::string& path);

} // namespace brennic
