#!/usr/bin/env bash
# Makes a small DVD-Video folder from generated media: make-dvd-folder.sh OUT_DIR
#
# Title 1 (title set 1, PAL 16:9): three chapters, MPEG audio in English (440 Hz) and
#   German (880 Hz), sub-pictures in English and French.
# Title 2 (title set 1): two cells made from two files.
# Title 3 (title set 2, NTSC 4:3): AC-3 in Japanese (660 Hz) and LPCM in Spanish (330 Hz).
#
# The folder is made once and reused while this script is unchanged; parallel callers wait
# for the first one. OUT_DIR/VIDEO_TS holds the disc.
set -euo pipefail

out="$1"
script="$(readlink -f "${BASH_SOURCE[0]}")"
stamp_want="$(sha1sum "$script" | cut -d' ' -f1)"

mkdir -p "$out"
exec 9>"$out/.lock"
flock 9
if [[ -f "$out/.stamp" && "$(cat "$out/.stamp")" == "$stamp_want" ]]; then
    exit 0
fi
rm -rf "$out/VIDEO_TS" "$out/AUDIO_TS" "$out/work" "$out/.stamp"
work="$out/work"
mkdir -p "$work"
cd "$work"

pal=(-target pal-dvd -aspect 16:9 -b:v 600k -maxrate 2000k)
ntsc=(-target ntsc-dvd -aspect 4:3 -b:v 600k -maxrate 2000k)
ff=(ffmpeg -v error -nostdin -y)

"${ff[@]}" -f lavfi -i testsrc2=s=720x576:r=25:d=6 \
    -f lavfi -i sine=f=440:r=48000:d=6 -f lavfi -i sine=f=880:r=48000:d=6 \
    -map 0 -map 1 -map 2 "${pal[@]}" -c:a mp2 -b:a 128k title1.mpg
for part in 1 2; do
    "${ff[@]}" -f lavfi -i "smptebars=s=720x576:r=25:d=2" -f lavfi -i sine=f=550:r=48000:d=2 \
        "${pal[@]}" -c:a mp2 -b:a 128k "title2-$part.mpg"
done
"${ff[@]}" -f lavfi -i testsrc=s=720x480:r=30000/1001:d=3 \
    -f lavfi -i sine=f=660:r=48000:d=3 -f lavfi -i sine=f=330:r=48000:d=3 \
    -map 0 -map 1 -map 2 "${ntsc[@]}" -c:a:0 ac3 -b:a:0 128k -c:a:1 pcm_s16be title3.mpg

# A sub-picture image of four colours at most, black being transparent.
"${ff[@]}" -f lavfi -i color=c=black:s=200x40 \
    -vf "drawbox=x=10:y=10:w=180:h=20:c=white:t=fill" -frames:v 1 -pix_fmt pal8 sub.png
for stream in 0 1; do
    cat >"sub$stream.xml" <<XML
<subpictures><stream>
  <spu start="00:00:0$((stream * 3 + 1)).00" end="00:00:0$((stream * 3 + 2)).50"
       image="sub.png" transparent="000000" xoffset="$((100 + stream * 200))" yoffset="400"/>
</stream></subpictures>
XML
done
spumux -s 0 sub0.xml <title1.mpg >title1-s0.mpg 2>spumux.log
spumux -s 1 sub1.xml <title1-s0.mpg >title1-s1.mpg 2>>spumux.log

cat >disc.xml <<'XML'
<dvdauthor dest="disc">
  <vmgm><menus><video format="pal"/></menus></vmgm>
  <titleset>
    <titles>
      <video format="pal" aspect="16:9" widescreen="nopanscan"/>
      <audio lang="en"/>
      <audio lang="de"/>
      <subpicture lang="en"/>
      <subpicture lang="fr"/>
      <pgc><vob file="title1-s1.mpg" chapters="0,2,4"/></pgc>
      <pgc><vob file="title2-1.mpg"/><vob file="title2-2.mpg"/></pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <video format="ntsc" aspect="4:3"/>
      <audio lang="ja"/>
      <audio lang="es"/>
      <pgc><vob file="title3.mpg"/></pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
dvdauthor -x disc.xml >dvdauthor.log 2>&1 || { cat dvdauthor.log >&2; exit 1; }

mv disc/VIDEO_TS "$out/VIDEO_TS"
cd "$out"
rm -rf "$work"
echo "$stamp_want" >"$out/.stamp"
