#!/bin/sh
# Sets up what is missing, builds the Windows programs and starts Dodavirid under Wine, with trivane.exe beside
# it. Where there is no display it runs on Xvfb instead: once the window shows, a screenshot goes to
# build/screenshot.png and the window is closed.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j2

prefix="$PWD/build/mingw/wineprefix"
program="$PWD/build/mingw/bin/dodavirid.exe"
if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run "$prefix" "$program"
fi

# On Xvfb: the same run, then a look at it. The steps run inside xvfb-run, which picks a free display.
export prefix program
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    scripts/wine-run "$prefix" "$program" &
    wine_pid=$!
    tries=0
    until window=$(xdotool search --onlyvisible --name "^Dodavirid\$" 2>/dev/null | head -n 1) && [ -n "$window" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 600 ] || ! kill -0 $wine_pid 2>/dev/null; then
            echo "run: the Dodavirid window did not appear" >&2
            kill $wine_pid 2>/dev/null
            exit 1
        fi
        sleep 0.1
    done
    sleep 1  # the window paints after it is mapped
    import -window root build/screenshot.png
    echo "run: screenshot of the running window in $PWD/build/screenshot.png"
    # Escape closes the window as a user would; the program saves its settings and ends with code 2.
    xdotool key --window "$window" Escape 2>/dev/null || true
    tries=0
    while kill -0 $wine_pid 2>/dev/null && [ $tries -lt 100 ]; do
        tries=$((tries + 1))
        sleep 0.1
    done
    if kill -0 $wine_pid 2>/dev/null; then
        xdotool windowactivate --sync "$window" key Escape 2>/dev/null || kill $wine_pid
    fi
    code=0
    wait $wine_pid || code=$?
    echo "run: Dodavirid ended with exit code $code"
'
