// Reads the few figures the z-tests need from a report as the JSON form writes
// them: kappa among the seven of Result.txt, the others beside them, each null
// with its reason under "reasons" where it could not be formed.
#include "input/assessed_report.h"

#include "core/figure_catalogue.h"
#include "input/json_report.h"

namespace brennic {
namespace {

// The figure `field` of `object`: its number, or not defined with the reason
// the report gives.
Figure figureOf(const Json* object, const char* field) {
    const Json* value = MemberOf(object, field);
    if (value != nullptr && value->is_number())
        return Figure::Of(value->get<double>());
    const Json* reason = MemberOf(MemberOf(object, "reasons"), field);
    return Figure::NotDefined(reason != nullptr && reason->is_string()
                                  ? reason->get<std::string>()
                                  : "The report gives no " + std::string(field) + ".");
}

} // namespace

std::variant<AssessedFigures, InputError> ReadAssessedReport(const std::string& path) {
    auto parsed = ParseJsonReport(path);
    if (auto* error = std::get_if<InputError>(&parsed))
        return *error;
    const Json& report = std::get<Json>(parsed);
    const auto refuse = [&](const std::string& why) {
        return InputError{InputError::BadInput, "cannot compare " + path + ": " + why};
    };
    const Json* schema = MemberOf(&report, "schema");
    const std::string prefix(ReportSchema.substr(0, ReportSchema.find('/') + 1));
    if (schema == nullptr || !schema->is_string() ||
        !schema->get<std::string>().starts_with(prefix))
        return refuse("it is no report of brennic-kappa --report --format json (its \"schema\" is "
                      "not " +
                      prefix + "...)");
    const Json* seven = MemberOf(&report, std::string(ResultFileKey).c_str());
    if (seven == nullptr)
        return refuse("it holds no kappa (a report of an error matrix has one)");
    AssessedFigures f{figureOf(seven, "kappa"), figureOf(&report, "kappa_se"),
                      figureOf(&report, "overall_accuracy"),
                      figureOf(&report, "overall_accuracy_se")};
    if (!f.kappa.defined())
        return refuse("its kappa is not defined (" + f.kappa.reason + ")");
    return f;
}

} // namespace brennic
