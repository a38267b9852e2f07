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

class RecordingStarter final : public ProgramStarter {
  public:
    bool Start(const std::string& commandLine) override {
        started.push_back(commandLine);
        return succeeds && !commandLine.empty();
    }
    std::vector<std::string> started;
    bool succeeds = true;
};

class FakeFiles final : public FileLookup {
  public:
    bool OrdinaryFileExists(const std::string& path) override { return files.count(path) == 1; }
    std::set<std::string> files;
};

// The registry the code under test reads. Values set for HKEY_LOCAL_MACHINE land
// under the test key on Windows, and reading HKEY_LOCAL_MACHINE reads there, so
// the tests never touch the machine's own keys. It counts the handles opened and
// not closed, whichever registry is underneath.
class TestRegistry final : public Registry {
  public:
    TestRegistry();
    ~TestRegistry() override;
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    void SetValue(const std::string& keyName, const std::string& valueName, std::uint32_t type,
                  const Bytes& bytes);
    // From now on the key opens only for reading, as for a user without the
    // rights to change it.
    void DenyWriteAccess(const std::string& keyName);
    int OpenHandleCount() const { return static_cast<int>(m_open.size()); }

    std::int32_t RegOpenKeyExA(RegistryKey root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryKey* key) override {
        const std::int32_t result = m_system->RegOpenKeyExA(
            root == kHkeyLocalMachine ? m_root : root, subKey, options, access, key);
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
    std::unique_ptr<Registry> m_system;
    RegistryKey m_root = kHkeyLocalMachine;
    std::set<RegistryKey> m_open;
#ifdef _WIN32
    std::string m_testKey;
#else
    MemoryRegistry* m_memory = nullptr;
#endif
};

#ifdef _WIN32

inline TestRegistry::TestRegistry()
    : m_system(MakeSystemRegistry()),
      m_testKey("Software\\Brennic tests\\" + std::to_string(GetCurrentProcessId())) {
    RegDeleteTreeA(HKEY_CURRENT_USER, m_testKey.c_str()); // left by an aborted run
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_testKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &root, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the test key " + m_testKey);
    m_root = reinterpret_cast<RegistryKey>(root);
}

inline TestRegistry::~TestRegistry() {
    ::RegCloseKey(reinterpret_cast<HKEY>(m_root));
    RegDeleteTreeA(HKEY_CURRENT_USER, m_testKey.c_str());
}

inline void TestRegistry::SetValue(const std::string& keyName, const std::string& valueName,
                                   std::uint32_t type, const Bytes& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(reinterpret_cast<HKEY>(m_root), keyName.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the key " + keyName);
    const LONG set = RegSetValueExA(key, valueName.c_str(), 0, type, bytes.data(),
                                    static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
    if (set != ERROR_SUCCESS)
        throw std::runtime_error("cannot set the value " + valueName);
}

inline void TestRegistry::DenyWriteAccess(const std::string& keyName) {
    // A protected access list that lets everyone read the key and nothing else.
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1,
                                                              &readOnly, nullptr))
        throw std::runtime_error("cannot make a read-only access list");
    HKEY key = nullptr;
    LONG result =
        ::RegOpenKeyExA(reinterpret_cast<HKEY>(m_root), keyName.c_str(), 0, WRITE_DAC, &key);
    if (result == ERROR_SUCCESS) {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly);
        ::RegCloseKey(key);
    }
    LocalFree(readOnly);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot make the key " + keyName + " read-only");
}

#else

inline TestRegistry::TestRegistry() {
    auto memory = std::make_unique<MemoryRegistry>();
    m_memory = memory.get();
    m_system = std::move(memory);
}

inline TestRegistry::~TestRegistry() = default;

inline void TestRegistry::SetValue(const std::string& keyName, const std::string& valueName,
                                   std::uint32_t type, const Bytes& bytes) {
    m_memory->SetValue(kHkeyLocalMachine, keyName, valueName, type, bytes);
}

inline void TestRegistry::DenyWriteAccess(const std::string& keyName) {
    m_memory->DenyWriteAccess(kHkeyLocalMachine, keyName);
}

#endif

} // namespace brennic::platform::test
