# Shared by the benchmark jobs; each job sets WORK (a scratch folder) and FAILED before use.

# hd_clip FILE: the jobs' main input, 60 s of 720p H.264 with AAC sound in MP4.
hd_clip() {
    ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 \
        -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 -ac 2 \
        -c:v libx264 -preset veryfast -b:v 3M -c:a aac -b:a 160k "$1"
}

# median VALUE...: the middle value, the lower middle of an even count.
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# timed FILE COMMAND...: runs the command and appends "wall-seconds peak-KB cpu-seconds"
# to FILE. The processor time (user and system) tells more than the wall time when other
# work shares the machine.
timed() {
    local file="$1"
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/stderr" || {
        echo "FAILED: $* : $(tail -c 300 "$WORK/stderr")"
        FAILED=1
    }
    read -r wall memory user system <"$WORK/time"
    echo "$wall $memory $(echo "$user + $system" | bc)" >>"$file"
}

# describe FILE: one line per stream (type, codec, packets read, display aspect), then the
# duration.
describe() {
    ffprobe -v error -count_packets -show_entries \
        stream=codec_type,codec_name,nb_read_packets,display_aspect_ratio:format=duration \
        -of compact=p=0 "$1"
}

# decodes JOB FILE: the file decodes without an error message, else a CHECK line and FAILED.
decodes() {
    if ! ffmpeg -v error -i "$2" -f null - 2>"$WORK/decode" || [[ -s "$WORK/decode" ]]; then
        echo "CHECK $1: $2 does not decode cleanly: $(head -c 300 "$WORK/decode")"
        FAILED=1
        return 1
    fi
}
