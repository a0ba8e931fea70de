# Sourced by the scripts that run the program as the whole machine (chroot).
#   program_root PROGRAM DIR   makes DIR a root that holds only PROGRAM (as /vorex) and its libraries
program_root() {
  mkdir -p "$2"
  cp "$1" "$2/vorex"
  local lib
  for lib in $(ldd "$1" | grep -o '/[^ ]*'); do
    mkdir -p "$2$(dirname "$lib")"
    cp "$lib" "$2$lib"
  done
}
