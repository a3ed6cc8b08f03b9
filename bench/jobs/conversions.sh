#!/usr/bin/env bash
# Times mediawizard-cli against the stock ffmpeg tool on the same jobs: the same encoders,
# sizes, rates and bit rates, on generated inputs. The two run in turns (ours, theirs, ours,
# theirs, ...) so that a change of the machine's load hits both alike; the table shows the
# medians of wall and processor time and of peak memory, their ratios, and the load average
# before and after the runs. Every output timed is checked against the stock tool's
# (streams, codecs, packet counts, duration, display aspect) and decoded, so that a fast
# wrong result fails the benchmark instead of winning it.
set -euo pipefail
BUILD="$1"
CLI="$BUILD/app/mediawizard-cli"
RUNS="${BENCH_RUNS:-5}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILED=0
source "$(dirname "${BASH_SOURCE[0]}")/../timing.sh"

hd_clip "$WORK/hd.mp4"
ffmpeg -v error -i "$WORK/hd.mp4" -c copy -f mpegts "$WORK/hd.ts"
ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -ac 2 \
    -c:v libx264 -preset veryfast -b:v 8M -c:a aac -b:a 160k "$WORK/full.mp4"
ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 -ac 2 "$WORK/tone.wav"

field() { sed -n "s/.*$2=\([^|]*\).*/\1/p" <<<"$1"; }

# check JOB OURS THEIRS EXACT: ours holds what the stock tool's output holds. Packet counts
# must be equal for EXACT jobs (stream copy), within 1% otherwise; durations within 0.1 s.
check() {
    local job="$1" ours="$2" theirs="$3" exact="$4" a b
    decodes "$job" "$ours" || return
    mapfile -t a < <(describe "$ours")
    mapfile -t b < <(describe "$theirs")
    if ((${#a[@]} != ${#b[@]})); then
        echo "CHECK $job: ${#a[@]} entries against ${#b[@]}: ${a[*]} / ${b[*]}"
        FAILED=1
        return
    fi
    local i last=$((${#a[@]} - 1))
    for ((i = 0; i < last; i++)); do
        local wrong="" key
        for key in codec_type codec_name display_aspect_ratio; do
            [[ "$(field "${a[i]}" $key)" == "$(field "${b[i]}" $key)" ]] || wrong="$wrong $key"
        done
        local kp tp
        kp="$(field "${a[i]}" nb_read_packets)"
        tp="$(field "${b[i]}" nb_read_packets)"
        if [[ "$exact" == 1 && "$kp" != "$tp" ]] ||
            (($(echo "($kp - $tp)^2 > ($tp / 100 + 1)^2" | bc))); then
            wrong="$wrong packets"
        fi
        if [[ -n "$wrong" ]]; then
            echo "CHECK $job: stream $i differs ($wrong): ${a[i]} / ${b[i]}"
            FAILED=1
        fi
    done
    # The same encoder settings, or the times compare different work.
    local ks ts
    ks="$(strings -n 16 "$ours" | grep -m1 'x264 - core' | sed 's/.*options: //' || true)"
    ts="$(strings -n 16 "$theirs" | grep -m1 'x264 - core' | sed 's/.*options: //' || true)"
    if [[ "$ks" != "$ts" ]]; then
        echo "CHECK $job: x264 settings differ:"
        diff <(tr ' ' '\n' <<<"$ks") <(tr ' ' '\n' <<<"$ts") | grep '^[<>]' | tr '\n' ' '
        echo
        FAILED=1
    fi
    local kd td
    kd="$(field "${a[last]}" duration)"
    td="$(field "${b[last]}" duration)"
    if (($(echo "($kd - $td)^2 > 0.01" | bc))); then
        echo "CHECK $job: duration $kd against $td"
        FAILED=1
    fi
}

# check_picture JOB OURS THEIRS: both thumbnails are single pictures of the same shape.
check_picture() {
    local job="$1" a b
    a="$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames,width,height \
        -of csv=p=0 "$2")"
    b="$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames,width,height \
        -of csv=p=0 "$3")"
    IFS=, read -r aw ah an <<<"$a"
    IFS=, read -r bw bh bn <<<"$b"
    if [[ "$an" != 1 || "$bn" != 1 ]] ||
        (($(echo "($aw * $bh - $bw * $ah)^2 > ($aw * $bh / 30)^2" | bc))); then
        echo "CHECK $job: picture '$a' against '$b'"
        FAILED=1
    fi
}


printf '%-14s %8s %8s %6s %8s %8s %6s %8s %8s %6s  %s\n' job ours_s ffmpeg_s ratio \
    ours_cpu ffm_cpu ratio ours_KB ffm_KB ratio load
# pair JOB CHECKER OURS-OUTPUT THEIRS-OUTPUT: RUNS turns each of the commands in the arrays
# OURS and THEIRS.
pair() {
    local job="$1" checker="$2" ours="$3" theirs="$4"
    local load
    load="$(cut -d' ' -f1 /proc/loadavg)"
    : >"$WORK/ours.t"
    : >"$WORK/theirs.t"
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        timed "$WORK/ours.t" "${OURS[@]}"
        timed "$WORK/theirs.t" "${THEIRS[@]}"
        "$checker" "$job" "$ours" "$theirs"
    done
    local row=("$job") column
    for column in 1 3 2; do
        local mine stock
        mine="$(median $(cut -d' ' -f$column "$WORK/ours.t"))"
        stock="$(median $(cut -d' ' -f$column "$WORK/theirs.t"))"
        row+=("$mine" "$stock" "$(echo "$mine / $stock" | bc -l)")
    done
    printf '%-14s %8s %8s %6.2f %8s %8s %6.2f %8s %8s %6.2f  %s\n' "${row[@]}" \
        "$load/$(cut -d' ' -f1 /proc/loadavg)"
}
encoded() { check "$1" "$2" "$3" 0; }
copied() { check "$1" "$2" "$3" 1; }

X264_OPTIONS1=(-crf 24 -refs 1 -coder 0 -bf 0 -me_range 16 -subq 5 -partitions i4x4,i8x8,p8x8
    -g 250 -keyint_min 25 -level 30 -qmin 10 -qmax 51 -trellis 2 -sc_threshold 40
    -i_qfactor 0.71 -8x8dct 0 -weightp 0 -weightb 0 -mixed-refs 0 -b-pyramid none)
X264_DEFAULT=(-coder 1 -partitions i8x8,i4x4,p8x8,b8x8 -motion-est hex -subq 7 -me_range 16
    -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10
    -qmax 51 -qdiff 4 -bf 3 -refs 3 -direct-pred spatial -trellis 1 -mixed-refs 1 -weightb 1
    -8x8dct 1 -fast-pskip 1 -mbtree 1 -weightp 2 -b-pyramid none)

# convert_job NAME FORMAT PRESET INPUT EXT FFMPEG-ARGS...: a preset of the wizard.
convert_job() {
    local name="$1" format="$2" preset="$3" input="$4" ext="$5"
    shift 5
    local base
    base="$(basename "${input%.*}")"
    OURS=("$CLI" convert --out "$WORK/out" --format "$format" --preset "$preset" "$input")
    THEIRS=(ffmpeg -v error -y -i "$input" "$@" "$WORK/out/theirs.$ext")
    pair "$name" encoded "$WORK/out/$base.$ext" "$WORK/out/theirs.$ext"
}

convert_job "MP3 row 2" MP3 2 "$WORK/hd.mp4" mp3 -vn -c:a libmp3lame -ac 2 -ar 48000 -b:a 256k
convert_job "AVI row 3" AVI 3 "$WORK/hd.mp4" avi -c:v mpeg4 -vtag XVID -b:v 1500k \
    -c:a libmp3lame -ac 2 -ar 44100 -b:a 192k
convert_job "WMV row 16" WMV 16 "$WORK/hd.mp4" wmv -vf scale=320:180,pad=320:240:0:30,setsar=1 \
    -r 25 -c:v wmv2 -b:v 720k -c:a wmav2 -ac 2 -ar 44100 -b:a 128k
convert_job "iPod row 5" IPOD 5 "$WORK/hd.mp4" mp4 -vf scale=320:180,pad=320:240:0:30,setsar=1 \
    -r 24 -c:v libx264 "${X264_OPTIONS1[@]}" -b:v 1000k -c:a aac -ac 2 -ar 44100 -b:a 128k
convert_job "AVI 1080p x264" AVI 1 "$WORK/full.mp4" avi -c:v libx264 "${X264_DEFAULT[@]}" \
    -b:v 4200k -c:a libmp3lame -ac 2 -ar 44100 -b:a 256k
convert_job "FLAC row 5" FLAC 5 "$WORK/tone.wav" flac -c:a flac -compression_level 5

OURS=("$CLI" transcode --opt vcodec=copy --opt acodec=copy -o "$WORK/out/ours.mkv" "$WORK/hd.mp4")
THEIRS=(ffmpeg -v error -y -i "$WORK/hd.mp4" -c copy "$WORK/out/theirs.mkv")
pair "remux copy" copied "$WORK/out/ours.mkv" "$WORK/out/theirs.mkv"

OURS=("$CLI" thumbnail "$WORK/hd.ts" "$WORK/out/ours.png")
THEIRS=(ffmpeg -v error -y -ss 30 -i "$WORK/hd.ts" -frames:v 1 -vf scale=128:-2
    "$WORK/out/theirs.png")
pair "TS thumbnail" check_picture "$WORK/out/ours.png" "$WORK/out/theirs.png"

# Probe and thumbnail of 40 files against ffprobe plus one ffmpeg thumbnail per file.
mkdir -p "$WORK/many"
for i in $(seq 1 40); do
    ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=25:duration=4 -c:v libx264 \
        -preset ultrafast "$WORK/many/clip$i.mp4"
done
probe_ours() {
    "$CLI" probe --json "$WORK"/many/*.mp4 >/dev/null
    for f in "$WORK"/many/*.mp4; do "$CLI" thumbnail "$f" "$WORK/out/ours.png"; done
}
probe_theirs() {
    for f in "$WORK"/many/*.mp4; do
        ffprobe -v error -show_format -show_streams "$f" >/dev/null
        ffmpeg -v error -y -ss 2 -i "$f" -frames:v 1 -vf scale=128:-2 "$WORK/out/theirs.png"
    done
}
export -f probe_ours probe_theirs
export CLI WORK
OURS=(bash -c probe_ours)
THEIRS=(bash -c probe_theirs)
pair "probe 40" check_picture "$WORK/out/ours.png" "$WORK/out/theirs.png"

if ((FAILED)); then
    echo "Some outputs were wrong; their times do not count."
    exit 1
fi
