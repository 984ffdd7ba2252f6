# Sourced by the real-drag scripts: the left button pressed at (x0, y0), the mouse moved to (x1, y1) in six
# steps, as a hand would, and a key pressed before the release when one is given.
#   mouse_drag X0 Y0 X1 Y1 [KEY]
mouse_drag() {
    local x0=$1 y0=$2 x1=$3 y1=$4 key=${5:-} k
    xdotool mousemove "$x0" "$y0"
    sleep 0.2
    xdotool mousedown 1
    for k in 1 2 3 4 5 6; do
        sleep 0.1
        xdotool mousemove $((x0 + (x1 - x0) * k / 6)) $((y0 + (y1 - y0) * k / 6))
    done
    if [ -n "$key" ]; then
        sleep 0.3
        xdotool key "$key"
        sleep 0.3
    else
        sleep 0.2
    fi
    xdotool mouseup 1
}
