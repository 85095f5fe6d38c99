#!/bin/sh
# Mounts (or unmounts) a 64 KiB tmpfs at a folder, for the bank tests' full-disk cases.
# Without root the folder stays an ordinary one and those cases skip themselves; as root a
# disk that cannot be mounted fails the run, since then nothing would test a full disk.
action=$1
dir=$2
case $action in
  mount)
    mkdir -p "$dir"
    mountpoint -q "$dir" && exit 0
    if [ "$(id -u)" -eq 0 ]; then
      mount -t tmpfs -o size=64k tmpfs "$dir" || { echo "full_disk.sh: cannot mount the small disk as root" >&2; exit 1; }
    else
      echo "full_disk.sh: not root, full-disk cases will skip"
    fi
    ;;
  unmount)
    mountpoint -q "$dir" && umount "$dir"
    rmdir "$dir" 2>/dev/null
    ;;
  *) echo "usage: $0 mount|unmount DIR" >&2; exit 2 ;;
esac
exit 0
