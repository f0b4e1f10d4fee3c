#!/usr/bin/env bash
# A locker made by the Windows vklocker.exe (run under Wine) opens with the
# Linux vklocker, and the reverse; the extracted trees equal the source.
# Usage: LockersAcrossPlatforms.sh LINUX_VKLOCKER WINDOWS_VKLOCKER WORK_FOLDER
# Skips (exit 77) when Wine or the Windows program is missing.
set -euo pipefail
linux=$1
windows=$2
work=$3

command -v wine >/dev/null || { echo "wine is not installed: skipped"; exit 77; }
[ -f "$windows" ] || { echo "no Windows build at $windows: skipped"; exit 77; }
export WINEDEBUG=-all

rm -rf "$work"
mkdir -p "$work/Docs/Sub/Empty"
cd "$work"
printf 'top level\n' > Docs/readme.txt
printf 'second line\r\nwith CRLF\n' > Docs/Sub/notes.txt
head -c 300000 /dev/urandom > Docs/Sub/random.bin
: > Docs/empty.txt
printf 'correct horse battery staple\n' > password

same_tree() {
    diff -r Docs "$1/Docs" || { echo "FAILED: $2: the extracted tree differs"; exit 1; }
}

wine "$windows" create --password-file password Docs from-windows.vklocker >/dev/null
"$linux" verify --password-file password from-windows.vklocker
"$linux" extract --password-file password from-windows.vklocker extracted-on-linux >/dev/null
same_tree extracted-on-linux "Windows locker opened on Linux"

"$linux" create --password-file password Docs from-linux.vklocker >/dev/null
wine "$windows" verify --password-file password from-linux.vklocker
wine "$windows" extract --password-file password from-linux.vklocker extracted-on-windows >/dev/null
same_tree extracted-on-windows "Linux locker opened on Windows"

# A wrong password fails on the other side too, writing nothing.
printf 'wrong\n' > wrong
if wine "$windows" extract --password-file wrong from-linux.vklocker wrong-target >/dev/null 2>&1; then
    echo "FAILED: a wrong password opened the Linux locker on Windows"; exit 1
fi
[ ! -e wrong-target/Docs ] || { echo "FAILED: a wrong password wrote files"; exit 1; }
echo "lockers open across Linux and Windows"
