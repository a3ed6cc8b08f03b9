# Shared by the benchmark jobs; each job sets WORK (a scratch folder) and FAILED before use.

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
