#!/bin/sh
# run-fuzz.sh SOURCE_DIR WORK_DIR SECONDS: builds the compiler's fuzzing target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) when its sources changed, then runs it for SECONDS seconds
# from the sample songs. Fails on any crash, sanitizer report, timeout or invalid file.
set -e
source_dir=$1
work=$2
seconds=$3
here=$source_dir/tests/trivane
mkdir -p "$work/corpus"
fuzzer=$work/trivane-fuzz
sources="$source_dir/trivane/Compiler.cpp $source_dir/trivane/Diagnostics.cpp $source_dir/trivane/Lexer.cpp
    $source_dir/trivane/Parser.cpp $source_dir/trivane/Performer.cpp $source_dir/trivane/SmfWriter.cpp $source_dir/trivane/SourceText.cpp
    $here/SmfCheck.cpp $here/fuzz/FuzzCompile.cpp"

stale=no
[ -x "$fuzzer" ] || stale=yes
for f in $sources "$source_dir"/trivane/*.h "$here"/SmfCheck.h; do
    [ "$f" -nt "$fuzzer" ] && stale=yes
done
if [ $stale = yes ]; then
    echo "run-fuzz: building $fuzzer"
    clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$source_dir/trivane" -I"$here" $sources -o "$fuzzer.new"
    mv "$fuzzer.new" "$fuzzer"
fi

# Seeds: the samples and the broken song, each behind an options byte of 0.
mkdir -p "$work/seeds"
for song in "$source_dir"/docs/samples/*.mml "$here/broken.mml"; do
    { printf '\000'; cat "$song"; } >"$work/seeds/$(basename "$song")"
done

cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -dict="$here/fuzz/mml.dict" -print_final_stats=1 corpus seeds
