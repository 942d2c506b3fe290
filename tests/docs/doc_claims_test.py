#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# What the guides claim that the tree can check:
# - every 「text」 the operator's guide quotes is the program's own: each run
#   of Japanese in it (what is between ASCII and spaces: paths, numbers, N
#   and M of the examples) stands in the program's sources, a menu's "(&W)" read as "(W)";
#   a whole （名前）-style word is an example's placeholder and not looked up;
# - the README names every step `.ci/run` makes;
# - the scan's worst-case time in the guides and the manual page is the one
#   `tavelin --help` computes.
#
#   doc_claims_test.py TOP TAVELIN      checks the tree at TOP against TAVELIN --help
#   doc_claims_test.py --self-test     shows that a wrong claim of each kind fails
import glob
import os
import re
import subprocess
import sys
import tempfile

QUOTE = re.compile(r'「([^」]+)」')
JAPANESE_RUN = re.compile(r'[^\x00-\x7f\u3000]+')  # a full-width space parts runs too
PLACEHOLDER = re.compile(r'^（[^（）：]{1,8}）$')
CI_STEP = re.compile(r'^\s*(?:FUZZ_SECONDS=\S+\s+)?make\s+(\S+)', re.MULTILINE)


def program_texts(top):
    texts = []
    for path in glob.glob(os.path.join(top, 'src', '**', '*.*'), recursive=True):
        if path.endswith(('.h', '.cpp')):
            with open(path, encoding='utf-8', errors='replace') as f:
                texts.append(f.read())
    # "one" "literal" as the compiler joins it; a menu's mnemonic as shown.
    return re.sub(r'"\s+"', '', '\n'.join(texts)).replace('(&', '(')


def in_program(run, sources):
    """As one text, or as two that a window puts side by side (ＣＯＭ１ + のデバイス：)."""
    return run in sources or any(run[:i] in sources and run[i:] in sources for i in range(1, len(run)))


def unknown_quotes(top, page):
    sources = program_texts(top)
    with open(os.path.join(top, page), encoding='utf-8') as f:
        text = f.read()
    problems = []
    for quote in sorted(set(QUOTE.findall(text))):
        for run in JAPANESE_RUN.findall(quote):
            if len(run) > 1 and not PLACEHOLDER.match(run) and not in_program(run, sources):
                problems.append(f'{page}: 「{quote}」: "{run}" is in no text of the program')
    return problems


def unnamed_ci_steps(top):
    with open(os.path.join(top, '.ci', 'run'), encoding='utf-8') as f:
        steps = CI_STEP.findall(f.read())
    with open(os.path.join(top, 'README.md'), encoding='utf-8') as f:
        readme = f.read()
    return [f'README.md: the CI paragraph does not name `make {step}`' for step in steps
            if f'`make {step}`' not in readme]


def scan_limits(help_text):
    flat = ' '.join(help_text.split())
    found = re.search(r'--scan over the cable\'s six speeds takes at most (\d+) s .*?--scan-all at most (\d+) minutes',
                      flat)
    return found.groups() if found else None


# Where each page says the two limits, as (pattern of seconds, pattern of minutes).
SCAN_CLAIMS = {
    'docs/admin.md': (r'six speeds takes at most (\d+) s', r'`--scan-all` at most (\d+) minutes'),
    'docs/ja/admin.md': (r'`--scan` は長くて (\d+) 秒', r'`--scan-all` は長くて (\d+) 分'),
    'docs/ja/operator.md': (r'ケーブル（RS-232C）で長くて (\d+) 秒', r'長くて (\d+) 分ほどかかります'),
    'packaging/tavelin.1': (r'six speeds takes at most (\d+) s', r'adapter kind \(4\): at most (\d+) minutes'),
}


def wrong_scan_claims(top, help_text):
    limits = scan_limits(help_text)
    if not limits:
        return ['tavelin --help: no scan time found']
    problems = []
    for page, patterns in SCAN_CLAIMS.items():
        with open(os.path.join(top, page), encoding='utf-8') as f:
            flat = ' '.join(f.read().split())
        for pattern, limit in zip(patterns, limits):
            said = re.findall(pattern, flat)
            if said != [limit]:
                problems.append(f'{page}: says {said or "nothing"} where --help says {limit} ({pattern})')
    return problems


def check(top, help_text):
    return unknown_quotes(top, 'docs/ja/operator.md') + unnamed_ci_steps(top) + wrong_scan_claims(top, help_text)


def self_test(top, help_text):
    """A made-up quote, a CI step the README leaves out and a changed limit each fail."""
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for part in ('src', 'docs', 'packaging', '.ci'):
            subprocess.run(['cp', '-r', os.path.join(top, part), scratch], check=True)
        subprocess.run(['cp', os.path.join(top, 'README.md'), scratch], check=True)
        if check(scratch, help_text):
            print('self-test: the copy of the tree fails already')
            return 1
        with open(os.path.join(scratch, 'docs/ja/operator.md'), 'a', encoding='utf-8') as f:
            f.write('\n「このボタンはありません」\n')
        with open(os.path.join(scratch, '.ci/run'), 'a', encoding='utf-8') as f:
            f.write('make not-in-readme\n')
        changed = re.sub(r'(--scan-all at most\s+)\d+', r'\g<1>1', help_text)
        problems = check(scratch, changed)
        for expected in ('このボタンはありません', 'make not-in-readme', 'where --help says 1'):
            if not any(expected in p for p in problems):
                print(f'self-test: "{expected}" was not caught')
                failures += 1
    return failures


def main():
    self = sys.argv[1] == '--self-test'
    top, program = sys.argv[2:4] if self else sys.argv[1:3]
    help_text = subprocess.run([program, '--help'], capture_output=True, text=True, check=True).stdout
    if self:
        failures = self_test(top, help_text)
        print('self-test ok' if not failures else f'self-test: {failures} failures')
        return 1 if failures else 0
    problems = check(top, help_text)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
