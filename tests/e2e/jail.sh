# Sourced by the scripts that run the built program as root in small roots of their own (chroot)
# with users of their own, the whole script in a private mount namespace on a tmpfs, so that
# nothing a case plants or mounts reaches the machine.
#   jail_enter WHAT "$@"     first: runs the script again in a private mount namespace; returns 1
#                            (having said why) where root, unshare, chroot or setpriv is missing
#   jail_setup WHAT PROGRAM  the work folder $WORK (gone at exit) and the program as $VOREX
#   jail_root NAME USER...   a fresh root $R with the program as /vorex and the USERs
#   guard FILE... / intact FILE / absent PATH / nothing_beside FILE
#   jail_run ARGS...         the program in $R, as root or as $jail_userspec (uid:gid); sets rc,
#                            out (stdout) and err (stderr)
# Needs check.sh and program_root.sh sourced first.

jail_enter() {
  local what=$1
  shift
  if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null || ! command -v chroot >/dev/null ||
     ! command -v setpriv >/dev/null; then
    echo "skipped: the $what cases need root, unshare, chroot and setpriv" >&2
    return 1
  fi
  [ -n "${VOREX_JAIL_NAMESPACE-}" ] && return 0
  if ! unshare -m true 2>/dev/null; then
    echo "skipped: the $what cases need a mount namespace" >&2
    return 1
  fi
  VOREX_JAIL_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$@"
}

# Whatever a case mounted under $WORK goes with it; a script may define jail_before_cleanup to
# stop what it started first.
jail_cleanup() {
  if [ "$(type -t jail_before_cleanup)" = function ]; then jail_before_cleanup; fi
  umount -R "$WORK" 2>/dev/null
  rm -rf "$WORK"
}

jail_setup() {
  CHROOT=$(command -v chroot)
  WORK=$(mktemp -d "/tmp/vorex-$1-XXXXXX")
  if [ -n "${VOREX_JAIL_NAMESPACE-}" ]; then
    mount -t tmpfs -o mode=755 "vorex-$1" "$WORK" 2>/dev/null || chmod 755 "$WORK"
  else
    chmod 755 "$WORK"
  fi
  trap jail_cleanup EXIT
  cp "$2" "$WORK/vorex"
  VOREX="$WORK/vorex"
}

# The users a jail may hold, in the order of its /etc/passwd: each has a group of its name and a
# home of its own; evil is in staff (50) and crew (1100) too.
declare -A jail_uid=([evil]=1000 [alice]=1001 [bob]=1002)

jail_root() {
  local name=$1 user
  shift
  R="$WORK/$name"
  program_root "$VOREX" "$R"
  mkdir -p "$R/etc" "$R/root"
  chmod 700 "$R/root"
  printf 'root:x:0:0:root:/root:/bin/sh\n' > "$R/etc/passwd"
  printf 'root:x:0:\nstaff:x:50:evil\ncrew:x:1100:evil\n' > "$R/etc/group"
  for user in evil alice bob; do
    case " $* " in *" $user "*) ;; *) continue ;; esac
    printf '%s:x:%s:%s:%s:/home/%s:/bin/sh\n' "$user" "${jail_uid[$user]}" "${jail_uid[$user]}" "$user" "$user" \
      >> "$R/etc/passwd"
    printf '%s:x:%s:\n' "$user" "${jail_uid[$user]}" >> "$R/etc/group"
    mkdir -p "$R/home/$user"
    chown "${jail_uid[$user]}:${jail_uid[$user]}" "$R/home/$user"
  done
  jail_path=/usr/bin:/bin
  jail_userspec=
  guarded=()
}

# guard FILE...: root's files in the jail that no run may touch: their bytes and inodes are kept.
guard() {
  local f
  for f; do
    guarded+=("$f")
    mkdir -p "$(dirname "$R.kept$f")"
    cp "$R$f" "$R.kept$f"
    stat -c %i "$R$f" > "$R.kept$f.inode"
  done
}
intact() {  # intact FILE: the same regular file as guarded, byte for byte, inode for inode
  [ -f "$R$1" ] && [ ! -L "$R$1" ] && cmp -s "$R$1" "$R.kept$1" &&
    [ "$(stat -c %i "$R$1")" = "$(cat "$R.kept$1.inode")" ]
}
absent() { [ ! -e "$1" ] && [ ! -L "$1" ]; }
nothing_beside() {  # nothing_beside FILE: no pathdef.new or pathdef.bak in FILE's folder of the jail
  local dir
  dir=$(dirname "$R$1")
  absent "$dir/pathdef.new" && absent "$dir/pathdef.bak"
}

jail_run() {
  rm -f "$R/vorex.log"
  err=$(timeout 30 env PATH="$jail_path" "$CHROOT" ${jail_userspec:+"--userspec=$jail_userspec"} "$R" /vorex "$@" \
    2>&1 >"$R.out" </dev/null)
  rc=$?
  out=$(cat "$R.out")
}
