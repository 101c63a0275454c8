#!/usr/bin/env bash
# The check of the operator's log catalogue must refuse a README that lists other ids, a
# message logged nowhere, a malformed catalogue and a source making a message of its own, and
# accept the checkout as it is and a README rewritten from the catalogue.
set -u
script="$1"
checkout="$2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
catalogue="$scratch/src/base/operator_messages.mes"

fail() { echo "FAILED: $*"; exit 1; }
fresh_copy() {
  rm -rf "${scratch:?}"/*
  cp -r "$checkout/src" "$checkout/tools" "$checkout/README.md" "$scratch/"
}
check() { python3 "$script" "$catalogue" --check "$scratch" 2>&1; }
# $1 says what was changed, $2 is a shell command changing the copy, $3 what the report says.
expect_refused() {
  fresh_copy
  (cd "$scratch" && eval "$2")
  out=$(check) && fail "$1 was accepted"
  grep -qF -- "$3" <<<"$out" || fail "$1: unexpected report: $out"
}

fresh_copy
check || fail "the checkout was refused"

expect_refused "a README missing an id" "sed -i 's/\`net.listen-failed\`, //' README.md" \
  "the list of operator-log ids differs from the catalogue (missing net.listen-failed)"
python3 "$script" "$catalogue" --readme "$scratch/README.md" || fail "the README was not rewritten"
check || fail "the rewritten README was refused"

expect_refused "a README without the list" "sed -i '/operator-log ids -->/d' README.md" \
  "no list between"
expect_refused "a message logged nowhere" \
  "printf '%% net.unheard info nobody says this\nNever logged.\n' >> src/base/operator_messages.mes" \
  "net.unheard: kLogNetUnheard is logged nowhere in src/ or tools/"
expect_refused "an unknown level" "sed -i 's/^% net.listen info/% net.listen fatal/' src/base/operator_messages.mes" \
  "the level of net.listen is not one of info, warning, error"
expect_refused "a message without an explanation" \
  "printf '%% net.bare info said\n' >> src/base/operator_messages.mes" "net.bare tells the operator nothing"
expect_refused "an id twice" "printf '%% net.listen info again\nTwice.\n' >> src/base/operator_messages.mes" \
  "net.listen is there twice"
expect_refused "a message of its own" \
  "printf 'void F() {\n  LogToOperator({\"net.secret\", OperatorLevel::kInfo}, \"x\");\n}\n' > src/net/secret.cpp" \
  "src/net/secret.cpp:2: a message of its own"
echo "1 passed, 0 failed"
