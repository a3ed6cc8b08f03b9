#!/usr/bin/env bash
# Times a batch of 20 short audio files converted to MP3 (the wizard's row 2): mediawizard-cli
# convert --jobs 2 against one stock ffmpeg call per file after the other and against
# xargs -P2 ffmpeg. The three run in turns (A B C, A B C, ...) so that a change of the
# machine's load hits all alike; the table shows medians and the ratios to the sequential
# calls. Every output of every run is checked against the stock tool's output of the same file
# (streams, codec, packet count, duration) and decoded, so a fast wrong batch cannot win.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
RUNS="${BENCH_RUNS:-5}"
FILES=20
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILED=0
source "$(dirname "${BASH_SOURCE[0]}")/../timing.sh"

mkdir -p "$WORK/in"
for ((i = 1; i <= FILES; i++)); do
    ffmpeg -v error -f lavfi -i "sine=frequency=$((200 + 20 * i)):sample_rate=44100:duration=6" \
        -ac 2 "$WORK/in/tone$i.wav"
done
STOCK=(-vn -c:a libmp3lame -ac 2 -ar 48000 -b:a 256k)

# The reference outputs every timed one is compared with.
mkdir -p "$WORK/reference"
for f in "$WORK"/in/*.wav; do
    ffmpeg -v error -y -i "$f" "${STOCK[@]}" "$WORK/reference/$(basename "${f%.wav}").mp3"
done

field() { sed -n "s/.*$2=\([^| ]*\).*/\1/p" <<<"$1"; }

# check_batch NAME FOLDER: FOLDER holds one whole MP3 per input, like the reference's.
check_batch() {
    local name="$1" folder="$2" f base ours theirs
    local count
    count="$(find "$folder" -maxdepth 1 -name '*.mp3' | wc -l)"
    if ((count != FILES)); then
        echo "CHECK $name: $count outputs for $FILES inputs"
        FAILED=1
    fi
    for f in "$WORK"/reference/*.mp3; do
        base="$(basename "$f")"
        if [[ ! -f "$folder/$base" ]]; then
            echo "CHECK $name: $base is missing"
            FAILED=1
            continue
        fi
        decodes "$name" "$folder/$base" || true
        ours="$(describe "$folder/$base" | tr '\n' ' ')"
        theirs="$(describe "$f" | tr '\n' ' ')"
        local kp tp kd td
        kp="$(field "$ours" nb_read_packets)"
        tp="$(field "$theirs" nb_read_packets)"
        kd="$(field "$ours" duration)"
        td="$(field "$theirs" duration)"
        if [[ "$(field "$ours" codec_name)" != mp3 || "$(field "$ours" codec_type)" != audio ]] ||
            (($(echo "($kp - $tp)^2 > ($tp / 100 + 1)^2" | bc))) ||
            (($(echo "($kd - $td)^2 > 0.01" | bc))); then
            echo "CHECK $name: $base differs: $ours / $theirs"
            FAILED=1
        fi
    done
}


sequential() {
    local f
    for f in "$WORK"/in/*.wav; do
        ffmpeg -v error -y -i "$f" "${STOCK[@]}" "$1/$(basename "${f%.wav}").mp3"
    done
}
parallel() {
    # shellcheck disable=SC2016
    printf '%s\n' "$WORK"/in/*.wav | xargs -P2 -I{} sh -c \
        'f="$1"; shift; out="$1"; shift; b="${f##*/}"; exec ffmpeg -v error -y -i "$f" "$@" "$out/${b%.wav}.mp3"' \
        sh {} "$1" "${STOCK[@]}"
}
load="$(cut -d' ' -f1 /proc/loadavg)"
names=("ours --jobs 2" "ffmpeg one by one" "xargs -P2 ffmpeg")
for ((i = 0; i < RUNS; i++)); do
    for ((k = 0; k < 3; k++)); do
        out="$WORK/out$k"
        rm -rf "$out" && mkdir -p "$out"
        case $k in
            0) timed "$WORK/t$k" "$CLI" convert --jobs 2 --format MP3 --preset 2 --out "$out" \
                "$WORK"/in/*.wav ;;
            1) timed "$WORK/t$k" bash -c "$(declare -p WORK STOCK; declare -f sequential)
                sequential '$out'" ;;
            2) timed "$WORK/t$k" bash -c "$(declare -p WORK STOCK; declare -f parallel)
                parallel '$out'" ;;
        esac
        check_batch "${names[k]}" "$out"
    done
done

printf '%-22s %8s %6s %8s %6s  %s\n' "20 audio files" wall_s ratio cpu_s ratio load
base_wall="$(median $(cut -d' ' -f1 "$WORK/t1"))"
base_cpu="$(median $(cut -d' ' -f3 "$WORK/t1"))"
for ((k = 0; k < 3; k++)); do
    wall="$(median $(cut -d' ' -f1 "$WORK/t$k"))"
    cpu="$(median $(cut -d' ' -f3 "$WORK/t$k"))"
    printf '%-22s %8s %6.2f %8s %6.2f  %s\n' "${names[k]}" "$wall" \
        "$(echo "$wall / $base_wall" | bc -l)" "$cpu" "$(echo "$cpu / $base_cpu" | bc -l)" \
        "$load/$(cut -d' ' -f1 /proc/loadavg)"
done

if ((FAILED)); then
    echo "Some outputs were wrong; their times do not count."
    exit 1
fi
