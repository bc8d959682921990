#!/bin/sh
# linux-package-test.sh BUILD SOURCE: makes the converter's .tar.gz, unpacks it into a fresh folder and uses it
# as a new user would: a static program, a clean manual page, every sample compiled from a folder with a
# Japanese name, the messages UTF-8, a song through a pipe, and the files the command line must not touch.
set -e
build=$1 source=$2
work=$build/package-test
rm -rf "$work"
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
tar -xzf "$work"/package/trivane-*-linux-x86_64.tar.gz -C "$work"
release=$(ls -d "$work"/trivane-*-linux-x86_64)
trivane=$release/bin/trivane version=${release##*/trivane-} && version=${version%-linux-x86_64}
! readelf -d "$trivane" | grep -q NEEDED || fail "trivane needs shared libraries"
[ -z "$(groff -k -man -Tutf8 -ww -z "$release/share/man/man1/trivane.1" 2>&1)" ] || fail "groff warns"
"$trivane" --version >"$work/version.txt" || fail "--version: status $?"
"$trivane" --help >"$work/help.txt" || fail "--help: status $?"
"$trivane" >"$work/usage.txt" || fail "no arguments: status $?"
[ "$(head -n 1 "$work/version.txt")" = "Trivane version $version" ] || fail "--version"
grep -q "^例: trivane " "$work/help.txt" || fail "--help gives no example"
head -n 1 "$work/usage.txt" | grep -q "^Trivane version $version - " || fail "no banner"

songs="$work/曲 フォルダ"
mkdir "$songs"
cp "$release"/share/doc/trivane/samples/*.mml "$songs/"
[ -s "$release/share/doc/trivane/mml.md" ] || fail "no manual of the dialect"
diff -r "$source/editors" "$release/share/doc/trivane/editors" || fail "the editors' files differ from the sources"
for song in "$songs"/*.mml; do
    "$trivane" "$song" "${song%.mml}.mid" >"$work/messages.txt" || fail "$song: $(cat "$work/messages.txt")"
    grep -qx "SMF format 1 で書き出しました: ${song%.mml}.mid" "$work/messages.txt" || fail "$song: messages"
    [ "$(head -c 4 "${song%.mml}.mid")" = MThd ] || fail "$song: no SMF file"
done

# Through a pipe: the same file, every message on standard error; after an error nothing on standard output.
"$trivane" - - <"$songs/march.mml" >"$work/piped.mid" 2>"$work/messages.txt" || fail "$(cat "$work/messages.txt")"
cmp "$work/piped.mid" "$songs/march.mid" && grep -q ": 標準出力$" "$work/messages.txt" || fail "through a pipe"
status=0
"$trivane" - - <"$source/tests/trivane/broken.mml" >"$work/piped.mid" 2>"$work/messages.txt" || status=$?
[ $status = 1 ] && [ ! -s "$work/piped.mid" ] && grep -q "^ERROR! in line " "$work/messages.txt" || fail "error piped"

# The song stays when the other stream is the song itself (each run refused with status 1), and no SMF goes
# to a terminal.
status=0
"$trivane" - "$songs/hello.mml" <"$songs/hello.mml" >/dev/null || status=$?
"$trivane" "$songs/hello.mml" - >>"$songs/hello.mml" 2>/dev/null || status=$((status + $?))
cmp -s "$songs/hello.mml" "$release/share/doc/trivane/samples/hello.mml" && [ $status = 2 ] || fail "same file: $status"
status=0
script -qec "'$trivane' '$songs/hello.mml' -" /dev/null >/dev/null || status=$?
[ $status = 2 ] || fail "an SMF file on a terminal: status $status"

# Code page 932 travels inside the program: with the C library's character sets hidden, as on a system other
# than the one that built it, a UTF-8 title still reaches the file in code page 932.
printf '#title \346\227\245\346\234\254\nA c\n' >"$work/utf8.mml"
if unshare -m true 2>/dev/null; then
    unshare -m sh -c 'mount -t tmpfs none /usr/lib/x86_64-linux-gnu/gconv && "$0" "$1" "$2"' \
        "$trivane" "$work/utf8.mml" "$work/utf8.mid" >/dev/null || fail "a UTF-8 title without the character sets"
else
    echo "note: no mount namespace here, so the C library's character sets stay in sight"
    "$trivane" "$work/utf8.mml" "$work/utf8.mid" >/dev/null
fi
LC_ALL=C grep -q "$(printf '\223\372\226\173')" "$work/utf8.mid" || fail "the title is not code page 932"
