#!/bin/sh
# threads-agree.sh INDEX_BENCH [OPTIONS]: runs index_bench with the options at 0, 1 and 8 term
# threads and fails unless each run writes its index and all three write the same bytes.
bench=$1
shift
first=
for threads in 0 1 8; do
  out=$("${WINE:-wine}" "$bench" --threads "$threads" "$@" | tr -d '\r')
  echo "$out" | grep -E '^(index_hash|written|layout_mismatch):' | sed "s/^/threads $threads: /"
  echo "$out" | grep -q '^written: true' || { echo "threads $threads: no index written"; exit 1; }
  hash=$(echo "$out" | sed -n 's/^index_hash: //p')
  [ -n "$first" ] || first=$hash
  [ "$hash" = "$first" ] || { echo "threads $threads: another index than at 0 threads"; exit 1; }
done
