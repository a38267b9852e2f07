// The text of brennic-kappa --help.
#pragma once

#include <string>

namespace brennic {

// The whole of --help: the usage, every option of the table, reading from maps,
// the exit status and every field of the reports; every line within 80 columns.
std::string HelpText();

} // namespace brennic
