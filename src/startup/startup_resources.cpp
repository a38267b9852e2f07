// Registers resources/brennic.qrc. The library is static, so nothing would pull
// the generated resource code into the program without this reference to it.
#include "startup/startup_resources.h"

#include <QtGlobal>

static void initBrennicQrc() {
    Q_INIT_RESOURCE(brennic);
}

namespace brennic::startup {

void InitStartupResources() {
    initBrennicQrc();
}

} // namespace brennic::startup
