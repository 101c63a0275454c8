#!/usr/bin/env bash
# The layer check must refuse an include of a higher layer and a database header that reaches
# the network layer through a header of a lower one, and accept a tree without either.
set -u
check="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/src/base" "$scratch/src/net" "$scratch/src/store" "$scratch/src/directory"
printf '#pragma once\n' > "$scratch/src/net/wire.h"
printf '#pragma once\n#include <soci/soci.h>\n' > "$scratch/src/store/table.h"
printf '#pragma once\n#include "store/table.h"\n' > "$scratch/src/directory/lookup.h"
printf '#include "directory/lookup.h"\n' > "$scratch/src/directory/lookup.cpp"
printf '#include "net/wire.h"\n' > "$scratch/src/net/wire.cpp"

fail() { echo "FAILED: $*"; exit 1; }
python3 "$check" "$scratch" || fail "a tree without upward includes was refused"

printf '#include "net/wire.h"\n' > "$scratch/src/base/clock.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "an upward include was accepted"
grep -q 'src/base/clock.cpp: the base layer includes net/wire.h' <<<"$out" || fail "unexpected report: $out"
rm "$scratch/src/base/clock.cpp"

printf '#include "directory/lookup.h"\n' >> "$scratch/src/net/wire.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "a database header reaching the network layer was accepted"
grep -q 'reaches a database header through directory/lookup.h' <<<"$out" || fail "unexpected report: $out"
echo "1 passed, 0 failed"
