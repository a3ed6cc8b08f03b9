#pragma once

#include <cstdint>
#include <string>

namespace mw::test {

// The DVD-Video folder made by tests/dvd/make-dvd-folder.sh, made once per build and shared
// by every test: a folder (with a trailing separator) holding VIDEO_TS.
//   Title 1 (title set 1, PAL 16:9): 3 chapters; MPEG audio en 440 Hz and de 880 Hz;
//                                    sub-pictures en and fr.
//   Title 2 (title set 1): two cells from two files; MPEG audio.
//   Title 3 (title set 2, NTSC 4:3): AC-3 ja 660 Hz and LPCM es 330 Hz.
const std::string& DvdFixtureRoot();

// A copy of the fixture's VIDEO_TS in a folder of the caller's (the VOB files linked, the
// information files copied so that they can be damaged). Returns the copy's VIDEO_TS path.
std::string CopyDvdFixture(const std::string& folder);

// Damage helpers for information files.
void TruncateFile(const std::string& path, std::uintmax_t size);
void WriteBytes(const std::string& path, std::uintmax_t offset, const std::string& bytes);
std::string ReadBytes(const std::string& path, std::uintmax_t offset, std::size_t size);
// A big-endian number of 1, 2 or 4 bytes, as DVD information files store them.
std::uint32_t ReadBigEndian(const std::string& path, std::uintmax_t offset, int size);
void WriteBigEndian(const std::string& path, std::uintmax_t offset, int size, std::uint32_t value);

}  // namespace mw::test
