#!/bin/sh
# A folder the Wine user can't write, as Program Files is to a user:
#   readonly_folder.sh make FOLDER   made read-only (and immutable where the
#                                    tests run as root, whom modes don't stop)
#   readonly_folder.sh free FOLDER   writable again
set -e
case $1 in
make)
    mkdir -p "$2"
    chattr -i "$2" 2>/dev/null || true
    chmod 555 "$2"
    chattr +i "$2" 2>/dev/null || true
    ;;
free)
    chattr -i "$2" 2>/dev/null || true
    chmod 755 "$2"
    ;;
esac
