// The scenario files' JSON reader: what it accepts and how it reads it back, and what it
// refuses, with the place it names.
#include <gtest/gtest.h>

#include <string>

#include "sim/json_reader.h"

namespace {

using kestrel::sim::json::Document;
using kestrel::sim::json::Kind;
using kestrel::sim::json::Value;

TEST(JsonReader, ReadsValuesBack) {
    const std::string text = R"( {"name": "A\"B\\\/\n\u00e9\ud83d\ude00", "plain": "x y", "n": -12, "big": 18446744073709551615,
        "huge": 18446744073709551616, "f": 0.5, "tiny": 1e-400, "t": true, "no": false, "nil": null,
        "list": [1, [], {}, "z"], "": "empty key"} )";
    Document doc;
    std::string error;
    ASSERT_TRUE(doc.parse(text, error)) << error;
    const Value root = doc.root();
    ASSERT_TRUE(root.is_object());
    EXPECT_EQ(root.size(), 12u);
    EXPECT_EQ(root["name"].string(), "A\"B\\/\n\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(root["plain"].string(), "x y");
    EXPECT_EQ(root["plain"].text(), "\"x y\"");
    EXPECT_TRUE(root["n"].is_integer());
    EXPECT_TRUE(root["n"].is_negative());
    EXPECT_EQ(root["n"].int64(), -12);
    EXPECT_EQ(root["n"].uint64(), 0u);
    EXPECT_EQ(root["big"].uint64(), UINT64_MAX);
    EXPECT_EQ(root["huge"].kind(), Kind::number);  // past 64 bits: a number, not an integer
    EXPECT_EQ(root["f"].kind(), Kind::number);
    EXPECT_EQ(root["f"].text(), "0.5");
    EXPECT_EQ(root["tiny"].kind(), Kind::number);
    EXPECT_TRUE(root["t"].boolean());
    EXPECT_TRUE(root["no"].is_boolean());
    EXPECT_FALSE(root["no"].boolean());
    EXPECT_EQ(root["nil"].kind(), Kind::null);
    EXPECT_TRUE(root.contains("nil"));
    EXPECT_FALSE(root.contains("missing"));
    EXPECT_EQ(root["missing"].kind(), Kind::null);
    EXPECT_EQ(root["missing"]["deeper"].size(), 0u);
    EXPECT_EQ(root[""].string(), "empty key");

    const Value list = root["list"];
    ASSERT_EQ(list.size(), 4u);
    std::string kinds;
    for (Value v : list) kinds += std::to_string(static_cast<int>(v.kind())) + (v.key().empty() ? "," : "?");
    EXPECT_EQ(kinds, "2,5,6,4,");
    std::string keys;
    for (Value v : root) keys += std::string(v.key()) + ";";
    EXPECT_EQ(keys, "name;plain;n;big;huge;f;tiny;t;no;nil;list;;");
    // Members of something else, and elements of nothing, are none.
    EXPECT_EQ(root["plain"]["x"].kind(), Kind::null);
    EXPECT_FALSE(root["plain"].begin() != root["plain"].end());
}

TEST(JsonReader, RefusesWhatIsNotStrictJsonAndSaysWhere) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"", "line 1, column 1: the text ends where a value should be"},
        {"{\"a\": 1,\n  \"b\": }", "line 2, column 8: unexpected character '}'"},
        {"{\"a\": 1, \"a\": 2}", "column 10: the entry 'a' appears twice"},
        {"{\"a\\u0062\": 1, \"ab\": 2}", "the entry 'ab' appears twice"},
        {"{\"a\" 1}", "expected ':'"},
        {"{a: 1}", "expected an entry name in quotes"},
        {"[1, 2", "expected ',' or ']'"},
        {"[1,]", "unexpected character ']'"},
        {"{} {}", "text after the end of the document"},
        {"01", "a number cannot start with 0"},
        {"-", "a number needs digits"},
        {"1.", "a fraction needs digits"},
        {"1e+", "an exponent needs digits"},
        {"1e400", "column 1: the number is too large"},
        {"-1.5E309", "the number is too large"},
        {"tru", "unknown word"},
        {"\"abc", "the text ends inside a string"},
        {"\"a\tb\"", "a control character inside a string"},
        {"\"\\x\"", "unknown escape"},
        {"\"\\u12G4\"", "a \\u escape needs four hex digits"},
        {"\"\\udc00\"", "a second surrogate without a first"},
        {"\"\\ud800x\"", "a first surrogate without a second"},
        {"\"\\ud800\\u0041\"", "a first surrogate without a second"},
        {"\"\xC3\"", "not UTF-8"},
        {"\"\xC0\xAF\"", "not UTF-8"},          // overlong '/'
        {"\"\xED\xA0\x80\"", "not UTF-8"},      // an encoded surrogate
        {"\"\xF4\x90\x80\x80\"", "not UTF-8"},  // past U+10FFFF
        {std::string(33, '[') + std::string(33, ']'), "nested more than 32 deep"},
    };
    for (const Case& c : cases) {
        Document doc;
        std::string error;
        EXPECT_FALSE(doc.parse(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " -> " << error;
        // A failed parse leaves nothing to read.
        EXPECT_EQ(doc.root().kind(), Kind::null) << c.text;
    }
    // Just inside the limits.
    Document doc;
    std::string error;
    EXPECT_TRUE(doc.parse(std::string(32, '[') + std::string(32, ']'), error)) << error;
    EXPECT_TRUE(doc.parse("[-9223372036854775808, \"\xF4\x8F\xBF\xBF\", 1e-400, -0]", error)) << error;
    EXPECT_EQ(doc.root().begin() != doc.root().end() ? (*doc.root().begin()).int64() : 0, INT64_MIN);
}

}  // namespace
