"""The Ansible module vorex_path on its own, run the way Ansible runs it (a file of arguments)
against a stand-in program that records its command line and answers with a given status and
output: the command line built from the options, the result made of each answer, and the
documentation that ansible-doc shows.

    /usr/bin/python3 vorex_path_test.py
"""
import importlib.util
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MODULE_DIR = os.path.join(HERE, '..', '..', 'packaging', 'ansible')
MODULE = os.path.join(MODULE_DIR, 'vorex_path.py')

if importlib.util.find_spec('ansible') is None or importlib.util.find_spec('yaml') is None:
    print('SKIP: Ansible (ansible-core) is not installed')
    sys.exit(0)
import yaml  # noqa: E402 (comes with ansible-core)

STUB = '''#!/usr/bin/python3
import json, os, sys
with open(os.environ["STUB_ARGV"], "w") as f:
    json.dump(sys.argv[1:], f)
sys.stdout.write(os.environ["STUB_STDOUT"])
sys.stderr.write(os.environ["STUB_STDERR"])
sys.exit(int(os.environ["STUB_RC"]))
'''

ENTRY = "\t'/opt/x:',..."


def report(status, files, check=False, problems=(), message=None):
    return {'format': 1, 'status': status, 'check': check,
            'pairs': [{'command': 'ADD', 'path': '/opt/x'}], 'files': files,
            'problems': list(problems), 'message': message}


def a_file(outcome, path='/opt/M/toolbox/local/pathdef.m', reason=None, diff=None):
    record = {'path': path, 'kind': 'installation', 'owner': None, 'outcome': outcome,
              'reason': reason, 'added': [ENTRY] if outcome in ('changed', 'would change') else [],
              'removed': []}
    if diff:
        record['diff'] = diff
    return record


class ModuleRun(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.stub = os.path.join(self.tmp.name, 'vorex')
        with open(self.stub, 'w') as f:
            f.write(STUB)
        os.chmod(self.stub, 0o755)
        self.argv_file = os.path.join(self.tmp.name, 'argv.json')

    def tearDown(self):
        self.tmp.cleanup()

    def run_module(self, args, rc=0, stdout='', stderr='', check=False, diff=False):
        """Runs the module with ARGS; the stand-in answers RC, STDOUT (a dict: its JSON), STDERR.
        Returns the module's result and the stand-in's arguments (None when it did not run)."""
        args = dict({'executable': self.stub}, **args)
        args.update(_ansible_check_mode=check, _ansible_diff=diff,
                    _ansible_tmpdir=self.tmp.name, _ansible_remote_tmp=self.tmp.name)
        args_file = os.path.join(self.tmp.name, 'args.json')
        with open(args_file, 'w') as f:
            json.dump({'ANSIBLE_MODULE_ARGS': args}, f)
        if os.path.exists(self.argv_file):
            os.remove(self.argv_file)
        env = dict(os.environ, STUB_ARGV=self.argv_file, STUB_RC=str(rc), STUB_STDERR=stderr,
                   STUB_STDOUT=json.dumps(stdout) if isinstance(stdout, dict) else stdout)
        done = subprocess.run([sys.executable, MODULE, args_file], capture_output=True, text=True,
                              env=env, cwd=self.tmp.name, timeout=60)
        result = json.loads(done.stdout)
        called = None
        if os.path.exists(self.argv_file):
            with open(self.argv_file) as f:
                called = json.load(f)
        return result, called


class CommandLine(ModuleRun):
    def test_options_become_vorex_arguments(self):
        cases = [
            ({'path': '/opt/x'}, {},
             ['-silent', 'on', '-report', 'json', '-command', 'ADD', '-path', '/opt/x']),
            # A string is one directory, commas and blanks and all.
            ({'path': '/opt/a, b', 'state': 'absent'}, {},
             ['-silent', 'on', '-report', 'json', '-command', 'REMOVE', '-path', '/opt/a, b']),
            ({'path': ['/opt/a', '/opt/b'], 'matlabroot': ['/M/R1', '/M/R,2'], 'octave': True,
              'notfound_ok': True}, {},
             ['-silent', 'on', '-report', 'json', '-octave', 'on', '-notfound', 'ok',
              '-matlabroot', '/M/R1', '-matlabroot', '/M/R,2',
              '-command', 'ADD', '-path', '/opt/a', '-command', 'ADD', '-path', '/opt/b']),
            ({'path': '/opt/x', 'matlabroot': '/M/R1'}, {'check': True, 'diff': True},
             ['-silent', 'on', '-report', 'json', '-check', 'on', '-diff', 'on',
              '-matlabroot', '/M/R1', '-command', 'ADD', '-path', '/opt/x']),
        ]
        for args, modes, expected in cases:
            with self.subTest(args=args, modes=modes):
                _, called = self.run_module(args, stdout=report(0, [a_file('unchanged')]), **modes)
                self.assertEqual(called, expected)

    def test_refused_before_vorex_runs(self):
        for args in ({'path': 'relative/dir'}, {'path': []}, {'path': ['/opt/x', 3]},
                     {'path': '/opt/x', 'matlabroot': 'M/R1'}, {'path': '/opt/x', 'state': 'gone'}):
            with self.subTest(args=args):
                result, called = self.run_module(args)
                self.assertTrue(result.get('failed'))
                self.assertIsNone(called)

    def test_missing_program(self):
        result, _ = self.run_module({'path': '/opt/x', 'executable': 'vorex-not-installed-here'})
        self.assertTrue(result.get('failed'))
        self.assertIn('vorex-not-installed-here', result['msg'])


class Outcome(ModuleRun):
    def test_success_and_changed(self):
        cases = [  # (status, outcomes, check mode, changed)
            (0, ['unchanged'], False, False),
            (0, ['unchanged', 'changed'], False, True),
            (0, [], False, False),  # nothing found, -notfound ok
            (0, ['skipped', 'unchanged'], False, False),
            (0, ['unchanged'], True, False),
            (4, ['unchanged', 'would change'], True, True),
        ]
        for status, outcomes, check, changed in cases:
            with self.subTest(status=status, outcomes=outcomes, check=check):
                files = [a_file(o, path='/M%d/pathdef.m' % i) for i, o in enumerate(outcomes)]
                result, _ = self.run_module({'path': '/opt/x'}, rc=status, check=check,
                                            stdout=report(status, files, check=check))
                # Said outright: Ansible fails a result with a non-zero rc and no failed key.
                self.assertIs(result.get('failed'), False, result)
                self.assertEqual(result['changed'], changed)
                self.assertEqual(result['files'], files)
                self.assertEqual((result['rc'], result['status']), (status, status))

    def test_failures_carry_vorex_reasons(self):
        gone = 'find /M/gone/toolbox/local/pathdef.m: No such file or directory'
        cases = [  # (status, report, check mode, text the message must hold)
            (1, report(1, [a_file('failed', reason=gone), a_file('changed', path='/M2/pathdef.m')],
                       problems=['Failed: ' + gone], message='The update failed.'),
             False, 'Failed: ' + gone),
            (2, report(2, [], message='No MATLAB pathdef.m was found.'), False,
             'No MATLAB pathdef.m was found.'),
            (3, report(3, [], message='Cancelled.'), False, 'Cancelled.'),
            (4, report(4, [a_file('would change')], check=True), False, 'status 4'),
            (1, report(1, [a_file('failed', reason=gone)], check=True,
                       problems=['Failed: ' + gone]), True, 'Failed: ' + gone),
        ]
        for status, answer, check, text in cases:
            with self.subTest(status=status, check=check):
                result, _ = self.run_module({'path': '/opt/x'}, rc=status, stdout=answer,
                                            stderr='from stderr\n', check=check)
                self.assertTrue(result.get('failed'), result)
                self.assertIn(text, result['msg'])
                self.assertEqual(result['rc'], status)
                self.assertEqual(result['files'], answer['files'])

    def test_failed_run_that_changed_a_file_says_so(self):
        gone = 'find /M/gone/toolbox/local/pathdef.m: No such file or directory'
        answer = report(1, [a_file('failed', reason=gone), a_file('changed', path='/M2/pathdef.m')],
                        problems=['Failed: ' + gone])
        result, _ = self.run_module({'path': '/opt/x'}, rc=1, stdout=answer)
        self.assertTrue(result['failed'])
        self.assertTrue(result['changed'])

    def test_no_json_report(self):
        usage = 'usage: vorex -command ADD|REMOVE -path DIR ...\nunknown option: -report\n'
        for rc, stdout in ((64, ''), (2, ''), (0, 'changed /M/pathdef.m\n'), (0, '{"format": 2}')):
            with self.subTest(rc=rc, stdout=stdout):
                result, _ = self.run_module({'path': '/opt/x'}, rc=rc, stdout=stdout, stderr=usage)
                self.assertTrue(result.get('failed'), result)
                # A refused command line is said as such, with vorex's own last line.
                self.assertIn('refused the command line' if rc == 64 else 'no JSON report', result['msg'])
                self.assertIn('unknown option: -report', result['msg'])
                self.assertEqual((result['rc'], result['stdout'], result['stderr']), (rc, stdout, usage))


class Diff(ModuleRun):
    def test_diff_of_each_changing_file(self):
        d1 = '--- /M1/pathdef.m\n+++ /M1/pathdef.m\n@@ -1,1 +1,2 @@\n a\n+' + ENTRY + '\n'
        files = [a_file('would change', path='/M1/pathdef.m', diff=d1),
                 a_file('unchanged', path='/M2/pathdef.m')]
        result, _ = self.run_module({'path': '/opt/x'}, rc=4, check=True, diff=True,
                                    stdout=report(4, files, check=True))
        self.assertEqual(result['diff'],
                         [{'before_header': '/M1/pathdef.m', 'after_header': '/M1/pathdef.m',
                           'prepared': d1}])

    def test_no_diff_outside_diff_mode(self):
        result, _ = self.run_module({'path': '/opt/x'}, stdout=report(0, [a_file('changed')]))
        self.assertNotIn('diff', result)


class Documentation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        sys.path.insert(0, MODULE_DIR)
        sys.dont_write_bytecode = True  # nothing left beside the module in the source tree
        import vorex_path
        cls.module = vorex_path
        cls.doc = yaml.safe_load(vorex_path.DOCUMENTATION)
        cls.returns = yaml.safe_load(vorex_path.RETURN)

    def test_ansible_doc_shows_it(self):
        with tempfile.TemporaryDirectory() as home:
            env = dict(os.environ, HOME=home, ANSIBLE_HOME=os.path.join(home, '.ansible'),
                       ANSIBLE_NOCOLOR='1')
            done = subprocess.run(['ansible-doc', '-M', MODULE_DIR, 'vorex_path'], capture_output=True,
                                  text=True, env=env, cwd=home, timeout=120)
        self.assertEqual((done.returncode, done.stderr), (0, ''))
        for text in ('> VOREX_PATH', 'OPTIONS', 'EXAMPLES', 'RETURN VALUES', 'AUTHOR: vorex developers'):
            self.assertIn(text, done.stdout)

    def test_options_documented_as_the_module_takes_them(self):
        taken = self.module.argument_spec
        options = self.doc['options']
        self.assertEqual(sorted(options), sorted(taken))
        for name, option in options.items():
            with self.subTest(option=name):
                self.assertEqual(option['type'], taken[name]['type'])
                self.assertEqual(option.get('default'), taken[name].get('default'))
                self.assertEqual(option.get('choices'), taken[name].get('choices'))
                self.assertEqual(bool(option.get('required')), bool(taken[name].get('required')))

    def test_examples_use_only_documented_options(self):
        for task in yaml.safe_load(self.module.EXAMPLES):
            with self.subTest(task=task['name']):
                self.assertLessEqual(set(task['vorex_path']), set(self.doc['options']))

    def test_every_returned_key_documented(self):
        files = [a_file('would change', diff='--- /M/pathdef.m\n+++ /M/pathdef.m\n')]
        run = ModuleRun()
        run.setUp()
        try:
            ok, _ = run.run_module({'path': '/opt/x'}, rc=4, check=True, diff=True,
                                   stdout=report(4, files, check=True))
            failed, _ = run.run_module({'path': '/opt/x'}, rc=64, stderr='usage\n')
        finally:
            run.tearDown()
        common = {'changed', 'failed', 'msg', 'invocation', 'diff', 'stderr_lines', 'stdout_lines'}
        for result in (ok, failed):
            self.assertLessEqual(set(result) - common, set(self.returns))
        self.assertLessEqual(set(ok['files'][0]), set(self.returns['files']['contains']))


if __name__ == '__main__':
    unittest.main(verbosity=2)
