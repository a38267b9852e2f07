// The registry of the shipped program off Windows: empty, so System Info says the
// tool is unavailable.
#include <gtest/gtest.h>

#include "registry.h"

using namespace brennic::platform;

#ifndef _WIN32
TEST(SystemRegistry, IsEmptyOffWindows) {
    auto registry = MakeSystemRegistry();
    RegistryKey key = 0;
    EXPECT_EQ(registry->RegOpenKeyExA(
                  kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0, 0x2003F, &key),
              kErrorFileNotFound);
}
#endif
