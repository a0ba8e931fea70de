"""The JSON report of the built program against doc/report.schema.json, for every outcome, on
copies of the sample installation whose folder names hold quotes, control characters, non-ASCII
and non-UTF-8 bytes: each document is one UTF-8 JSON value, validates, names each file so that
os.fsencode gives its bytes back, and says what happened to the files. Then hand-made documents
the schema must refuse, so that it stays as tight as the report is.
The skipped outcome needs root (a run with rights meeting a file another user could not edit).

    /usr/bin/python3 report_schema_test.py path/to/vorex
"""
import json
import os
import pwd
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.join(HERE, '..', '..')
SAMPLE = os.path.join(REPO, 'examples', 'sample-install')
SCHEMA_FILE = os.path.join(REPO, 'doc', 'report.schema.json')

try:
    import jsonschema
except ImportError:
    print('SKIP: python3-jsonschema is not installed')
    sys.exit(0)

with open(SCHEMA_FILE) as f:
    SCHEMA = json.load(f)
jsonschema.validators.validator_for(SCHEMA).check_schema(SCHEMA)
VALIDATOR = jsonschema.validators.validator_for(SCHEMA)(SCHEMA)

passed = failed = 0


def check(name, ok, detail=''):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print('FAIL: %s%s' % (name, ': ' + str(detail) if detail else ''), file=sys.stderr)
    return ok


def schema_errors(doc):
    return [e.message for e in VALIDATOR.iter_errors(doc)]


VOREX = os.path.abspath(sys.argv[1])
ENV = dict(os.environ, VOREX_PAUSE_PERCENT='0')


def vorex(*args):
    """Runs vorex with ARGS (str or bytes); returns status, raw stdout, stderr text."""
    done = subprocess.run([VOREX, '-silent', 'on', '-report', 'json'] + list(args), env=ENV,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    return done.returncode, done.stdout, done.stderr.decode('utf-8', 'surrogateescape')


def document(name, status, raw, stderr):
    """The run's document, checked as a stream of bytes and against the schema."""
    try:
        text = raw.decode('utf-8')
    except UnicodeDecodeError as error:
        check(name + ': stdout is UTF-8', False, error)
        return None
    # strict (the default) refuses raw control characters inside strings.
    try:
        doc = json.loads(text)
    except ValueError as error:
        check(name + ': stdout is one JSON document', False, '%s; stderr: %s' % (error, stderr))
        return None
    check(name + ': U+0085, U+2028, U+2029 escaped',
          not any(c in text for c in '\u0085\u2028\u2029'))
    check(name + ': valid against the schema', not schema_errors(doc), schema_errors(doc))
    check(name + ': status is the exit status', doc.get('status') == status, (doc.get('status'), status))
    for problem in doc.get('problems', []):
        check(name + ': problem also on stderr', problem in stderr, problem)
    return doc


def file_lines(path):
    with open(path, 'rb') as f:
        return [line.rstrip(b'\r\n') for line in f.read().splitlines(True)]


def run_checks(work):
    original = os.path.join(SAMPLE, 'toolbox', 'local', 'pathdef.m')

    def install(name):  # a fresh copy of the sample installation at work/NAME (bytes)
        root = os.path.join(work, name)
        shutil.copytree(SAMPLE.encode(), root, symlinks=True)
        return root, os.path.join(root, b'toolbox', b'local', b'pathdef.m')

    # Line separators in a folder name are refused on the command line (status 64); the JSON
    # escaping of U+0085, U+2028 and U+2029 is checked in the unit tests.
    odd_names = [b"it's \"quoted\" \\ caf\xc3\xa9 \xe2\x80\xa6 \xc2\xa0 end",
                 b"ctl\t\x01\x1b\x7f bad\xff\x85\xc3 end"]
    roots = [install(name) for name in odd_names]
    root_args = [a for root, _ in roots for a in (b'-matlabroot', root)]

    # changed, with the diff; the command given in lower case.
    status, raw, err = vorex('-diff', 'on', '-command', 'add', '-path', '/opt/tb', *root_args)
    doc = document('changed', status, raw, err)
    if doc:
        check('changed: status 0', status == 0)
        check('changed: pairs as given, upper-case', doc['pairs'] == [{'command': 'ADD', 'path': '/opt/tb'}],
              doc['pairs'])
        check('changed: every file, in order', [os.fsencode(f['path']) for f in doc['files']] ==
              [pathdef for _, pathdef in roots], [f['path'] for f in doc['files']])
        for f, (_, pathdef) in zip(doc['files'], roots):
            lines = file_lines(pathdef)
            check('changed: outcome', f['outcome'] == 'changed', f)
            check('changed: added lines are in the file', f['added'] and all(
                lines.count(os.fsencode(line)) == 1 for line in f['added']), f['added'])
            check('changed: the file is the original plus the added lines',
                  sorted(lines) == sorted(file_lines(original) + [os.fsencode(x) for x in f['added']]))
            diff = f.get('diff', '')
            check('changed: diff names the file', diff.startswith('--- ') and
                  os.fsencode(diff.split('\n', 1)[0][4:]).endswith(pathdef), diff[:200])
            check('changed: diff adds the lines', all(('\n+' + line + '\n') in diff for line in f['added']))

    # unchanged: the same again.
    status, raw, err = vorex('-command', 'ADD', '-path', '/opt/tb', *root_args)
    doc = document('unchanged', status, raw, err)
    if doc:
        check('unchanged: status 0', status == 0)
        check('unchanged: outcomes', [f['outcome'] for f in doc['files']] == ['unchanged'] * 2, doc['files'])

    # would change: an ADD given before a REMOVE (which is carried out first), checked only.
    before = [(open(p, 'rb').read(), os.stat(p).st_ino) for _, p in roots]
    status, raw, err = vorex('-check', 'on', '-diff', 'on', '-command', 'ADD', '-path', '/opt/tb2',
                             '-command', 'REMOVE', '-path', '/opt/tb', *root_args)
    doc = document('would change', status, raw, err)
    if doc:
        check('would change: status 4', status == 4)
        check('would change: check is true', doc['check'] is True)
        check('would change: pairs in command-line order',
              [(p['command'], p['path']) for p in doc['pairs']] == [('ADD', '/opt/tb2'), ('REMOVE', '/opt/tb')],
              doc['pairs'])
        for f in doc['files']:
            check('would change: outcome', f['outcome'] == 'would change', f)
            check('would change: removed the old entry', any('/opt/tb:' in line for line in f['removed']),
                  f['removed'])
            check('would change: added the new entry', any('/opt/tb2:' in line for line in f['added']),
                  f['added'])
            check('would change: diff removes and adds', 'diff' in f and all(
                ('\n-' + line + '\n') in f['diff'] for line in f['removed']))
    check('would change: nothing written',
          before == [(open(p, 'rb').read(), os.stat(p).st_ino) for _, p in roots])

    # failed: a root without the file, before one that is edited.
    gone = os.path.join(work, b'gone \xff')
    status, raw, err = vorex('-command', 'ADD', '-path', '/opt/tb3', '-matlabroot', gone, *root_args)
    doc = document('failed', status, raw, err)
    if doc:
        check('failed: status 1', status == 1)
        first = doc['files'][0] if doc['files'] else {}
        check('failed: the missing root where it stood', first.get('outcome') == 'failed' and
              os.fsencode(first['path']) == os.path.join(gone, b'toolbox', b'local', b'pathdef.m'), first)
        check('failed: the reason names the file', os.fsencode(first.get('reason') or '').startswith(
            b'find ' + os.path.join(gone, b'toolbox', b'local', b'pathdef.m') + b': '), first.get('reason'))
        check('failed: the others changed', [f['outcome'] for f in doc['files'][1:]] == ['changed'] * 2)
        check('failed: a problem per failure', len(doc['problems']) == 1, doc['problems'])
        check('failed: the message box text', bool(doc['message']))

    # nothing found, then the same with -notfound ok.
    status, raw, err = vorex('-command', 'ADD', '-path', '/opt/tb', '-matlabroot', gone)
    doc = document('not found', status, raw, err)
    if doc:
        check('not found: status 2', status == 2)
        check('not found: the message box text', bool(doc['message']))
    status, raw, err = vorex('-notfound', 'ok', '-command', 'ADD', '-path', '/opt/tb', '-matlabroot', gone)
    doc = document('not found, -notfound ok', status, raw, err)
    check('not found, -notfound ok: status 0', status == 0, status)

    # A refused command line: no document at all.
    status, raw, err = vorex('-command', 'ADD', *root_args)
    check('refused: status 64', status == 64, status)
    check('refused: nothing on stdout', raw == b'', raw[:200])

    if os.getuid() != 0:
        print('SKIP: the skipped outcome from the program needs root')
        return
    # skipped: root's run meets a file in a folder of nobody's that nobody may not read.
    user = pwd.getpwuid(65534).pw_name
    theirs, pathdef = install(b'theirs')
    for folder, _, names in os.walk(theirs):
        os.chown(folder, 65534, 65534)
        for name in names:
            os.lchown(os.path.join(folder, name), 65534, 65534)
    os.chown(pathdef, 0, 0)
    os.chmod(pathdef, 0o600)
    status, raw, err = vorex('-command', 'ADD', '-path', '/opt/tb4', '-matlabroot', theirs, *root_args)
    doc = document('skipped', status, raw, err)
    if doc:
        check('skipped: status 0', status == 0, err)
        first = doc['files'][0] if doc['files'] else {}
        check('skipped: outcome', first.get('outcome') == 'skipped', first)
        check('skipped: the user named', first.get('owner') == user, first.get('owner'))
        check('skipped: a reason', bool(first.get('reason')))
        check('skipped: the others changed', [f['outcome'] for f in doc['files'][1:]] == ['changed'] * 2)
        check('skipped: its file untouched', file_lines(pathdef) == file_lines(original))


def refused_documents():
    """Documents the schema must refuse, each one change away from a valid one."""
    def base():
        return {'format': 1, 'status': 0, 'check': False,
                'pairs': [{'command': 'ADD', 'path': '/opt/x'}],
                'files': [{'path': '/M/toolbox/local/pathdef.m', 'kind': 'installation', 'owner': None,
                           'outcome': 'changed', 'reason': None, 'added': ["\t'/opt/x:',..."],
                           'removed': [], 'diff': '--- /M/toolbox/local/pathdef.m\n'},
                          {'path': '/home/u/Documents/MATLAB/pathdef.m', 'kind': 'user copy',
                           'owner': 'u', 'outcome': 'skipped', 'reason': 'read /home/u: Permission denied',
                           'added': [], 'removed': []}],
                'problems': ['Skipped: /home/u/Documents/MATLAB/pathdef.m: read /home/u: Permission denied'],
                'message': None}

    check('hand-made: the base document is valid', not schema_errors(base()), schema_errors(base()))

    def first(doc):
        return doc['files'][0]

    changes = {
        'an unknown field': lambda d: d.update(extra=1),
        'an unknown file field': lambda d: first(d).update(size=3),
        'a missing field': lambda d: d.pop('message'),
        'a missing file field': lambda d: first(d).pop('owner'),
        'format 2': lambda d: d.update(format=2),
        'status 64': lambda d: d.update(status=64),
        'a command in lower case': lambda d: d['pairs'][0].update(command='add'),
        'no pairs': lambda d: d.update(pairs=[]),
        'an unknown outcome': lambda d: first(d).update(outcome='added'),
        'an unknown kind': lambda d: first(d).update(kind='copy'),
        'a changed file with a reason': lambda d: first(d).update(reason='x'),
        'a skipped file without a reason': lambda d: d['files'][1].update(reason=None),
        'a diff of an unchanged file': lambda d: first(d).update(outcome='unchanged', added=[]),
        'an unchanged file that added a line': lambda d: (first(d).update(outcome='unchanged'),
                                                         first(d).pop('diff')),
        'a changed file with no line': lambda d: first(d).update(added=[]),
        'a diff that is not one': lambda d: first(d).update(diff='+x\n'),
        'a line with its line end': lambda d: first(d).update(added=["\t'/opt/x:',...\n"]),
        'changed in a check run': lambda d: d.update(check=True),
        'would change outside a check run': lambda d: first(d).update(outcome='would change'),
        'status 4 outside a check run': lambda d: d.update(status=4),
        'status 4 with nothing to change': lambda d: (d.update(status=4, check=True),
                                                      first(d).update(outcome='unchanged', added=[]),
                                                      first(d).pop('diff')),
        'status 1 without a failed file': lambda d: d.update(status=1),
        'an empty owner': lambda d: first(d).update(owner=''),
    }
    for name, change in changes.items():
        doc = base()
        change(doc)
        check('hand-made: refused: ' + name, schema_errors(doc), 'accepted')


def main():
    probe = subprocess.run([VOREX, '-silent', 'on', '-report', 'json', '-check', 'on', '-command', 'ADD',
                            '-path', '/opt/probe', '-matlabroot', '/nonexistent/vorex-probe'], env=ENV,
                           stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    usage = subprocess.run([VOREX, '--help'], stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    try:
        json.loads(probe.stdout)
    except ValueError:
        # A vorex that names -report in its usage text is tested, whatever it writes.
        if b'-report' in usage.stdout + usage.stderr:
            check('the probe run writes one JSON document', False, probe.stdout[:300])
            print('report_schema_test: %d passed, %d failed' % (passed, failed))
            return 1
        print('SKIP: %s writes no JSON report (-report json gave status %d)' % (VOREX, probe.returncode))
        refused_documents()
        print('report_schema_test (hand-made documents only): %d passed, %d failed' % (passed, failed))
        return 1 if failed else 0
    assert sys.getfilesystemencoding() == 'utf-8'
    work = tempfile.mkdtemp(prefix='vorex-schema-').encode()
    os.chmod(work, 0o755)
    try:
        run_checks(work)
    finally:
        shutil.rmtree(work)
    refused_documents()
    print('report_schema_test: %d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
