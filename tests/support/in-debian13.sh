#!/usr/bin/env bash
# Runs a command inside the Debian 13 root (scripts/debian13-root), with /proc, /sys, /dev, /tmp
# and the project folder bound at the same paths and the environment passed on. The
# binds live in a private mount namespace, so they go with the command, also when it is killed.
# Exits 77 (skipped) when the root cannot be had here.
set -euo pipefail
[ "$#" -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
project=$(cd "$(dirname "$0")/../.." && pwd)
root=$("$project/scripts/debian13-root") || { echo "SKIPPED: no Debian 13 root here" >&2; exit 77; }

if [ "${HOVERDECK_IN_DEBIAN13_NS:-}" != 1 ]; then
  HOVERDECK_IN_DEBIAN13_NS=1 exec unshare --mount --propagation private "$0" "$@"
fi
unset HOVERDECK_IN_DEBIAN13_NS
for dir in /proc /sys /dev /dev/pts /dev/shm /tmp "$project"; do
  [ -d "$dir" ] || continue
  mkdir -p "$root$dir"
  mount --rbind "$dir" "$root$dir"
done
# The command's own folders (a work folder outside /tmp, a build tree elsewhere) come along too.
for dir in ${HOVERDECK_DEBIAN13_BIND:-}; do
  mkdir -p "$root$dir"
  mount --rbind "$dir" "$root$dir"
done
exec chroot "$root" /usr/bin/env -C "$PWD" "$@"
