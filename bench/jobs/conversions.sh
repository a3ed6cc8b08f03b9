#!/usr/bin/env bash
# Times mediawizard-cli against the stock ffmpeg tool on the same jobs: the same encoders,
# sizes, rates and bit rates, on generated 60-second inputs. Prints medians and ratios.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
RUNS="${BENCH_RUNS:-5}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 -ac 2 \
    -c:v libx264 -preset veryfast -b:v 3M -c:a aac -b:a 160k "$WORK/hd.mp4"
ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 -ac 2 "$WORK/tone.wav"

# measure NAME COMMAND...: median wall seconds and median peak memory (KB) of RUNS runs.
measure() {
    local out="$WORK/out" times=() mems=()
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$out" && mkdir -p "$out"
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

X264_OPTIONS1=(-crf 24 -refs 1 -coder 0 -bf 0 -me_range 16 -subq 5 -partitions i4x4,i8x8,p8x8
    -g 250 -keyint_min 25 -level 30 -qmin 10 -qmax 51 -trellis 2 -sc_threshold 40
    -i_qfactor 0.71 -8x8dct 0 -weightp 0 -weightb 0 -mixed-refs 0 -b-pyramid none)

declare -A OURS THEIRS
jobs=("MP3 row 2" "AVI row 3" "WMV row 16" "iPod row 5" "FLAC row 5")
OURS["MP3 row 2"]="--format MP3 --preset 2 $WORK/hd.mp4"
THEIRS["MP3 row 2"]="-i $WORK/hd.mp4 -vn -c:a libmp3lame -ac 2 -ar 48000 -b:a 256k"
OURS["AVI row 3"]="--format AVI --preset 3 $WORK/hd.mp4"
THEIRS["AVI row 3"]="-i $WORK/hd.mp4 -c:v mpeg4 -vtag XVID -b:v 1500k -c:a libmp3lame -ac 2 -ar 44100 -b:a 192k"
OURS["WMV row 16"]="--format WMV --preset 16 $WORK/hd.mp4"
THEIRS["WMV row 16"]="-i $WORK/hd.mp4 -vf scale=320:180,pad=320:240:0:30 -r 25 -c:v wmv2 -b:v 720k -c:a wmav2 -ac 2 -ar 44100 -b:a 128k"
OURS["iPod row 5"]="--format IPOD --preset 5 $WORK/hd.mp4"
THEIRS["iPod row 5"]="-i $WORK/hd.mp4 -vf scale=320:180,pad=320:240:0:30 -r 24 -c:v libx264 ${X264_OPTIONS1[*]} -b:v 1000k -c:a aac -ac 2 -ar 44100 -b:a 128k"
OURS["FLAC row 5"]="--format FLAC --preset 5 $WORK/tone.wav"
THEIRS["FLAC row 5"]="-i $WORK/tone.wav -c:a flac -compression_level 5"
declare -A EXT=(["MP3 row 2"]=mp3 ["AVI row 3"]=avi ["WMV row 16"]=wmv ["iPod row 5"]=mp4 ["FLAC row 5"]=flac)

printf '%-12s %10s %10s %7s %10s %10s %7s\n' job ours_s ffmpeg_s ratio ours_KB ffmpeg_KB ratio
for job in "${jobs[@]}"; do
    # shellcheck disable=SC2086
    read -r ot om < <(measure "$CLI" convert --out "$WORK/out" ${OURS[$job]})
    # shellcheck disable=SC2086
    read -r ft fm < <(measure ffmpeg -v error -y ${THEIRS[$job]} "$WORK/out/theirs.${EXT[$job]}")
    printf '%-12s %10s %10s %7.2f %10s %10s %7.2f\n' "$job" "$ot" "$ft" \
        "$(echo "$ot / $ft" | bc -l)" "$om" "$fm" "$(echo "$om / $fm" | bc -l)"
done

# Probe and thumbnail of 40 files against ffprobe plus one ffmpeg thumbnail per file.
mkdir -p "$WORK/many"
for i in $(seq 1 40); do
    ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=25:duration=4 -c:v libx264 \
        -preset ultrafast "$WORK/many/clip$i.mp4"
done
probe_ours() {
    "$CLI" probe --json "$WORK"/many/*.mp4 >/dev/null
    for f in "$WORK"/many/*.mp4; do "$CLI" thumbnail "$f" "$WORK/out/t.png"; done
}
probe_theirs() {
    for f in "$WORK"/many/*.mp4; do
        ffprobe -v error -show_format -show_streams "$f" >/dev/null
        ffmpeg -v error -y -ss 2 -i "$f" -frames:v 1 -vf scale=128:-1 "$WORK/out/t.png"
    done
}
export -f probe_ours probe_theirs
export CLI WORK
read -r ot om < <(measure bash -c probe_ours)
read -r ft fm < <(measure bash -c probe_theirs)
printf '%-12s %10s %10s %7.2f %10s %10s %7.2f\n' "probe 40" "$ot" "$ft" \
    "$(echo "$ot / $ft" | bc -l)" "$om" "$fm" "$(echo "$om / $fm" | bc -l)"
