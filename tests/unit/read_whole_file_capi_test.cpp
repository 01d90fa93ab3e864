// quillet_read_whole_file: a file into memory the library allocates, with
// its limit, its codes and its reports.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"
#include "support/temp_dir.hpp"

namespace {

using namespace quillet_test;

struct Reports {
    std::vector<int> codes;
    std::vector<std::string> texts;
};

void record(void* user, int code, const char* text) {
    static_cast<Reports*>(user)->codes.push_back(code);
    static_cast<Reports*>(user)->texts.push_back(text);
}

TEST(ReadWholeFile, GivesTheBytesAndAZeroAfterThemUpToTheLimit) {
    TempDir dir;
    const struct {
        std::string content;
        std::size_t limit;
        int result;
    } cases[] = {
        {"done EQU 22H\n", 100, 0},
        {std::string("a\0b", 3), 3, 0},  // exactly the limit, a zero byte inside
        {"", 0, 0},
        {"1234", 3, QUILLET_ERR_SOURCE_TOO_LONG},
    };
    for (const auto& c : cases) {
        dir.write("f.txt", Bytes(c.content.begin(), c.content.end()));
        std::uint8_t* data = reinterpret_cast<std::uint8_t*>(1);
        std::size_t length = 99;
        Reports reports;
        EXPECT_EQ(quillet_read_whole_file(dir.file("f.txt").c_str(), c.limit, &data, &length, record, &reports),
                  c.result);
        if (c.result != 0) {
            EXPECT_EQ(data, nullptr);
            EXPECT_EQ(length, 0u);
            EXPECT_EQ(reports.codes, std::vector<int>{c.result});
            continue;
        }
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), length), c.content);
        EXPECT_EQ(data[length], 0);
        EXPECT_TRUE(reports.codes.empty());
        quillet_free_file_data(data);
    }
    quillet_free_file_data(nullptr);
}

TEST(ReadWholeFile, WhatCannotBeReadIsReportedWithItsCode) {
    TempDir dir;
    dir.make_directory("sub");
    std::uint8_t* data = nullptr;
    std::size_t length = 0;
    const struct {
        std::string path;
        int result;
    } cases[] = {
        {dir.file("missing.txt"), QUILLET_ERR_SOURCE_OPEN},
    };
    for (const auto& c : cases) {
        Reports reports;
        EXPECT_EQ(quillet_read_whole_file(c.path.c_str(), 100, &data, &length, record, &reports), c.result) << c.path;
        EXPECT_EQ(reports.codes, std::vector<int>{c.result}) << c.path;
        ASSERT_EQ(reports.texts.size(), 1u);
        EXPECT_NE(reports.texts[0].find(c.path), std::string::npos) << reports.texts[0];
        EXPECT_EQ(data, nullptr);
    }
    // A directory: POSIX opens it and the read fails; Windows does not open it.
    const int directory = quillet_read_whole_file(dir.file("sub").c_str(), 100, &data, &length, nullptr, nullptr);
    EXPECT_TRUE(directory == QUILLET_ERR_SOURCE_READ || directory == QUILLET_ERR_SOURCE_OPEN) << directory;
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(quillet_read_whole_file(nullptr, 1, &data, &length, nullptr, nullptr), QUILLET_ERR_MISSING_VALUE);
    EXPECT_EQ(quillet_read_whole_file(dir.file("x").c_str(), 1, nullptr, &length, nullptr, nullptr),
              QUILLET_ERR_MISSING_VALUE);
    EXPECT_EQ(quillet_read_whole_file(dir.file("x").c_str(), 1, &data, nullptr, nullptr, nullptr),
              QUILLET_ERR_MISSING_VALUE);
}

}  // namespace
