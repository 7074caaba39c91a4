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

// The whole message for each problem, its line and column included: the reader names a problem
// where the file goes wrong, whatever token the parser was in when it stopped.
TEST(JsonReader, NamesEachProblemExactlyWhereItIs) {
    struct Case {
        std::string text;
        const char* error;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        // What was expected after the last value, name or bracket.
        {"[1, 2", "line 1, column 6: expected ',' or ']'"},
        {"[1}", "line 1, column 3: expected ',' or ']'"},
        {"[1-2]", "line 1, column 3: expected ',' or ']'"},
        {"{\"a\": 1 \"b\": 2}", "line 1, column 9: expected ',' or '}'"},
        {"{\"a\" 1}", "line 1, column 6: expected ':' after the entry name"},
        {"{\"a\" \"unterminated", "line 1, column 6: expected ':' after the entry name"},
        {"{\"a\"", "line 1, column 5: expected ':' after the entry name"},
        {"{a: 1}", "line 1, column 2: expected an entry name in quotes"},
        {"{1: 2}", "line 1, column 2: expected an entry name in quotes"},
        {"{\"a\": 1, }", "line 1, column 10: expected an entry name in quotes"},
        {"{", "line 1, column 2: expected an entry name in quotes"},
        {"{\"a\": }", "line 1, column 7: unexpected character '}'"},
        {"[,1]", "line 1, column 2: unexpected character ','"},
        {"+1", "line 1, column 1: unexpected character '+'"},
        {"\xEF\xBB\xBF{}", "line 1, column 1: unexpected character '\xEF'"},  // no byte order mark
        {"[1, ", "line 1, column 5: the text ends where a value should be"},
        {"{\"a\":", "line 1, column 6: the text ends where a value should be"},
        {"[nul]", "line 1, column 2: unknown word (true, false or null?)"},
        {"[truex]", "line 1, column 6: expected ',' or ']'"},
        {"1.5.3", "line 1, column 4: text after the end of the document"},
        {"[1]\0x"s, "line 1, column 4: text after the end of the document"},
        {"{} \0"s, "line 1, column 4: text after the end of the document"},
        // Numbers.
        {"[01]", "line 1, column 3: a number cannot start with 0"},
        {"-01", "line 1, column 3: a number cannot start with 0"},
        {"[00.5]", "line 1, column 3: a number cannot start with 0"},
        {"-a", "line 1, column 2: a number needs digits"},
        {"[1.x]", "line 1, column 4: a fraction needs digits"},
        {"1e", "line 1, column 3: an exponent needs digits"},
        {"1E-]", "line 1, column 4: an exponent needs digits"},
        {"[1, 1e400]", "line 1, column 5: the number is too large"},
        {"{\"a\":\n -1.5E309}", "line 2, column 2: the number is too large"},
        // Strings, values and entry names alike.
        {"[\"abc", "line 1, column 6: the text ends inside a string"},
        {"{\"a\nb\": 1}", "line 1, column 4: a control character inside a string (write it as an escape)"},
        {"[\"a\0\"]"s, "line 1, column 4: a control character inside a string (write it as an escape)"},
        {"\"\\", "line 1, column 3: unknown escape (\\\", \\\\, \\/, \\b, \\f, \\n, \\r, \\t or \\u)"},
        {"{\"\\a\": 1}", "line 1, column 4: unknown escape (\\\", \\\\, \\/, \\b, \\f, \\n, \\r, \\t or \\u)"},
        {"\"\\u12", "line 1, column 6: a \\u escape needs four hex digits"},
        {"\"\\ud800\\u12G4\"", "line 1, column 12: a \\u escape needs four hex digits"},
        {"\"\\udc00\"", "line 1, column 8: a \\u escape of a second surrogate without a first"},
        {"\"\\ud800x\"", "line 1, column 8: a \\u escape of a first surrogate without a second"},
        {"\"\\ud800\"", "line 1, column 8: a \\u escape of a first surrogate without a second"},
        {"\"\\ud800", "line 1, column 8: a \\u escape of a first surrogate without a second"},
        {"\"\\ud800\\n\"", "line 1, column 8: a \\u escape of a first surrogate without a second"},
        {"\"\\ud800\\", "line 1, column 8: a \\u escape of a first surrogate without a second"},
        {"\"\\ud800\\u0041\"", "line 1, column 14: a \\u escape of a first surrogate without a second"},
        {"\"\xC3\"", "line 1, column 2: the text is not UTF-8"},
        {"\"\xC3", "line 1, column 2: the text is not UTF-8"},
        {"\"\xC3\xA9\x80\"", "line 1, column 4: the text is not UTF-8"},       // a stray continuation byte
        {"\"ab\xE2\x82\x28\"", "line 1, column 4: the text is not UTF-8"},     // cut short
        {"\"\xF0\x9F\x98\"", "line 1, column 2: the text is not UTF-8"},       // cut short before its last byte
        {"\"\xF0\x9F\x98\x80\xFF\"", "line 1, column 6: the text is not UTF-8"},
        {"{\"\xC0\xAF\": 1}", "line 1, column 3: the text is not UTF-8"},
        // Refused by the reader itself.
        {"{\"a\": 1,\n  \"a\": 2}", "line 2, column 3: the entry 'a' appears twice"},
        {"{\"a\": {\"b\": 1, \"b\": 2}}", "line 1, column 16: the entry 'b' appears twice"},
        {"{\"a\\u0062\": 1, \"ab\": 2}", "line 1, column 16: the entry 'ab' appears twice"},
        {"{\"a\": " + std::string(32, '[') + std::string(32, ']') + "}", "line 1, column 38: nested more than 32 deep"},
        {"[{\"a\": [{\"b\": " + std::string(29, '[') + "{}", "line 1, column 43: nested more than 32 deep"},
    };
    for (const Case& c : cases) {
        Document doc;
        std::string error;
        EXPECT_FALSE(doc.parse(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(doc.root().kind(), Kind::null) << c.text;
    }
}

// Each value's text is the file's own, wherever white space and separators put it.
TEST(JsonReader, KeepsEachValuesTextAndKey) {
    const std::string text = "{ \"a\" :\t[ 1 ,-0,\n2.50e3 , true,false , null ,\"\\u0041\" ] , \"\\u00e9\\n\":{\"c\" : [ ]} ,\"z\":18446744073709551616}";
    Document doc;
    std::string error;
    ASSERT_TRUE(doc.parse(text, error)) << error;
    const Value root = doc.root();
    EXPECT_EQ(root.text(), text);
    EXPECT_EQ(root["a"].text(), "[ 1 ,-0,\n2.50e3 , true,false , null ,\"\\u0041\" ]");
    std::string elements;
    for (Value v : root["a"]) elements += std::string(v.text()) + "|";
    EXPECT_EQ(elements, "1|-0|2.50e3|true|false|null|\"\\u0041\"|");
    EXPECT_EQ((*root["a"].begin()).int64(), 1);
    const Value named = root["\xC3\xA9\n"];
    EXPECT_TRUE(named.is_object());
    EXPECT_EQ(named.text(), "{\"c\" : [ ]}");
    EXPECT_EQ(named["c"].text(), "[ ]");
    EXPECT_EQ(named["c"].size(), 0u);
    EXPECT_EQ(root["z"].text(), "18446744073709551616");
    std::string keys;
    for (Value v : root) keys += std::string(v.key()) + ";";
    EXPECT_EQ(keys, "a;\xC3\xA9\n;z;");
    // The same name in different objects is no repeat; parsing again starts afresh.
    EXPECT_TRUE(doc.parse("{\"a\": {\"a\": 1}, \"b\": {\"a\": 2}}", error)) << error;
    EXPECT_EQ(doc.root()["b"]["a"].int64(), 2);
    EXPECT_EQ(doc.root().size(), 2u);
}

}  // namespace
