#!/bin/sh
# Sets up what is missing, builds the three presets and runs every test: the native build of the window-free
# code under the sanitizers, the Windows build under Wine on one Xvfb display, and the converter's Linux
# release, whose package is unpacked and used.
set -e
cd "$(dirname "$0")/.."
start=$(date +%s)
sh scripts/setup.sh
echo "setup: $(( $(date +%s) - start )) s"

cmake --preset native >/dev/null
cmake --build --preset native -j2
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j2
cmake --preset linux >/dev/null
cmake --build --preset linux -j2
echo "build: $(( $(date +%s) - start )) s"

# The native tests run beside the Windows ones: those mostly wait for Wine and for the programs they drive,
# while the native bounded fuzzing run keeps one core busy. The native report follows the Windows one.
status=0
ctest --preset linux || status=1
ctest --preset native -j2 >build/native-tests.log 2>&1 &
native=$!
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset mingw -j2 || status=1
wait $native || status=1
cat build/native-tests.log
echo "tests: $(( $(date +%s) - start )) s"
exit $status
