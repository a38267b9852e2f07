// The text of brennic-kappa --help.
#pragma once

#include <string>

namespace brennic {

// The whole of --help: the usage, every option of the table, reading from maps,
// the exit status and every field of the reports; every line within 80 columns.
std::string HelpText();

// The rows of the help page's table of fields, one per field of the figure
// catalogue under the headings of --help: what BrennicHelp.html holds between
// its markers (scripts/update-help-page writes them there).
std::string FieldTableHtml();

} // namespace brennic
