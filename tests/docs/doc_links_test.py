#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Every relative link and picture in README.md and docs/**/*.md names a file
# of the tree, and a "#part" after it names a heading of that page (as
# GitHub makes a heading's anchor: lower case, punctuation dropped, spaces
# to hyphens, Japanese kept; a repeated heading gets -1, -2, ...).
# Addresses with a scheme (https:, mailto:) are not followed; links inside
# code (fenced blocks, `spans`) are no links.
#
#   doc_links_test.py [TOP]      checks the tree at TOP (default: the repository)
#   doc_links_test.py --self-test  shows that a broken link, picture or anchor fails
import os
import re
import sys
import tempfile
import unicodedata
import urllib.parse

INLINE = re.compile(r'!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+"[^"]*")?\s*\)')
REFERENCE = re.compile(r'^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s+.*)?$')
HTML = re.compile(r'<(?:img|a)\s[^>]*?(?:src|href)\s*=\s*"([^"]*)"', re.IGNORECASE)
HEADING = re.compile(r'^\s{0,3}(#{1,6})\s+(.*?)\s*#*\s*$')
FENCE = re.compile(r'^\s{0,3}(```|~~~)')
CODE_SPAN = re.compile(r'(`+)(.+?)\1')


def prose_lines(text):
    """The lines outside fenced code, with their numbers."""
    inside = None
    for number, line in enumerate(text.splitlines(), 1):
        fence = FENCE.match(line)
        if fence:
            if inside is None:
                inside = fence.group(1)
            elif fence.group(1) == inside:
                inside = None
            continue
        if inside is None:
            yield number, line


def slug(heading):
    text = CODE_SPAN.sub(lambda m: m.group(2), heading)
    text = re.sub(r'!?\[([^\]]*)\]\([^)]*\)', r'\1', text)  # a link shows its text
    text = re.sub(r'<[^>]+>', '', text)
    kept = []
    for ch in text.lower():
        if ch in ' -_' or unicodedata.category(ch)[0] in 'LMN':
            kept.append(ch)
    return ''.join(kept).replace(' ', '-')


def anchors(path):
    found, seen = set(), {}
    with open(path, encoding='utf-8') as f:
        for _, line in prose_lines(f.read()):
            heading = HEADING.match(line)
            if not heading:
                continue
            base = slug(heading.group(2))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f'{base}-{count}')
    return found


def targets(text):
    for number, line in prose_lines(text):
        bare = CODE_SPAN.sub('', line)
        for pattern in (INLINE, HTML):
            for match in pattern.finditer(bare):
                yield number, match.group(1)
        reference = REFERENCE.match(bare)
        if reference:
            yield number, reference.group(1)


def pages(top):
    found = [os.path.join(top, 'README.md')] if os.path.isfile(os.path.join(top, 'README.md')) else []
    for folder, dirs, files in os.walk(os.path.join(top, 'docs')):
        dirs.sort()
        found += [os.path.join(folder, name) for name in sorted(files) if name.endswith('.md')]
    return found


def problems(top):
    top = os.path.realpath(top)
    out = []
    for page in pages(top):
        with open(page, encoding='utf-8') as f:
            text = f.read()
        where = os.path.relpath(page, top)
        for number, target in targets(text):
            if not target or re.match(r'^[A-Za-z][A-Za-z0-9+.-]*:', target):
                continue
            path, _, anchor = target.partition('#')
            path = urllib.parse.unquote(path)
            named = os.path.realpath(os.path.join(os.path.dirname(page), path)) if path else page
            if path.startswith('/') or not (named == top or named.startswith(top + os.sep)):
                out.append(f'{where}:{number}: {target}: outside the tree')
            elif not os.path.exists(named):
                out.append(f'{where}:{number}: {target}: no such file')
            elif anchor and named.endswith('.md') and urllib.parse.unquote(anchor) not in anchors(named):
                out.append(f'{where}:{number}: {target}: no heading makes #{anchor}')
    return out


def self_test():
    with tempfile.TemporaryDirectory() as top:
        os.makedirs(os.path.join(top, 'docs', 'ja'))
        open(os.path.join(top, 'docs', 'shot.png'), 'wb').close()
        with open(os.path.join(top, 'docs', 'ja', 'guide.md'), 'w', encoding='utf-8') as f:
            f.write('# 操作ガイド\n\n## 設定（通信条件）\n\n## Two `make` commands\n\n## Two make commands\n\n'
                    '![画面](../shot.png) [戻る](../../README.md#tavelin)\n')
        with open(os.path.join(top, 'README.md'), 'w', encoding='utf-8') as f:
            f.write('# Tavelin\n\n'
                    '[guide](docs/ja/guide.md#設定通信条件) [again](docs/ja/guide.md#two-make-commands-1)\n'
                    '[web](https://example.org/x.md) [mail](mailto:a@example.org) ![ok](docs/shot.png)\n'
                    '`[code](missing-in-code.md)`\n\n```\n[fenced](missing-in-fence.md)\n```\n')
        clean = problems(top)
        if clean:
            print('self-test: a sound tree was reported:', *clean, sep='\n  ')
            return 1
        broken = {
            'a missing page': '[x](docs/nothing.md)',
            'a missing picture': '![x](docs/none.png)',
            'a missing anchor': '[x](docs/ja/guide.md#通信条件)',
            'a missing anchor on this page': '[x](#nowhere)',
            'a path out of the tree': '[x](../outside.md)',
            'a picture in HTML': '<img src="docs/gone.png" width="300">',
            'a reference link': '[x]: docs/gone.md',
        }
        failed = 0
        for what, line in broken.items():
            with open(os.path.join(top, 'docs', 'extra.md'), 'w', encoding='utf-8') as f:
                f.write(f'# Extra\n\n{line}\n')
            if len(problems(top)) != 1:
                print(f'self-test: {what} ({line}) was not reported once: {problems(top)}')
                failed += 1
        os.remove(os.path.join(top, 'docs', 'extra.md'))
        print(f'self-test: {len(broken) - failed} of {len(broken)} broken links caught')
        return 1 if failed else 0


def main(args):
    if args == ['--self-test']:
        return self_test()
    top = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
    found = problems(top)
    for line in found:
        print(line)
    print(f'{len(pages(top))} pages checked, {len(found)} broken links')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
