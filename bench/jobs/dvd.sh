#!/usr/bin/env bash
# Times the conversion of a whole DVD title by mediawizard-cli (read through the DVD reader
# and plug-in) against the stock ffmpeg tool making the same encode from the title's VOB
# file. The two run in turns; the table shows the medians of wall and processor time, their
# ratios, and the load average before and after. Every output timed is checked: both decode
# cleanly, hold the same streams and codecs, and last as long as the title within 0.1 s.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
RUNS="${BENCH_RUNS:-5}"
SECONDS_LONG="${BENCH_DVD_SECONDS:-120}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILED=0
source "$(dirname "${BASH_SOURCE[0]}")/../timing.sh"

# A disc of one PAL title with four chapters, its picture and tone generated.
ffmpeg -v error -f lavfi -i "testsrc2=size=720x576:rate=25:duration=$SECONDS_LONG" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$SECONDS_LONG" \
    -target pal-dvd -aspect 16:9 -c:a mp2 -b:a 192k "$WORK/title.mpg"
step=$((SECONDS_LONG / 4))
cat >"$WORK/disc.xml" <<XML
<dvdauthor dest="$WORK/disc">
  <vmgm><menus><video format="pal"/></menus></vmgm>
  <titleset><titles>
    <video format="pal" aspect="16:9" widescreen="nopanscan"/>
    <pgc><vob file="$WORK/title.mpg" chapters="0,0:$step,0:$((step * 2)),0:$((step * 3))"/></pgc>
  </titles></titleset>
</dvdauthor>
XML
dvdauthor -x "$WORK/disc.xml" >"$WORK/dvdauthor.log" 2>&1
VOB="$WORK/disc/VIDEO_TS/VTS_01_1.VOB"

# check OURS THEIRS: both decode cleanly, have the same streams and last as long as the title.
check() {
    local file streams=()
    for file in "$1" "$2"; do
        decodes "DVD title" "$file" || true
        streams+=("$(ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 "$file" |
            tr '\n' ' ')")
        local duration
        duration="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")"
        if (($(echo "($duration - $SECONDS_LONG)^2 > 0.01" | bc))); then
            echo "CHECK: $file lasts $duration s, the title $SECONDS_LONG s"
            FAILED=1
        fi
    done
    if [[ "${streams[0]}" != "${streams[1]}" ]]; then
        echo "CHECK: streams '${streams[0]}' against '${streams[1]}'"
        FAILED=1
    fi
}


printf '%-16s %8s %8s %6s %8s %8s %6s  %s\n' job ours_s ffmpeg_s ratio ours_cpu ffm_cpu ratio load
# pair JOB OURS-OUTPUT THEIRS-OUTPUT: RUNS turns each of the commands in OURS and THEIRS.
pair() {
    local job="$1" ours="$2" theirs="$3" load
    load="$(cut -d' ' -f1 /proc/loadavg)"
    : >"$WORK/ours.t"
    : >"$WORK/theirs.t"
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        timed "$WORK/ours.t" "${OURS[@]}"
        timed "$WORK/theirs.t" "${THEIRS[@]}"
        check "$ours" "$theirs"
    done
    local row=("$job") column
    for column in 1 3; do
        local mine stock
        mine="$(median $(cut -d' ' -f$column "$WORK/ours.t"))"
        stock="$(median $(cut -d' ' -f$column "$WORK/theirs.t"))"
        row+=("$mine" "$stock" "$(echo "$mine / $stock" | bc -l)")
    done
    printf '%-16s %8s %8s %6.2f %8s %8s %6.2f  %s\n' "${row[@]}" \
        "$load/$(cut -d' ' -f1 /proc/loadavg)"
}

# The AVI row 3 preset: MPEG-4 at 1500 kbit/s in the title's own size, MP3 at 192 kbit/s.
OURS=("$CLI" convert --out "$WORK/out" --format AVI --preset 3 --dvd "$WORK/disc/" --title 1)
THEIRS=(ffmpeg -v error -y -i "$VOB" -map 0:v -map 0:a -c:v mpeg4 -vtag XVID -b:v 1500k
    -c:a libmp3lame -ac 2 -ar 44100 -b:a 192k "$WORK/out/theirs.avi")
pair "DVD title AVI 3" "$WORK/out/Title1.avi" "$WORK/out/theirs.avi"

if ((FAILED)); then
    echo "Some outputs were wrong; their times do not count."
    exit 1
fi
