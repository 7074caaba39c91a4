// A strict JSON reader for scenario files. The text is parsed by nlohmann-json's event parser
// (RFC 8259 syntax, UTF-8, numbers that fit), and its events build a small tree read through
// light views of its values. It refuses what a hand-edited file gets wrong and a general reader
// lets through: the same entry twice in one object, and nesting deeper than any scenario needs.
// It throws nothing; a problem is reported as text with its line and column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::sim::json {

// The value of a hex digit, or -1 for any other character (\u escapes here, and the hex byte
// texts of scenario files).
int hex_digit(char c);

// "line L, column C" of the byte at `offset` of `text` (lines and columns counted from 1).
std::string line_and_column(std::string_view text, std::size_t offset);

enum class Kind : std::uint8_t { null, boolean, integer, number, string, array, object };

class Document;

// One value in a parsed document; members and elements are linked through `first`, `next`.
struct Node {
    Kind kind = Kind::null;
    bool negative = false;    // integer below zero
    std::uint32_t next = 0;   // next member or element; 0: none
    std::uint32_t first = 0;  // first member or element; 0: none
    std::uint32_t count = 0;  // members or elements
    std::uint32_t key_at = 0, key_len = 0;  // the member's key, in the document's decoded text
    std::uint32_t str_at = 0, str_len = 0;  // a string's decoded text, likewise
    std::uint32_t src_at = 0, src_len = 0;  // the value's text
    std::uint64_t magnitude = 0;            // integer's absolute value; 1 for true
};

// One value of a parsed document. Valid while its document (and the text it was parsed from)
// is alive and not parsed again.
class Value {
public:
    Kind kind() const;
    bool is_object() const { return kind() == Kind::object; }
    bool is_array() const { return kind() == Kind::array; }
    bool is_string() const { return kind() == Kind::string; }
    bool is_boolean() const { return kind() == Kind::boolean; }
    // A number written without fraction or exponent that fits 64 bits (signed if negative).
    bool is_integer() const { return kind() == Kind::integer; }
    bool is_negative() const;

    std::string_view string() const;  // decoded text of a string, else empty
    bool boolean() const;             // false unless a boolean true
    // The integer's value as signed or as unsigned; 0 for other values.
    std::int64_t int64() const;
    std::uint64_t uint64() const;
    // The value as it is written in the text (a number's digits, a string with its quotes).
    std::string_view text() const;
    // Where the value starts in the text: "line L, column C" (empty for a missing member).
    std::string place() const;

    // Members of an object or elements of an array.
    std::size_t size() const;
    // The member named `key`, or a null value when there is none (or this is no object).
    Value operator[](std::string_view key) const;
    bool contains(std::string_view key) const;

    // Iteration over members (object) or elements (array): key() is empty for elements.
    class Iterator {
    public:
        Value operator*() const { return Value(doc_, at_); }
        Iterator& operator++();
        bool operator!=(const Iterator& o) const { return at_ != o.at_; }

    private:
        friend class Value;
        Iterator(const Document* doc, std::uint32_t at) : doc_(doc), at_(at) {}
        const Document* doc_;
        std::uint32_t at_;
    };
    Iterator begin() const;
    Iterator end() const;
    // The key under which this value is a member of its object (empty for others).
    std::string_view key() const;

private:
    friend class Document;
    Value(const Document* doc, std::uint32_t at) : doc_(doc), at_(at) {}
    const Node* node() const;
    const Document* doc_;
    std::uint32_t at_;  // node index; kNone for the missing member
};

class Document {
public:
    // Nesting of arrays and objects allowed; a scenario needs four.
    static constexpr std::size_t kMaxDepth = 32;

    // Parses `text` (kept by reference, so it must outlive the document's values). On failure
    // returns false and sets `error` to "line L, column C: what".
    bool parse(std::string_view text, std::string& error);
    Value root() const { return Value(this, 0); }

private:
    friend class Value;
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    class Builder;  // the parser's event handler
    std::string_view decoded(std::uint32_t at, std::uint32_t n) const { return std::string_view(decoded_).substr(at, n); }
    std::string_view text_;
    std::vector<Node> nodes_;
    std::string decoded_;  // the decoded text of every string and key
};

}  // namespace kestrel::sim::json
