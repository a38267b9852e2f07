// GetKeyValue and the lookup of StartSysInfo over a registry filled by each test:
// the in-memory one, or in the Windows build the system's own through the real
// RegOpenKeyExA, RegQueryValueExA and RegCloseKey.
#include <gtest/gtest.h>

#include <optional>

#include "sys_info_lookup.h"
#include "test_support.h"

using namespace brennic::platform;
using namespace brennic::platform::test;

namespace {

Bytes text(const std::string& text, bool finalZero = true) {
    Bytes bytes(text.begin(), text.end());
    if (finalZero)
        bytes.push_back(0);
    return bytes;
}

} // namespace

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
        if (row.expected == "<throws>") {
            EXPECT_THROW(read("SOFTWARE\\Test", "Value"), EmptyRegistryValue);
        } else {
            EXPECT_EQ(read("SOFTWARE\\Test", "Value"), row.expected.has_value());
            EXPECT_EQ(value, row.expected.value_or(""));
        }
        for (const auto& [key, name] :
             {std::pair{"SOFTWARE\\Test", "Other"}, {"SOFTWARE\\None", "Value"}}) {
            value = "before";
            EXPECT_FALSE(read(key, name)) << name;
            EXPECT_EQ(value, "") << name;
        }
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
        if (row.fileThere)
            files.files = {program};
        RecordingStarter starter;
        starter.succeeds = row.startWorks;
        EXPECT_EQ(StartSysInfo(registry, files, starter), row.expected);
        EXPECT_EQ(starter.started, row.started == none ? std::vector<std::string>{}
                                                       : std::vector<std::string>{row.started});
        EXPECT_EQ(registry.OpenHandleCount(), 0);
    }
}

#ifndef _WIN32
// Off Windows the program's own registry is empty: System Info finds no tool.
TEST(StartSysInfo, FindsNothingInTheSystemRegistryOffWindows) {
    FakeFiles files;
    RecordingStarter starter;
    EXPECT_FALSE(StartSysInfo(*MakeSystemRegistry(), files, starter));
    EXPECT_TRUE(starter.started.empty());
}
#endif
