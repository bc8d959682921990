#!/bin/sh
# package-test.sh BUILD SOURCE DRIVER: makes the release ZIP, unpacks it into a fresh folder and, under a
# fresh Wine prefix with no settings, has DRIVER use it as a new user would; then reads every MIDI file that
# the window made with Debian's mido.
set -e
build=$1 source=$2 driver=$3
work=$build/release-test
rm -rf "$work"
mkdir -p "$work/songs"

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
zip=$(ls "$work"/package/Dodavirid-*.zip)
unzip -q "$zip" -d "$work/unpacked"
release=$(ls -d "$work"/unpacked/Dodavirid-*)

# The texts for Windows users are there, in code page 932 with CR LF; the programs are tried below.
for file in dodavirid.txt readme.txt mml.txt; do
    iconv -f CP932 -t UTF-8 "$release/$file" >/dev/null || { echo "FAIL: $file is not code page 932"; exit 1; }
    [ "$(grep -c "$(printf '\r')\$" "$release/$file")" -eq "$(wc -l < "$release/$file")" ] ||
        { echo "FAIL: $file has lines without CR LF"; exit 1; }
done

# The editors' files are those of the sources, and the .vsix holds the extension's grammar.
diff -r -x '*.vsix' "$source/editors" "$release/editors" || { echo "FAIL: editors/ differs from the sources"; exit 1; }
unzip -p "$release"/editors/trivane-mml-*.vsix extension/syntaxes/mml.tmLanguage.json |
    cmp -s - "$source/editors/vscode/syntaxes/mml.tmLanguage.json" || { echo "FAIL: the .vsix lacks the grammar"; exit 1; }

# A song with mistakes first, then the samples.
cp "$source/tests/trivane/broken.mml" "$work/songs/"
RELEASE_DIR=$release SONGS="$work/songs/broken.mml $(ls "$release"/samples/*.mml | tr '\n' ' ')" \
    "$source/scripts/wine-run" "$work/prefix" "$driver" --gtest_brief=1
[ ! -e "$work/songs/broken.mid" ] || { echo "FAIL: a song with mistakes left a MIDI file"; exit 1; }

/usr/bin/python3 - "$release/samples" <<'PY'
import glob, sys
import mido
files, songs = glob.glob(sys.argv[1] + "/*.mid"), glob.glob(sys.argv[1] + "/*.mml")
assert len(files) == len(songs), f"{len(files)} MIDI files for {len(songs)} songs"
for name in files:
    song = mido.MidiFile(name)
    notes = sum(1 for track in song.tracks for m in track if m.type == "note_on" and m.velocity > 0)
    assert notes > 0 and song.length > 1, f"{name}: {notes} notes, {song.length:.1f} s"
    print(f"mido reads {name.rsplit('/', 1)[1]}: {len(song.tracks)} tracks, {notes} notes, {song.length:.1f} s")
PY

# trivane.exe with `-` for its files, through cmd's redirections: the file the window wrote, with no message in
# it, and the messages in code page 932 with CR LF apart; the song kept when the other stream is the song.
cd "$work/songs"
cp "$release/samples/march.mml" "$release/samples/march.mid" "$release/samples/hello.mml" .
exe="..\\unpacked\\${release##*/}\\trivane.exe"
"$source/scripts/wine-run" "$work/prefix" cmd /c "$exe - - < march.mml > piped.mid 2> messages.txt"
cmp piped.mid march.mid && LC_ALL=C grep -q "^SMF format 1 .*: $(printf '\225W\217\200\217o\227\315\r')\$" messages.txt ||
    { echo "FAIL: trivane.exe through the pipes"; exit 1; }
status=0
"$source/scripts/wine-run" "$work/prefix" cmd /c "$exe hello.mml - >> hello.mml 2> messages.txt" || status=$?
[ $status = 1 ] && cmp -s hello.mml "$release/samples/hello.mml" || { echo "FAIL: hello.mml as input and output"; exit 1; }
