#!/usr/bin/env bash
# The Ansible module vorex_path and the configuration recipes of the README, run on this host by
# Debian's ansible-playbook (local connection) against fresh copies of the sample installation,
# each named with matlabroot / -matlabroot, so that nothing depends on the machine's own MATLAB
# or users. The recipes are taken from the README itself, with only the installation replaced:
# the vorex_path playbook, the command task, the check-then-apply script, and the Puppet exec
# where Puppet is installed.
# Each case prints its PLAY RECAP line and is checked by it and by the files.
# Runs as root or as any user; it writes only below its own temporary folder.
#   ansible_e2e.sh path/to/vorex
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)
SAMPLE="$REPO/examples/sample-install"
ORIG="$SAMPLE/toolbox/local/pathdef.m"
README="$REPO/README.md"
VOREX=$(readlink -f "$1")
export VOREX_PAUSE_PERCENT=0
source "$REPO/tests/e2e/check.sh"

if ! command -v ansible-playbook >/dev/null; then
  echo "SKIP: ansible-playbook is not installed"
  exit 0
fi
WORK=$(mktemp -d /tmp/vorex-ansible-XXXXXX)
trap '[ -n "${KEEP-}" ] || rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1

# A vorex without the JSON report writes no document for -report json (or refuses it, status 64)
# and does not name it in its usage text. One that names it is tested, whatever it writes.
probe=$("$VOREX" -silent on -report json -check on -command ADD -path /opt/probe -matlabroot "$WORK/none" 2>/dev/null)
rc=$?
if ! "$VOREX" --help 2>&1 | grep -q -- -report &&
   ! /usr/bin/python3 -c 'import json, sys; json.load(sys.stdin)' <<<"$probe" 2>/dev/null; then
  echo "SKIP: $VOREX writes no JSON report (-report json gave status $rc)"
  exit 0
fi

# Ansible's own state stays in the temporary folder; the module comes from the source tree only,
# and the program is "vorex" on PATH, as the recipes call it.
mkdir -p bin home tmp
ln -s "$VOREX" bin/vorex
printf '[defaults]\n' > ansible.cfg
export HOME="$WORK/home" ANSIBLE_HOME="$WORK/home/.ansible" TMPDIR="$WORK/tmp"
export ANSIBLE_CONFIG="$WORK/ansible.cfg" ANSIBLE_LOCAL_TEMP="$WORK/tmp" ANSIBLE_REMOTE_TEMP="$WORK/tmp"
export ANSIBLE_LIBRARY="$REPO/packaging/ansible" ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_STDOUT_CALLBACK=default
export ANSIBLE_LOCALHOST_WARNING=0 ANSIBLE_INVENTORY_UNPARSED_WARNING=0
export PATH="$WORK/bin:/usr/bin:/bin"
ENTRY=$'\t'"'/opt/mytools/matlab:',..."

fresh() {  # fresh NAME: a new copy of the sample installation at $WORK/NAME
  cp -a "$SAMPLE" "$WORK/$1"
}
file_of() { echo "$WORK/$1/toolbox/local/pathdef.m"; }
state() { stat -c '%i %s %y' "$@"; }
untouched() {  # untouched NAME: pathdef.m is the sample's, nothing was written beside it
  local dir="$WORK/$1/toolbox/local"
  cmp -s "$dir/pathdef.m" "$ORIG" && [ "$(ls "$dir")" = pathdef.m ]
}
has_entry() { test "$(grep -cxF "$2" "$(file_of "$1")")" -eq 1; }
not() { ! "$@"; }

# readme_block LANG TEXT: the first ```LANG block of the README that holds TEXT, with the
# README's installation /opt/matlab/R2024a replaced by $root.
readme_block() {
  awk -v lang="$1" -v text="$2" '
    $0 == "```" lang { inside = 1; block = ""; next }
    inside && $0 == "```" { inside = 0; if (index(block, text)) { printf "%s", block; found = 1; exit } next }
    inside { block = block $0 "\n" }
    END { exit !found }' "$README" | sed "s|/opt/matlab/R2024a|$root|g"
}

# play CASE PLAYBOOK ARGS...: runs ansible-playbook on this host; prints and keeps the recap
# line, the whole output in $out.
n=0
play() {
  local name=$1
  shift
  n=$((n + 1))
  out="$WORK/play-$n.out"
  timeout 300 ansible-playbook -i localhost, -c local -e ansible_become=false "$@" >"$out" 2>&1
  recap=$(grep -E '^localhost +:' "$out" | tail -n 1 | tr -s ' ')
  echo "$name: ${recap:-no PLAY RECAP}"
}
# recap NAME COUNT...: the last play's recap shows each COUNT (ok=1, changed=0, ...); its output
# goes to stderr when not.
recap() {
  local name=$1 want good=1
  shift
  for want; do grep -qw -- "$want" <<<"$recap" || good=0; done
  check "$name: recap $*" test "$good" = 1
  [ "$good" = 1 ] || sed 's/^/    /' "$out" >&2
}
in_output() { grep -qF -- "$1" "$out"; }
# vars JSON-LIST JSON-LIST [MORE]: the extra variables of vorex_path.yml
vars() { echo "{\"dirs\": $1, \"roots\": $2${3:+, $3}}"; }
BOOK="$HERE/vorex_path.yml"

# --- The module, as the README's playbook: check mode, diff, apply, apply again.
fresh module
root="$WORK/module"
M=$(file_of module)
readme_block yaml "vorex_path:" > module.yml || check "the README has the vorex_path playbook" false
before=$(state "$M")
play "module --check" module.yml --check
recap "module --check" changed=1 failed=0
check "module --check: pathdef.m the same inode, size and time" test "$(state "$M")" = "$before"
check "module --check: nothing written" untouched module

play "module --check --diff" module.yml --check --diff
recap "module --check --diff" changed=1 failed=0
check "module --check --diff: the entry in the diff" in_output "+$ENTRY"
check "module --check --diff: the file in the diff header" grep -q "^--- .*$M" "$out"
check "module --check --diff: nothing written" untouched module

play "module apply" module.yml
recap "module apply" changed=1 failed=0
check "module apply: the entry once" has_entry module "$ENTRY"
check "module apply: the backup is the old file" cmp -s "$WORK/module/toolbox/local/pathdef.bak" "$ORIG"

after=$(state "$M" "$WORK/module/toolbox/local/pathdef.bak")
play "module again" module.yml
recap "module again" changed=0 failed=0
check "module again: pathdef.m and pathdef.bak untouched" \
  test "$(state "$M" "$WORK/module/toolbox/local/pathdef.bak")" = "$after"

play "module --diff, nothing to do" module.yml --diff
recap "module --diff, nothing to do" changed=0 failed=0
check "module --diff, nothing to do: no diff shown" not in_output "+++ "

play "state absent" "$BOOK" -e "$(vars '"/opt/mytools/matlab"' "[\"$root\"]" '"state": "absent"')"
recap "state absent" ok=1 changed=1 failed=0
check "state absent: the file back byte for byte" cmp -s "$M" "$ORIG"

# --- Two directories (one with a blank, one with a comma: each stays one) on two installations,
# then both off again.
fresh two-a
fresh two-b
DIRS='["/opt/my tools", "/opt/tb,2"]'
ROOTS="[\"$WORK/two-a\", \"$WORK/two-b\"]"
play "two dirs, two roots" "$BOOK" -e "$(vars "$DIRS" "$ROOTS")"
recap "two dirs, two roots" ok=1 changed=1 failed=0
for r in two-a two-b; do
  check "two dirs, two roots: $r has the first" has_entry $r $'\t'"'/opt/my tools:',..."
  check "two dirs, two roots: $r has the second, whole" has_entry $r $'\t'"'/opt/tb,2:',..."
done
play "two dirs, two roots, absent" "$BOOK" -e "$(vars "$DIRS" "$ROOTS" '"state": "absent"')"
recap "two dirs, two roots, absent" ok=1 changed=1 failed=0
for r in two-a two-b; do
  check "two dirs, two roots, absent: $r back byte for byte" cmp -s "$(file_of $r)" "$ORIG"
done

# --- A missing installation: the task fails with vorex's reason; the other one is still edited.
fresh present
GONE="$WORK/gone/toolbox/local/pathdef.m"
play "missing root" "$BOOK" -e "$(vars '"/opt/mytools/matlab"' "[\"$WORK/gone\", \"$WORK/present\"]")"
recap "missing root" ok=0 changed=0 failed=1
check "missing root: the reason in msg" \
  grep -qE "\"msg\": \"[^\"]*Failed: find $GONE: No such file or directory" "$out"
check "missing root: the other installation edited" has_entry present "$ENTRY"

play "nothing found" "$BOOK" -e "$(vars '"/opt/mytools/matlab"' "[\"$WORK/gone\"]")"
recap "nothing found" ok=0 failed=1
check "nothing found: the reason in msg" grep -qE "\"msg\": \"[^\"]*$GONE" "$out"

play "nothing found, notfound_ok" "$BOOK" -e "$(vars '"/opt/mytools/matlab"' "[\"$WORK/gone\"]" '"notfound_ok": true')"
recap "nothing found, notfound_ok" ok=1 changed=0 failed=0

# --- The README's command task, in a play of its own: check mode tells the truth, the second
# run changes nothing, a failure fails.
command_play() {  # command_play ROOT: the README's command task for ROOT as command.yml
  root=$1
  { printf -- '- name: the README command task\n  hosts: all\n  gather_facts: false\n  tasks:\n'
    readme_block yaml "from_json" | sed 's/^/    /'; } > command.yml
}
fresh command
command_play "$WORK/command"
play "command --check" command.yml --check
recap "command --check" ok=1 changed=1 failed=0
check "command --check: nothing written" untouched command
play "command apply" command.yml
recap "command apply" ok=1 changed=1 failed=0
check "command apply: the entry once" has_entry command "$ENTRY"
play "command again" command.yml
recap "command again" ok=1 changed=0 failed=0
play "command --check, nothing to do" command.yml --check
recap "command --check, nothing to do" ok=1 changed=0 failed=0
command_play "$WORK/gone"
play "command, missing root" command.yml
recap "command, missing root" ok=0 failed=1

# --- The README's check-then-apply script: applies once, then has nothing to do; a failure of
# the check fails the script with vorex's status.
script_run() {  # script_run NAME ROOT: the README's script for ROOT; sets rc, its output in $out
  root=$2
  readme_block sh "vorex -check on -matlabroot" > check-then-apply.sh
  out="$WORK/script-$1.out"
  sh check-then-apply.sh >"$out" 2>&1
  rc=$?
  echo "script $1: exit $rc"
}
fresh script
script_run apply "$WORK/script"
check "script apply: exit 0" test "$rc" -eq 0
check "script apply: the entry once" has_entry script "$ENTRY"
after=$(state "$(file_of script)")
script_run again "$WORK/script"
check "script again: exit 0" test "$rc" -eq 0
check "script again: said so" in_output "already has /opt/mytools/matlab"
check "script again: pathdef.m untouched" test "$(state "$(file_of script)")" = "$after"
script_run "missing root" "$WORK/gone"
check "script missing root: exit 2, vorex's status" test "$rc" -eq 2

# --- The README's Puppet exec, where Puppet is installed (the tests do not install it): applied
# once (--detailed-exitcodes 2), then nothing to do (0), and a failure fails (4).
puppet_run() {  # puppet_run NAME ROOT: the README's exec for ROOT; sets rc, its output in $out
  root=$2
  readme_block puppet "exec {" | sed "s|path    => \['/usr/bin', '/bin'\]|path    => ['$WORK/bin', '/usr/bin', '/bin']|" \
    > site.pp
  out="$WORK/puppet-$1.out"
  timeout 300 puppet apply --detailed-exitcodes --color=false --confdir "$WORK/puppet/conf" \
    --vardir "$WORK/puppet/var" --publicdir "$WORK/puppet/public" --codedir "$WORK/puppet/code" \
    --logdir "$WORK/puppet/log" --rundir "$WORK/puppet/run" site.pp >"$out" 2>&1
  rc=$?
  echo "puppet $1: exit $rc"
}
if command -v puppet >/dev/null; then
  fresh puppet
  puppet_run apply "$WORK/puppet"
  check "puppet apply: exit 2, applied" test "$rc" -eq 2
  check "puppet apply: the entry once" has_entry puppet "$ENTRY"
  after=$(state "$(file_of puppet)")
  puppet_run again "$WORK/puppet"
  check "puppet again: exit 0, nothing to do" test "$rc" -eq 0
  check "puppet again: pathdef.m untouched" test "$(state "$(file_of puppet)")" = "$after"
  puppet_run "missing root" "$WORK/gone"
  check "puppet missing root: exit 4, failed" test "$rc" -eq 4
else
  echo "puppet: not installed, the README's Puppet recipe not run"
fi

report ansible_e2e
