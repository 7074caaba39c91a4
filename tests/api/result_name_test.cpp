// kestrel_result_name: every link status code the header defines is named by its own
// constant, every other value is the reader's status; the Python package's copy of the
// table agrees with the header.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "kestrel.h"

namespace {

std::string read(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// value -> name of every match of `pattern`, whose groups are (name, value) or (value, name).
std::map<int, std::string> table(const std::string& text, const std::regex& pattern, bool name_first) {
    std::map<int, std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        out[std::stoi((*it)[name_first ? 2 : 1])] = (*it)[name_first ? 1 : 2];
    return out;
}

const std::map<int, std::string>& header_codes() {
    static const auto codes = table(read(KESTREL_SOURCE_DIR "/include/kestrel.h"),
                                    std::regex(R"(#define (KESTREL_(?:OK|E_[A-Z_]+)) +(\d+))"), true);
    return codes;
}

TEST(ResultName, EveryLinkStatusCodeByItsConstant) {
    ASSERT_GE(header_codes().size(), 30u);
    for (const auto& [code, name] : header_codes()) EXPECT_STREQ(kestrel_result_name(code), name.c_str()) << code;
}

TEST(ResultName, OtherValuesAreTheReadersStatus) {
    for (int value = -1; value <= 256; ++value) {
        if (header_codes().count(value)) continue;
        EXPECT_STREQ(kestrel_result_name(value), "reader status") << value;
    }
}

TEST(ResultName, PythonPackageAgreesWithTheHeader) {
    const auto python = table(read(KESTREL_SOURCE_DIR "/python/kestrel/_results.py"),
                              std::regex(R"((\d+): \"(KESTREL_(?:OK|E_[A-Z_]+))\")"), false);
    EXPECT_EQ(python, header_codes());
}

}  // namespace
