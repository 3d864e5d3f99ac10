#!/usr/bin/env python3
"""Reads polcozo-keres output the way other programs do: CSV through Python's
csv module, JSON lines through its json module.

usage: check_output.py POLCOZO_KERES TEMPLATE
"""
import csv
import io
import json
import os
import shlex
import shutil
import sqlite3
import subprocess
import sys
import tempfile

# Names that break careless CSV: quotes, commas, line breaks, accents.
NAMES = [
    'DOOM2.WAD',
    'say "hi".txt',
    'a,b,c.txt',
    'két\nsoros.txt',
    'kocsi\r\nvissza.doc',
    'Árvíztűrő tükörfúrógép.exe',
    '"', ',', '',
]
FOLDERS = ['-CD_1- E:\\JÁTÉK, RÉGI', '-CD_"2"- E:\\']


def make_catalog(template, path, names, folder):
    shutil.copyfile(template, path)
    db = sqlite3.connect(path)
    with db:
        cur = db.execute('INSERT INTO ut (ut) VALUES (?)', (folder,))
        folder_id = cur.lastrowid
        db.execute('INSERT INTO ut_kulcsid (id, kulcsid) VALUES (?, 1)', (folder_id,))
        for i, name in enumerate(names):
            cur = db.execute(
                'INSERT INTO prgnev (nev, utid, hossz, datum) VALUES (?, ?, ?, ?)',
                (name, folder_id, 1000 + i, '1999-12-%02d 23:59:%02d' % (i + 1, i)))
            db.execute('INSERT INTO nev_kulcsid (id, kulcsid) VALUES (?, 1)', (cur.lastrowid,))
    db.close()


def run(program, *args):
    env = dict(os.environ, LC_ALL='C.UTF-8')
    return subprocess.run([program, *args], capture_output=True, env=env, timeout=60)


def main():
    program, template = sys.argv[1], sys.argv[2]
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    with tempfile.TemporaryDirectory() as scratch:
        first = os.path.join(scratch, 'első katalógus, "A".mdb')
        second = os.path.join(scratch, 'b.mdb')
        make_catalog(template, first, NAMES, FOLDERS[0])
        make_catalog(template, second, NAMES[:2], FOLDERS[1])
        expected = [(n, FOLDERS[0], str(1000 + i), first) for i, n in enumerate(NAMES)]
        expected += [(n, FOLDERS[1], str(1000 + i), second) for i, n in enumerate(NAMES[:2])]

        r = run(program, '--csv', '--katalogus', first, '--katalogus', second)
        check(r.returncode == 0, 'csv exit %d: %r' % (r.returncode, r.stderr))
        check(not r.stdout.startswith(b'\xef\xbb\xbf'), 'no byte order mark on the command line')
        check(r.stdout.count(b'\r\n') >= len(expected) + 1, 'records end with CR LF')
        rows = list(csv.reader(io.StringIO(r.stdout.decode('utf-8'), newline='')))
        check(rows[0] == ['Név', 'Út', 'Hossz', 'Dátum', 'Katalógus'], 'header %r' % rows[0])
        got = [(row[0], row[1], row[2], row[4]) for row in rows[1:]]
        check(sorted(got) == sorted(expected), 'csv rows %r' % got)
        check(all(len(row) == 5 and row[3] for row in rows[1:]), 'every row has its date')

        r = run(program, '--json', '--katalogus', first, '--katalogus', second)
        check(r.returncode == 0, 'json exit %d' % r.returncode)
        objects = [json.loads(line) for line in r.stdout.decode('utf-8').splitlines()]
        got = [(o['nev'], o['ut'], str(o['hossz']), o['katalogus']) for o in objects]
        check(sorted(got) == sorted(expected), 'json rows %r' % got)
        check(all(isinstance(o['hossz'], int) for o in objects), 'lengths are numbers')
        check(objects[0]['datum'].startswith('1999-12-'), 'dates as stored')

        # One catalog: no catalog column.
        r = run(program, '--csv', '*.wad', '--katalogus', first)
        rows = list(csv.reader(io.StringIO(r.stdout.decode('utf-8'), newline='')))
        check(rows[0] == ['Név', 'Út', 'Hossz', 'Dátum'] and len(rows) == 2
              and rows[1][0] == 'DOOM2.WAD', 'one catalog %r' % rows)

        r = run(program, 'nincs ilyen', '--katalogus', first)
        check(r.returncode == 1 and r.stdout == b'' and r.stderr == b'', 'nothing found')
        r = run(program, '--katalogus', os.path.join(scratch, 'nincs.mdb'))
        check(r.returncode == 2 and 'nincs.mdb: a katalógus nem található' in
              r.stderr.decode('utf-8'), 'missing catalog %r' % r.stderr)

        # A reader that goes away early does not hang the search.
        command = '%s --katalogus %s "*.wad" | head -n 1' % (shlex.quote(program),
                                                              shlex.quote(first))
        r = subprocess.run(command, shell=True, capture_output=True, timeout=60)
        check(r.stdout.startswith(b'DOOM2.WAD\t'), 'first line through a pipe %r' % r.stdout)

    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
