#!/usr/bin/env bash
# The installer and script recipes of the README, run under Wine against the 64-bit programs: an
# NSIS installer and an MSI package that put a toolbox on the path of a registered installation
# and take it off again, cmd lines that call vorex.com and vorex.exe, and a detection script.
#   installers_e2e.sh path/to/mingw-x64-build
set -u
for tool in makensis wixl msibuild msiinfo; do
  command -v "$tool" >/dev/null || { echo "skipped: the installer recipes need $tool (nsis, wixl, msitools)"; exit 0; }
done
BUILD=$(readlink -f "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
W=/usr/lib/wine/wine64
WS=/usr/lib/wine/wineserver
WORK=$(mktemp -d /tmp/vorex-installers-XXXXXX)
export WINEPREFIX=$WORK/pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" VOREX_PAUSE_PERCENT=0
# Wine keeps the profile's Documents in $HOME: a home of the test's own, never the real one.
export HOME=$WORK/home
mkdir -p "$HOME"
unset DISPLAY VOREX_RAW_LINE
cleanup() {
  $WS -k 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
source "$HERE/check.sh"

# A fresh prefix with the null driver and without Z: (the whole Linux tree): a run that finds
# nothing walks every drive, and would edit whatever pathdef.m it met there.
$W wineboot -i >/dev/null 2>&1
$W reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
$WS -k; $WS -w
rm -f "$WINEPREFIX/dosdevices/z:"
$WS -p
C=$WINEPREFIX/drive_c
mkdir -p "$C/t"

# The README's recipes marked as tested are the text of the files the cases below run.
awk -v dir="$WORK" '
  /^<!-- verbatim from [^ ]+ -->$/ { n++; print $4 > (dir "/blocks"); state = 1; next }
  state == 1 && /^```/ { state = 2; printf "" > (dir "/block." n); next }
  state == 2 && /^```$/ { state = 0; next }
  state == 2 { print > (dir "/block." n) }
' "$ROOT/README.md"
n=0
while read -r target; do
  n=$((n + 1))
  check "README recipe $n is the text of $target" \
    bash -c '[[ "$(cat "$1")" == *"$(cat "$2")"* ]]' - "$ROOT/$target" "$WORK/block.$n"
done < <(cat "$WORK/blocks" 2>/dev/null)
check "README: every tested recipe is marked ($n)" test "$n" -ge 5

# The toolbox and both packages.
STAGE=$WORK/stage
mkdir -p "$STAGE/matlab"
cp "$BUILD/vorex.exe" "$BUILD/vorex.com" "$STAGE/"
printf 'function acme_hello\r\ndisp(%s)\r\n' "'hello'" > "$STAGE/matlab/acme_hello.m"
check "makensis builds the installer" \
  makensis -V2 -DVOREX_DIR="$STAGE" -DTOOLBOX_DIR="$STAGE/matlab" -DOUTFILE="$C/t/acme-toolbox.exe" "$HERE/installers/toolbox.nsi"
check "wixl builds the package" \
  sh -c 'cd "$1" && wixl -a x64 -o toolbox.msi "$2" 2>&1 >/dev/null | grep -v "^$" >&2; test -s toolbox.msi' - "$STAGE" "$HERE/installers/toolbox.wxs"
msibuild "$STAGE/toolbox.msi" -q "UPDATE CustomAction SET Type = 3410 WHERE Action = 'MatlabPathAddRollback' OR Action = 'MatlabPathRemoveRollback'"
msiinfo export "$STAGE/toolbox.msi" CustomAction | tr -d '\r' | grep '^MatlabPath' | cut -f1,2 | sort > "$WORK/types"
printf '%s\t%s\n' MatlabPathAdd 3090 MatlabPathAddRollback 3410 MatlabPathRemove 3090 MatlabPathRemoveRollback 3410 > "$WORK/types-expected"
check "MSI: the vorex runs are deferred, unimpersonated, checked; the rollbacks in the script" \
  cmp -s "$WORK/types" "$WORK/types-expected"
cp "$STAGE/toolbox.msi" "$C/t/"
for f in detect.cmd scripted.cmd; do sed 's/$/\r/' "$HERE/installers/$f" > "$C/t/$f"; done

wrun() {  # wrun LINE...: runs the lines as a batch file (cmd waits for GUI programs there too);
          # sets out (stdout) and rc (the last line's full status: Wine's own exit status is 8 bits)
  { printf '@echo off\r\n'; printf '%s\r\n' "$@"; printf '>C:\\t\\status.txt echo %%ERRORLEVEL%%\r\n'; } > "$C/t/run.cmd"
  rm -f "$C/t/status.txt"
  (cd "$C/t" && timeout 60 $W cmd /c 'C:\t\run.cmd' > "$WORK/out" 2> "$WORK/err")
  out=$(tr -d '\r' < "$WORK/out")
  rc=$(tr -d '\r ' < "$C/t/status.txt" 2>/dev/null)
}
R="$C/Program Files/MATLAB/R2024a"
RP="$R/toolbox/local/pathdef.m"
RP_WIN='C:\Program Files\MATLAB\R2024a\toolbox\local\pathdef.m'
I="$C/Program Files/Acme Tools"
LOG="$C/ProgramData/Acme/toolbox-install.log"
make_matlab() {  # the sample installation as Windows has it (CRLF, backslashes), registered as a release
  mkdir -p "$R/toolbox/local" "$R/bin/win64"
  sed 's/$/\r/' "$ROOT/examples/sample-install/toolbox/local/pathdef.m" | sed "s|/toolbox/|\\\\toolbox\\\\|; s|:', \.\.\.|;', ...|" > "$RP"
  $W reg add 'HKLM\SOFTWARE\MathWorks\MATLAB\24.1' /v MATLABROOT /d 'C:\Program Files\MATLAB\R2024a' /f >/dev/null 2>&1
}
drop_matlab() {
  $W reg delete 'HKLM\SOFTWARE\MathWorks' /f >/dev/null 2>&1
  rm -rf "$C/Program Files/MATLAB" "$HOME/MATLAB"
}
with_entry() {  # with_entry FILE: FILE with the toolbox's entry above its end marker
  E=$'\t'"'c:\\program files\\acme tools\\matlab;',..."$'\r' awk '$0 == "%%% END ENTRIES %%%\r" { print ENVIRON["E"] } { print }' "$1"
}
mark() { mark=$(cat "$LOG" 2>/dev/null | wc -l); }
since() { tail -n +$((mark + 1)) "$LOG" 2>/dev/null | tr -d '\r'; }  # the log of the runs after mark
ORIG=$WORK/orig.m
nsis_install() { mark; wrun 'C:\t\acme-toolbox.exe /S'; }
# Uninstall.exe /S returns at once and goes on from a copy in %TEMP%; a copy run with _?= is the
# uninstaller itself, waited for, and still removes the folder.
nsis_uninstall() {
  mark
  wrun 'copy /y "C:\Program Files\Acme Tools\Uninstall.exe" C:\t\un.exe >nul' 'C:\t\un.exe /S _?=C:\Program Files\Acme Tools'
}

# NSIS over a registered installation: the entry once; again, nothing changes; uninstalled, the
# file is the original and the folder is gone, the log is kept.
make_matlab
cp "$RP" "$ORIG"
nsis_install
check "NSIS install: status 0 ($rc)" test "$rc" = 0
check "NSIS install: the entry once, above the end marker, nothing else changed" cmp -s "$RP" <(with_entry "$ORIG")
check "NSIS install: the log names the edit" grep -qxF "changed $RP_WIN" <<<"$(since)"
cp "$RP" "$WORK/installed.m"
nsis_install
check "NSIS reinstall: status 0 ($rc)" test "$rc" = 0
check "NSIS reinstall: unchanged, byte for byte" cmp -s "$RP" "$WORK/installed.m"
check "NSIS reinstall: reported unchanged" grep -qxF "unchanged $RP_WIN" <<<"$(since)"

# The detection script and the cmd lines, with both programs installed beside each other.
wrun 'call C:\t\detect.cmd'
check "detection: installed (status 0, a line on stdout)" test "$rc:$out" = "0:installed"
cp "$ORIG" "$RP"
wrun 'call C:\t\detect.cmd'
check "detection: entry missing, the check says 4: not installed" test "$rc:$out" = "1:"
check "detection: the check wrote nothing" cmp -s "$RP" "$ORIG"
wrun 'call C:\t\scripted.cmd'
check "cmd: vorex (vorex.com) waited for, its status and report on stdout" \
  test "$out" = "changed $RP_WIN"$'\n'"vorex: 0"$'\n'"vorex.exe: 0"
check "cmd: the entry added once" cmp -s "$RP" "$WORK/installed.m"
mv "$C/Program Files/MATLAB" "$WORK/matlab-away"
wrun 'call C:\t\scripted.cmd'
check "cmd: a failing status is the program's, for both programs (no installation: 2)" \
  test "$out" = $'vorex: 2\nvorex.exe: 2'
mv "$WORK/matlab-away" "$C/Program Files/MATLAB"
mkdir -p "$C/decoy"
cp "$BUILD/vorex.com" "$C/decoy/"
cp "$BUILD/tests/raw_launch.exe" "$C/decoy/vorex.exe"  # exits 120 when it is the one started
wrun 'cd /d C:\decoy' 'vorex -check on -matlabroot C:\nowhere -command ADD -path C:\x'
check "cmd: the plain name runs vorex.com before vorex.exe ($rc)" test "$rc" = 2
rm -rf "$C/decoy"

nsis_uninstall
check "NSIS uninstall: status 0 ($rc)" test "$rc" = 0
check "NSIS uninstall: byte for byte the original" cmp -s "$RP" "$ORIG"
check "NSIS uninstall: the folder is gone" test ! -e "$I"
check "NSIS uninstall: the log is kept" grep -qxF "changed $RP_WIN" <<<"$(since)"
wrun 'call C:\t\detect.cmd'
check "detection: uninstalled, not installed" test "$rc:$out" = "1:"

# NSIS without MATLAB: -notfound ok lets the install succeed, and the log says why.
drop_matlab
nsis_install
check "NSIS without MATLAB: status 0 ($rc)" test "$rc" = 0
check "NSIS without MATLAB: the log says nothing was found" grep -q '^Nothing found' <<<"$(since)"
nsis_uninstall
check "NSIS without MATLAB: uninstall status 0 ($rc)" test "$rc" = 0

# NSIS over a file that cannot be edited: the install fails with vorex's status and the reason in
# the log; the user's copy edited before it gets its original back, and nothing stays installed.
make_matlab
printf 'function p = pathdef\r\np = [];\r\n' > "$RP"
cp "$RP" "$WORK/broken.m"
mkdir -p "$HOME/MATLAB"
cp "$ORIG" "$HOME/MATLAB/pathdef.m"
nsis_install
check "NSIS failure: the installer fails with vorex's status 1 ($rc)" test "$rc" = 1
check "NSIS failure: the reason in the log" grep -qF "Failed: edit $RP_WIN: no \"%%% END ENTRIES %%%\" line" <<<"$(since)"
check "NSIS failure: the copy edited first has its original text back" cmp -s "$HOME/MATLAB/pathdef.m" "$ORIG"
check "NSIS failure: the file that failed untouched" cmp -s "$RP" "$WORK/broken.m"
check "NSIS failure: nothing left installed" test ! -e "$I"
drop_matlab

# The MSI package, the same cases. Wine's msiexec cannot repair with /f (it answers 1605 or 1);
# REINSTALL=ALL is the same repair.
make_matlab
mark
wrun 'msiexec /i C:\t\toolbox.msi /qn'
check "MSI install: status 0 ($rc)" test "$rc" = 0
check "MSI install: the entry once, above the end marker, nothing else changed" cmp -s "$RP" <(with_entry "$ORIG")
check "MSI install: the log names the edit" grep -qxF "changed $RP_WIN" <<<"$(since)"
mark
wrun 'msiexec /i C:\t\toolbox.msi /qn'
check "MSI install again: status 0 ($rc)" test "$rc" = 0
check "MSI install again: unchanged, byte for byte" cmp -s "$RP" "$WORK/installed.m"
wrun 'msiexec /i C:\t\toolbox.msi REINSTALL=ALL REINSTALLMODE=omus /qn'
check "MSI repair: status 0 ($rc)" test "$rc" = 0
check "MSI repair: unchanged, byte for byte" cmp -s "$RP" "$WORK/installed.m"
check "MSI install again and repair: both ran, both unchanged" test "$(since | grep -cxF "unchanged $RP_WIN")" = 2
wrun 'call C:\t\detect.cmd'
check "MSI installed: detection says installed" test "$rc:$out" = "0:installed"
mark
wrun 'msiexec /x C:\t\toolbox.msi /qn'
check "MSI uninstall: status 0 ($rc)" test "$rc" = 0
check "MSI uninstall: byte for byte the original" cmp -s "$RP" "$ORIG"
check "MSI uninstall: the folder is gone" test ! -e "$I"
check "MSI uninstall: the log is kept" grep -qxF "changed $RP_WIN" <<<"$(since)"

drop_matlab
mark
wrun 'msiexec /i C:\t\toolbox.msi /qn'
check "MSI without MATLAB: status 0 ($rc)" test "$rc" = 0
check "MSI without MATLAB: the log says nothing was found" grep -q '^Nothing found' <<<"$(since)"
wrun 'msiexec /x C:\t\toolbox.msi /qn'
check "MSI without MATLAB: uninstall status 0 ($rc)" test "$rc" = 0

# A failing file fails the package (Windows Installer says 1603; Wine's msiexec 1627). The rollback
# actions are not run here: Wine removes the installed files before it runs them.
make_matlab
printf 'function p = pathdef\r\np = [];\r\n' > "$RP"
mark
wrun 'msiexec /i C:\t\toolbox.msi /qn'
check "MSI failure: msiexec fails ($rc)" test "$rc" = 1603 -o "$rc" = 1627
check "MSI failure: the reason in the log" grep -qF "Failed: edit $RP_WIN: no \"%%% END ENTRIES %%%\" line" <<<"$(since)"
check "MSI failure: the file that failed untouched" cmp -s "$RP" "$WORK/broken.m"
check "MSI failure: nothing left installed" test ! -e "$I"
drop_matlab

# Program Files holds a blank, so the automation server's registered command is quoted there,
# as Windows wants it; that registration alone names the installation.
make_matlab
$W reg delete 'HKLM\SOFTWARE\MathWorks' /f >/dev/null 2>&1
$W reg add 'HKCR\MATLAB.APPLICATION\CLSID' /ve /d '{11111111-2222-3333-4444-555555555555}' /f >/dev/null 2>&1
$W reg add 'HKCR\CLSID\{11111111-2222-3333-4444-555555555555}\LocalServer32' /ve \
  /d '"C:\Program Files\MATLAB\R2024a\bin\win64\MATLAB.exe" /Automation' /f >/dev/null 2>&1
cp "$BUILD/vorex.com" "$C/t/"
wrun 'C:\t\vorex.com -check on -logfile C:\t\registry.log -command ADD -path C:\q'
check "registry: a quoted automation server command names its installation" grep -qxF "Registry: $RP_WIN" <(tr -d '\r' < "$C/t/registry.log")

# What a script may ask vorex.com for by hand: the version on standard output, no window (a box
# would wait for a click nobody gives). Last, as a box left open holds its process.
(cd "$C/t" && timeout 15 $W 'C:\t\vorex.com' --version > "$WORK/version" 2>/dev/null)
rc=$?
check "vorex.com --version: the version on stdout, status 0 ($rc)" sh -c 'test "$1" = 0 && grep -q "^vorex " "$2"' - "$rc" "$WORK/version"

report installers-e2e
