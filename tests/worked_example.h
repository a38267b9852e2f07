// The result file of the worked examples, worked out by hand once for every test
// folder: the program's own example and a fractional one written with a comma.
#pragma once

#include <string>

namespace brennic::test {

inline const std::string ResultHeader =
    "\"PC\",\"PO\",\"KAPPA\",\"LO-95% CI\",\"HI-95% CI\",\"SE\",\"Z\"\r\n";
// 20 5 0|3 15 2|2 5 48: PC = 31/80, PO = 83/100, KAPPA = 177/245, SE = (31/80 /
// (100 (49/80)))^0.5, SECI = (.83 .17 / (100 (49/80)^2))^0.5, LO and HI = KAPPA -+ 2 SECI.
inline const std::string WorkedExampleFile =
    ResultHeader + " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
                   " 0.0795394908975717  9.0828967024969 \r\n";
// 2,5 1|0,5 6 with a decimal comma: N = 10, PO = 8.5/10, PC = (3.5 3 + 6.5 7) / 100.
inline const std::string FractionalExampleCommaFile =
    ResultHeader + " 0,56  0,85  0,659090909090909  0,145836827698354  1,17234499048346 "
                   " 0,356753034006338  1,84747106896139 \r\n";

} // namespace brennic::test
