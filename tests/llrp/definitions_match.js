// Sets kestrel-llrp's LLRP definition tables (as definitions_dump prints them) against the
// LLRP 1.0.1 definitions shipped with llrpjs, an implementation written by others: every type
// llrpjs defines must have the same number, the same fields with the same encodings, and the
// same sub-parameters with the same counts, in the same order.
//
//   node definitions_match.js DUMP_FILE      (NODE_PATH: the node_modules holding llrpjs)
"use strict";
const fs = require("fs");
const path = require("path");
const { LLRPDef } = require(path.join(require.resolve("llrpjs"), "..", "def.js"));

const ours = {};
for (const line of fs.readFileSync(process.argv[2], "utf8").split("\n").filter(Boolean)) {
    const [head, fields, subs] = line.split("|").map(s => s.trim());
    const [kind, number, name] = head.split(" ");
    ours[kind + " " + name] = { number: Number(number), fields, subs };
}

const problems = [];
let compared = 0;
for (const td of Object.values(LLRPDef)) {
    if (!td || td.typeNum === undefined || td.typeNum < 0) continue;
    if (td.namespaceDescriptor && td.namespaceDescriptor.prefix !== "llrp") continue;
    const key = (td.isMessage ? "M " : "P ") + td.name;
    const mine = ours[key];
    if (!mine) {
        problems.push(`${key}: missing from the tables`);
        continue;
    }
    ++compared;
    if (mine.number !== td.typeNum) problems.push(`${key}: number ${mine.number}, llrpjs ${td.typeNum}`);
    const fields = td.fieldDescriptors
        .map(f => `${f.name}:${f.type}${f.type === "reserved" ? `(${f.bitCount})` : ""}`)
        .join(" ");
    if (mine.fields !== fields) problems.push(`${key} fields:\n   ours   ${mine.fields}\n   llrpjs ${fields}`);
    const subs = td.subTypeRefs
        .map(r => {
            const repeat = r.repeat.includes("-") ? r.repeat : `${r.repeat}-${r.repeat}`;
            return `${typeof r.td === "string" ? r.td : r.td.name}[${repeat}]`;
        })
        .join(" ");
    if (mine.subs !== subs)
        problems.push(`${key} sub-parameters:\n   ours   ${mine.subs}\n   llrpjs ${subs}`);
}
for (const p of problems) console.log("MISMATCH " + p);
console.log(`${compared} types compared with llrpjs, ${problems.length} mismatches`);
process.exit(problems.length ? 1 : 0);
