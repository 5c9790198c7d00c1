#!/bin/bash
# Checks that the core folders include only downwards: a file of a core folder may include headers
# of its own folder and of the folders below it, never of a folder beside or above it. The Qt side
# (*/ui/, app/) and the programs (cli/) sit on top and are not checked.
#   layering.sh SRC_DIR
src=${1:?usage: layering.sh SRC_DIR}
cd "$src" || exit 2

# The layers, bottom first; folders of one layer stand side by side and do not include each other.
layers="platform | base | device | view sim jtag utilities | document | application"

grep -HE '^#include "[a-z]+/' platform/* base/* device/* view/* sim/* jtag/* utilities/* document/* 2>/dev/null |
awk -v layers="$layers" '
BEGIN {
    n = split(layers, layer, "|")
    for (i = 1; i <= n; ++i) {
        m = split(layer[i], folders, " ")
        for (j = 1; j <= m; ++j) rank[folders[j]] = i
    }
}
{
    split($0, parts, ":")
    file = parts[1]
    split(file, path, "/")
    from = path[1]
    match($0, /#include "[a-z]+\//)
    to = substr($0, RSTART + 10, RLENGTH - 11)
    if (to == from) next
    if (!(to in rank) || rank[to] >= rank[from]) {
        print file ": " from " includes from " to ": " substr($0, length(file) + 2)
        bad = 1
    }
}
END {
    if (!bad) print "core folders include downwards only"
    exit bad
}'
