#!/usr/bin/env bash
# Damaged-disc run: opens CASES copies of the test DVD folder whose information files were
# cut or mutated at random, with `mediawizard-cli dvd`, and checks that every one ends in the
# "No DVD title(s) found" message or a list of its titles (some of them invalid), never in a
# crash of the command. The disc library may crash in the reader process; those are counted.
#
#   bench/dvd-fuzz.sh [CASES] [BUILD_DIR] [SEED]     (defaults: 500, build-asan, 1)
#
# Build the sanitizer folder first: ./x test --asan (or cmake with -DMW_SANITIZE=ON).
# Cases that break the rule are kept under BUILD_DIR/dvd-fuzz/failed/; what was done to the
# cases that crashed the reader is noted under BUILD_DIR/dvd-fuzz/crashed/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cases="${1:-500}"
build="$(readlink -f "${2:-$ROOT/build-asan}")"
RANDOM="${3:-1}"
cli="$build/app/mediawizard-cli"
[[ -x "$cli" ]] || { echo "no $cli; build it first" >&2; exit 2; }

work="$build/dvd-fuzz"
fixture="$work/fixture"
rm -rf "$work"
mkdir -p "$work/failed"
bash "$ROOT/tests/dvd/make-dvd-folder.sh" "$fixture"
ifos=(VIDEO_TS VTS_01_0 VTS_02_0)

# The command's own faults must stand out from the reader's: its sanitizer exit code is 86.
export ASAN_OPTIONS="exitcode=86:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:exitcode=86"

random_below() { echo $(((RANDOM * 32768 + RANDOM) % $1)); }

put_byte() { # FILE OFFSET VALUE
    printf "\\x$(printf %02x "$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

mutate() { # DISC_DIR -> prints what was done
    local disc="$1" name file size kind
    name="${ifos[$(random_below 3)]}"
    file="$disc/VIDEO_TS/$name.IFO"
    size=$(stat -c %s "$file")
    kind=$(random_below 3)
    case $kind in
        0)  local cut; cut=$(random_below "$size")
            truncate -s "$cut" "$file"
            if (($(random_below 2))); then truncate -s "$cut" "$disc/VIDEO_TS/$name.BUP"; fi
            echo "cut $name.IFO at $cut" ;;
        *)  local n i offset value bup; n=$((1 + $(random_below 8))); bup=$(random_below 2)
            local what="mutate $name.IFO:"
            for ((i = 0; i < n; i++)); do
                # Headers and tables sit in the first sectors; hit them most of the time.
                if (($(random_below 4))); then offset=$(random_below 2048);
                else offset=$(random_below "$size"); fi
                if ((kind == 1)); then value=$(random_below 256);
                else value=$((($(random_below 2)) * 255)); fi
                put_byte "$file" "$offset" "$value"
                if ((bup)); then put_byte "$disc/VIDEO_TS/$name.BUP" "$offset" "$value"; fi
                what+=" $offset=$value"
            done
            ((bup)) && what+=" (and BUP)"
            echo "$what" ;;
    esac
}

listed=0 none=0 with_invalid=0 reader_crashes=0 failed=0
for ((c = 1; c <= cases; c++)); do
    disc="$work/case"
    rm -rf "$disc"
    mkdir -p "$disc/VIDEO_TS"
    for f in "$fixture"/VIDEO_TS/*; do
        case "$f" in
            *.VOB) ln -s "$f" "$disc/VIDEO_TS/" ;;
            *) cp "$f" "$disc/VIDEO_TS/" ;;
        esac
    done
    what="$(mutate "$disc")"
    set +e
    timeout 120 "$cli" dvd "$disc" >"$work/out" 2>"$work/err"
    rc=$?
    set -e
    crashes=$(sed -n 's/.*the DVD reader stopped \([0-9]*\) time(s).*/\1/p' "$work/err")
    reader_crashes=$((reader_crashes + ${crashes:-0}))
    if [[ -n "$crashes" ]]; then
        mkdir -p "$work/crashed/$c"
        echo "$what" >"$work/crashed/$c/what"
    fi
    ok=0
    if ((rc == 1)) && grep -q "No DVD title(s) found. Maybe not a valid DVD." "$work/err"; then
        none=$((none + 1)); ok=1
    elif ((rc == 0)); then
        count=$(sed -n '1s/^There are \([0-9]*\) title(s) in .*/\1/p' "$work/out")
        shown=$(grep -cE '^(Title #[0-9]+ Length: |Calling DVDGetTitle\(#[0-9]+\) failed\.)' \
            "$work/out" || true)
        if [[ -n "$count" && "$shown" == "$count" ]]; then
            listed=$((listed + 1)); ok=1
            grep -q '^Calling DVDGetTitle' "$work/out" && with_invalid=$((with_invalid + 1))
        fi
    fi
    if ((!ok)); then
        failed=$((failed + 1))
        mkdir -p "$work/failed/$c"
        cp -r "$disc/VIDEO_TS" "$work/out" "$work/err" "$work/failed/$c/"
        echo "$what" >"$work/failed/$c/what"
        echo "case $c FAILED (exit $rc): $what" >&2
    fi
done
rm -rf "$work/case"
echo "cases: $cases, titles listed: $listed (with invalid titles: $with_invalid)," \
    "no titles: $none, reader crashes survived: $reader_crashes, broke the rule: $failed"
((failed == 0))
