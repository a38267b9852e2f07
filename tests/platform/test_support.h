// Stand-ins for the platform services, and a registry for the tests to fill: the
// in-memory one, or in the Windows build the system's own through the real
// advapi32 calls, under a test key of the current user that the test removes.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>
#else
#include "memory_registry.h"
#endif

#include "file_lookup.h"
#include "program_starter.h"
#include "registry.h"

namespace brennic::platform::test {

using Bytes = std::vector<std::uint8_t>;

struct RecordingStarter final : ProgramStarter {
    bool Start(const std::string& commandLine) override {
        started.push_back(commandLine);
        return succeeds && !commandLine.empty();
    }
    std::vector<std::string> started;
    bool succeeds = true;
};

struct FakeFiles final : FileLookup {
    bool OrdinaryFileExists(const std::string& path) override { return files.count(path) == 1; }
    std::set<std::string> files;
};

#ifdef _WIN32
inline void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("cannot " + what);
}

// The system's registry, as the code under test reads it. Values set for
// HKEY_LOCAL_MACHINE land under the test key, and reading HKEY_LOCAL_MACHINE
// reads there, so the tests never touch the machine's own keys. It counts the
// handles opened and not closed, as the in-memory one does.
class TestRegistry final : public Registry {
  public:
    TestRegistry()
        : m_system(MakeSystemRegistry()),
          m_testKey("Software\\Brennic tests\\" + std::to_string(GetCurrentProcessId())) {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_testKey.c_str()); // left by an aborted run
        m_root = create(HKEY_CURRENT_USER, m_testKey);
    }
    ~TestRegistry() override {
        ::RegCloseKey(m_root);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_testKey.c_str());
    }
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    void SetValue(RegistryKey, const std::string& keyName, const std::string& valueName,
                  std::uint32_t type, const Bytes& bytes) {
        HKEY key = create(m_root, keyName);
        const LONG set = RegSetValueExA(key, valueName.c_str(), 0, type, bytes.data(),
                                        static_cast<DWORD>(bytes.size()));
        ::RegCloseKey(key);
        check(set == ERROR_SUCCESS, "set the value " + valueName);
    }
    // From now on the key opens only for reading, as for a user without the
    // rights to change it: a protected access list that lets everyone read it.
    void DenyWriteAccess(RegistryKey, const std::string& keyName) {
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        check(ConvertStringSecurityDescriptorToSecurityDescriptorA(
                  "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr),
              "make a read-only access list");
        HKEY key = nullptr;
        LONG result = ::RegOpenKeyExA(m_root, keyName.c_str(), 0, WRITE_DAC, &key);
        if (result == ERROR_SUCCESS) {
            result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly);
            ::RegCloseKey(key);
        }
        LocalFree(readOnly);
        check(result == ERROR_SUCCESS, "make the key " + keyName + " read-only");
    }
    int OpenHandleCount() const { return static_cast<int>(m_open.size()); }

    std::int32_t RegOpenKeyExA(RegistryKey root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryKey* key) override {
        const std::int32_t result = m_system->RegOpenKeyExA(
            root == kHkeyLocalMachine ? reinterpret_cast<RegistryKey>(m_root) : root, subKey,
            options, access, key);
        if (result == kErrorSuccess)
            m_open.insert(*key);
        return result;
    }
    std::int32_t RegQueryValueExA(RegistryKey key, const std::string& valueName,
                                  std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) override {
        return m_system->RegQueryValueExA(key, valueName, type, data, size);
    }
    std::int32_t RegCloseKey(RegistryKey key) override {
        m_open.erase(key);
        return m_system->RegCloseKey(key);
    }

  private:
    static HKEY create(HKEY parent, const std::string& name) {
        HKEY key = nullptr;
        check(RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) == ERROR_SUCCESS,
              "create the key " + name);
        return key;
    }
    std::unique_ptr<Registry> m_system;
    std::string m_testKey;
    HKEY m_root = nullptr;
    std::set<RegistryKey> m_open;
};
#else
// Off Windows the tests fill the in-memory registry.
using TestRegistry = MemoryRegistry;
#endif

} // namespace brennic::platform::test
