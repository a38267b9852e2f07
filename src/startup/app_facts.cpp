// The texts built from the application facts.
#include "startup/app_facts.h"

namespace brennic::startup {

QString VersionText(const AppFacts& facts) {
    return QStringLiteral("Version %1.%2.%3").arg(facts.major).arg(facts.minor).arg(facts.revision);
}

} // namespace brennic::startup
