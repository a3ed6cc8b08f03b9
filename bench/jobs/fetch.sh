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

# measure COMMAND...: median wall seconds and median peak memory (KB) of RUNS runs.
measure() {
    local times=() mems=()
    for ((i = 0; i < RUNS; i++)); do
        rm -f "$WORK/out.bin"
        /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>&1
        read -r t m <"$WORK/time"
        times+=("$t")
        mems+=("$m")
    done
    local mt mm
    mt=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p")
    mm=$(printf '%s\n' "${mems[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p")
    echo "$mt $mm"
}

check_file() {
    local size
    size=$(stat -c %s "$WORK/out.bin")
    [[ "$size" == "$1" ]] || { echo "fetch: wrote $size bytes, expected $1" >&2; exit 1; }
}

mbps() { echo "scale=1; $1 / 1048576 / $2" | bc -l; }

printf '%-26s %8s %8s %10s %10s %7s\n' job ours_s curl_s ours_MB/s ours_KB ratio
read -r ct cm < <(measure curl -s -o "$WORK/out.bin" "$BIG_URL")
check_file "$BIG"
read -r ot om < <(measure "$CLI" fetch -o "$WORK/out.bin" "$BIG_URL")
check_file "$BIG"
printf '%-26s %8s %8s %10s %10s %7.2f\n' "500 MB to a file" "$ot" "$ct" "$(mbps "$BIG" "$ot")" \
    "$om" "$(echo "$ct / $ot" | bc -l)"
# On a terminal the command draws its progress line from every progress event.
read -r pt pm < <(measure script -qec "$CLI fetch -o $WORK/out.bin $BIG_URL" /dev/null)
check_file "$BIG"
read -r cpt cpm < <(measure script -qec "curl -# -o $WORK/out.bin $BIG_URL" /dev/null)
printf '%-26s %8s %8s %10s %10s %7.2f\n' "500 MB, progress shown" "$pt" "$cpt" \
    "$(mbps "$BIG" "$pt")" "$pm" "$(echo "$cpt / $pt" | bc -l)"
read -r mt mm < <(measure "$CLI" fetch "$MEM_URL")
read -r cmt cmm < <(measure curl -s "$MEM_URL")
printf '%-26s %8s %8s %10s %10s %7.2f\n' "100 MB in memory" "$mt" "$cmt" "$(mbps "$MEM" "$mt")" \
    "$mm" "$(echo "$mm * 1024 / $MEM" | bc -l)"
echo "ratio: curl's time over ours (throughput ratio); for the memory row, peak memory over the body size"
