#!/usr/bin/env bash
# Times mediawizard-cli fetch against the stock curl tool on the same local URLs: a 500 MB
# body to a file (without and with the progress line of a terminal) and a 100 MB body held
# in memory. Prints medians of the runs, throughput and peak memory.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
SERVER="$BUILD/tests/mw-http-bench-server"
RUNS="${BENCH_RUNS:-5}"
WORK="$(mktemp -d)"
if [[ ! -x "$SERVER" ]]; then
    echo "fetch: $SERVER is missing (build with the tests)" >&2
    exit 1
fi

# The server runs until its standard input closes.
mkfifo "$WORK/hold"
"$SERVER" <"$WORK/hold" >"$WORK/port" &
SERVER_PID=$!
exec 3>"$WORK/hold"
trap 'exec 3>&-; wait "$SERVER_PID" || true; rm -rf "$WORK"' EXIT
while [[ ! -s "$WORK/port" ]]; do sleep 0.1; done
PORT="$(cat "$WORK/port")"
BIG=$((500 * 1024 * 1024))
MEM=$((100 * 1024 * 1024))
BIG_URL="http://127.0.0.1:$PORT/body?size=$BIG"
MEM_URL="http://127.0.0.1:$PORT/body?size=$MEM"

median() { sort -n | sed -n "$(((RUNS + 1) / 2))p"; }

# run COMMAND...: wall seconds and peak memory (KB) of one run, on one line.
run() {
    rm -f "$WORK/out.bin"
    /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>&1
    cat "$WORK/time"
}

check_file() {
    local size
    size=$(stat -c %s "$WORK/out.bin")
    [[ "$size" == "$1" ]] || { echo "fetch: wrote $size bytes, expected $1" >&2; exit 1; }
}

# paired NAME SIZE OURS -- THEIRS: RUNS pairs run back to back; prints the medians of our time,
# their time, our throughput, our peak memory and of the per-pair ratio their time / ours.
paired() {
    local name="$1" size="$2"
    shift 2
    local ours=() theirs=()
    while [[ "$1" != "--" ]]; do ours+=("$1"); shift; done
    shift
    local ot=() om=() tt=() ratios=()
    for ((i = 0; i < RUNS; i++)); do
        read -r a m < <(run "${ours[@]}")
        if [[ "$size" != memory ]]; then check_file "$size"; fi
        read -r b _ < <(run "$@")
        ot+=("$a") om+=("$m") tt+=("$b")
        ratios+=("$(echo "$b / $a" | bc -l)")
    done
    local mot mtt mom mr bytes
    mot=$(printf '%s\n' "${ot[@]}" | median)
    mtt=$(printf '%s\n' "${tt[@]}" | median)
    mom=$(printf '%s\n' "${om[@]}" | median)
    mr=$(printf '%s\n' "${ratios[@]}" | median)
    bytes=$([[ "$size" == memory ]] && echo "$MEM" || echo "$size")
    printf '%-24s %8s %8s %10.1f %10s %9.2f\n' "$name" "$mot" "$mtt" \
        "$(echo "$bytes / 1048576 / $mot" | bc -l)" "$mom" "$mr"
}

printf '%-24s %8s %8s %10s %10s %9s\n' job ours_s curl_s ours_MB/s ours_KB curl/ours
paired "500 MB to a file" "$BIG" "$CLI" fetch -o "$WORK/out.bin" "$BIG_URL" -- \
    curl -s -o "$WORK/out.bin" "$BIG_URL"
# On a terminal the command draws its progress line from every progress event.
paired "500 MB, progress shown" "$BIG" script -qec "$CLI fetch -o $WORK/out.bin $BIG_URL" /dev/null -- \
    script -qec "curl -# -o $WORK/out.bin $BIG_URL" /dev/null
paired "100 MB in memory" memory "$CLI" fetch "$MEM_URL" -- curl -s "$MEM_URL"

# Memory of the memory transfer, with the idle command's peak beside it: what the program
# needs apart from the body.
idle=()
for ((i = 0; i < RUNS; i++)); do read -r _ m < <(run "$CLI" fetch --help); idle+=("$m"); done
peaks=()
for ((i = 0; i < RUNS; i++)); do read -r _ m < <(run "$CLI" fetch "$MEM_URL"); peaks+=("$m"); done
mi=$(printf '%s\n' "${idle[@]}" | median)
mp=$(printf '%s\n' "${peaks[@]}" | median)
printf 'memory transfer of 100 MB: peak %s KB (%.2f x the body); idle command %s KB; ' \
    "$mp" "$(echo "$mp * 1024 / $MEM" | bc -l)" "$mi"
printf 'above idle %.2f x the body\n' "$(echo "($mp - $mi) * 1024 / $MEM" | bc -l)"
