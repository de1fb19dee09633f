#!/bin/sh
# The desktop entry fuzzer starts from command lines as real entries write them.
out="$1"
n=0
for exec in 'gimp %U' 'kolourpaint %u' 'pinta %F' '"/opt/my paint/bin/paint" --open=%f' \
    'sh -c "paint \"$1\"" sh %f' 'krita %i %c %k' 'paint 100%% %' 'paint "open' 'paint \\s%f'; do
    n=$((n + 1))
    printf '%s' "$exec" >"$out/exec$n"
done
