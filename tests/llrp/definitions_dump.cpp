// Prints the LLRP definition tables, one type a line, for definitions_match.js to set against
// the definitions of llrpjs (an LLRP implementation written by others):
//   M|P NUMBER NAME | FIELD:KIND[(BITS)] ... | SUB[MIN-MAX] ...
#include <cstdio>
#include <string>

#include "llrp/codec.h"

using namespace kestrel::llrp;

namespace {

const char* kind_name(FieldKind k) {
    switch (k) {
    case FieldKind::u1: return "u1";
    case FieldKind::u2: return "u2";
    case FieldKind::reserved: return "reserved";
    case FieldKind::u8: return "u8";
    case FieldKind::s8: return "s8";
    case FieldKind::u16: return "u16";
    case FieldKind::s16: return "s16";
    case FieldKind::u32: return "u32";
    case FieldKind::u64: return "u64";
    case FieldKind::u96: return "u96";
    case FieldKind::u1v: return "u1v";
    case FieldKind::u8v: return "u8v";
    case FieldKind::u16v: return "u16v";
    case FieldKind::u32v: return "u32v";
    case FieldKind::utf8v: return "utf8v";
    case FieldKind::bytes_to_end: return "bytesToEnd";
    }
    return "?";
}

void dump(const TypeDef& t) {
    std::printf("%s %u %s |", t.message ? "M" : "P", static_cast<unsigned>(t.number), t.name);
    for (const FieldDef& f : t.fields) {
        std::printf(" %s:%s", f.name, kind_name(f.kind));
        if (f.kind == FieldKind::reserved) std::printf("(%u)", static_cast<unsigned>(f.bits));
    }
    std::printf(" |");
    for (const SubRef& s : t.subs) {
        const char* name = s.type >= kChoiceBase ? choice_name(s.type) : find_parameter(s.type)->name;
        const std::string max = s.max == kUnbounded ? "N" : std::to_string(s.max);
        std::printf(" %s[%u-%s]", name, static_cast<unsigned>(s.min), max.c_str());
    }
    std::printf("\n");
}

}  // namespace

int main() {
    for (const TypeDef& t : all_messages()) dump(t);
    for (const TypeDef& t : all_parameters()) dump(t);
    return 0;
}
