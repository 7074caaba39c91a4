#!/usr/bin/env python3
"""The English catalogue against the console's sources.

lupdate reads the sources into a temporary catalogue (the repository's file is not touched);
every text it finds must have a finished English translation in console/translations/plover_en.ts,
and the repository's catalogue must hold no entry the sources no longer have. A Chinese text the
sources show without a translation marker (qtTrId / QT_TRID_NOOP) is one lupdate cannot see: it
fails too. A translation keeps its text's %1..%9 arguments and the leading list code ("0-", "1--",
"00-") that the screens read back as a number.

Usage: translations_check.py LUPDATE SOURCE_DIR
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

CJK = re.compile(r'[\u3000-\u303f\u3400-\u9fff\uff00-\uffef]')
LITERAL = re.compile(r'"(?:[^"\\\n]|\\.)*"')
MARKER = re.compile(r'(?:qtTrId|QT_TRID_NOOP)\(\s*$')
ARGUMENT = re.compile(r'%[1-9]')
LIST_CODE = re.compile(r'^\s*\d+-+')


def messages(path):
    out = {}
    for m in ET.parse(path).iter('message'):
        t = m.find('translation')
        out[m.get('id')] = t
    return out


def unmarked_texts(console):
    """Chinese string literals outside a translation marker, as 'file:line: text'."""
    found = []
    for root, _, files in os.walk(console):
        for name in sorted(files):
            if not name.endswith(('.cpp', '.h')):
                continue
            path = os.path.join(root, name)
            source = open(path, encoding='utf-8').read()
            # Comments out, line numbers kept.
            code = re.sub(r'//[^\n]*', '', source)
            code = re.sub(r'/\*.*?\*/', lambda m: '\n' * m.group(0).count('\n'), code, flags=re.S)
            previous_end = None
            for lit in LITERAL.finditer(code):
                before = code[:lit.start()]
                # A literal continuing the one before it ("a" "b") belongs to the same call.
                continued = previous_end is not None and code[previous_end:lit.start()].strip() == ''
                marked = bool(MARKER.search(before)) or (continued and marked_before)
                if CJK.search(lit.group(0)) and not marked:
                    found.append('%s:%d: %s' % (path, before.count('\n') + 1, lit.group(0)))
                previous_end, marked_before = lit.end(), marked
    return found


def main():
    lupdate, source_dir = sys.argv[1], sys.argv[2]
    console = os.path.join(source_dir, 'console')
    catalogue = os.path.join(console, 'translations', 'plover_en.ts')
    faults = []
    with tempfile.TemporaryDirectory() as tmp:
        fresh = os.path.join(tmp, 'plover_en.ts')
        run = subprocess.run([lupdate, '-silent', '-locations', 'none', '-target-language', 'en', console,
                              '-ts', fresh], capture_output=True, text=True)
        if run.returncode != 0 or not os.path.exists(fresh):
            print('lupdate failed:', run.stdout, run.stderr)
            return 1
        texts = messages(fresh)
    repo = messages(catalogue)
    if not texts:
        faults.append('lupdate found no texts in %s' % console)
    for ident in texts:
        t = repo.get(ident)
        if t is None:
            faults.append('no entry for %r' % ident)
        elif t.get('type') in ('unfinished', 'vanished', 'obsolete') or not (t.text or '').strip():
            faults.append('unfinished translation of %r' % ident)
        else:
            if sorted(ARGUMENT.findall(ident)) != sorted(ARGUMENT.findall(t.text)):
                faults.append('%r -> %r: the arguments differ' % (ident, t.text))
            code = LIST_CODE.match(ident)
            if code and not t.text.startswith(code.group(0)):
                faults.append('%r -> %r: the list code %r is lost' % (ident, t.text, code.group(0)))
            if CJK.search(t.text):
                faults.append('%r -> %r: Chinese in the English text' % (ident, t.text))
    for ident in repo:
        if ident not in texts:
            faults.append('entry %r is in no source any more' % ident)
    faults += ['text without a translation marker: ' + u for u in unmarked_texts(console)]
    for f in faults:
        print(f)
    print('%d texts, %d faults' % (len(texts), len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
