// GetKeyValue and the lookup of StartSysInfo, step by step as the About window
// has always done them: the same buffer size, the same trim of a final zero
// byte, the same order of the two registry values.
#include "platform/sys_info_lookup.h"

#include <exception>
#include <vector>

#include "platform/file_lookup.h"
#include "platform/program_starter.h"

namespace brennic::platform {
namespace {

// Closes the key however GetKeyValue leaves.
class OpenKey {
  public:
    OpenKey(Registry& registry, RegistryKey key) : m_registry(registry), m_key(key) {}
    ~OpenKey() { m_registry.RegCloseKey(m_key); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

  private:
    Registry& m_registry;
    RegistryKey m_key;
};

std::string hexOfBytesBackwards(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
        const auto byte = static_cast<unsigned char>(*it);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

} // namespace

bool GetKeyValue(Registry& registry, RegistryKey keyRoot, const std::string& keyName,
                 const std::string& subKeyRef, std::string& keyVal) {
    RegistryKey key = 0;
    if (registry.RegOpenKeyExA(keyRoot, keyName, 0, kKeyAccess, &key) != kErrorSuccess) {
        keyVal.clear();
        return false;
    }
    OpenKey closer(registry, key);

    std::vector<std::uint8_t> buffer(ValueBufferSize, 0);
    std::uint32_t size = ValueBufferSize;
    std::uint32_t type = 0;
    if (registry.RegQueryValueExA(key, subKeyRef, &type, buffer.data(), &size) != kErrorSuccess) {
        keyVal.clear();
        return false;
    }

    // The size counts the value's bytes; a final zero byte is the text's end, not
    // part of it. Nothing at all is an error for the caller.
    if (size == 0)
        throw EmptyRegistryValue{};
    const std::size_t length = buffer[size - 1] == 0 ? size - 1 : size;
    const std::string text(reinterpret_cast<const char*>(buffer.data()), length);

    if (type == kRegSz)
        keyVal = text;
    else if (type == kRegDword)
        keyVal = "&h" + keyVal + hexOfBytesBackwards(text);
    return true;
}

bool StartSysInfo(Registry& registry, FileLookup& files, ProgramStarter& starter) {
    try {
        std::string path;
        if (GetKeyValue(registry, kHkeyLocalMachine, kSysInfoKey, kSysInfoValue, path))
            return starter.Start(path);
        if (GetKeyValue(registry, kHkeyLocalMachine, kSysInfoLocationKey, kSysInfoLocationValue,
                        path)) {
            const std::string program = path + kSysInfoProgramFile;
            return files.OrdinaryFileExists(program) && starter.Start(program);
        }
    } catch (const EmptyRegistryValue&) {
        return false;
    } catch (const std::exception&) {
        // Any other failure on the way ends in the same message.
        return false;
    }
    return false;
}

} // namespace brennic::platform
