#!/usr/bin/env bash
# The examples against the simulator: the C program and the Python one give the same output
# for each row (simulator options, program arguments, exit status, expected output).
#   examples_test.sh SOURCE_DIR READERSIM INVENTORY LIBRARY
set -uo pipefail
src=$1 readersim=$2 inventory=$3 library=$4
with_sim="$src/scripts/with-readersim"
epcs=$'3000E2006811000000000001\n3000E2006811000000000002\n3400112233445566778899AA'
failures=0
TMPDIR_ERR=$(mktemp)
trap 'rm -f "$TMPDIR_ERR"' EXIT

# name | readersim options ("none": no simulator) | arguments | exit | stdout (EPCS: the
# default scenario's three EPC tags) | stderr contains | the Python program's stderr, where it
# differs (it opens a reader handle and runs the typed inventory: one step for Query_ON and the
# tag list)
rows=(
  "three tags|--|0 1 10|0|EPCS|3 tag(s)"
  "one tag a block|--|0 1 1|0|EPCS|3 tag(s)"
  "empty field|--empty --|0 1 10|0||0 tag(s)"
  "no reader on the port|none|0 1 10|1||LinkCom: KESTREL_E_OPEN (1)|open serial:COM1?baud=115200&address=1: KESTREL_E_OPEN (1)"
  "inventory unanswered|--fault drop,command=0x22 --|0 1 10|1||EPC_Query_ON: KESTREL_E_NO_REPLY (234)|EPC inventory: KESTREL_E_NO_REPLY (234)"
  "tag list damaged|--fault corrupt_check,command=0x23 --|0 1 10|1||EPC_Read_Tag_List: KESTREL_E_REPLY_CHECK (243)|EPC inventory: KESTREL_E_REPLY_CHECK (243)"
)

run() {  # sim options, then the program and its arguments
  local options=$1; shift
  if [ "$options" = none ]; then
    KESTREL_COM1=/nonexistent/kestrel-com1 "$@"
  else
    # shellcheck disable=SC2086
    "$with_sim" "$readersim" $options "$@"
  fi
}

for row in "${rows[@]}"; do
  IFS='|' read -r name options args want_status want_out c_err python_err <<<"$row"
  [ "$want_out" = EPCS ] && want_out=$epcs
  for lang in c python; do
    want_err=$c_err
    if [ $lang = c ]; then program=("$inventory"); else program=(python3 "$src/examples/inventory.py"); fi
    [ $lang = python ] && [ -n "$python_err" ] && want_err=$python_err
    # shellcheck disable=SC2086
    out=$(KESTREL_LIBRARY="$library" run "$options" "${program[@]}" $args 2>"$TMPDIR_ERR")
    status=$?
    err=$(cat "$TMPDIR_ERR")
    if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ] || [[ "$err" != *"$want_err"* ]]; then
      echo "FAIL $name ($lang): exit $status (want $want_status)"
      echo "  stdout: $out"
      echo "  want:   $want_out"
      echo "  stderr: $err (want: $want_err)"
      failures=$((failures + 1))
    else
      echo "ok   $name ($lang)"
    fi
  done
done
exit $((failures > 0))
