#!/usr/bin/env python3
"""The manual pages render without a warning, and the search program's page
and Bash completion know every option its --help names.

usage: check_manpages.py POLCOZO_KERES MAN_FOLDER COMPLETION
Exits with 77 (skipped) where man is not installed.
"""
import os
import re
import shutil
import subprocess
import sys

PAGES = ['polcozo.1', 'athozo.1', 'polcozo-keres.1']


def main():
    program, folder, completion = sys.argv[1:4]
    if not shutil.which('man'):
        print('man is not installed')
        return 77
    failures = []
    env = dict(os.environ, LC_ALL='C.UTF-8', MANWIDTH='80')
    for page in PAGES:
        r = subprocess.run(['man', '--warnings', '-l', os.path.join(folder, page)],
                           capture_output=True, env=env, timeout=60)
        if r.returncode != 0 or r.stderr:
            failures.append('%s: %s' % (page, r.stderr.decode('utf-8', 'replace')))
        elif 'NÉV'.encode('utf-8') not in r.stdout:
            failures.append('%s renders no NAME section' % page)

    helptext = subprocess.run([program, '--help'], capture_output=True, timeout=60).stdout
    options = set(re.findall(r'(?<![\w-])(--[a-z][a-z-]*)', helptext.decode('utf-8')))
    with open(os.path.join(folder, 'polcozo-keres.1'), encoding='utf-8') as f:
        page = f.read().replace('\\-', '-')
    with open(completion, encoding='utf-8') as f:
        words = f.read()
    for option in sorted(options):
        if not re.search(r'(?<![\w-])' + re.escape(option) + r'(?![\w-])', page):
            failures.append('%s is not in the manual page' % option)
        if not re.search(r'(?<![\w-])' + re.escape(option) + r'(?![\w-])', words):
            failures.append('%s is not in the completion' % option)
    if len(options) < 15:
        failures.append('--help names only %s' % sorted(options))

    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
