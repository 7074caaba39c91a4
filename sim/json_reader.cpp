#include "sim/json_reader.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>

namespace kestrel::sim::json {

namespace {

using Json = nlohmann::json;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where a problem in a string or number is named, from the byte the parser stopped at.
enum class Place : std::uint8_t {
    stop,           // that byte (the end of the text, when it ran out there)
    after_digits,   // past it: it was the last of a \u escape's four digits
    second_escape,  // where the \u escape of a surrogate pair's second half begins, or past its digits
    sequence,       // the first byte of the UTF-8 sequence it is in
};

// A string or number the parser could not read: its words for the problem, and ours.
struct TokenProblem {
    std::string_view parser;
    const char* ours;
    Place place;
};
constexpr TokenProblem kTokenProblems[] = {
    {"invalid string: missing closing quote", "the text ends inside a string", Place::stop},
    {"invalid string: control character", "a control character inside a string (write it as an escape)", Place::stop},
    {"invalid string: forbidden character after backslash",
     "unknown escape (\\\", \\\\, \\/, \\b, \\f, \\n, \\r, \\t or \\u)", Place::stop},
    {"invalid string: '\\u' must be followed by 4 hex digits", "a \\u escape needs four hex digits", Place::stop},
    {"invalid string: surrogate U+DC00..U+DFFF must follow U+D800..U+DBFF",
     "a \\u escape of a second surrogate without a first", Place::after_digits},
    {"invalid string: surrogate U+D800..U+DBFF must be followed by U+DC00..U+DFFF",
     "a \\u escape of a first surrogate without a second", Place::second_escape},
    {"invalid string: ill-formed UTF-8 byte", "the text is not UTF-8", Place::sequence},
    {"invalid number; expected digit after '-'", "a number needs digits", Place::stop},
    {"invalid number; expected digit after '.'", "a fraction needs digits", Place::stop},
    {"invalid number; expected '+', '-', or digit after exponent", "an exponent needs digits", Place::stop},
    {"invalid number; expected digit after exponent sign", "an exponent needs digits", Place::stop},
};

// The parser's description of a problem: its message reads "[json.exception.parse_error.101]
// parse error at line L, column C: syntax error while parsing value - WHAT; last read: '...'".
std::string_view parser_words(const Json::exception& e) {
    std::string_view what = e.what();
    const std::size_t dash = what.find(" - ");
    if (dash == std::string_view::npos) return what;
    what.remove_prefix(dash + 3);
    return what.substr(0, what.find("; last read: "));
}

std::string unexpected(char c) { return std::string("unexpected character '") + c + "'"; }

}  // namespace

std::string line_and_column(std::string_view text, std::size_t offset) {
    // Lines counted by memchr: a damaged file may fail deep into a long text.
    const std::size_t end = std::min(offset, text.size());
    std::size_t line = 1, line_start = 0;
    for (const char* nl = text.data();
         (nl = static_cast<const char*>(std::memchr(nl, '\n', end - static_cast<std::size_t>(nl - text.data()))));) {
        ++line;
        line_start = static_cast<std::size_t>(++nl - text.data());
    }
    const std::size_t column = end - line_start + 1;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Builds a document's nodes from the parser's events (nlohmann-json's SAX interface). The events
// carry values, not places: a value's text starts where the one before it ended, past white
// space and the ',' or ':' between them, which the parser has already checked. A problem the
// parser reports is named the way a reader of the file thinks of it: from what was expected
// after the last event (an entry name, a ':', a value, a ',' or the end) and the text there.
class Document::Builder {
public:
    Builder(Document& doc, std::string_view text) : doc_(doc), text_(text) {}

    bool run(std::string& error) {
        doc_.text_ = text_;
        doc_.nodes_.clear();
        doc_.decoded_.clear();
        // A scenario spends about a dozen characters on each value: one allocation holds the
        // nodes of a typical document.
        doc_.nodes_.reserve(std::min<std::size_t>(text_.size() / 12 + 8, 4096));
        bool ok = false;
        if (text_.size() >= kNone) {
            ok = fail(0, "the text is too long");
        } else if (!text_.empty() && text_[0] == '\xEF') {
            ok = fail(0, unexpected(text_[0]));  // the parser would pass over a byte order mark
        } else {
            ok = Json::sax_parse(text_.data(), text_.data() + text_.size(), this, Json::input_format_t::json, true);
            // The parser takes a NUL byte for the end of the text.
            const std::size_t rest = skip_space(end_);
            if (ok && rest != text_.size()) ok = fail(rest, "text after the end of the document");
            if (!ok && problem_.empty()) fail(end_, "the parser stopped here");
        }
        if (!ok) {
            error = line_and_column(text_, failed_at_) + ": " + problem_;
            doc_.nodes_.clear();
        }
        return ok;
    }

    // The parser's events.
    bool null() {
        add(Kind::null, token_start(), 4);
        return true;
    }
    bool boolean(bool value) {
        add(Kind::boolean, token_start(), value ? 4 : 5).magnitude = value;
        return true;
    }
    bool number_integer(Json::number_integer_t value) {
        const std::size_t at = token_start();
        if (leading_zero(at)) return false;
        Node& n = add(Kind::integer, at, integer_length(at));
        n.negative = value < 0;
        n.magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        return true;
    }
    bool number_unsigned(Json::number_unsigned_t value) {
        const std::size_t at = token_start();
        if (leading_zero(at)) return false;
        add(Kind::integer, at, integer_length(at)).magnitude = value;
        return true;
    }
    // A number with a fraction or exponent, or a whole number past 64 bits; `written` is its text.
    bool number_float(Json::number_float_t, const Json::string_t& written) {
        const std::size_t at = token_start();
        if (leading_zero(at)) return false;
        add(Kind::number, at, written.size());
        return true;
    }
    bool string(Json::string_t& value) {
        const std::size_t at = token_start();
        Node& n = add(Kind::string, at, string_end(at) - at);
        n.str_at = keep(value);
        n.str_len = static_cast<std::uint32_t>(value.size());
        return true;
    }
    bool binary(Json::binary_t&) { return false; }  // only in binary formats
    bool start_object(std::size_t) { return open(Kind::object); }
    bool start_array(std::size_t) { return open(Kind::array); }
    bool key(Json::string_t& name) {
        const std::size_t at = token_start();
        for (std::uint32_t m = doc_.nodes_[open_.back().node].first; m; m = doc_.nodes_[m].next) {
            if (doc_.decoded(doc_.nodes_[m].key_at, doc_.nodes_[m].key_len) == name)
                return fail(at, "the entry '" + name + "' appears twice");
        }
        key_at_ = keep(name);
        key_len_ = static_cast<std::uint32_t>(name.size());
        end_ = string_end(at);
        after_ = After::key;
        return true;
    }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    // `read` counts the bytes the parser took, the one it stopped at included.
    bool parse_error(std::size_t read, const std::string&, const Json::exception& e) {
        const std::size_t stop = std::min(read ? read - 1 : 0, text_.size());
        std::size_t at = skip_space(end_);
        switch (after_) {
        case After::nothing:
            return value_problem(at, stop, e);
        case After::open:
            return doc_.nodes_[open_.back().node].kind == Kind::object ? key_problem(at, stop, e)
                                                                      : value_problem(at, stop, e);
        case After::key:
            if (at == text_.size() || text_[at] != ':') return fail(at, "expected ':' after the entry name");
            return value_problem(skip_space(at + 1), stop, e);
        case After::value:
            break;
        }
        if (open_.empty()) return fail(at, "text after the end of the document");
        const bool object = doc_.nodes_[open_.back().node].kind == Kind::object;
        if (at == text_.size() || text_[at] != ',')
            return fail(at, std::string("expected ',' or '") + (object ? '}' : ']') + "'");
        at = skip_space(at + 1);
        return object ? key_problem(at, stop, e) : value_problem(at, stop, e);
    }

private:
    enum class After : std::uint8_t { nothing, open, key, value };  // the last event
    struct Open {
        std::uint32_t node;
        std::uint32_t last;  // its last member or element so far; 0: none
    };

    bool fail(std::size_t at, std::string what) {
        problem_ = std::move(what);
        failed_at_ = at;
        return false;
    }

    std::size_t skip_space(std::size_t at) const {
        while (at < text_.size() && is_space(text_[at])) ++at;
        return at;
    }
    // Where the token of the event at hand starts.
    std::size_t token_start() const {
        std::size_t at = end_;
        while (at < text_.size() && (is_space(text_[at]) || text_[at] == ',' || text_[at] == ':')) ++at;
        return at;
    }
    // Past the closing quote of the string whose opening quote is at `at`: the first quote after
    // an even number of backslashes (found by memchr: scenario texts are mostly strings).
    std::size_t string_end(std::size_t at) const {
        const char* const first = text_.data() + at + 1;
        const char* const end = text_.data() + text_.size();
        for (const char* q = first; (q = static_cast<const char*>(std::memchr(q, '"', static_cast<std::size_t>(end - q))));
             ++q) {
            std::size_t backslashes = 0;
            while (q - backslashes > first && q[-1 - static_cast<std::ptrdiff_t>(backslashes)] == '\\') ++backslashes;
            if (backslashes % 2 == 0) return static_cast<std::size_t>(q + 1 - text_.data());
        }
        return text_.size();
    }
    // The length of the whole number written at `at`: an optional '-' and digits.
    std::size_t integer_length(std::size_t at) const {
        std::size_t i = at + (text_[at] == '-');
        while (i < text_.size() && is_digit(text_[i])) ++i;
        return i - at;
    }
    // The parser reads "01" as 0 followed by another number.
    bool leading_zero(std::size_t at) {
        const std::size_t zero = at + (text_[at] == '-');
        if (zero + 1 < text_.size() && text_[zero] == '0' && is_digit(text_[zero + 1]))
            return !fail(zero + 1, "a number cannot start with 0");
        return false;
    }

    std::uint32_t keep(const std::string& text) {
        const auto at = static_cast<std::uint32_t>(doc_.decoded_.size());
        doc_.decoded_ += text;
        return at;
    }

    // A new value at `at`, of `length` bytes (an object's or array's is known at its end).
    Node& add(Kind kind, std::size_t at, std::size_t length) {
        auto& nodes = doc_.nodes_;
        const auto index = static_cast<std::uint32_t>(nodes.size());
        nodes.emplace_back();
        Node& n = nodes.back();
        n.kind = kind;
        n.src_at = static_cast<std::uint32_t>(at);
        n.src_len = static_cast<std::uint32_t>(length);
        if (!open_.empty()) {
            Open& parent = open_.back();
            (parent.last ? nodes[parent.last].next : nodes[parent.node].first) = index;
            parent.last = index;
            ++nodes[parent.node].count;
        }
        if (after_ == After::key) {
            n.key_at = key_at_;
            n.key_len = key_len_;
        }
        end_ = at + length;
        after_ = After::value;
        return n;
    }

    bool open(Kind kind) {
        const std::size_t at = token_start();
        if (open_.size() >= kMaxDepth) return fail(at, "nested more than " + std::to_string(kMaxDepth) + " deep");
        const auto index = static_cast<std::uint32_t>(doc_.nodes_.size());
        add(kind, at, 1);
        open_.push_back({index, 0});
        after_ = After::open;
        return true;
    }

    bool close() {
        const std::size_t at = token_start();  // the closing bracket
        Node& n = doc_.nodes_[open_.back().node];
        n.src_len = static_cast<std::uint32_t>(at + 1 - n.src_at);
        end_ = at + 1;
        open_.pop_back();
        after_ = After::value;
        return true;
    }

    // What is wrong where a value should start, at `at`.
    bool value_problem(std::size_t at, std::size_t stop, const Json::exception& e) {
        if (at == text_.size()) return fail(at, "the text ends where a value should be");
        const char c = text_[at];
        if (c == '"') return token_problem(stop, e);
        if (c == 't' || c == 'f' || c == 'n') return fail(at, "unknown word (true, false or null?)");
        if (c == '-' || is_digit(c)) {
            if (e.id == 406) return fail(at, "the number is too large");  // the parser's out_of_range.406
            return token_problem(stop, e);
        }
        return fail(at, unexpected(c));
    }

    // What is wrong where an entry name should start, at `at`.
    bool key_problem(std::size_t at, std::size_t stop, const Json::exception& e) {
        if (at == text_.size() || text_[at] != '"') return fail(at, "expected an entry name in quotes");
        return token_problem(stop, e);
    }

    // A string or number the parser stopped in, at `stop`.
    bool token_problem(std::size_t stop, const Json::exception& e) {
        const std::string_view said = parser_words(e);
        for (const TokenProblem& p : kTokenProblems)
            if (said.substr(0, p.parser.size()) == p.parser) return fail(place(p.place, stop), p.ours);
        return fail(stop, std::string(said));  // words of a parser version this table does not know
    }

    std::size_t place(Place place, std::size_t stop) const {
        switch (place) {
        case Place::stop:
            break;
        case Place::after_digits:
            return stop + 1;
        case Place::second_escape:
            // Stopped on what follows the first half, on what follows a backslash there, or on
            // the last digit of a \u escape that is no second half.
            if (stop > 0 && text_[stop - 1] == '\\') return stop - 1;
            if (stop >= 5 && text_[stop - 5] == '\\' && text_[stop - 4] == 'u') return stop + 1;
            break;
        case Place::sequence:
            // Back over continuation bytes to a lead byte whose sequence reaches the stop.
            for (std::size_t back = 1; back <= 3 && back <= stop; ++back) {
                const auto b = static_cast<unsigned char>(text_[stop - back]);
                if (b >= 0x80 && b <= 0xBF) continue;
                const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
                return length > back ? stop - back : stop;
            }
            break;
        }
        return stop;
    }

    Document& doc_;
    std::string_view text_;
    std::vector<Open> open_;
    After after_ = After::nothing;
    std::size_t end_ = 0;  // where the last event's token ended
    std::uint32_t key_at_ = 0, key_len_ = 0;  // the key of the member whose value comes next
    std::size_t failed_at_ = 0;
    std::string problem_;
};

bool Document::parse(std::string_view text, std::string& error) { return Builder(*this, text).run(error); }

const Node* Value::node() const {
    return doc_ && at_ < doc_->nodes_.size() ? &doc_->nodes_[at_] : nullptr;
}

Kind Value::kind() const { return node() ? node()->kind : Kind::null; }

bool Value::is_negative() const { return node() && node()->negative; }

std::string_view Value::string() const {
    const auto* n = node();
    return n && n->kind == Kind::string ? doc_->decoded(n->str_at, n->str_len) : std::string_view();
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

std::string Value::place() const {
    const auto* n = node();
    return n ? line_and_column(doc_->text_, n->src_at) : std::string();
}

std::size_t Value::size() const { return node() ? node()->count : 0; }

std::string_view Value::key() const {
    const auto* n = node();
    return n ? doc_->decoded(n->key_at, n->key_len) : std::string_view();
}

Value Value::operator[](std::string_view key) const {
    const Node* n = node();
    if (n && n->kind == Kind::object) {
        const auto& nodes = doc_->nodes_;
        for (std::uint32_t m = n->first; m; m = nodes[m].next)
            if (nodes[m].key_len == key.size() && doc_->decoded(nodes[m].key_at, nodes[m].key_len) == key)
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
