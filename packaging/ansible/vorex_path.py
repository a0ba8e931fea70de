# -*- coding: utf-8 -*-

# Copyright: (c) 2026 vorex developers
# MIT License (see /usr/share/doc/vorex/copyright)

from __future__ import absolute_import, division, print_function
__metaclass__ = type


DOCUMENTATION = r'''
---
module: vorex_path
short_description: Adds directories to or removes them from the MATLAB search path
description:
  - Runs C(vorex) on the managed host to add directories to, or remove them from, the search path
    of MATLAB installations (their C(toolbox/local/pathdef.m), the previous file kept as
    C(pathdef.bak)), and optionally of GNU Octave's site startup files.
  - Always runs C(vorex -silent on -report json) and reads its JSON report; in check mode it adds
    C(-check on), which computes every edit and writes nothing; in diff mode C(-diff on).
  - A file that already holds what is asked is not touched, so the task reports C(changed) only
    when a file was (or in check mode would be) rewritten.
  - Needs C(vorex) with the JSON report (C(-report json)) on the managed host.
author:
  - vorex developers
options:
  path:
    description:
      - The directory, or a list of directories, to add or remove.
      - Each is passed to vorex whole, as given; a string is one directory even when it holds commas.
      - Each must be absolute (the module's working directory is not yours) and must not start
        with C(~), hold C(:), a line break or a NUL.
    type: raw
    required: true
  state:
    description:
      - C(present) adds each directory (vorex C(-command ADD)), C(absent) removes each directory
        and the directories beneath it (C(-command REMOVE)).
    type: str
    choices: [ absent, present ]
    default: present
  matlabroot:
    description:
      - The MATLAB installation folder, or a list of them, to edit (each one's
        C(toolbox/local/pathdef.m) and nothing else, vorex C(-matlabroot)); a folder without that
        file fails the task. Absolute, each taken whole like I(path).
      - When not given, vorex looks for the installations itself (launchers on C(PATH), the usual
        installation folders, then every local disk) and also edits the users' own copies of
        C(pathdef.m). On a host without MATLAB that walks every disk, so name the installations
        wherever they are known.
    type: raw
  octave:
    description:
      - Also edit the site startup file (C(octaverc)) of every GNU Octave installation found
        (vorex C(-octave on)). I(matlabroot) does not limit this.
    type: bool
    default: false
  notfound_ok:
    description:
      - Succeed without a change when vorex finds no installation and no copy to edit (vorex
        C(-notfound ok)), for plays that also reach hosts without MATLAB.
    type: bool
    default: false
  executable:
    description:
      - The vorex program to run, a name looked up on C(PATH) (and the C(sbin) folders) or a full
        path.
    type: str
    default: vorex
attributes:
  check_mode:
    support: full
    description: Runs vorex with C(-check on), which writes nothing.
  diff_mode:
    support: full
    description: Shows a unified diff of each file that changed or would change.
  platform:
    support: full
    platforms: posix
notes:
  - The module is installed with vorex's Debian package at
    C(/usr/share/ansible/plugins/modules/vorex_path.py), which is on Ansible's default module
    path. Install the package on the controller for the module and on every managed host for the
    program.
  - Editing an installation usually needs root (C(become=true)). A run as root edits each file in a
    folder that belongs to another user with that user's rights; a file that user could not edit
    is reported C(skipped).
  - All removals are carried out before all additions.
requirements:
  - vorex with the JSON report (-report json) on the managed host
'''

EXAMPLES = r'''
- name: mytools on the search path of the MATLAB installation
  vorex_path:
    path: /opt/mytools/matlab
    matlabroot: /opt/matlab/R2024a
  become: true

- name: two directories on two installations and on GNU Octave's path
  vorex_path:
    path:
      - /opt/mytools/matlab
      - /srv/shared/matlab
    matlabroot:
      - /opt/matlab/R2023b
      - /opt/matlab/R2024a
    octave: true
  become: true

- name: the old toolbox off every MATLAB path, on hosts with or without MATLAB
  vorex_path:
    path: /opt/oldtools
    state: absent
    notfound_ok: true
  become: true
'''

RETURN = r'''
files:
  description:
    - Every file vorex found, in the order edited, as its JSON report lists them (a missing
      I(matlabroot) where it stood).
  returned: when vorex wrote its report
  type: list
  elements: dict
  contains:
    path:
      description: The file.
      type: str
      sample: /opt/matlab/R2024a/toolbox/local/pathdef.m
    kind:
      description: C(installation), C(user copy) or C(octave startup file).
      type: str
      sample: installation
    owner:
      description: The user whose file it is, where known (users' copies, files edited as another user); else null.
      type: str
      sample: alice
    outcome:
      description: C(changed), C(unchanged), C(would change) (check mode), C(failed) or C(skipped).
      type: str
      sample: changed
    reason:
      description: For C(failed) and C(skipped), the step, the file and the system's reason; else null.
      type: str
      sample: "read /opt/matlab/R2024a/toolbox/local/pathdef.m: Permission denied"
    added:
      description: The lines added to the file, without line ends.
      type: list
      elements: str
      sample: ["\t'/opt/mytools/matlab:',..."]
    removed:
      description: The lines removed from the file, without line ends.
      type: list
      elements: str
      sample: []
    diff:
      description: In diff mode, for a file that changed or would change, a unified diff of its text.
      type: str
      returned: in diff mode
pairs:
  description: The commands vorex carried out, in the order given (removals are done before additions).
  returned: when vorex wrote its report
  type: list
  elements: dict
  sample: [{"command": "ADD", "path": "/opt/mytools/matlab"}]
problems:
  description: vorex's reasons, one per failed step or skipped file.
  returned: when vorex wrote its report
  type: list
  elements: str
  sample: ["Failed: find /opt/matlab/R2023b/toolbox/local/pathdef.m: No such file or directory"]
message:
  description: The text vorex would have shown in a message box (nothing found, a failure), else null.
  returned: when vorex wrote its report
  type: str
status:
  description: The exit status vorex wrote into its report.
  returned: when vorex wrote its report
  type: int
  sample: 0
rc:
  description: vorex's exit status (0 done, 1 a file failed, 2 nothing found, 3 cancelled, 4 check mode and something would change, 64 the command line was refused).
  returned: always
  type: int
  sample: 0
cmd:
  description: The command line run.
  returned: always
  type: list
  elements: str
  sample: ["/usr/bin/vorex", "-silent", "on", "-report", "json", "-command", "ADD", "-path", "/opt/mytools/matlab"]
stderr:
  description: vorex's standard error.
  returned: failure
  type: str
stdout:
  description: vorex's standard output, when it was not a JSON report.
  returned: failure
  type: str
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.six import string_types

argument_spec = dict(
    path=dict(type='raw', required=True),
    state=dict(type='str', default='present', choices=['absent', 'present']),
    matlabroot=dict(type='raw'),
    octave=dict(type='bool', default=False),
    notfound_ok=dict(type='bool', default=False),
    executable=dict(type='str', default='vorex'),
)

# What each status other than success means, for the failure message.
FAILURES = {
    1: 'a file could not be updated',
    2: 'no MATLAB installation and no copy of pathdef.m found',
    3: 'vorex was cancelled',
    4: 'vorex answered as a check run',
}

CHANGING = ('changed', 'would change')


def folders(module, name):
    """Option NAME as a list of absolute folders. A string is one folder, commas and all: vorex
    takes any name, so nothing is split or expanded here."""
    value = module.params[name]
    if value is None:
        return []
    if isinstance(value, string_types):
        value = [value]
    if not isinstance(value, list) or not value or not all(isinstance(d, string_types) for d in value):
        module.fail_json(msg='%s must be a folder or a non-empty list of folders' % name)
    for folder in value:
        if not os.path.isabs(folder):
            module.fail_json(msg='%s must be absolute: %s' % (name, folder))
    return value


def command_line(module, executable, dirs, roots):
    command = 'ADD' if module.params['state'] == 'present' else 'REMOVE'
    argv = [executable, '-silent', 'on', '-report', 'json']
    if module.check_mode:
        argv += ['-check', 'on']
    if module._diff:
        argv += ['-diff', 'on']
    if module.params['octave']:
        argv += ['-octave', 'on']
    if module.params['notfound_ok']:
        argv += ['-notfound', 'ok']
    for root in roots:
        argv += ['-matlabroot', root]
    for directory in dirs:
        argv += ['-command', command, '-path', directory]
    return argv


def read_report(stdout):
    """vorex's JSON report, or None when stdout holds none (a refused command line, an older vorex)."""
    try:
        report = json.loads(stdout)
    except ValueError:
        return None
    if not isinstance(report, dict) or report.get('format') != 1:
        return None
    return report


def failure_message(rc, report, stderr):
    """What went wrong, in vorex's words: its reasons, else its message box text, else stderr."""
    reasons = report.get('problems') or []
    if not reasons and report.get('message'):
        reasons = [report['message'].strip()]
    if not reasons and stderr.strip():
        reasons = [stderr.strip()]
    what = '%s (status %d)' % (FAILURES.get(rc, 'vorex failed'), rc)
    return '%s: %s' % (what, '; '.join(reasons)) if reasons else what


def main():
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    dirs = folders(module, 'path')
    roots = folders(module, 'matlabroot')
    executable = module.get_bin_path(module.params['executable'], required=True)
    argv = command_line(module, executable, dirs, roots)

    rc, stdout, stderr = module.run_command(argv)
    report = read_report(stdout)
    if report is None:
        # A refused command line ends its usage text with the line that names the problem.
        last = ([line for line in stderr.splitlines() if line.strip()] or [''])[-1].strip()
        if rc == 64:
            msg = 'vorex refused the command line (status 64)'
        else:
            msg = 'vorex wrote no JSON report (status %d; is it older than -report json?)' % rc
        module.fail_json(msg=msg + (': ' + last if last else ''),
                         rc=rc, cmd=argv, stdout=stdout, stderr=stderr)

    files = report.get('files') or []
    result = dict(
        changed=any(f.get('outcome') in CHANGING for f in files),
        files=files,
        pairs=report.get('pairs') or [],
        problems=report.get('problems') or [],
        message=report.get('message'),
        status=report.get('status'),
        rc=rc,
        cmd=argv,
    )
    if module._diff:
        result['diff'] = [dict(before_header=f['path'], after_header=f['path'], prepared=f['diff'])
                          for f in files if f.get('outcome') in CHANGING and f.get('diff')]

    if rc == 0 or (rc == 4 and module.check_mode):
        # Said outright: Ansible takes a result with a non-zero rc and no failed key as a failure.
        module.exit_json(failed=False, **result)
    module.fail_json(msg=failure_message(rc, report, stderr), stderr=stderr, **result)


if __name__ == '__main__':
    main()
