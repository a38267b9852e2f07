// The in-memory registry: the result codes the About window's reader relies on.
#include <gtest/gtest.h>

#include "memory_registry.h"

using namespace brennic::platform;

TEST(MemoryRegistry, AnswersWithTheSystemsResultCodes) {
    MemoryRegistry registry;
    registry.SetValue(kHkeyLocalMachine, "SOFTWARE\\Tools", "Path", kRegSz, {'a', 'b', 0});
    registry.DenyWriteAccess(kHkeyLocalMachine, "SOFTWARE\\Locked");
    constexpr std::uint32_t kReadOnly = kReadControl | kKeyQueryValue | kKeyEnumerateSubKeys;
    constexpr std::uint32_t kAll = 0x2003F;

    RegistryKey key = 0;
    EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\Missing", 0, kAll, &key),
              kErrorFileNotFound);
    EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\Locked", 0, kAll, &key),
              kErrorAccessDenied);
    ASSERT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, "SOFTWARE\\Locked", 0, kReadOnly, &key),
              kErrorSuccess);
    EXPECT_EQ(registry.RegCloseKey(key), kErrorSuccess);

    // Key paths and value names match without regard to case.
    ASSERT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, "software\\TOOLS", 0, kAll, &key),
              kErrorSuccess);
    std::uint8_t buffer[3] = {};
    std::uint32_t type = 0;
    std::uint32_t size = 2;
    EXPECT_EQ(registry.RegQueryValueExA(key, "PATH", &type, buffer, &size), kErrorMoreData);
    size = 3;
    EXPECT_EQ(registry.RegQueryValueExA(key, "PATH", &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(registry.RegQueryValueExA(key, "Other", &type, buffer, &size), kErrorFileNotFound);
    EXPECT_EQ(registry.OpenHandleCount(), 1);
    EXPECT_EQ(registry.RegCloseKey(key), kErrorSuccess);
    EXPECT_EQ(registry.RegCloseKey(key), kErrorInvalidHandle);
    EXPECT_EQ(registry.OpenHandleCount(), 0);
}

#ifndef _WIN32
TEST(SystemRegistry, IsEmptyOffWindows) {
    auto registry = MakeSystemRegistry();
    RegistryKey key = 0;
    EXPECT_EQ(registry->RegOpenKeyExA(
                  kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0, 0x2003F, &key),
              kErrorFileNotFound);
}
#endif
