#include "sim/json_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kestrel::sim::json {

namespace {

// Character classes, so that the scanning loops take one table look-up per character.
constexpr std::uint8_t kSpace = 1;  // white space between tokens
constexpr std::uint8_t kDigit = 2;
constexpr std::uint8_t kPlain = 4;  // stands for itself in a string: ASCII, no quote, no backslash
constexpr std::array<std::uint8_t, 256> kClass = [] {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0x20; c < 0x80; ++c) t[c] = kPlain;
    t['"'] = t['\\'] = 0;
    for (int c = '0'; c <= '9'; ++c) t[c] |= kDigit;
    for (char c : {' ', '\t', '\n', '\r'}) t[static_cast<unsigned char>(c)] |= kSpace;
    return t;
}();

bool is(char c, std::uint8_t cls) { return (kClass[static_cast<unsigned char>(c)] & cls) != 0; }
bool is_digit(char c) { return is(c, kDigit); }

// Length of the well-formed UTF-8 sequence at the start of `s` (its first byte at 0x80 or
// above), or 0: no overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t utf8_length(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < n || b(1) < low || b(1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (b(i) < 0x80 || b(i) > 0xBF) return 0;
    return n;
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Document::Parser {
public:
    Parser(Document& doc, std::string_view text) : doc_(doc), text_(text) {}

    bool run(std::string& error) {
        doc_.text_ = text_;
        doc_.nodes_.clear();
        doc_.decoded_.clear();
        // A scenario spends about a dozen characters on each value: one allocation holds the
        // nodes of a typical document.
        doc_.nodes_.reserve(std::min<std::size_t>(text_.size() / 12 + 8, 4096));
        bool ok = text_.size() < kNone ? true : fail("the text is too long");
        if (ok) {
            skip_space();
            ok = value(0);
        }
        if (ok) {
            skip_space();
            if (pos_ != text_.size()) ok = fail("text after the end of the document");
        }
        if (!ok) {
            // Lines counted by memchr: a damaged file may fail deep into a long text.
            const std::size_t end = std::min(failed_at_, text_.size());
            std::size_t line = 1, line_start = 0;
            for (const char* nl = text_.data(); (nl = static_cast<const char*>(std::memchr(
                                                     nl, '\n', end - static_cast<std::size_t>(nl - text_.data()))));) {
                ++line;
                line_start = static_cast<std::size_t>(++nl - text_.data());
            }
            const std::size_t column = end - line_start + 1;
            error = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + problem_;
            doc_.nodes_.clear();
        }
        return ok;
    }

private:
    bool fail(std::string what) {
        problem_ = std::move(what);
        failed_at_ = pos_;
        return false;
    }
    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }
    void skip_space() {
        while (pos_ < text_.size() && is(text_[pos_], kSpace)) ++pos_;
    }
    Node& node(std::uint32_t at) { return doc_.nodes_[at]; }

    bool value(std::size_t depth) {
        if (at_end()) return fail("the text ends where a value should be");
        const auto at = static_cast<std::uint32_t>(doc_.nodes_.size());
        doc_.nodes_.emplace_back();
        node(at).src_at = static_cast<std::uint32_t>(pos_);
        bool ok = false;
        switch (text_[pos_]) {
        case '{':
        case '[':
            ok = container(at, depth, text_[pos_] == '{');
            break;
        case '"': {
            std::uint32_t s = 0, n = 0;
            bool escaped = false;
            ok = string(s, n, escaped);
            node(at).kind = Kind::string;
            node(at).str_at = s;
            node(at).str_len = n;
            node(at).escaped = escaped;
            break;
        }
        case 't':
            ok = literal(at, "true", Kind::boolean);
            break;
        case 'f':
            ok = literal(at, "false", Kind::boolean);
            break;
        case 'n':
            ok = literal(at, "null", Kind::null);
            break;
        default:
            if (text_[pos_] == '-' || is_digit(text_[pos_])) {
                ok = number(at);
            } else {
                ok = fail(std::string("unexpected character '") + text_[pos_] + "'");
            }
        }
        node(at).src_len = static_cast<std::uint32_t>(pos_) - node(at).src_at;
        return ok;
    }

    bool literal(std::uint32_t at, std::string_view word, Kind kind) {
        if (text_.substr(pos_, word.size()) != word) return fail("unknown word (true, false or null?)");
        pos_ += word.size();
        node(at).kind = kind;
        node(at).magnitude = word == "true";
        return true;
    }

    bool number(std::uint32_t at) {
        const std::size_t start = pos_;
        const bool negative = peek() == '-';
        if (negative) ++pos_;
        if (!is_digit(peek())) return fail("a number needs digits");
        bool integer = true, overflow = false;
        std::uint64_t magnitude = 0;
        if (peek() == '0') {
            ++pos_;
            if (is_digit(peek())) return fail("a number cannot start with 0");
        }
        for (; is_digit(peek()); ++pos_) {
            const auto d = static_cast<std::uint64_t>(text_[pos_] - '0');
            if (magnitude > (UINT64_MAX - d) / 10) overflow = true;
            magnitude = magnitude * 10 + d;
        }
        if (peek() == '.') {
            ++pos_;
            if (!is_digit(peek())) return fail("a fraction needs digits");
            while (is_digit(peek())) ++pos_;
            integer = false;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-') ++pos_;
            if (!is_digit(peek())) return fail("an exponent needs digits");
            while (is_digit(peek())) ++pos_;
            integer = false;
        }
        if (negative && magnitude > (std::uint64_t{1} << 63)) overflow = true;
        if (integer && !overflow) {
            node(at).kind = Kind::integer;
            node(at).negative = negative && magnitude != 0;
            node(at).magnitude = magnitude;
            return true;
        }
        // Too large for an integer, or written with a fraction or exponent: a number, provided
        // it is finite.
        double value = 0;
        const auto r = std::from_chars(text_.data() + start, text_.data() + pos_, value);
        const bool too_large = r.ec == std::errc::result_out_of_range ? !below_one(start) : !std::isfinite(value);
        if (too_large) {
            pos_ = start;
            return fail("the number is too large");
        }
        node(at).kind = Kind::number;
        return true;
    }

    // Whether the number from `start` to pos_ is below one in size (a negative exponent or a
    // zero before the point), so that a value out of range is one too small to hold, which
    // reads as zero.
    bool below_one(std::size_t start) const {
        const std::string_view n = text_.substr(start, pos_ - start);
        const std::size_t e = n.find_first_of("eE");
        if (e != std::string_view::npos) return e + 1 < n.size() && n[e + 1] == '-';
        return n.substr(n[0] == '-' ? 1 : 0, 2) == "0.";
    }

    // A string at pos_ (on its opening quote). Its decoded text is text_[at, at + n), or
    // decoded_[at, at + n) with `escaped`.
    bool string(std::uint32_t& at, std::uint32_t& n, bool& escaped) {
        ++pos_;
        const std::size_t start = pos_;
        std::size_t out_start = 0;
        std::size_t plain_from = start;  // plain characters not yet copied (once escaped)
        escaped = false;
        for (;;) {
            // Most of a string is plain characters: pass over them in one go.
            while (pos_ < text_.size() && is(text_[pos_], kPlain)) ++pos_;
            if (escaped) doc_.decoded_.append(text_.substr(plain_from, pos_ - plain_from));
            if (at_end()) return fail("the text ends inside a string");
            const char c = text_[pos_];
            const auto u = static_cast<unsigned char>(c);
            if (c == '"') break;
            if (u < 0x20) return fail("a control character inside a string (write it as an escape)");
            if (c == '\\') {
                if (!escaped) {
                    escaped = true;
                    out_start = doc_.decoded_.size();
                    doc_.decoded_.append(text_.substr(start, pos_ - start));
                }
                if (!escape()) return false;
                plain_from = pos_;
                continue;
            }
            const std::size_t len = utf8_length(text_.substr(pos_));
            if (len == 0) return fail("the text is not UTF-8");
            if (escaped) doc_.decoded_.append(text_.substr(pos_, len));
            pos_ += len;
            plain_from = pos_;
        }
        if (escaped) {
            at = static_cast<std::uint32_t>(out_start);
            n = static_cast<std::uint32_t>(doc_.decoded_.size() - out_start);
        } else {
            at = static_cast<std::uint32_t>(start);
            n = static_cast<std::uint32_t>(pos_ - start);
        }
        ++pos_;  // the closing quote
        return true;
    }

    // One escape at pos_ (on its backslash), decoded onto decoded_.
    bool escape() {
        ++pos_;
        const char c = peek();
        const char* simple = "\"\"\\\\//b\bf\fn\nr\rt\t";
        for (const char* p = simple; *p; p += 2) {
            if (c == p[0]) {
                doc_.decoded_ += p[1];
                ++pos_;
                return true;
            }
        }
        if (c != 'u') return fail("unknown escape (\\\", \\\\, \\/, \\b, \\f, \\n, \\r, \\t or \\u)");
        std::uint32_t cp = 0;
        if (!hex4(cp)) return false;
        if (cp >= 0xDC00 && cp <= 0xDFFF) return fail("a \\u escape of a second surrogate without a first");
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            std::uint32_t low = 0;
            if (text_.substr(pos_, 2) != "\\u") return fail("a \\u escape of a first surrogate without a second");
            ++pos_;
            if (!hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return fail("a \\u escape of a first surrogate without a second");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        append_utf8(doc_.decoded_, cp);
        return true;
    }

    // Four hex digits after a 'u' at pos_.
    bool hex4(std::uint32_t& out) {
        ++pos_;
        for (int i = 0; i < 4; ++i, ++pos_) {
            const int v = hex_digit(peek());
            if (v < 0) return fail("a \\u escape needs four hex digits");
            out = out << 4 | static_cast<std::uint32_t>(v);
        }
        return true;
    }

    // An object or array at pos_ (on its opening bracket).
    bool container(std::uint32_t at, std::size_t depth, bool object) {
        if (depth >= kMaxDepth) return fail("nested more than " + std::to_string(kMaxDepth) + " deep");
        node(at).kind = object ? Kind::object : Kind::array;
        const char close = object ? '}' : ']';
        ++pos_;
        skip_space();
        if (peek() == close) {
            ++pos_;
            return true;
        }
        std::uint32_t last = 0;
        for (;;) {
            std::uint32_t key_at = 0, key_len = 0;
            bool key_escaped = false;
            if (object) {
                const std::size_t key_pos = pos_;
                if (peek() != '"') return fail("expected an entry name in quotes");
                if (!string(key_at, key_len, key_escaped)) return false;
                const std::string_view key = doc_.view(key_escaped, key_at, key_len);
                for (std::uint32_t m = node(at).first; m; m = node(m).next) {
                    if (doc_.view(node(m).escaped_key, node(m).key_at, node(m).key_len) == key) {
                        pos_ = key_pos;
                        return fail("the entry '" + std::string(key) + "' appears twice");
                    }
                }
                skip_space();
                if (peek() != ':') return fail("expected ':' after the entry name");
                ++pos_;
                skip_space();
            }
            const auto child = static_cast<std::uint32_t>(doc_.nodes_.size());
            if (!value(depth + 1)) return false;
            node(child).key_at = key_at;
            node(child).key_len = key_len;
            node(child).escaped_key = key_escaped;
            (last ? node(last).next : node(at).first) = child;
            last = child;
            ++node(at).count;
            skip_space();
            if (peek() == close) {
                ++pos_;
                return true;
            }
            if (peek() != ',') return fail(std::string("expected ',' or '") + close + "'");
            ++pos_;
            skip_space();
        }
    }

    Document& doc_;
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t failed_at_ = 0;
    std::string problem_;
};

bool Document::parse(std::string_view text, std::string& error) { return Parser(*this, text).run(error); }

std::string_view Document::view(bool escaped, std::uint32_t at, std::uint32_t n) const {
    return escaped ? std::string_view(decoded_).substr(at, n) : text_.substr(at, n);
}

const Node* Value::node() const {
    return doc_ && at_ < doc_->nodes_.size() ? &doc_->nodes_[at_] : nullptr;
}

Kind Value::kind() const { return node() ? node()->kind : Kind::null; }

bool Value::is_negative() const { return node() && node()->negative; }

std::string_view Value::string() const {
    const auto* n = node();
    return n && n->kind == Kind::string ? doc_->view(n->escaped, n->str_at, n->str_len) : std::string_view();
}

bool Value::boolean() const { return kind() == Kind::boolean && node()->magnitude != 0; }

std::int64_t Value::int64() const {
    if (kind() != Kind::integer) return 0;
    const std::uint64_t m = node()->magnitude;
    return static_cast<std::int64_t>(node()->negative ? 0 - m : m);
}

std::uint64_t Value::uint64() const { return kind() == Kind::integer && !node()->negative ? node()->magnitude : 0; }

std::string_view Value::text() const {
    const auto* n = node();
    return n ? doc_->text_.substr(n->src_at, n->src_len) : std::string_view();
}

std::size_t Value::size() const { return node() ? node()->count : 0; }

std::string_view Value::key() const {
    const auto* n = node();
    return n ? doc_->view(n->escaped_key, n->key_at, n->key_len) : std::string_view();
}

Value Value::operator[](std::string_view key) const {
    const Node* n = node();
    if (n && n->kind == Kind::object) {
        const auto& nodes = doc_->nodes_;
        for (std::uint32_t m = n->first; m; m = nodes[m].next)
            if (nodes[m].key_len == key.size() && doc_->view(nodes[m].escaped_key, nodes[m].key_at, nodes[m].key_len) == key)
                return Value(doc_, m);
    }
    return Value(doc_, Document::kNone);
}

bool Value::contains(std::string_view key) const { return (*this)[key].node() != nullptr; }

Value::Iterator& Value::Iterator::operator++() {
    at_ = doc_->nodes_[at_].next;
    return *this;
}

Value::Iterator Value::begin() const {
    const auto* n = node();
    return Iterator(doc_, n && (n->kind == Kind::object || n->kind == Kind::array) ? n->first : 0);
}

Value::Iterator Value::end() const { return Iterator(doc_, 0); }

}  // namespace kestrel::sim::json
