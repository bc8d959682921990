#!/bin/sh
# run-fuzz.sh SOURCE_DIR WORK_DIR SECONDS CP932_TABLE: builds the compiler's fuzzing target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) when a source is newer, then runs it for SECONDS seconds
# from the sample songs. Fails on any crash, sanitizer report, timeout or invalid file.
set -e
here=$1/tests/trivane
mkdir -p "$2/corpus" "$2/seeds"
fuzzer=$2/trivane-fuzz
# Every source of the converter's library: all but the program's own files, and the build's code page table.
sources="$(ls "$1"/trivane/*.cpp | grep -v -e /main.cpp -e /Platform.cpp) $4"
if [ ! -x "$fuzzer" ] || [ -n "$(find "$1/trivane" "$here" -newer "$fuzzer" -name '*.[ch]*')" ]; then
    clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$1/trivane" -I"$here" $sources "$here/fuzz/FuzzCompile.cpp" -o "$fuzzer.new"
    mv "$fuzzer.new" "$fuzzer"
fi
# Seeds: the samples and the broken song, each behind an options byte of 0.
for song in "$1"/docs/samples/*.mml "$here/broken.mml"; do
    { printf '\000'; cat "$song"; } >"$2/seeds/$(basename "$song")"
done
cd "$2"
exec "$fuzzer" -max_total_time="$3" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -dict="$here/fuzz/mml.dict" -print_final_stats=1 corpus seeds
