// The generic LLRP codec: one reader and one writer of fields and parameters, both driven by
// the definition tables. The reader never looks past the span it is given and refuses what
// the tables do not allow (unknown, misplaced, repeated or missing parameters, lengths that
// disagree with the bytes) with the standard's status code for it.
#include "llrp/codec.h"

#include <algorithm>
#include <stdexcept>

namespace kestrel::llrp {
namespace {

bool is_bit_field(FieldKind k) { return k == FieldKind::u1 || k == FieldKind::u2 || k == FieldKind::reserved; }

unsigned bit_width(const FieldDef& f) {
    switch (f.kind) {
    case FieldKind::u1: return 1;
    case FieldKind::u2: return 2;
    default: return f.bits;
    }
}

// Bytes of a fixed-size field (0 for variable-length ones).
std::size_t fixed_size(FieldKind k) {
    switch (k) {
    case FieldKind::u8:
    case FieldKind::s8: return 1;
    case FieldKind::u16:
    case FieldKind::s16: return 2;
    case FieldKind::u32: return 4;
    case FieldKind::u64: return 8;
    case FieldKind::u96: return 12;
    default: return 0;
    }
}

// The length of a TV parameter's value (its fields are all fixed-size).
std::size_t tv_value_size(const TypeDef& def) {
    std::size_t n = 0;
    for (const FieldDef& f : def.fields) n += fixed_size(f.kind);
    return n;
}

class Cursor {
public:
    explicit Cursor(std::span<const std::uint8_t> bytes) : b_(bytes) {}
    std::size_t left() const { return b_.size() - pos_; }
    std::size_t pos() const { return pos_; }
    bool at_end() const { return pos_ >= b_.size(); }
    bool aligned() const { return bit_ == 0; }
    void align() {
        if (bit_) {
            bit_ = 0;
            ++pos_;
        }
    }
    bool bits(unsigned n, std::uint64_t& v) {
        v = 0;
        for (unsigned i = 0; i < n; ++i) {
            if (pos_ >= b_.size()) return false;
            v = (v << 1) | ((b_[pos_] >> (7 - bit_)) & 1u);
            if (++bit_ == 8) {
                bit_ = 0;
                ++pos_;
            }
        }
        return true;
    }
    bool number(std::size_t n, std::uint64_t& v) {
        if (left() < n) return false;
        v = 0;
        for (std::size_t i = 0; i < n; ++i) v = (v << 8) | b_[pos_ + i];
        pos_ += n;
        return true;
    }
    bool bytes(std::size_t n, std::vector<std::uint8_t>& out) {
        if (left() < n) return false;
        out.assign(b_.begin() + static_cast<std::ptrdiff_t>(pos_), b_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return true;
    }
    std::span<const std::uint8_t> take(std::size_t n) {
        auto s = b_.subspan(pos_, n);
        pos_ += n;
        return s;
    }

private:
    std::span<const std::uint8_t> b_;
    std::size_t pos_ = 0;
    unsigned bit_ = 0;
};

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    void bits(unsigned n, std::uint64_t v) {
        for (unsigned i = n; i-- > 0;) {
            if (bit_ == 0) out_.push_back(0);
            if ((v >> i) & 1u) out_.back() |= static_cast<std::uint8_t>(0x80u >> bit_);
            bit_ = (bit_ + 1) % 8;
        }
    }
    void number(std::size_t n, std::uint64_t v) {
        bit_ = 0;
        const std::size_t at = out_.size();
        out_.resize(at + n);
        for (std::size_t i = 0; i < n; ++i) out_[at + i] = static_cast<std::uint8_t>(v >> (8 * (n - 1 - i)));
    }
    void bytes(std::span<const std::uint8_t> b, std::size_t n) {
        bit_ = 0;
        const std::size_t copied = std::min(n, b.size());
        out_.insert(out_.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(copied));
        out_.resize(out_.size() + (n - copied), 0);
    }

private:
    std::vector<std::uint8_t>& out_;
    unsigned bit_ = 0;
};

struct Decoder {
    Refusal refusal;

    // Status codes come in a message-level and a parameter-level form (M_x and P_x = M_x + 100).
    bool refuse(std::uint16_t message_code, bool in_parameter, std::uint16_t type, std::string description,
                std::optional<std::uint16_t> field = std::nullopt) {
        refusal.code = in_parameter ? static_cast<std::uint16_t>(message_code + 100) : message_code;
        refusal.description = std::move(description);
        refusal.detail_code = refusal.code;
        if (in_parameter) refusal.parameter_type = type;
        refusal.field_number = field;
        return false;
    }

    bool fields(const TypeDef& def, Cursor& c, std::vector<Value>& out, bool in_parameter) {
        out.assign(def.fields.size(), Value{});
        for (std::size_t i = 0; i < def.fields.size(); ++i) {
            const FieldDef& f = def.fields[i];
            Value& v = out[i];
            bool ok = true;
            if (is_bit_field(f.kind)) {
                ok = c.bits(bit_width(f), v.number);
                if (f.kind == FieldKind::reserved) v.number = 0;
            } else {
                c.align();
                switch (f.kind) {
                case FieldKind::u8:
                case FieldKind::s8:
                case FieldKind::u16:
                case FieldKind::s16:
                case FieldKind::u32:
                case FieldKind::u64: ok = c.number(fixed_size(f.kind), v.number); break;
                case FieldKind::u96: ok = c.bytes(12, v.bytes); break;
                case FieldKind::u1v: {
                    ok = c.number(2, v.number) && c.bytes((v.number + 7) / 8, v.bytes);
                    break;
                }
                case FieldKind::utf8v: {
                    std::uint64_t n = 0;
                    ok = c.number(2, n) && c.bytes(n, v.bytes);
                    break;
                }
                case FieldKind::u8v:
                case FieldKind::u16v:
                case FieldKind::u32v: {
                    const std::size_t item = f.kind == FieldKind::u8v ? 1 : f.kind == FieldKind::u16v ? 2 : 4;
                    std::uint64_t n = 0;
                    ok = c.number(2, n) && c.left() >= n * item;
                    for (std::uint64_t k = 0; ok && k < n; ++k) {
                        std::uint64_t x = 0;
                        c.number(item, x);
                        v.items.push_back(static_cast<std::uint32_t>(x));
                    }
                    break;
                }
                case FieldKind::bytes_to_end: ok = c.bytes(c.left(), v.bytes); break;
                default: break;
                }
            }
            if (!ok)
                return refuse(status::M_FieldError, in_parameter, def.number,
                              std::string(def.name) + "." + f.name + " runs past the end of its " +
                                  (in_parameter ? "parameter" : "message"),
                              static_cast<std::uint16_t>(i));
        }
        c.align();
        return true;
    }

    // Reads the sub-parameters filling the rest of `c` and checks them against `def`'s list.
    bool subs(const TypeDef& def, Cursor& c, std::vector<Element>& out, bool in_parameter, int depth) {
        std::vector<std::uint16_t> counts(def.subs.size(), 0);
        std::size_t slot = 0;
        while (!c.at_end()) {
            Element e;
            if (!parameter(c, e, def, in_parameter, depth)) return false;
            const std::uint16_t t = e.type();
            std::size_t j = slot;
            while (j < def.subs.size() && !choice_admits(def.subs[j].type, t)) ++j;
            if (j == def.subs.size())
                return refuse(status::M_UnexpectedParameter, in_parameter, def.number,
                              std::string(e.def->name) + " is not expected in " + def.name + " (or not in this order)");
            for (std::size_t k = slot; k < j; ++k)
                if (counts[k] < def.subs[k].min) return missing(def, k, in_parameter);
            slot = j;
            if (counts[j] >= def.subs[j].max)
                return refuse(def.subs[j].max == 1 ? status::M_DuplicateParameter : status::M_OverflowParameter,
                              in_parameter, def.number,
                              std::string(e.def->name) + " occurs more often than " + def.name + " allows");
            ++counts[j];
            out.push_back(std::move(e));
        }
        for (std::size_t k = slot; k < def.subs.size(); ++k)
            if (counts[k] < def.subs[k].min) return missing(def, k, in_parameter);
        return true;
    }

    bool missing(const TypeDef& def, std::size_t k, bool in_parameter) {
        const std::uint16_t t = def.subs[k].type;
        const TypeDef* m = t < kChoiceBase ? find_parameter(t) : nullptr;
        return refuse(status::M_MissingParameter, in_parameter, def.number,
                      std::string(def.name) + " lacks " + (m ? m->name : "a required parameter"));
    }

    // One parameter at the cursor; `parent` is the type holding it (for the refusal's detail).
    bool parameter(Cursor& c, Element& e, const TypeDef& parent, bool parent_in_parameter, int depth) {
        if (depth >= kMaxDepth)
            return refuse(status::M_ParameterError, parent_in_parameter, parent.number, "parameters nest too deep");
        std::uint64_t first = 0;
        if (!c.number(1, first))
            return refuse(status::M_ParameterError, parent_in_parameter, parent.number, "empty parameter");
        if (first & 0x80) {
            const TypeDef* def = find_parameter(static_cast<std::uint16_t>(first & 0x7F));
            if (!def || !def->tv())
                return refuse(status::M_UnknownParameter, parent_in_parameter, parent.number,
                              "unknown TV parameter type " + std::to_string(first & 0x7F));
            const std::size_t n = tv_value_size(*def);
            if (c.left() < n)
                return refuse(status::M_ParameterError, parent_in_parameter, parent.number,
                              std::string(def->name) + " runs past the end of " + parent.name);
            Cursor inner(c.take(n));
            e.def = def;
            return fields(*def, inner, e.fields, true);
        }
        std::uint64_t rest = 0;
        if (!c.number(3, rest))
            return refuse(status::M_ParameterError, parent_in_parameter, parent.number,
                          std::string("truncated parameter header in ") + parent.name);
        const auto type = static_cast<std::uint16_t>(((first & 0x03) << 8) | (rest >> 16));
        const std::size_t length = rest & 0xFFFF;
        if (length < 4 || length - 4 > c.left())
            return refuse(status::M_ParameterError, parent_in_parameter, parent.number,
                          "parameter type " + std::to_string(type) + " states length " + std::to_string(length) +
                              (length < 4 ? ", less than its header" : ", more than " + std::string(parent.name) + " holds"));
        const TypeDef* def = find_parameter(type);
        Cursor inner(c.take(length - 4));
        if (!def || def->tv())
            return refuse(status::M_UnknownParameter, parent_in_parameter, parent.number,
                          "unknown parameter type " + std::to_string(type));
        e.def = def;
        if (!fields(*def, inner, e.fields, true)) return false;
        return subs(*def, inner, e.subs, true, depth + 1);
    }
};

}  // namespace

Value& Element::field(std::string_view name) {
    return const_cast<Value&>(static_cast<const Element&>(*this).field(name));
}

const Value& Element::field(std::string_view name) const {
    for (std::size_t i = 0; def && i < def->fields.size(); ++i)
        if (name == def->fields[i].name) return fields[i];
    throw std::logic_error("no field " + std::string(name) + " in " + (def ? def->name : "?"));
}

Element& Element::set(std::string_view name, std::uint64_t number) {
    field(name).number = number;
    return *this;
}

Element& Element::set_bytes(std::string_view name, std::vector<std::uint8_t> bytes, std::uint64_t bit_count) {
    Value& v = field(name);
    v.number = bit_count ? bit_count : 8 * bytes.size();
    v.bytes = std::move(bytes);
    return *this;
}

Element& Element::set_items(std::string_view name, std::vector<std::uint32_t> items) {
    field(name).items = std::move(items);
    return *this;
}

Element& Element::set_text(std::string_view name, std::string_view text) {
    field(name).bytes.assign(text.begin(), text.end());
    return *this;
}

std::string Element::text(std::string_view name) const {
    const Value& v = field(name);
    return {v.bytes.begin(), v.bytes.end()};
}

const Element* Element::find(std::uint16_t type) const {
    for (const Element& s : subs)
        if (choice_admits(type, s.type())) return &s;
    return nullptr;
}

std::vector<const Element*> Element::all(std::uint16_t type) const {
    std::vector<const Element*> out;
    for (const Element& s : subs)
        if (choice_admits(type, s.type())) out.push_back(&s);
    return out;
}

Element& Element::add(Element sub) {
    subs.push_back(std::move(sub));
    return subs.back();
}

Element make_message(std::uint16_t type, std::uint32_t message_id) {
    Element e;
    e.def = find_message(type);
    if (!e.def) throw std::logic_error("no message type " + std::to_string(type));
    e.fields.resize(e.def->fields.size());
    e.message_id = message_id;
    return e;
}

Element make_parameter(std::uint16_t type) {
    Element e;
    e.def = find_parameter(type);
    if (!e.def) throw std::logic_error("no parameter type " + std::to_string(type));
    e.fields.resize(e.def->fields.size());
    return e;
}

std::optional<Header> read_header(std::span<const std::uint8_t> b) {
    if (b.size() < kHeaderSize) return std::nullopt;
    Header h;
    h.version = static_cast<std::uint8_t>((b[0] >> 2) & 0x07);
    h.type = static_cast<std::uint16_t>(((b[0] & 0x03) << 8) | b[1]);
    h.length = (std::uint32_t{b[2]} << 24) | (std::uint32_t{b[3]} << 16) | (std::uint32_t{b[4]} << 8) | b[5];
    h.message_id = (std::uint32_t{b[6]} << 24) | (std::uint32_t{b[7]} << 16) | (std::uint32_t{b[8]} << 8) | b[9];
    return h;
}

std::optional<Refusal> decode(std::span<const std::uint8_t> bytes, Element& out) {
    Decoder d;
    const auto h = read_header(bytes);
    if (!h || h->length != bytes.size() || h->length < kHeaderSize) {
        d.refusal.code = status::M_ParameterError;
        d.refusal.description = "message length does not match its bytes";
        return d.refusal;
    }
    out = Element{};
    out.message_id = h->message_id;
    out.version = h->version;
    if (h->version != kVersion) {
        d.refusal.code = status::M_UnsupportedVersion;
        d.refusal.description = "protocol version " + std::to_string(h->version) + " is not supported; this reader speaks LLRP 1.0.1 (version 1)";
        return d.refusal;
    }
    const TypeDef* def = find_message(h->type);
    if (!def) {
        d.refusal.code = status::M_UnsupportedMessage;
        d.refusal.description = "message type " + std::to_string(h->type) + " is not an LLRP 1.0.1 message";
        return d.refusal;
    }
    out.def = def;
    Cursor c(bytes.subspan(kHeaderSize));
    if (!d.fields(*def, c, out.fields, false) || !d.subs(*def, c, out.subs, false, 0)) return d.refusal;
    return std::nullopt;
}

namespace {

void encode_fields(const TypeDef& def, const std::vector<Value>& values, std::vector<std::uint8_t>& out) {
    Writer w(out);
    const Value none;
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        const Value& v = i < values.size() ? values[i] : none;
        if (is_bit_field(f.kind)) {
            w.bits(bit_width(f), f.kind == FieldKind::reserved ? 0 : v.number);
            continue;
        }
        switch (f.kind) {
        case FieldKind::u96: w.bytes(v.bytes, 12); break;
        case FieldKind::u1v:
            w.number(2, v.number);
            w.bytes(v.bytes, (v.number + 7) / 8);
            break;
        case FieldKind::utf8v:
            w.number(2, v.bytes.size());
            w.bytes(v.bytes, v.bytes.size());
            break;
        case FieldKind::u8v:
        case FieldKind::u16v:
        case FieldKind::u32v: {
            const std::size_t item = f.kind == FieldKind::u8v ? 1 : f.kind == FieldKind::u16v ? 2 : 4;
            w.number(2, v.items.size());
            for (std::uint32_t x : v.items) w.number(item, x);
            break;
        }
        case FieldKind::bytes_to_end: w.bytes(v.bytes, v.bytes.size()); break;
        default: w.number(fixed_size(f.kind), v.number); break;
        }
    }
}

}  // namespace

void encode_parameter(const Element& e, std::vector<std::uint8_t>& out) {
    const TypeDef& def = *e.def;
    const std::size_t start = out.size();
    if (def.tv()) {
        out.push_back(static_cast<std::uint8_t>(0x80 | def.number));
    } else {
        out.push_back(static_cast<std::uint8_t>(def.number >> 8));
        out.push_back(static_cast<std::uint8_t>(def.number));
        out.push_back(0);
        out.push_back(0);
    }
    encode_fields(def, e.fields, out);
    for (const Element& s : e.subs) encode_parameter(s, out);
    if (!def.tv()) {
        const std::size_t length = out.size() - start;
        out[start + 2] = static_cast<std::uint8_t>(length >> 8);
        out[start + 3] = static_cast<std::uint8_t>(length);
    }
}

void set_message_length(std::vector<std::uint8_t>& out) {
    const std::size_t length = out.size();
    for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<std::uint8_t>(length >> (8 * (3 - i)));
}

std::vector<std::uint8_t> encode(const Element& m) {
    std::vector<std::uint8_t> out;
    out.reserve(64);
    const std::uint16_t type = m.type();
    out.push_back(static_cast<std::uint8_t>((kVersion << 2) | (type >> 8)));
    out.push_back(static_cast<std::uint8_t>(type));
    for (int i = 0; i < 4; ++i) out.push_back(0);
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(m.message_id >> (8 * i)));
    encode_fields(*m.def, m.fields, out);
    for (const Element& s : m.subs) encode_parameter(s, out);
    set_message_length(out);
    return out;
}

Element status_parameter(const Refusal& r) {
    Element s = make_parameter(par::LLRPStatus);
    s.set("StatusCode", r.code).set_text("ErrorDescription", r.description);
    if (r.field_number && !r.parameter_type) {
        s.add(make_parameter(par::FieldError)).set("FieldNum", *r.field_number).set("ErrorCode", r.detail_code);
    }
    if (r.parameter_type) {
        Element& pe = s.add(make_parameter(par::ParameterError));
        pe.set("ParameterType", *r.parameter_type).set("ErrorCode", r.detail_code);
        if (r.field_number)
            pe.add(make_parameter(par::FieldError)).set("FieldNum", *r.field_number).set("ErrorCode", r.detail_code);
    }
    return s;
}

Element success_status() {
    Element s = make_parameter(par::LLRPStatus);
    s.set("StatusCode", status::M_Success);
    return s;
}

}  // namespace kestrel::llrp
