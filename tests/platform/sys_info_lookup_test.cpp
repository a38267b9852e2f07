// GetKeyValue and the lookup of StartSysInfo over an in-memory registry filled by
// each test, and in the Windows build GetKeyValue over the system's own registry
// through the real RegOpenKeyExA, RegQueryValueExA and RegCloseKey.
#include <gtest/gtest.h>

#include <optional>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/sys_info_lookup.h"
#include "test_support.h"

using namespace brennic::platform;
using namespace brennic::platform::test;

static Bytes text(const std::string& text, bool finalZero = true) {
    return Bytes(text.c_str(), text.c_str() + text.size() + finalZero); // c_str's own zero
}

TEST(GetKeyValue, ReadsTextsAndNumbersAsTheAboutWindowNeedsThem) {
    // Numbers are appended to the text passed in, which is empty in every call
    // that StartSysInfo makes; other types replace it or leave it. Nothing for a
    // value that is not read; a value of 0 bytes throws.
    const std::string x1023(1023, 'x');
    // clang-format off
    struct Row { const char* name; std::uint32_t type; Bytes bytes; bool readOnlyKey;
                 std::optional<std::string> expected; };
    const Row rows[] = {
        {"text_with_final_zero", kRegSz, text("C:\\Tools\\msi.exe"), false, "C:\\Tools\\msi.exe"},
        {"text_without_final_zero", kRegSz, text("C:\\Tools", false), false, "C:\\Tools"},
        {"text_of_one_zero_byte", kRegSz, Bytes{0}, false, ""},
        {"zero_bytes_throw", kRegSz, Bytes{}, false, "<throws>"},
        {"exactly_1024_bytes_fit", kRegSz, text(x1023), false, x1023},
        {"over_1024_bytes_not_read", kRegSz, text(x1023 + "y"), false, std::nullopt},
        {"number_12345678", kRegDword, Bytes{0x78, 0x56, 0x34, 0x12}, false, "&h12345678"},
        {"number_105_loses_a_zero", kRegDword, Bytes{0x05, 0x01, 0x00, 0x00}, false, "&h000105"},
        {"number_upper_case_hex", kRegDword, Bytes{0xEF, 0xBE, 0xAD, 0xDE}, false, "&hDEADBEEF"},
        {"other_type_keeps_the_old_text", 3, Bytes{1, 2, 3}, false, "before"},
        {"key_refused_for_write_rights", kRegSz, text("C:\\Tools"), true, std::nullopt}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestRegistry registry;
        registry.SetValue(kHkeyLocalMachine, "SOFTWARE\\Test", "Value", row.type, row.bytes);
        if (row.readOnlyKey)
            registry.DenyWriteAccess(kHkeyLocalMachine, "SOFTWARE\\Test");
        std::string value = row.type == kRegDword ? "" : "before";
        const auto read = [&](const char* key, const char* name) {
            return GetKeyValue(registry, kHkeyLocalMachine, key, name, value);
        };
        if (row.expected == "<throws>")
            EXPECT_THROW(read("SOFTWARE\\Test", "Value"), EmptyRegistryValue);
        else
            EXPECT_TRUE(read("SOFTWARE\\Test", "Value") == row.expected.has_value() &&
                        value == row.expected.value_or(""))
                << value;
        for (const auto& [key, name] :
             {std::pair{"SOFTWARE\\Test", "Other"}, {"SOFTWARE\\None", "Value"}})
            EXPECT_TRUE((value = "before", !read(key, name) && value.empty())) << name;
        EXPECT_EQ(registry.OpenHandleCount(), 0);
    }
}

TEST(StartSysInfo, StartsTheToolTheRegistryNames) {
    // The first value is started as read, without a file check; the second names
    // the folder of MSINFO32.EXE, started only if the file is there.
    struct Value {
        const char* key;
        std::uint32_t type;
        Bytes bytes;
    };
    const Value first{kSysInfoKey, kRegSz, text("C:\\Info\\msinfo32.exe")};
    const Value second{kSysInfoLocationKey, kRegSz, text("C:\\Shared\\MSINFO")};
    const std::string program = "C:\\Shared\\MSINFO\\MSINFO32.EXE", none = "<none>";
    // clang-format off
    struct Row { const char* name; std::vector<Value> values; bool fileThere, startWorks;
                 std::string started; bool expected; };
    const Row rows[] = {
        {"first_value", {first, second}, false, true, "C:\\Info\\msinfo32.exe", true},
        {"first_value_that_cannot_start", {first}, false, false, "C:\\Info\\msinfo32.exe", false},
        {"second_value_with_the_file", {second}, true, true, program, true},
        {"second_value_without_the_file", {second}, false, true, none, false},
        {"neither_value", {}, true, true, none, false},
        {"first_value_of_another_type_starts_the_empty_path",
         {{kSysInfoKey, 3, Bytes{1, 2}}, second}, true, true, "", false},
        {"empty_first_value_stops_before_the_second",
         {{kSysInfoKey, kRegSz, Bytes{}}, second}, true, true, none, false}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestRegistry registry;
        for (const Value& value : row.values)
            registry.SetValue(kHkeyLocalMachine, value.key,
                              value.key == kSysInfoKey ? kSysInfoValue : kSysInfoLocationValue,
                              value.type, value.bytes);
        FakeFiles files;
        files.files = {row.fileThere ? program : ""};
        RecordingStarter starter;
        starter.succeeds = row.startWorks;
        EXPECT_EQ(StartSysInfo(registry, files, starter), row.expected);
        EXPECT_EQ(starter.started,
                  row.started == none ? std::vector<std::string>{} : std::vector{row.started});
        EXPECT_EQ(registry.OpenHandleCount(), 0);
    }
#ifndef _WIN32
    // Off Windows the program's own registry is empty: System Info finds no tool.
    RecordingStarter starter;
    EXPECT_FALSE(StartSysInfo(*MakeSystemRegistry(), *std::make_unique<FakeFiles>(), starter));
    EXPECT_TRUE(starter.started.empty());
#endif
}

#ifdef _WIN32
// Values written under a test key of the current user (the machine's own keys
// are left alone) read back through the system's registry: a text, a number, one
// too long for the buffer and a missing one.
TEST(GetKeyValue, ReadsTheSystemRegistry) {
    const std::string key = "Software\\Brennic tests\\" + std::to_string(GetCurrentProcessId());
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const std::tuple<const char*, DWORD, Bytes, const char*> rows[] = {
        {"Text", REG_SZ, text("C:\\Tools\\msi.exe"), "C:\\Tools\\msi.exe"},
        {"Number", REG_DWORD, Bytes{0x78, 0x56, 0x34, 0x12}, "&h12345678"},
        {"Long", REG_SZ, text(std::string(1024, 'x')), nullptr},
        {"Missing", 0, {}, nullptr}};
    const auto registry = MakeSystemRegistry();
    for (const auto& [name, type, bytes, expected] : rows) {
        EXPECT_TRUE(type == 0 || RegSetValueExA(created, name, 0, type, bytes.data(),
                                                DWORD(bytes.size())) == ERROR_SUCCESS);
        std::string value;
        EXPECT_EQ(GetKeyValue(*registry, RegistryKey(HKEY_CURRENT_USER), key, name, value),
                  expected != nullptr)
            << name;
        EXPECT_EQ(value, expected ? expected : "") << name;
    }
    ::RegCloseKey(created);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}
#endif
