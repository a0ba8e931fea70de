#!/usr/bin/env bash
# End-to-end cases of the 64-bit Windows program under Wine, headless with the null graphics
# driver; a helper program of ours presses the buttons. One case runs under Xvfb and takes a
# screenshot.
#   wine_e2e.sh path/to/mingw-x64-build
set -u
BUILD=$(readlink -f "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
W=/usr/lib/wine/wine64
WS=/usr/lib/wine/wineserver
WORK=$(mktemp -d /tmp/vorex-wine-XXXXXX)
export WINEPREFIX=$WORK/pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine links the profile's Documents to $HOME: a home of the test's own, never the real one.
export HOME=$WORK/home
mkdir -p "$HOME"
unset DISPLAY
XVFB_PID=
cleanup() {
  $WS -k 2>/dev/null
  if [ -n "$XVFB_PID" ]; then
    # A runner may start us with SIGTERM blocked, and Xvfb inherits that: fall back to SIGKILL.
    kill "$XVFB_PID" 2>/dev/null
    for _ in $(seq 20); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT
source "$HERE/check.sh"

# A fresh prefix with the null driver, no Z: (the whole Linux tree) and D: on a test folder.
$W wineboot -i >/dev/null 2>&1
$W reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
$WS -k; $WS -w
rm -f "$WINEPREFIX/dosdevices/z:"
mkdir -p "$WORK/d"
ln -s "$WORK/d" "$WINEPREFIX/dosdevices/d:"
C=$WINEPREFIX/drive_c
mkdir -p "$C/t"
cp "$BUILD/vorex.exe" "$BUILD/vorex.com" "$BUILD/tests/press_button.exe" "$BUILD/tests/raw_launch.exe" "$BUILD/tests/vorex_tests.exe" "$C/t/"
$WS -p
cd "$C/t" || exit 1

# The unit tests of the Windows platform code, on the real registry and disks.
$W vorex_tests.exe --gtest_brief=1 > "$WORK/unit.txt" 2>&1
# gtest prints a PASSED line even when some tests failed: no FAILED line either.
check "windows unit tests" sh -c 'grep -q PASSED "$1" && ! grep -q FAILED "$1"' - "$WORK/unit.txt" || cat "$WORK/unit.txt"
rm -rf "$C"/users/*/Temp/vorex-test-*

press() { $W press_button.exe 20000 "$@" 2>/dev/null | tr -d '\r'; }
vorex_bg() {  # runs vorex.exe with the raw command line given, in the background; rc in $WORK/rc
  rm -f "$WORK/rc"
  (VOREX_RAW_LINE="C:\\t\\vorex.exe $1" $W raw_launch.exe >/dev/null 2>&1; echo $? > "$WORK/rc") &
}
wait_rc() {
  for _ in $(seq 300); do [ -s "$WORK/rc" ] && break; sleep 0.1; done
  cat "$WORK/rc" 2>/dev/null
}
install_at() {  # install_at DIR (a Windows installation in a Unix folder, CRLF savepath file)
  mkdir -p "$1/bin/win64" "$1/toolbox/local"
  sed 's/$/\r/' "$HERE/../../examples/sample-install/toolbox/local/pathdef.m" | sed "s|/toolbox/|\\\\toolbox\\\\|; s|:', \.\.\.|;', ...|" > "$1/toolbox/local/pathdef.m"
}
register() { $W reg add 'HKCR\MATLAB.APPLICATION\CLSID' /ve /d '{11111111-2222-3333-4444-555555555555}' /f >/dev/null 2>&1
  $W reg add 'HKCR\CLSID\{11111111-2222-3333-4444-555555555555}\LocalServer32' /ve /d "$1" /f >/dev/null 2>&1; }
unregister() { $W reg delete 'HKCR\MATLAB.APPLICATION' /f >/dev/null 2>&1; }

# 1. No arguments: the usage box, status 64.
vorex_bg ""
out=$(press box)
check "usage caption" grep -q "caption=VOREX 2004: COMMAND-LINE SYNTAX" <<<"$out"
check "usage text" grep -q "  -command REMOVE -path <filepath to remove>" <<<"$out"
check "usage status" test "$(wait_rc)" = 64

# 2. The registry path: the dialog closes by itself, the file is edited, the log written.
install_at "$C/M"
ORIG=$(cat "$C/M/toolbox/local/pathdef.m")
register 'C:\M\bin\win64\MATLAB.exe /Automation'
export VOREX_PAUSE_PERCENT=0
vorex_bg '-command ADD -path "C:\Program Files\My Tools" -log on'
check "registry status" test "$(wait_rc)" = 0
check "registry entry" grep -qF "	'c:\\program files\\my tools;',..." "$C/M/toolbox/local/pathdef.m"
check "registry backup" test "$(cat "$C/M/toolbox/local/pathdef.bak")" = "$ORIG"
check "log written with CRLF" grep -q $'^Got closing brace\r$' "$C/t/vorex.log"

# 3. Cancel while running: the box lists the pairs, the file is left alone, status 3.
install_at "$C/M"
export VOREX_PAUSE_PERCENT=100
vorex_bg '-command REMOVE -path C:\a -command ADD -path C:\b'
press dialog "Searching Registry" >/dev/null
press cancel >/dev/null
out=$(press box)
check "cancel box" grep -q 'text=MATLAB path updated CANCELLED!' <<<"$out"
check "cancel pairs in list order" grep -qF 'ADD "C:\b "' <<<"$out"
check "cancel caption" grep -q "caption=vorex" <<<"$out"
check "cancel status" test "$(wait_rc)" = 3
check "cancel left file" test "$(cat "$C/M/toolbox/local/pathdef.m")" = "$ORIG"

# 4. Escape while running: the close-time box names the directory.
vorex_bg '-command ADD -path C:\esc'
press dialog "Searching Registry" >/dev/null
press escape >/dev/null
out=$(press box)
check "escape box" grep -qF 'run PATHTOOL and add"C:\esc" to your MATLAB path.' <<<"$(tr -d '\n' <<<"$out")"
check "escape status" test "$(wait_rc)" = 3

# 5. The drive scan: no registration, two installations on D:.
unregister
rm -rf "$C/M"
export VOREX_PAUSE_PERCENT=20
install_at "$WORK/d/apps/R1"
install_at "$WORK/d/deep/x/R2"
vorex_bg '-command ADD -path D:\shared'
out=$(press dialog "paths modified")
check "scan count shown" grep -q "status=MATLAB Path Update Complete (2 paths modified)." <<<"$out"
check "scan status" test "$(wait_rc)" = 0
check "scan edited both" test "$(grep -l "d:\\\\shared;" "$WORK/d/apps/R1/toolbox/local/pathdef.m" "$WORK/d/deep/x/R2/toolbox/local/pathdef.m" | wc -l)" = 2

# 6. A failure: the failure box, status 1.
export VOREX_PAUSE_PERCENT=0
rm -rf "$WORK/d/deep"
printf 'function p = pathdef\r\np = [];\r\n' > "$WORK/d/apps/R1/toolbox/local/pathdef.m"
vorex_bg '-command ADD -path D:\x'
out=$(press box)
check "failure box" grep -q 'An error ocurred while updating "pathdef.m".' <<<"$out"
check "failure status" test "$(wait_rc)" = 1

# 7. Nothing anywhere: the not-found box, status 2.
rm -rf "$WORK/d/apps" "$C/M"
vorex_bg '-command ADD -path D:\x'
out=$(press box)
check "not found box" grep -q 'WARNING: The MATLAB "pathdef.m" file could not be found.' <<<"$out"
check "not found status" test "$(wait_rc)" = 2

# 7b. Unattended (-silent on), with the pauses at full length: nothing is shown, nothing waits.
no_window() {  # succeeds when neither the dialog nor a box appears within 3 s
  ! $W press_button.exe 3000 dialog >/dev/null 2>&1 && ! $W press_button.exe 1 box >/dev/null 2>&1
}
export VOREX_PAUSE_PERCENT=100
start=$(date +%s)
vorex_bg '-command ADD -path D:\x -silent on -log on'
check "silent not found: no window" no_window
check "silent not found: status 2" test "$(wait_rc)" = 2
check "silent not found: ended by itself ($(( $(date +%s) - start )) s)" test $(( $(date +%s) - start )) -le 8
check "silent not found: text in the log" grep -q 'could not be found' "$C/t/vorex.log"
install_at "$C/M"
register 'C:\M\bin\win64\MATLAB.exe /Automation'
start=$(date +%s)
vorex_bg '-silent on -command ADD -path C:\silent'
rc=$(wait_rc)
took=$(( $(date +%s) - start ))
check "silent success: status 0" test "$rc" = 0
check "silent success: well under the 9 s of pauses (${took} s)" test "$took" -le 5
check "silent success: edited" grep -qF "'c:\silent;'" "$C/M/toolbox/local/pathdef.m"
vorex_bg '-silent on -command ADD'
check "silent usage: no box" no_window
check "silent usage: status 64" test "$(wait_rc)" = 64
unregister
rm -rf "$C/M"

# 7c. Several releases registered, one of them also the automation server's, one only in the
# 32-bit view: every one is edited, and no drive is walked.
export VOREX_PAUSE_PERCENT=0
install_at "$C/R23"
install_at "$WORK/d/R24"
install_at "$C/R12"
register 'C:\R23\bin\win64\MATLAB.exe /Automation'
$W reg add 'HKLM\SOFTWARE\MathWorks\MATLAB\23.2' /v MATLABROOT /d 'C:\R23' /f >/dev/null 2>&1
$W reg add 'HKLM\SOFTWARE\MathWorks\MATLAB\24.1' /v MATLABROOT /d 'D:\R24' /f >/dev/null 2>&1
$W reg add 'HKLM\SOFTWARE\MathWorks\MATLAB\7.14' /v MATLABROOT /d 'C:\R12' /f /reg:32 >/dev/null 2>&1
vorex_bg '-silent on -command ADD -path C:\rel -log on'
check "releases: status 0" test "$(wait_rc)" = 0
for f in "$C/R23" "$WORK/d/R24" "$C/R12"; do
  check "releases: $(basename "$f") edited" grep -qF "'c:\rel;'" "$f/toolbox/local/pathdef.m"
done
check "releases: each logged" test "$(grep -c '^Registry: ' "$C/t/vorex.log")" = 3
check "releases: no drive walked" bash -c "! grep -q '^Checking: ' '$C/t/vorex.log'"
$W reg delete 'HKLM\SOFTWARE\MathWorks' /f >/dev/null 2>&1
$W reg delete 'HKLM\SOFTWARE\MathWorks' /f /reg:32 >/dev/null 2>&1
unregister
rm -rf "$C/R23" "$WORK/d/R24" "$C/R12"

# 7d. Runs started together on one installation take turns: each exits 0 with its entry in the
# file, none reports the file missing while another replaces it.
install_at "$C/M"
register 'C:\M\bin\win64\MATLAB.exe /Automation'
parallel_ok=1
for round in 1 2 3 4 5 6; do
  pids=()
  for i in 1 2 3 4; do
    (VOREX_RAW_LINE="C:\\t\\vorex.exe -silent on -command ADD -path C:\\par$round$i" $W raw_launch.exe >/dev/null 2>&1
     echo $? > "$WORK/par$i") &
    pids+=($!)
  done
  wait "${pids[@]}"
  for i in 1 2 3 4; do
    rc=$(cat "$WORK/par$i" 2>/dev/null)
    [ "$rc" = 0 ] || { parallel_ok=0; echo "parallel round $round run $i: status $rc" >&2; }
    grep -qF "'c:\par$round$i;'" "$C/M/toolbox/local/pathdef.m" || { parallel_ok=0; echo "parallel round $round run $i: entry lost" >&2; }
  done
done
check "parallel: 6 rounds of 4 runs, every run 0 with its entry" test $parallel_ok = 1
check "parallel: nothing left beside pathdef.m" test -z "$(ls "$C/M/toolbox/local" | grep -v -x -e pathdef.m -e pathdef.bak)"
unregister
rm -rf "$C/M"

# 7e. A user's own copy in the startup folder (Documents\MATLAB, which Wine keeps in $HOME) and
# a registered installation: both edited, the copy first and logged once.
install_at "$C/M"
register 'C:\M\bin\win64\MATLAB.exe /Automation'
mkdir -p "$HOME/MATLAB"
sed 's/$/\r/' "$HERE/../../examples/sample-install/toolbox/local/pathdef.m" > "$HOME/MATLAB/pathdef.m"
cp "$HOME/MATLAB/pathdef.m" "$WORK/copy-before.m"
vorex_bg '-silent on -log on -command ADD -path C:\mine'
check "user copy: status 0" test "$(wait_rc)" = 0
check "user copy: installation edited" grep -qF "'c:\mine;'" "$C/M/toolbox/local/pathdef.m"
check "user copy: copy edited" grep -qF "c:\mine;'" "$HOME/MATLAB/pathdef.m"
check "user copy: backup beside it" cmp -s "$HOME/MATLAB/pathdef.bak" "$WORK/copy-before.m"
check "user copy: one User line" test "$(grep -c '^User: ' "$C/t/vorex.log")" = 1
check "user copy: edited first" test "$(grep -n -m1 '^Modify: ' "$C/t/vorex.log" | grep -ci 'documents')" = 1
unregister
rm -rf "$C/M" "$HOME/MATLAB"

# 7f. Named installations and a check, with the report on redirected standard output: the
# registered installation is left alone, and the check writes nothing.
install_at "$C/M"
install_at "$C/N"
register 'C:\M\bin\win64\MATLAB.exe /Automation'
cp "$C/N/toolbox/local/pathdef.m" "$WORK/n-before"
$W vorex.exe -check on -command ADD -path 'C:\chk' -matlabroot 'C:\N' > "$WORK/report" 2>/dev/null
rc=$?
check "check: status 4" test "$rc" = 4
check "check: report on stdout" test "$(tr -d '\r' < "$WORK/report")" = 'would change C:\N\toolbox\local\pathdef.m'
check "check: nothing written" cmp -s "$C/N/toolbox/local/pathdef.m" "$WORK/n-before"
check "check: no backup made" test ! -e "$C/N/toolbox/local/pathdef.bak"
$W vorex.exe -silent on -command ADD -path 'C:\chk' -matlabroot 'C:\N' > "$WORK/report" 2>/dev/null
rc=$?
check "named: status 0" test "$rc" = 0
check "named: report on stdout" test "$(tr -d '\r' < "$WORK/report")" = 'changed C:\N\toolbox\local\pathdef.m'
check "named: edited" grep -qF "c:\chk;'" "$C/N/toolbox/local/pathdef.m"
check "named: the registered one untouched" bash -c "! grep -qF 'chk' '$C/M/toolbox/local/pathdef.m'"
unregister

# 7f'. Where no window can be made (a display driver without a display): a silent run needs none,
# and the console program (vorex.com, found by cmd before vorex.exe by the plain name) neither;
# cmd sees their statuses; -logfile appends where it is told, -notfound ok makes nothing found no
# failure, -report json is one document.
$W reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
timeout 60 $W vorex.exe -silent on -command ADD -path 'C:\nodisplay' -matlabroot 'C:\N' > "$WORK/report" 2>"$WORK/err"
rc=$?
check "no display: silent status 0 ($rc)" test "$rc" = 0
check "no display: edited" grep -qF "c:\nodisplay;'" "$C/N/toolbox/local/pathdef.m"
out=$(timeout 60 $W cmd /c 'cd /d C:\t && vorex -matlabroot C:\N -command ADD -path C:\console & echo status %ERRORLEVEL%' 2>/dev/null | tr -d '\r')
check "console program: report on stdout" grep -qxF 'changed C:\N\toolbox\local\pathdef.m' <<<"$out"
check "console program: cmd sees status 0" grep -qx 'status 0' <<<"$out"
out=$(timeout 60 $W cmd /c 'cd /d C:\t && vorex -check on -matlabroot C:\N -command ADD -path C:\another & echo status %ERRORLEVEL%' 2>/dev/null | tr -d '\r')
check "console program: cmd sees status 4 of a check" grep -qx 'status 4' <<<"$out"
out=$(timeout 60 $W cmd /c 'cd /d C:\t && vorex -silent maybe -command ADD -path C:\x & echo status %ERRORLEVEL%' 2>&1 | tr -d '\r')
check "console program: a bad switch value is status 64" grep -qx 'status 64' <<<"$out"
$W reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
mkdir -p "$C/ProgramData/Acme"
printf 'earlier line\r\n' > "$C/ProgramData/Acme/install.log"
timeout 60 $W vorex.exe -silent on -logfile 'C:\ProgramData\Acme\install.log' -command ADD -path 'C:\logged' -matlabroot 'C:\N' \
  > /dev/null 2>&1
rc=$?
check "logfile: status 0" test "$rc" = 0
check "logfile: appended to" grep -q '^earlier line' "$C/ProgramData/Acme/install.log"
check "logfile: the run's lines" grep -q 'changed C:.N.toolbox.local.pathdef.m' "$C/ProgramData/Acme/install.log"
rm -rf "$C/M" "$C/N"
timeout 60 $W vorex.exe -silent on -notfound ok -logfile 'C:\ProgramData\Acme\install.log' -command ADD -path 'C:\x' \
  -report json > "$WORK/report" 2>/dev/null
rc=$?
check "notfound ok: status 0 with nothing found" test "$rc" = 0
check "notfound ok: the log says so" grep -q '^Nothing found' "$C/ProgramData/Acme/install.log"
check "notfound ok: one JSON document, status 0" python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(d["status"] != 0)' "$WORK/report"
# The JSON report of the Windows program against the schema: a changed, a would-change, an
# unchanged and a failed (missing) installation, in a folder whose name holds a quote, a percent
# sign and an accented letter (a byte of the ANSI code page that is no UTF-8).
valid_report() {  # valid_report FILE: one document that the schema takes
  /usr/bin/python3 - "$1" "$HERE/../../doc/report.schema.json" <<'PY'
import json, sys
import jsonschema
doc = json.load(open(sys.argv[1], encoding='utf-8', errors='surrogateescape'))
jsonschema.validate(doc, json.load(open(sys.argv[2])))
PY
}
if /usr/bin/python3 -c 'import jsonschema' 2>/dev/null; then
  odd=$'Q\'s 100% caf\xc3\xa9'
  install_at "$C/$odd"
  for args in "-check on" "-silent on"; do
    for rep in 1 2; do
      timeout 60 $W vorex.exe $args -report json -diff on -matlabroot "C:\\$odd" -matlabroot 'C:\gone' \
        -command ADD -path 'C:\json' > "$WORK/report" 2>/dev/null
      check "json report ($args, run $rep): valid against the schema" valid_report "$WORK/report"
    done
  done
  rm -rf "$C/$odd"
else
  echo "skipped: the JSON schema checks need Debian's python3-jsonschema" >&2
fi

# 7g. GNU Octave's site startup file beside a registered MATLAB: edited only with -octave on,
# with one marked block at its end and its own lines left as they were.
install_at "$C/M"
register 'C:\M\bin\win64\MATLAB.exe /Automation'
O="$C/Program Files/GNU Octave/Octave-9.2.0/mingw64/share/octave/site/m/startup"
mkdir -p "$O"
printf '## site startup\r\npkg load signal\r\n' > "$O/octaverc"
cp "$O/octaverc" "$WORK/octaverc-before"
$W vorex.exe -silent on -command ADD -path 'C:\oct' > "$WORK/report" 2>/dev/null
check "octave off: status 0" test $? = 0
check "octave off: the Octave file untouched" cmp -s "$O/octaverc" "$WORK/octaverc-before"
$W vorex.exe -silent on -octave on -command ADD -path 'C:\oct2' > "$WORK/report" 2>/dev/null
check "octave: status 0" test $? = 0
check "octave: MATLAB edited" grep -qF "c:\oct2;'" "$C/M/toolbox/local/pathdef.m"
printf '## site startup\r\npkg load signal\r\n## Begin vorex section, do not edit\r\naddpath (%s);\r\n## End vorex section\r\n' \
  "'c:\oct2', '-end'" > "$WORK/octaverc-expected"
check "octave: the block at the end, every other line kept" cmp -s "$O/octaverc" "$WORK/octaverc-expected"
check "octave: backup beside it" cmp -s "$O/octaverc.bak" "$WORK/octaverc-before"
check "octave: reported" grep -qF 'changed C:\Program Files\GNU Octave\Octave-9.2.0\mingw64\share\octave\site\m\startup\octaverc' "$WORK/report"
unregister
rm -rf "$C/M" "$C/Program Files/GNU Octave"

# 7h. Round trips on a named installation: for each hostile name, ADD writes one entry (lower-cased,
# without what Windows ignores at the end of a name) above the end marker and changes nothing
# else, and REMOVE of the same name gives the file back byte for byte.
export VOREX_PAUSE_PERCENT=0
install_at "$C/RT"
RT="$C/RT/toolbox/local/pathdef.m"
RT_REPORT='C:\RT\toolbox\local\pathdef.m'
cp "$RT" "$WORK/rt-before"
vorex_named() {  # vorex_named ARGS: runs with the raw arguments on C:\RT and waits; sets rc and out (the report)
  VOREX_RAW_LINE="C:\\t\\vorex.exe -silent on -matlabroot C:\\RT $1" $W raw_launch.exe > "$WORK/out" 2>/dev/null
  rc=$?
  out=$(tr -d '\r' < "$WORK/out")
}
with_entry() {  # with_entry FILE ENTRY: FILE with the line of ENTRY (as written) above its end marker
  E=$'\t'"'$2;',..."$'\r' awk '$0 == "%%% END ENTRIES %%%\r" { print ENVIRON["E"] } { print }' "$1"
}
while IFS='|' read -r label name written; do
  vorex_named "-command ADD -path $name"
  check "round trip $label: ADD status 0 ($rc)" test "$rc" = 0
  check "round trip $label: ADD reported changed" test "$out" = "changed $RT_REPORT"
  check "round trip $label: '$written' above the end marker, nothing else changed" cmp -s "$RT" <(with_entry "$WORK/rt-before" "$written")
  vorex_named "-command REMOVE -path $name"
  check "round trip $label: REMOVE status 0 ($rc)" test "$rc" = 0
  check "round trip $label: REMOVE reported changed" test "$out" = "changed $RT_REPORT"
  check "round trip $label: byte for byte" cmp -s "$RT" "$WORK/rt-before"
  cp "$WORK/rt-before" "$RT"
done <<'NAMES'
trailing dot|C:\Tools\Foo.|c:\tools\foo
quoted, trailing blank inside|"C:\Tools\Foo "|c:\tools\foo
trailing comma (a quoting slip, trimmed)|C:\Tools\Foo,|c:\tools\foo
trailing quote (a quoting slip, trimmed)|C:\Tools\Foo'|c:\tools\foo
quote inside|C:\Tools\O'Brien|c:\tools\o''brien
backslash dot|C:\Tools\Foo\.|c:\tools\foo
trailing dots|C:\Tools\Foo...|c:\tools\foo
trailing backslash|C:\Tools\Foo\|c:\tools\foo
mixed case, blank inside|C:\Tools\Mixed Case|c:\tools\mixed case
percent|C:\Tools\100% Sure|c:\tools\100% sure
variable look-alike|C:\Tools\%PATH%|c:\tools\%path%
NAMES

# A name that Windows holds apart from c:\tools\foo is not taken for it by a REMOVE.
vorex_named '-command ADD -path C:\Tools\Foo'
cp "$RT" "$WORK/rt-foo"
for name in 'C:\Tools\Foobar' 'C:\Tools\Fo' 'C:\Tools\Foo-x'; do
  vorex_named "-command REMOVE -path $name"
  check "REMOVE $name leaves c:\\tools\\foo: reported unchanged" test "$rc:$out" = "0:unchanged $RT_REPORT"
  check "REMOVE $name leaves c:\\tools\\foo: file untouched" cmp -s "$RT" "$WORK/rt-foo"
  cp "$WORK/rt-foo" "$RT"
done
cp "$WORK/rt-before" "$RT"

# A quoted value that ends in a backslash (as an installer passes [INSTALLDIR]) ends at its quote,
# names the directory without the backslash, and the options after it still count.
rm -f "$C/t/vorex.log"
vorex_named '-command ADD -path "C:\Tools\q\" -log on'
check "trailing backslash: first ADD status 0 ($rc)" test "$rc" = 0
check "trailing backslash: the option after the quoted value counts" test -f "$C/t/vorex.log"
vorex_named '-command ADD -path "C:\Tools\q"'
check "trailing backslash: second ADD status 0, unchanged" test "$rc:$out" = "0:unchanged $RT_REPORT"
check "trailing backslash: one entry" cmp -s "$RT" <(with_entry "$WORK/rt-before" 'c:\tools\q')
cp "$WORK/rt-before" "$RT"
vorex_named '-command ADD -path "C:\Program Files\Acme Tools\"'
check "[INSTALLDIR]: ADD status 0 ($rc)" test "$rc" = 0
vorex_named '-command REMOVE -path "C:\Program Files\Acme Tools"'
check "[INSTALLDIR]: REMOVE without the backslash status 0, changed" test "$rc:$out" = "0:changed $RT_REPORT"
check "[INSTALLDIR]: byte for byte" cmp -s "$RT" "$WORK/rt-before"

# MATLAB's own separator line below the end marker is no entry: the ':' stays.
printf "separator = ':';\r\n" >> "$RT"
cp "$RT" "$WORK/rt-sep"
vorex_named '-command ADD -path C:\Tools\Sep'
check "separator line: ADD status 0 ($rc)" test "$rc" = 0
check "separator line: only the entry added, the line untouched" cmp -s "$RT" <(with_entry "$WORK/rt-sep" 'c:\tools\sep')
vorex_named '-command REMOVE -path C:\Tools\Sep'
check "separator line: REMOVE status 0 ($rc)" test "$rc" = 0
check "separator line: byte for byte" cmp -s "$RT" "$WORK/rt-sep"
rm -rf "$C/RT"

# 8. On a screen: the dialog's size and no caption, and a screenshot.
if command -v Xvfb >/dev/null && command -v import >/dev/null; then
  $WS -k; $WS -w
  display=77
  while [ -e "/tmp/.X$display-lock" ] && [ "$display" -lt 120 ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$display"
  sleep 1
  $W reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1
  $W reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  $WS -k; $WS -w; $WS -p
  export VOREX_PAUSE_PERCENT=100
  vorex_bg '-command ADD -path C:\screen'
  out=$(press dialog "Searching")
  import -window root "$WORK/shot.png" 2>/dev/null
  w=$(sed -n 's/^size=\([0-9]*\)x.*/\1/p' <<<"$out"); h=$(sed -n 's/^size=[0-9]*x\([0-9]*\)/\1/p' <<<"$out")
  check "dialog width" test "${w:-0}" -ge 300 -a "${w:-0}" -le 560
  check "dialog height" test "${h:-0}" -ge 70 -a "${h:-0}" -le 140
  check "dialog has no caption" grep -q "caption=0" <<<"$out"
  check "screenshot taken" test -s "$WORK/shot.png"
  if [ -n "${VOREX_SHOT:-}" ]; then cp "$WORK/shot.png" "$VOREX_SHOT"; fi
  press escape >/dev/null
  press box >/dev/null
  check "screen case status" test "$(wait_rc)" = 3
else
  echo "skipped: the screenshot case needs Xvfb and imagemagick" >&2
fi

report wine-e2e
