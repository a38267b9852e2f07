// GetKeyValue and the lookup of StartSysInfo over a registry filled by each test:
// the in-memory one, or in the Windows build the system's own through the real
// RegOpenKeyExA, RegQueryValueExA and RegCloseKey.
#include <gtest/gtest.h>

#include "sys_info_lookup.h"
#include "test_support.h"

using namespace brennic::platform;
using namespace brennic::platform::test;

namespace {

Bytes textBytes(const std::string& text, bool finalZero) {
    Bytes bytes(text.begin(), text.end());
    if (finalZero)
        bytes.push_back(0);
    return bytes;
}

} // namespace

TEST(GetKeyValue, ReadsTextsAndNumbersAsTheAboutWindowNeedsThem) {
    struct Row {
        const char* name;
        std::uint32_t type;
        Bytes bytes;
        bool readOnlyKey;
        bool expectedFound;
        std::string expectedValue;
        bool expectedThrow = false;
    };
    // Numbers are appended to the text passed in, which is empty in every call
    // that StartSysInfo makes; other types replace it or leave it.
    const std::string long1024(1023, 'x');
    const Row rows[] = {
        {"text_with_final_zero", kRegSz, textBytes("C:\\Tools\\msinfo32.exe", true), false, true,
         "C:\\Tools\\msinfo32.exe"},
        {"text_without_final_zero", kRegSz, textBytes("C:\\Tools", false), false, true,
         "C:\\Tools"},
        {"text_of_one_zero_byte", kRegSz, Bytes{0}, false, true, ""},
        {"zero_bytes_is_a_failure", kRegSz, Bytes{}, false, false, "", true},
        {"exactly_1024_bytes_fit", kRegSz, textBytes(long1024, true), false, true, long1024},
        {"over_1024_bytes_not_found", kRegSz, textBytes(long1024 + "y", true), false, false, ""},
        {"number_12345678", kRegDword, Bytes{0x78, 0x56, 0x34, 0x12}, false, true, "&h12345678"},
        {"number_105_loses_a_zero_byte", kRegDword, Bytes{0x05, 0x01, 0x00, 0x00}, false, true,
         "&h000105"},
        {"number_upper_case_hex", kRegDword, Bytes{0xEF, 0xBE, 0xAD, 0xDE}, false, true,
         "&hDEADBEEF"},
        {"other_type_keeps_the_old_text", 3, Bytes{1, 2, 3}, false, true, "before"},
        {"key_refused_for_write_rights", kRegSz, textBytes("C:\\Tools", true), true, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestRegistry registry;
        registry.SetValue("SOFTWARE\\Test", "Value", row.type, row.bytes);
        if (row.readOnlyKey)
            registry.DenyWriteAccess("SOFTWARE\\Test");
        std::string value = row.type == kRegDword ? "" : "before";
        if (row.expectedThrow) {
            EXPECT_THROW(GetKeyValue(registry, kHkeyLocalMachine, "SOFTWARE\\Test", "Value", value),
                         EmptyRegistryValue);
        } else {
            EXPECT_EQ(GetKeyValue(registry, kHkeyLocalMachine, "SOFTWARE\\Test", "Value", value),
                      row.expectedFound);
            EXPECT_EQ(value, row.expectedValue);
        }
        std::string missing = "before";
        EXPECT_FALSE(GetKeyValue(registry, kHkeyLocalMachine, "SOFTWARE\\Test", "Other", missing));
        EXPECT_EQ(missing, "") << "a missing value";
        EXPECT_FALSE(GetKeyValue(registry, kHkeyLocalMachine, "SOFTWARE\\None", "Value", missing));
        EXPECT_EQ(registry.OpenHandleCount(), 0);
    }
}

TEST(StartSysInfo, StartsTheToolTheRegistryNames) {
    struct Value {
        const char* key;
        const char* name;
        std::uint32_t type;
        Bytes bytes;
    };
    struct Row {
        const char* name;
        std::vector<Value> values;
        std::set<std::string> files;
        bool starterSucceeds;
        std::vector<std::string> expectedStarts;
        bool expectedStarted;
    };
    const Value first{kSysInfoKey, "PATH", kRegSz, textBytes("C:\\Info\\msinfo32.exe", true)};
    const Value second{kSysInfoLocationKey, "MSINFO", kRegSz,
                       textBytes("C:\\Shared\\MSINFO", true)};
    const Row rows[] = {
        {"first_value_started_as_read_without_file_check",
         {first, second},
         {},
         true,
         {"C:\\Info\\msinfo32.exe"},
         true},
        {"first_value_that_cannot_start", {first}, {}, false, {"C:\\Info\\msinfo32.exe"}, false},
        {"second_value_with_the_file",
         {second},
         {"C:\\Shared\\MSINFO\\MSINFO32.EXE"},
         true,
         {"C:\\Shared\\MSINFO\\MSINFO32.EXE"},
         true},
        {"second_value_without_the_file", {second}, {}, true, {}, false},
        {"neither_value", {}, {"C:\\Shared\\MSINFO\\MSINFO32.EXE"}, true, {}, false},
        {"first_value_of_another_type_starts_the_empty_path",
         {{kSysInfoKey, "PATH", 3, Bytes{1, 2}}, second},
         {"C:\\Shared\\MSINFO\\MSINFO32.EXE"},
         true,
         {""},
         false},
        {"empty_first_value_stops_before_the_second",
         {{kSysInfoKey, "PATH", kRegSz, Bytes{}}, second},
         {"C:\\Shared\\MSINFO\\MSINFO32.EXE"},
         true,
         {},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestRegistry registry;
        for (const Value& value : row.values)
            registry.SetValue(value.key, value.name, value.type, value.bytes);
        FakeFiles files;
        files.files = row.files;
        RecordingStarter starter;
        starter.succeeds = row.starterSucceeds;

        EXPECT_EQ(StartSysInfo(registry, files, starter), row.expectedStarted);
        EXPECT_EQ(starter.started, row.expectedStarts);
        EXPECT_EQ(registry.OpenHandleCount(), 0);
    }
}
