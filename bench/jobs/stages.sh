#!/usr/bin/env bash
# Times one engine task with its stages on threads of their own, the same task in the
# single-thread loop (`transcode --single-thread`) and the stock ffmpeg tool, in turns. The
# two modes of ours must write the same streams (their hashes are compared), and every
# output is probed against the stock tool's and decoded.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
RUNS="${BENCH_RUNS:-5}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILED=0
source "$(dirname "${BASH_SOURCE[0]}")/../timing.sh"

hd_clip "$WORK/hd.mp4"

hashes() { ffmpeg -v error -i "$1" -map 0 -c copy -f streamhash -hash md5 -; }

# check JOB STAGED SINGLE THEIRS
check() {
    local job="$1" staged="$2" single="$3" theirs="$4" file
    for file in "$staged" "$single"; do
        decodes "$job" "$file" || true
    done
    if [[ "$(hashes "$staged")" != "$(hashes "$single")" ]]; then
        echo "CHECK $job: the stage threads wrote other streams than the single-thread loop"
        FAILED=1
    fi
    # Stream types, codecs and aspects as the stock tool's; packet counts within 1%.
    local a b
    mapfile -t a < <(describe "$staged" | grep -v duration)
    mapfile -t b < <(describe "$theirs" | grep -v duration)
    if ((${#a[@]} != ${#b[@]})); then
        echo "CHECK $job: ${a[*]} / ${b[*]}"
        FAILED=1
        return
    fi
    local k ours stock
    for ((k = 0; k < ${#a[@]}; k++)); do
        ours="$(sed -n 's/.*nb_read_packets=\([0-9]*\).*/\1/p' <<<"${a[k]}")"
        stock="$(sed -n 's/.*nb_read_packets=\([0-9]*\).*/\1/p' <<<"${b[k]}")"
        if [[ "$(sed 's/nb_read_packets=[0-9]*//' <<<"${a[k]}")" != \
            "$(sed 's/nb_read_packets=[0-9]*//' <<<"${b[k]}")" ]] ||
            (($(echo "($ours - $stock)^2 > ($stock / 100 + 1)^2" | bc))); then
            echo "CHECK $job: stream $k: ${a[k]} / ${b[k]}"
            FAILED=1
        fi
    done
}

printf '%-16s %8s %8s %8s %6s %6s %8s %8s %8s %8s %6s  %s\n' job staged_s single_s ffmpeg_s \
    ratio single staged_cpu ffm_cpu staged_KB ffm_KB ratio load
# job NAME EXT OPTIONS... -- FFMPEG-ARGS...
job() {
    local name="$1" ext="$2" opts=() theirs=()
    shift 2
    while [[ "$1" != "--" ]]; do
        opts+=(--opt "$1")
        shift
    done
    shift
    theirs=("$@")
    local load
    load="$(cut -d' ' -f1 /proc/loadavg)"
    : >"$WORK/staged.t"
    : >"$WORK/single.t"
    : >"$WORK/theirs.t"
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        timed "$WORK/staged.t" "$CLI" transcode "${opts[@]}" -o "$WORK/out/staged.$ext" \
            "$WORK/hd.mp4"
        timed "$WORK/single.t" "$CLI" transcode --single-thread "${opts[@]}" \
            -o "$WORK/out/single.$ext" "$WORK/hd.mp4"
        timed "$WORK/theirs.t" ffmpeg -v error -y -i "$WORK/hd.mp4" "${theirs[@]}" \
            "$WORK/out/theirs.$ext"
        check "$name" "$WORK/out/staged.$ext" "$WORK/out/single.$ext" "$WORK/out/theirs.$ext"
    done
    local staged single stock scpu tcpu skb tkb
    staged="$(median $(cut -d' ' -f1 "$WORK/staged.t"))"
    single="$(median $(cut -d' ' -f1 "$WORK/single.t"))"
    stock="$(median $(cut -d' ' -f1 "$WORK/theirs.t"))"
    scpu="$(median $(cut -d' ' -f3 "$WORK/staged.t"))"
    tcpu="$(median $(cut -d' ' -f3 "$WORK/theirs.t"))"
    skb="$(median $(cut -d' ' -f2 "$WORK/staged.t"))"
    tkb="$(median $(cut -d' ' -f2 "$WORK/theirs.t"))"
    printf '%-16s %8s %8s %8s %6.2f %6.2f %8s %8s %8s %8s %6.2f  %s\n' "$name" "$staged" \
        "$single" "$stock" "$(echo "$staged / $stock" | bc -l)" \
        "$(echo "$single / $stock" | bc -l)" "$scpu" "$tcpu" "$skb" "$tkb" \
        "$(echo "$skb / $tkb" | bc -l)" "$load/$(cut -d' ' -f1 /proc/loadavg)"
}

job "AVI MPEG-4+MP3" avi vcodec=mpeg4 vtag=XVID b=1500k acodec=libmp3lame ac=2 ar=44100 ab=192k \
    -- -c:v mpeg4 -vtag XVID -b:v 1500k -c:a libmp3lame -ac 2 -ar 44100 -b:a 192k
job "WMV 320x240" wmv vcodec=wmv2 s=320x240 b=720k r=25 acodec=wmav2 ac=2 ar=44100 ab=128k \
    -- -s 320x240 -r 25 -c:v wmv2 -b:v 720k -c:a wmav2 -ac 2 -ar 44100 -b:a 128k
job "MP3 from video" mp3 vn=1 acodec=libmp3lame ac=2 ar=48000 ab=256k \
    -- -vn -c:a libmp3lame -ac 2 -ar 48000 -b:a 256k

if ((FAILED)); then
    echo "Some outputs were wrong; their times do not count."
    exit 1
fi
