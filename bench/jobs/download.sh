#!/usr/bin/env bash
# Times mediawizard-cli download of a 1 GB video from the local video site against the stock
# curl tool fetching the same media address through the same proxy. Checks that the saved
# file is byte-identical to curl's copy and that the command's peak memory stays below
# 100 MB. Prints medians of the runs.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
SERVER="$BUILD/tests/mw-video-site-bench-server"
RUNS="${BENCH_RUNS:-3}"
SIZE=$((1024 * 1024 * 1024))
LIMIT_KB=$((100 * 1024))
WORK="$(mktemp -d)"
if [[ ! -x "$SERVER" ]]; then
    echo "download: $SERVER is missing (build with the tests)" >&2
    exit 1
fi

# The server runs until its standard input closes.
mkfifo "$WORK/hold"
"$SERVER" "$SIZE" <"$WORK/hold" >"$WORK/port" &
SERVER_PID=$!
exec 3>"$WORK/hold"
trap 'exec 3>&-; wait "$SERVER_PID" || true; rm -rf "$WORK"' EXIT
while [[ ! -s "$WORK/port" ]]; do sleep 0.1; done
PORT="$(cat "$WORK/port")"
export http_proxy="http://127.0.0.1:$PORT"
unset no_proxy NO_PROXY
LINK="http://www.youtube.com/watch?v=big"
MEDIA="http://www.youtube.com/get_video?video_id=big&&t=tokbigX&"

median() { sort -n | sed -n "$(((RUNS + 1) / 2))p"; }

# run COMMAND...: wall seconds and peak memory (KB) of one run, on one line.
run() {
    /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>&1
    cat "$WORK/time"
}

ot=() om=() tt=() ratios=()
for ((i = 0; i < RUNS; i++)); do
    rm -rf "$WORK/out" "$WORK/curl.bin"
    read -r a m < <(run "$CLI" download --quality default --out "$WORK/out" "$LINK")
    read -r b _ < <(run curl -s -o "$WORK/curl.bin" "$MEDIA")
    size=$(stat -c %s "$WORK/out/Big video.flv")
    [[ "$size" == "$SIZE" ]] || { echo "download: saved $size bytes, expected $SIZE" >&2; exit 1; }
    cmp -s "$WORK/out/Big video.flv" "$WORK/curl.bin" ||
        { echo "download: the saved file differs from the site's media" >&2; exit 1; }
    ((m < LIMIT_KB)) || { echo "download: peak memory $m KB is not below $LIMIT_KB KB" >&2; exit 1; }
    ot+=("$a") om+=("$m") tt+=("$b")
    ratios+=("$(echo "$b / $a" | bc -l)")
done
mot=$(printf '%s\n' "${ot[@]}" | median)
mtt=$(printf '%s\n' "${tt[@]}" | median)
mom=$(printf '%s\n' "${om[@]}" | median)
mr=$(printf '%s\n' "${ratios[@]}" | median)
printf '%-24s %8s %8s %10s %10s %9s\n' job ours_s curl_s ours_MB/s ours_KB curl/ours
printf '%-24s %8s %8s %10.1f %10s %9.2f\n' "1 GB video download" "$mot" "$mtt" \
    "$(echo "$SIZE / 1048576 / $mot" | bc -l)" "$mom" "$mr"
