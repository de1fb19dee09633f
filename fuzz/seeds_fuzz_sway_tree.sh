#!/bin/sh
# The sway tree fuzzer starts from real trees and from ones with the extreme numbers that once
# overflowed the window's rectangle.
out="$1"
node() { # focused, x, y, width, height, title height
    printf '{"type":"con","focused":%s,"rect":{"x":%s,"y":%s,"width":%s,"height":%s},' "$1" "$2" "$3" "$4" "$5"
    printf '"deco_rect":{"x":0,"y":0,"width":0,"height":%s}}' "$6"
}
tree() {
    printf '{"type":"root","nodes":[{"type":"output","nodes":[{"type":"workspace","nodes":[%s],' "$1"
    printf '"floating_nodes":[%s]}]}]}' "$2"
}
tree "$(node false 0 0 640 1024 0),$(node true 640 0 640 1024 0)" "" >"$out/tiled.json"
tree "" "$(node true 100 145 324 202 25)" >"$out/floating.json"
tree "$(node true -2147483648 -2147483648 4294967295 4294967295 2147483647)" "" >"$out/min.json"
tree "$(node true 2147483647 2147483647 2147483647 2147483647 -2147483648)" "" >"$out/max.json"
tree "" "$(node true -9223372036854775808 1e308 -1e308 0.5 9223372036854775807)" >"$out/huge.json"
