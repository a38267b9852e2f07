// Writes the rows of the help page's table of fields to standard output, for
// scripts/update-help-page to put into BrennicHelp.html.
#include <iostream>

#include "cli/help.h"

int main() {
    std::cout << brennic::FieldTableHtml();
    return std::cout.flush() ? 0 : 1;
}
