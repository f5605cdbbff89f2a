#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "log/AppLogIni.h"

namespace {

TEST(AppLogIniTest, DefaultsWithoutEntries) {
    for (const std::string text : {"", "\n\n", "# only a comment\n", "garbage without comma\n"}) {
        const AppLogConfig config = ParseAppLogIni(text);
        EXPECT_EQ(config.LOG_FILE_PATH, "") << text;
        EXPECT_EQ(config.CLEAR_LOG_FILE, 0);
        EXPECT_EQ(config.LOG_FILE_MAX_SIZE, 1048576);
        EXPECT_EQ(config.LOG_FILE_MAX_NUM, 100);
        EXPECT_EQ(config.LOG_FILE_WRITE_SIZE, 1048576);
        EXPECT_EQ(config.LOG_FILE_WRITE_INTERVAL, 60);
    }
}

TEST(AppLogIniTest, PathValues) {
    struct Case {
        const char* text;
        const char* path;
    };
    const Case cases[] = {
        {"LOG_FILE_PATH,/var/log/app.log", "/var/log/app.log"},
        {"LOG_FILE_PATH , \" /my logs/app 1.log \" ", "/my logs/app 1.log"},
        {"\tLOG_FILE_PATH\t,\t\"/a b\"\t\r\n", "/a b"},
        // Full-width spaces (U+3000) around and inside quotes are trimmed; inner ones stay.
        {"\xE3\x80\x80LOG_FILE_PATH\xE3\x80\x80,\xE3\x80\x80\"\xE3\x80\x80/x\xE3\x80\x80y\"\xE3\x80\x80",
         "/x\xE3\x80\x80y"},
        // A half full-width sequence is ordinary text, not a space.
        {"LOG_FILE_PATH,/x\xE3\x80", "/x\xE3\x80"},
        {"LOG_FILE_PATH,/first,ignored third field", "/first"},
        {"LOG_FILE_PATH,", ""},
        {"LOG_FILE_PATH", ""},
        {"#LOG_FILE_PATH,/commented", ""},
        {"//LOG_FILE_PATH,/commented", ""},
        {"log_file_path,/wrong case", ""},
        {"LOG_FILE_PATHX,/unknown key", ""},
        {"\xEF\xBB\xBFLOG_FILE_PATH,/after bom", "/after bom"},
        {"LOG_FILE_PATH,/one\nLOG_FILE_PATH,/two", "/two"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseAppLogIni(c.text).LOG_FILE_PATH, c.path) << c.text;
    }
}

TEST(AppLogIniTest, IntegerValues) {
    struct Case {
        const char* text;
        long long maxSize;
        int maxNum;
    };
    const Case cases[] = {
        {"LOG_FILE_MAX_SIZE,2048\nLOG_FILE_MAX_NUM,20", 2048, 20},
        {"LOG_FILE_MAX_SIZE,\" 4096 \"\nLOG_FILE_MAX_NUM,\"7\"", 4096, 7},
        {"LOG_FILE_MAX_SIZE,abc\nLOG_FILE_MAX_NUM,x1", 0, 0},
        {"LOG_FILE_MAX_SIZE,12abc\nLOG_FILE_MAX_NUM,-3", 12, -3},
        {"LOG_FILE_MAX_SIZE,\nLOG_FILE_MAX_NUM,", 0, 0},
        {"LOG_FILE_MAX_SIZE,8589934592\nLOG_FILE_MAX_NUM,99999999999", 8589934592LL, INT_MAX},
        {"LOG_FILE_MAX_NUM,-99999999999", 1048576, INT_MIN},
        {"# LOG_FILE_MAX_SIZE,1\n// LOG_FILE_MAX_NUM,1\nLog_File_Max_Num,1", 1048576, 100},
    };
    for (const Case& c : cases) {
        const AppLogConfig config = ParseAppLogIni(c.text);
        EXPECT_EQ(config.LOG_FILE_MAX_SIZE, c.maxSize) << c.text;
        EXPECT_EQ(config.LOG_FILE_MAX_NUM, c.maxNum) << c.text;
    }
}

TEST(AppLogIniTest, AllKeysOfOneFile) {
    const AppLogConfig config = ParseAppLogIni(
        "# AppLog settings\r\n"
        "\r\n"
        "LOG_FILE_PATH,\"logs/tarnelo.log\"\r\n"
        "CLEAR_LOG_FILE,1\r\n"
        "LOG_FILE_MAX_SIZE,1000\r\n"
        "LOG_FILE_MAX_NUM,3\r\n"
        "LOG_FILE_WRITE_SIZE,10\r\n"
        "LOG_FILE_WRITE_INTERVAL,1\r\n"
        "OTHER_KEY,5\r\n");
    EXPECT_EQ(config.LOG_FILE_PATH, "logs/tarnelo.log");
    EXPECT_EQ(config.CLEAR_LOG_FILE, 1);
    EXPECT_EQ(config.LOG_FILE_MAX_SIZE, 1000);
    EXPECT_EQ(config.LOG_FILE_MAX_NUM, 3);
    EXPECT_EQ(config.LOG_FILE_WRITE_SIZE, 10);
    EXPECT_EQ(config.LOG_FILE_WRITE_INTERVAL, 1);
}

TEST(AppLogIniTest, ReadsFileAndToleratesMissingOne) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("AppLogIniTest_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path ini = folder / "AppLog.INI";
    std::ofstream(ini) << "LOG_FILE_PATH,/tmp/x.log\nLOG_FILE_MAX_NUM,4\n";
    const AppLogConfig read = ReadAppLogIni(ini.string());
    EXPECT_EQ(read.LOG_FILE_PATH, "/tmp/x.log");
    EXPECT_EQ(read.LOG_FILE_MAX_NUM, 4);

    const AppLogConfig missing = ReadAppLogIni((folder / "missing.INI").string());
    EXPECT_EQ(missing.LOG_FILE_PATH, "");
    EXPECT_EQ(missing.LOG_FILE_MAX_NUM, 100);
    std::filesystem::remove_all(folder);
}

}  // namespace
