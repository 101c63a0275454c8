#!/usr/bin/env bash
# The layer check must refuse an include of a higher layer, a database header that reaches
# the network layer through a header of a lower one, and the recorder layer included anywhere
# else in src/, the network layer reached by orlentis-admin, a store header the network layer
# does not need, the directory reached by the recorder simulator, a test helper reaching above
# its layer, and accept a tree without any of them.
set -u
check="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/src/base" "$scratch/src/net" "$scratch/src/store" "$scratch/src/directory" \
         "$scratch/src/recorder" "$scratch/src/app"
printf '#pragma once\n' > "$scratch/src/net/wire.h"
printf '#pragma once\n#include <soci/soci.h>\n' > "$scratch/src/store/table.h"
printf '#pragma once\n#include "store/table.h"\n' > "$scratch/src/directory/lookup.h"
printf '#include "directory/lookup.h"\n' > "$scratch/src/directory/lookup.cpp"
printf '#include "net/wire.h"\n' > "$scratch/src/net/wire.cpp"
printf '#pragma once\n#include "net/wire.h"\n' > "$scratch/src/recorder/requests.h"

fail() { echo "FAILED: $*"; exit 1; }
python3 "$check" "$scratch" || fail "a tree without upward includes was refused"

printf '#include "net/wire.h"\n' > "$scratch/src/base/clock.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "an upward include was accepted"
grep -q 'src/base/clock.cpp: the base layer includes net/wire.h' <<<"$out" || fail "unexpected report: $out"
rm "$scratch/src/base/clock.cpp"

printf '#include "directory/lookup.h"\n' >> "$scratch/src/net/wire.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "a database header reaching the network layer was accepted"
grep -q 'reaches a database header through directory/lookup.h' <<<"$out" || fail "unexpected report: $out"

printf '#include "recorder/requests.h"\n' > "$scratch/src/app/main.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "the recorder layer included by the program was accepted"
grep -q 'the app layer includes recorder/requests.h, which only tools and tests may' <<<"$out" || fail "unexpected report: $out"
rm "$scratch/src/app/main.cpp"
printf '#include "net/wire.h"\n' > "$scratch/src/net/wire.cpp"

# orlentis-admin stays off the network layer (and the console's Qt).
mkdir -p "$scratch/tools/admin"
printf '#include "directory/lookup.h"\n' > "$scratch/tools/admin/tool.cpp"
python3 "$check" "$scratch" >/dev/null 2>&1 || fail "the admin tool over the directory layer was refused"
printf '#include "net/wire.h"\n' >> "$scratch/tools/admin/tool.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "the admin tool including the network layer was accepted"
grep -q 'tools/admin/tool.cpp: the admin layer includes net/wire.h' <<<"$out" || fail "unexpected report: $out"
rm "$scratch/tools/admin/tool.cpp"

# The network layer reaches the store only through the headers it needs, named one by one.
printf '#pragma once\n' > "$scratch/src/store/db_outcome.h"
printf '#include "store/db_outcome.h"\n' > "$scratch/src/net/outcome.cpp"
python3 "$check" "$scratch" >/dev/null 2>&1 || fail "the network layer with the outcome type was refused"
printf '#pragma once\n' > "$scratch/src/store/site_table.h"
printf '#include "store/site_table.h"\n' >> "$scratch/src/net/outcome.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "a store table in the network layer was accepted"
grep -q 'src/net/outcome.cpp: the net layer includes store/site_table.h, a store header it does not need' <<<"$out" ||
  fail "unexpected report: $out"
rm "$scratch/src/net/outcome.cpp"

# Every folder that builds code is checked: the recorder simulator stays off the directory.
mkdir -p "$scratch/tools/peer"
printf '#include "recorder/requests.h"\n' > "$scratch/tools/peer/peer.cpp"
python3 "$check" "$scratch" >/dev/null 2>&1 || fail "the recorder simulator over the recorder layer was refused"
printf '#include "directory/lookup.h"\n' >> "$scratch/tools/peer/peer.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "the recorder simulator including the directory was accepted"
grep -q 'tools/peer/peer.cpp: the peer layer includes directory/lookup.h of the directory layer' <<<"$out" ||
  fail "unexpected report: $out"
rm "$scratch/tools/peer/peer.cpp"

# The tests' helpers: each layer's reach only their layer and the helpers below it.
mkdir -p "$scratch/tests/support/base" "$scratch/tests/support/store"
printf '#pragma once\n' > "$scratch/tests/support/base/folder.h"
printf '#include "directory/lookup.h"\n#include "support/base/folder.h"\n' > "$scratch/tests/support/store/rows.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "a store helper including the directory was accepted"
grep -q 'tests/support/store/rows.cpp: the support/store layer includes directory/lookup.h' <<<"$out" ||
  fail "unexpected report: $out"
printf '#include "support/base/folder.h"\n' > "$scratch/tests/support/store/rows.cpp"
python3 "$check" "$scratch" >/dev/null 2>&1 || fail "a store helper over the base helpers was refused"
printf '#include "support/store/rows.h"\n' > "$scratch/tests/support/base/folder.cpp"
out=$(python3 "$check" "$scratch" 2>&1) && fail "a base helper including a store helper was accepted"
grep -q 'tests/support/base/folder.cpp: the support/base layer includes support/store/rows.h' <<<"$out" ||
  fail "unexpected report: $out"
echo "1 passed, 0 failed"
