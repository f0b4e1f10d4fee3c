#!/usr/bin/env bash
# A locker made by the Windows vklocker.exe (run under Wine) opens with the
# Linux vklocker, and the reverse; the extracted trees equal the source, names
# outside ASCII included (lockers store them as UTF-8 on both systems).
# Usage: LockersAcrossPlatforms.sh LINUX_VKLOCKER WINDOWS_VKLOCKER WORK_FOLDER
# Skips (exit 77) when Wine or the Windows program is missing.
set -euo pipefail
linux=$1
windows=$2
work=$3

command -v wine >/dev/null || { echo "wine is not installed: skipped"; exit 77; }
[ -f "$windows" ] || { echo "no Windows build at $windows: skipped"; exit 77; }
export WINEDEBUG=-all
# Wine reads the command line and the file names in the locale's character set.
export LC_ALL=C.UTF-8

rm -rf "$work"
mkdir -p "$work/Docs/Sub/Empty"
cd "$work"
mkdir -p "Docs/日本" "Docs/Ωμέγα ☂"
printf 'top level\n' > Docs/readme.txt
printf 'sharp s\n' > "Docs/日本/ß"
printf 'accents\n' > "Docs/été.txt"
printf 'emoji\n' > "Docs/😀 grin.txt"
: > "Docs/Ωμέγα ☂/Ünïcødé 文件"
printf 'second line\r\nwith CRLF\n' > Docs/Sub/notes.txt
head -c 300000 /dev/urandom > Docs/Sub/random.bin
: > Docs/empty.txt
printf 'correct horse battery staple\n' > password

same_tree() {
    diff -r Docs "$1/Docs" || { echo "FAILED: $2: the extracted tree differs"; exit 1; }
}

wine "$windows" create --password-file password Docs from-windows.vklocker >/dev/null
"$linux" verify --password-file password from-windows.vklocker
"$linux" list --password-file password from-windows.vklocker | grep -q "日本/ß" ||
    { echo "FAILED: the Windows locker does not list its names in UTF-8"; exit 1; }
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
# A locker of the Linux folder $1 cannot be extracted on Windows: it is refused
# with a message holding $2 and nothing is written.
refused_on_windows() {
    "$linux" create --password-file password "$1" "$1.vklocker" >/dev/null
    if wine "$windows" extract --password-file password "$1.vklocker" "$1-target" >/dev/null 2>"$1.err"; then
        echo "FAILED: $1 was extracted on Windows"; exit 1
    fi
    grep -q "$2" "$1.err" || { echo "FAILED: $1: unexpected message: $(cat "$1.err")"; exit 1; }
    [ ! -e "$1-target/$1" ] || { echo "FAILED: $1: a refused locker wrote files"; exit 1; }
}

# A name made on Linux that is not UTF-8 (Latin-1 here) cannot name a Windows file.
mkdir -p Latin
printf 'latin-1 name\n' > "Latin/caf$(printf '\xe9').txt"
refused_on_windows Latin "is not UTF-8 text"

# Names that differ only in letter case are two items on Linux but one on
# Windows, where the later would replace the earlier.
mkdir -p Cases
printf 'upper\n' > Cases/A.txt
printf 'lower\n' > Cases/a.txt
refused_on_windows Cases "only in letter case"

# Arguments outside ASCII reach vklocker.exe as the names they are.
cp from-linux.vklocker "Wörter ☂.vklocker"
wine "$windows" extract --password-file password "Wörter ☂.vklocker" "Ziel 日本" >/dev/null
same_tree "Ziel 日本" "a locker and a folder named outside ASCII on Windows"
echo "lockers open across Linux and Windows"
