// The one list of the report's figures: per figure its field name (JSON, CSV and
// text), its label (the header of Result.txt for the seven), a one-line
// description for the text report, its definition with its source for --help,
// and the heading it stands under. The outputs, the help and the result file's
// header are all made from these tables, so a new figure is its formula and one
// row here.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "core/figure.h"

namespace brennic {

struct FigureInfo {
    std::string_view field;
    std::string_view label;
    std::string_view description;
    std::string_view definition;
    std::string_view section;
};

// The figures of the whole matrix, in the report's order; the first seven are
// those of Result.txt, in its order.
enum class OverallFigure : std::size_t {
    PC,
    PO,
    KAPPA,
    LO,
    HI,
    SE,
    Z,
    kappa_se,
    kappa_se0,
    kappa_ci_low,
    kappa_ci_high,
    z_large_sample,
    p_two_sided,
    overall_accuracy,
    overall_accuracy_se,
    overall_accuracy_ci_low,
    overall_accuracy_ci_high,
    scott_pi,
    scott_pi_se,
    scott_pi_ci_low,
    scott_pi_ci_high,
    gwet_ac1,
    gwet_ac1_se,
    gwet_ac1_ci_low,
    gwet_ac1_ci_high,
    brennan_prediger,
    brennan_prediger_se,
    brennan_prediger_ci_low,
    brennan_prediger_ci_high,
    krippendorff_alpha,
    quantity_disagreement,
    allocation_disagreement,
    macro_users_accuracy,
    macro_users_classes,
    macro_producers_accuracy,
    macro_producers_classes,
    macro_f1,
    macro_f1_classes,
    Count
};
inline constexpr std::size_t ResultFileFigures = 7;
// The member of the machine forms that holds the seven, under their fields.
inline constexpr std::string_view ResultFileKey = "result_file";
// The form of the JSON report, its first member: a reader can tell the fields'
// names from it.
inline constexpr std::string_view ReportSchema = "brennic-report/2";

// The weighted kappa, with --weights linear or quadratic.
enum class WeightedFigure : std::size_t {
    kappa,
    kappa_se,
    kappa_ci_low,
    kappa_ci_high,
    kappa_se0,
    z,
    Count
};

// The figures of one class k.
enum class ClassFigure : std::size_t {
    row_total,
    col_total,
    diagonal,
    users_accuracy,
    users_accuracy_se,
    users_accuracy_ci_low,
    users_accuracy_ci_high,
    producers_accuracy,
    producers_accuracy_se,
    producers_accuracy_ci_low,
    producers_accuracy_ci_high,
    f1,
    row_conditional_kappa,
    col_conditional_kappa,
    quantity_disagreement,
    allocation_disagreement,
    Count
};

// The area-weighted estimates, with --mapped-area: of the whole map, and of each
// class.
enum class AreaFigure : std::size_t {
    overall_accuracy,
    overall_accuracy_se,
    overall_accuracy_ci_low,
    overall_accuracy_ci_high,
    quantity_disagreement,
    allocation_disagreement,
    Count
};
enum class AreaClassFigure : std::size_t {
    mapped_area,
    weight,
    users_accuracy,
    users_accuracy_se,
    users_accuracy_ci_low,
    users_accuracy_ci_high,
    producers_accuracy,
    producers_accuracy_se,
    producers_accuracy_ci_low,
    producers_accuracy_ci_high,
    f1,
    area,
    area_se,
    area_ci_low,
    area_ci_high,
    Count
};

namespace catalogue {

// The two rows of an interval, beside the standard error it is formed from.
constexpr FigureInfo Low(std::string_view field, std::string_view section) {
    return {field, field, "lower end of its interval", "value - z se, z of --confidence", section};
}
constexpr FigureInfo High(std::string_view field, std::string_view section) {
    return {field, field, "upper end of its interval", "value + z se", section};
}

inline constexpr std::string_view Seven = "The figures of Result.txt";
inline constexpr std::string_view LargeSample =
    "Large-sample figures (Fleiss, Cohen and Everitt 1969), not those of Result.txt";
inline constexpr std::string_view Robust = "Accuracy and chance-robust coefficients";
inline constexpr std::string_view Disagreement = "Disagreement (Pontius and Millones 2011)";
inline constexpr std::string_view Macro =
    "Macro averages, each over the classes where its figure is defined";

inline constexpr std::array<FigureInfo, static_cast<std::size_t>(OverallFigure::Count)> Overall{{
    {"pc", "PC", "chance agreement", "chance agreement, the sum of p_k. p_.k", Seven},
    {"po", "PO", "observed agreement", "observed agreement, the sum of p_kk", Seven},
    {"kappa", "KAPPA", "Cohen's kappa", "(PO - PC) / (1 - PC) (Cohen 1960)", Seven},
    {"lo", "LO-95% CI", "KAPPA - 2 SECI (SECI: simple SE of kappa)",
     "KAPPA - 2 SECI, SECI = (PO (1 - PO) / (N (1 - PC)^2))^0.5", Seven},
    {"hi", "HI-95% CI", "KAPPA + 2 SECI", "KAPPA + 2 SECI", Seven},
    {"se", "SE", "simple standard error under chance",
     "(PC / (N (1 - PC)))^0.5, the standard error of kappa under chance", Seven},
    {"z", "Z", "KAPPA / SE", "KAPPA / SE", Seven},
    {"kappa_se", "kappa_se", "standard error of kappa",
     "large-sample standard error of kappa, for its interval", LargeSample},
    {"kappa_se0", "kappa_se0", "standard error of kappa under chance (kappa = 0)",
     "large-sample standard error of kappa if agreement were by chance alone, for its test",
     LargeSample},
    {"kappa_ci_low", "kappa_ci_low", "KAPPA - z kappa_se",
     "KAPPA - z kappa_se, z of the confidence level (--confidence)", LargeSample},
    {"kappa_ci_high", "kappa_ci_high", "KAPPA + z kappa_se", "KAPPA + z kappa_se", LargeSample},
    {"z_large_sample", "z_large_sample", "KAPPA / kappa_se0", "KAPPA / kappa_se0", LargeSample},
    {"p_two_sided", "p_two_sided", "two-sided normal p-value of z_large_sample",
     "2 (1 - Phi(|z_large_sample|))", LargeSample},
    {"overall_accuracy", "overall_accuracy", "overall accuracy, the share on the diagonal",
     "pa = the sum of p_kk", Robust},
    {"overall_accuracy_se", "overall_accuracy_se", "standard error of the overall accuracy",
     "(pa (1 - pa) / (N - 1))^0.5", Robust},
    Low("overall_accuracy_ci_low", Robust),
    High("overall_accuracy_ci_high", Robust),
    {"scott_pi", "scott_pi", "Scott's pi",
     "(pa - pe) / (1 - pe), pe = the sum of pi_k^2 (Scott 1955, Public Opinion Quarterly "
     "19: 321-325)",
     Robust},
    {"scott_pi_se", "scott_pi_se", "standard error of Scott's pi",
     "([sum p_kl (w_kl - (1 - pi)(pi_k + pi_l))^2 - (pa - 2 (1 - pi) pe)^2] / (N (1 - pe)^2))^0.5 "
     "(Gwet 2008)",
     Robust},
    Low("scott_pi_ci_low", Robust),
    High("scott_pi_ci_high", Robust),
    {"gwet_ac1", "gwet_ac1", "Gwet's AC1",
     "(pa - pe) / (1 - pe), pe = the sum of pi_k (1 - pi_k) / (q - 1) (Gwet 2008, British "
     "Journal of Mathematical and Statistical Psychology 61: 29-48)",
     Robust},
    {"gwet_ac1_se", "gwet_ac1_se", "standard error of Gwet's AC1",
     "([sum p_kl (w_kl - 2 (1 - AC1)(1 - (pi_k + pi_l) / 2) / (q - 1))^2 - (pa - 2 (1 - AC1) "
     "pe)^2] / (N (1 - pe)^2))^0.5 (Gwet 2008)",
     Robust},
    Low("gwet_ac1_ci_low", Robust),
    High("gwet_ac1_ci_high", Robust),
    {"brennan_prediger", "brennan_prediger", "Brennan-Prediger (PABAK with 2 classes)",
     "(pa - 1/q) / (1 - 1/q) (Brennan and Prediger 1981, Educational and Psychological "
     "Measurement 41: 687-699; with two classes the PABAK of Byrt, Bishop and Carlin 1993)",
     Robust},
    {"brennan_prediger_se", "brennan_prediger_se", "standard error of Brennan-Prediger",
     "(pa (1 - pa) / (N (1 - 1/q)^2))^0.5", Robust},
    Low("brennan_prediger_ci_low", Robust),
    High("brennan_prediger_ci_high", Robust),
    {"krippendorff_alpha", "krippendorff_alpha", "Krippendorff's alpha (nominal, two coders)",
     "(pa' - pe) / (1 - pe), pa' = (1 - e) pa + e, e = 1 / (2N), pe = the sum of pi_k^2 "
     "(Krippendorff 2004, Content Analysis, 2nd edition)",
     Robust},
    {"quantity_disagreement", "quantity_disagreement", "quantity disagreement",
     "the sum over classes of |p_g. - p_.g|, halved", Disagreement},
    {"allocation_disagreement", "allocation_disagreement", "allocation disagreement",
     "the sum over classes of 2 min(p_g. - p_gg, p_.g - p_gg), halved; quantity plus "
     "allocation disagreement is 1 - pa",
     Disagreement},
    {"macro_users_accuracy", "macro_users_accuracy", "mean user's accuracy",
     "the mean of users_accuracy over the classes where it is defined", Macro},
    {"macro_users_classes", "macro_users_classes", "classes it averages",
     "the number of classes macro_users_accuracy averages", Macro},
    {"macro_producers_accuracy", "macro_producers_accuracy", "mean producer's accuracy",
     "the mean of producers_accuracy over the classes where it is defined", Macro},
    {"macro_producers_classes", "macro_producers_classes", "classes it averages",
     "the number of classes macro_producers_accuracy averages", Macro},
    {"macro_f1", "macro_f1", "mean F1", "the mean of f1 over the classes where it is defined",
     Macro},
    {"macro_f1_classes", "macro_f1_classes", "classes it averages",
     "the number of classes macro_f1 averages", Macro},
}};

inline constexpr std::string_view Weighted = "Weighted kappa (Cohen 1968)";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(WeightedFigure::Count)> Weights{{
    {"kappa", "kappa", "weighted kappa", "(po_w - pe_w) / (1 - pe_w)", Weighted},
    {"kappa_se", "kappa_se", "large-sample standard error",
     "large-sample standard error (Fleiss, Cohen and Everitt 1969)", Weighted},
    Low("kappa_ci_low", Weighted),
    High("kappa_ci_high", Weighted),
    {"kappa_se0", "kappa_se0", "large-sample standard error under chance",
     "large-sample standard error if weighted kappa were 0", Weighted},
    {"z", "z", "kappa / kappa_se0", "kappa / kappa_se0", Weighted},
}};

inline constexpr std::string_view Classes = "Classes";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(ClassFigure::Count)> Class{{
    {"row_total", "row_total", "row total", "the counts of row k", Classes},
    {"col_total", "col_total", "column total", "the counts of column k", Classes},
    {"diagonal", "diagonal", "diagonal count", "the count of cell k, k", Classes},
    {"users_accuracy", "users_accuracy", "user's accuracy", "diagonal over row total", Classes},
    {"users_accuracy_se", "users_accuracy_se", "its standard error",
     "(users_accuracy (1 - users_accuracy) / (row_total - 1))^0.5", Classes},
    Low("users_accuracy_ci_low", Classes),
    High("users_accuracy_ci_high", Classes),
    {"producers_accuracy", "producers_accuracy", "producer's accuracy",
     "diagonal over column total", Classes},
    {"producers_accuracy_se", "producers_accuracy_se", "its standard error",
     "(producers_accuracy (1 - producers_accuracy) / (col_total - 1))^0.5", Classes},
    Low("producers_accuracy_ci_low", Classes),
    High("producers_accuracy_ci_high", Classes),
    {"f1", "f1", "F1, harmonic mean of the two",
     "2 users_accuracy producers_accuracy / (users_accuracy + producers_accuracy)", Classes},
    {"row_conditional_kappa", "row_conditional_kappa", "conditional kappa of the row",
     "(p_kk - p_k. p_.k) / (p_k. - p_k. p_.k)", Classes},
    {"col_conditional_kappa", "col_conditional_kappa", "conditional kappa of the column",
     "(p_kk - p_k. p_.k) / (p_.k - p_k. p_.k)", Classes},
    {"quantity_disagreement", "quantity_disagreement", "quantity disagreement of the class",
     "|p_k. - p_.k|", Classes},
    {"allocation_disagreement", "allocation_disagreement", "allocation disagreement of the class",
     "2 min(p_k. - p_kk, p_.k - p_kk)", Classes},
}};

inline constexpr std::string_view AreaWeighted =
    "Area-weighted estimates (Olofsson et al. 2014), a sample stratified by map class";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(AreaFigure::Count)> Area{{
    {"overall_accuracy", "overall_accuracy", "area-weighted overall accuracy",
     "the sum of p^_jj, p^_ij = W_i n_ij / n_i., W_i = A_i / A", AreaWeighted},
    {"overall_accuracy_se", "overall_accuracy_se", "its standard error",
     "(sum of W_i^2 U_i (1 - U_i) / (n_i. - 1))^0.5", AreaWeighted},
    Low("overall_accuracy_ci_low", AreaWeighted),
    High("overall_accuracy_ci_high", AreaWeighted),
    {"quantity_disagreement", "quantity_disagreement", "quantity disagreement on p^",
     "as quantity_disagreement, on p^", AreaWeighted},
    {"allocation_disagreement", "allocation_disagreement", "allocation disagreement on p^",
     "as allocation_disagreement, on p^", AreaWeighted},
}};

inline constexpr std::string_view AreaClasses = "Area-weighted estimates of each class";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(AreaClassFigure::Count)> AreaClass{
    {
        {"mapped_area", "mapped_area", "mapped area", "A_i, as given", AreaClasses},
        {"weight", "weight", "share of the mapped area", "W_i = A_i / A", AreaClasses},
        {"users_accuracy", "users_accuracy", "user's accuracy", "U_i = n_ii / n_i.", AreaClasses},
        {"users_accuracy_se", "users_accuracy_se", "its standard error",
         "(U_i (1 - U_i) / (n_i. - 1))^0.5", AreaClasses},
        Low("users_accuracy_ci_low", AreaClasses),
        High("users_accuracy_ci_high", AreaClasses),
        {"producers_accuracy", "producers_accuracy", "producer's accuracy", "P_j = p^_jj / p^_.j",
         AreaClasses},
        {"producers_accuracy_se", "producers_accuracy_se", "its standard error",
         "Olofsson et al. (2014), equation 7", AreaClasses},
        Low("producers_accuracy_ci_low", AreaClasses),
        High("producers_accuracy_ci_high", AreaClasses),
        {"f1", "f1", "F1, harmonic mean of the two", "2 U_j P_j / (U_j + P_j)", AreaClasses},
        {"area", "area", "estimated area of the reference class", "A p^_.j", AreaClasses},
        {"area_se", "area_se", "its standard error",
         "A (sum of W_i^2 (n_ij / n_i.)(1 - n_ij / n_i.) / (n_i. - 1))^0.5", AreaClasses},
        Low("area_ci_low", AreaClasses),
        High("area_ci_high", AreaClasses),
    }};

} // namespace catalogue

template <typename Id> constexpr std::span<const FigureInfo> Catalogue();
template <> constexpr std::span<const FigureInfo> Catalogue<OverallFigure>() {
    return catalogue::Overall;
}
template <> constexpr std::span<const FigureInfo> Catalogue<WeightedFigure>() {
    return catalogue::Weights;
}
template <> constexpr std::span<const FigureInfo> Catalogue<ClassFigure>() {
    return catalogue::Class;
}
template <> constexpr std::span<const FigureInfo> Catalogue<AreaFigure>() {
    return catalogue::Area;
}
template <> constexpr std::span<const FigureInfo> Catalogue<AreaClassFigure>() {
    return catalogue::AreaClass;
}

// One figure for each row of a catalogue, addressed by its name there.
template <typename IdType> class FigureRow {
  public:
    using Id = IdType;
    static constexpr std::size_t Size = static_cast<std::size_t>(Id::Count);
    Figure& operator[](Id id) { return m_figures[static_cast<std::size_t>(id)]; }
    const Figure& operator[](Id id) const { return m_figures[static_cast<std::size_t>(id)]; }
    const std::array<Figure, Size>& all() const { return m_figures; }
    std::array<Figure, Size>& all() { return m_figures; }

  private:
    std::array<Figure, Size> m_figures;
};

} // namespace brennic
