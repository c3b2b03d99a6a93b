#!/bin/sh
# Screenshots of the program's window on an X server, to check that a change to how start-up is
# scheduled leaves what the window shows alone.
#
#   window_screenshots.sh shoot PROGRAM FOLDER   # one PNG per scroll position into FOLDER
#   window_screenshots.sh compare FOLDER FOLDER  # mean absolute difference of each pair
#
# Run it inside an X session, e.g. `xvfb-run -a -s "-screen 0 1920x1600x24" sh ...`; it needs
# xdotool and ImageMagick (import, compare). The program runs with the environment it is given,
# so QT_SCALE_FACTOR=2 shoots the window at twice its size. The pointer is moved off the window
# before each shot, so that no button is drawn hovered.
set -eu

# Mouse-wheel notches scrolled down from the top before each shot; the last one reaches the end.
positions="0 2 5 12 30 200"

shoot() {
    program=$1
    folder=$2
    mkdir -p "$folder"
    "$program" >/dev/null 2>&1 &
    pid=$!
    trap 'kill $pid 2>/dev/null || true' EXIT
    window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
    sleep 1.5 # the first frame, and any icons painted after it
    eval "$(xdotool getwindowgeometry --shell "$window")"
    screen=$(xdotool getdisplaygeometry)
    screen_width=${screen% *}
    screen_height=${screen#* }
    scrolled=0
    for notches in $positions; do
        # The scroll area starts 250 logical pixels down the 740-pixel window.
        xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT * 500 / 740))
        if [ "$notches" -gt "$scrolled" ]; then
            xdotool click --repeat $((notches - scrolled)) --delay 20 5
        fi
        scrolled=$notches
        xdotool mousemove "$((screen_width - 1))" "$((screen_height - 1))"
        sleep 0.7
        import -window "$window" "$folder/scroll-$notches.png"
    done
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    trap - EXIT
}

# ImageMagick's MAE is normalised to 0..1; times 255 gives levels per channel.
compare_folders() {
    worst=0
    for shot in "$1"/*.png; do
        name=$(basename "$shot")
        mae=$(compare -metric MAE "$shot" "$2/$name" null: 2>&1 | sed 's/.*(\(.*\))/\1/') || true
        levels=$(echo "$mae" | awk '{ printf "%.3f", $1 * 255 }')
        echo "$name: mean absolute difference $levels levels per channel"
        worst=$(echo "$worst $levels" | awk '{ print ($2 > $1) ? $2 : $1 }')
    done
    echo "largest: $worst"
}

case ${1:-} in
shoot) shoot "$2" "$3" ;;
compare) compare_folders "$2" "$3" ;;
*)
    echo "usage: $0 shoot PROGRAM FOLDER | compare FOLDER FOLDER" >&2
    exit 2
    ;;
esac
