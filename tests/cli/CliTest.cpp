#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

test::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), MW_CLI);
    return test::RunProcess(args);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

TEST(Cli, UsageErrorsExitWithTwoAndSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> Args;
        std::string Says;
    };
    const std::vector<Case> cases = {
        {{}, "usage: mediawizard-cli COMMAND"},
        {{"no-such-command"}, "unknown command 'no-such-command'"},
        {{"probe"}, "usage: mediawizard-cli probe"},
        {{"probe", "--bogus", "x.mp4"}, "--bogus"},
        {{"thumbnail", "in.mp4"}, "usage: mediawizard-cli thumbnail"},
        {{"thumbnail", "in.mp4", "out.png", "--size", "12by4"}, "--size takes WIDTHxHEIGHT"},
        {{"edition", "a", "b"}, "usage: mediawizard-cli edition"},
        {{"formats", "--xml"}, "--xml"},
        {{"convert", "in.mp4"}, "--format"},
        {{"convert", "--format", "NOPE", "in.mp4"}, "no output format is named NOPE"},
        {{"convert", "--format", "MP3", "--preset", "9", "in.mp4"}, "MP3 has presets 0 to 3"},
        {{"convert", "--format", "MP3", "--preset", "-1", "in.mp4"}, "--preset takes a row number"},
        {{"convert", "--format", "MP3", "--jobs", "two", "in.mp4"}, "--jobs takes a number"},
        {{"convert", "--format"}, "--format"},
        {{"convert", "--format", "MP4"}, "FILE or --dvd is needed"},
        {{"convert", "--format", "MP4", "--title", "1"}, "the title options need --dvd ROOT"},
        {{"convert", "--format", "MP4", "--dvd", ""}, "a DVD root is needed"},
        {{"convert", "--format", "MP4", "--dvd", "d/"}, "--title takes a title number from 1"},
        {{"convert", "--format", "MP4", "--dvd", "d/", "--title", "0"}, "--title takes a title"},
        {{"convert", "--format", "MP4", "--dvd", "d/", "--title", "1", "--chapters", "3-2"},
         "--chapters takes FIRST-LAST"},
        {{"convert", "--format", "MP4", "--dvd", "d/", "--title", "1", "--chapters", "2-"},
         "--chapters takes FIRST-LAST"},
        {{"convert", "--format", "MP4", "--dvd", "d/", "--title", "1", "--audio", "0xZ1"},
         "--audio takes a stream id"},
        {{"convert", "--format", "MP4", "--dvd", "d/", "--title", "1", "--subtitle", "300"},
         "--subtitle takes a stream id"},
        {{"transcode", "in.mp4"}, "-o"},
        {{"transcode", "-o", "out.avi"}, "INPUT"},
        {{"transcode", "--field", "NoSuchField=1", "-o", "out.avi", "in.mp4"},
         "no output field is named NoSuchField"},
        {{"transcode", "--field", "PadTop=wide", "-o", "out.avi", "in.mp4"},
         "the field PadTop takes a number, not 'wide'"},
        {{"transcode", "--opt", "novalue", "-o", "out.avi", "in.mp4"}, "--opt takes NAME=VALUE"},
        {{"transcode", "--in-opt", "=1", "-o", "out.avi", "in.mp4"}, "--in-opt takes NAME=VALUE"},
        {{"transcode", "--bogus", "-o", "out.avi", "in.mp4"}, "--bogus"},
        {{"dvd"}, "usage: mediawizard-cli dvd ROOT"},
        {{"dvd", "--", ""}, "a DVD root is needed"},
        {{"dvd", "--bogus"}, "ROOT is required"},
        {{"download"}, "LINK is required"},
        {{"download", "--quality", "18,99", "http://www.youtube.com/watch?v=a"},
         "--quality takes default, best or format codes"},
        {{"download", "--quality", "18,18", "http://www.youtube.com/watch?v=a"},
         "--quality takes default, best or format codes"},
        {{"download", "--quality", "18,", "http://www.youtube.com/watch?v=a"},
         "--quality takes default, best or format codes"},
        {{"download", "--convert", "NOPE", "http://www.youtube.com/watch?v=a"},
         "no output format is named NOPE"},
        {{"download", "--convert", "MP3", "--preset", "7", "http://www.youtube.com/watch?v=a"},
         "MP3 has presets 0 to 3"},
        {{"download", "--preset", "1", "http://www.youtube.com/watch?v=a"},
         "--preset needs --convert FORMAT"},
    };
    for (const Case& c : cases) {
        const std::string name = c.Args.empty() ? "(none)" : c.Args[0];
        const test::ProcessResult result = Cli(c.Args);
        EXPECT_EQ(result.ExitCode, 2) << name;
        EXPECT_NE(result.Err.find(c.Says), std::string::npos) << name << ": " << result.Err;
        EXPECT_NE(result.Err.find("usage: mediawizard-cli "), std::string::npos) << result.Err;
        EXPECT_EQ(result.Out, "") << name;
    }
}

TEST(Cli, EveryCommandHasItsHelpPageAndTheProgramItsVersion) {
    const test::ProcessResult program = Cli({"--help"});
    EXPECT_EQ(program.ExitCode, 0) << program.Err;
    EXPECT_EQ(program.Out.rfind("usage: mediawizard-cli COMMAND [ARGS]\n", 0), 0U) << program.Out;
    const std::string commands = "\ncommands:\n";
    const std::size_t list = program.Out.find(commands);
    ASSERT_NE(list, std::string::npos) << program.Out;
    std::vector<std::string> names;
    const std::string entry = "  mediawizard-cli ";
    for (std::size_t at = program.Out.find(entry, list); at != std::string::npos;
         at = program.Out.find(entry, at + 1)) {
        const std::size_t start = at + entry.size();
        names.push_back(program.Out.substr(start, program.Out.find_first_of(" \n", start) - start));
    }
    EXPECT_EQ(names.size(), 9U) << program.Out;
    for (const std::string& name : names) {
        for (const char* flag : {"--help", "-h"}) {
            const test::ProcessResult help = Cli({name, flag});
            EXPECT_EQ(help.ExitCode, 0) << name << help.Err;
            EXPECT_EQ(help.Err, "") << name;
            EXPECT_EQ(help.Out.rfind("usage: mediawizard-cli " + name, 0), 0U) << help.Out;
            EXPECT_NE(help.Out.find("-h,--help"), std::string::npos) << help.Out;
        }
    }

    const test::ProcessResult version = Cli({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out.rfind("mediawizard-cli 1.", 0), 0U) << version.Out;
}

TEST(Cli, NamesAfterTheEndOfOptionsAreNeverOptions) {
    test::TempDir dir;
    const test::ProcessResult dvd = Cli({"dvd", "--", dir.File("--no-disc")});
    EXPECT_EQ(dvd.ExitCode, 1) << dvd.Err;
    EXPECT_NE(dvd.Err.find("No DVD title(s) found."), std::string::npos) << dvd.Err;

    const test::ProcessResult probe = Cli({"probe", "--", "--json"});
    EXPECT_EQ(probe.ExitCode, 1) << probe.Err;
    EXPECT_NE(probe.Err.find("--json"), std::string::npos) << probe.Err;
    EXPECT_EQ(probe.Out, "");
}

TEST(Cli, EditionOfTheProgramDirectory) {
    const test::ProcessResult result = Cli({"edition"});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_NE(result.Out.find("Name:           MediaWizard\n"), std::string::npos) << result.Out;

    test::TempDir dir;
    test::WriteTextFile(dir.File("lame.dll"), "[SYSTEM]\nName=Odd\nSkin=x\n");
    const test::ProcessResult odd = Cli({"edition", dir.File("lame.dll")});
    EXPECT_EQ(odd.ExitCode, 1);
    EXPECT_NE(odd.Err.find("'x' is not a valid integer value"), std::string::npos) << odd.Err;
}

TEST(Cli, ProbeReportsEveryFileAndFailsForAnyBadOne) {
    test::TempDir dir;
    test::FixturePlan video;
    video.VideoCodec = "mpeg4";
    video.AudioCodec = "libmp3lame";
    video.Format = "avi";
    test::WriteFixture(dir.File("clip.avi"), video);
    test::FixturePlan audio;
    audio.AudioCodec = "flac";
    audio.Format = "flac";
    test::WriteFixture(dir.File("tone.flac"), audio);

    const test::ProcessResult good =
        Cli({"probe", "--json", dir.File("clip.avi"), dir.File("tone.flac")});
    EXPECT_EQ(good.ExitCode, 0) << good.Err;
    EXPECT_EQ(Count(good.Out, "\"ok\":true"), 2u) << good.Out;
    EXPECT_NE(good.Out.find("\"Width\":320"), std::string::npos);
    EXPECT_NE(good.Out.find("\"VideoStreamIndex\":0"), std::string::npos);
    EXPECT_NE(good.Out.find("\"video\":null"), std::string::npos);  // the FLAC file
    EXPECT_NE(good.Out.find("\"SampleRate\":44100"), std::string::npos);
    EXPECT_EQ(good.Out.front(), '[');

    const test::ProcessResult mixed =
        Cli({"probe", "--json", dir.File("clip.avi"), dir.File("gone.avi")});
    EXPECT_EQ(mixed.ExitCode, 1);
    EXPECT_EQ(Count(mixed.Out, "\"ok\":false"), 1u);
    EXPECT_NE(mixed.Out.find("gone.avi: no such file or directory"), std::string::npos);
    EXPECT_NE(mixed.Err.find("gone.avi: no such file or directory"), std::string::npos);

    const test::ProcessResult text = Cli({"probe", dir.File("clip.avi")});
    EXPECT_EQ(text.ExitCode, 0);
    EXPECT_NE(text.Out.find("320x240"), std::string::npos) << text.Out;
}

TEST(Cli, ThumbnailIsThePictureFittedToTheSize) {
    test::TempDir dir;
    test::FixturePlan video;
    video.VideoCodec = "libx264";
    video.Format = "mp4";
    test::WriteFixture(dir.File("clip.mp4"), video);

    const test::ProcessResult small = Cli({"thumbnail", dir.File("clip.mp4"), dir.File("a.png")});
    ASSERT_EQ(small.ExitCode, 0) << small.Err;
    auto info = test::FFprobe(dir.File("a.png"));
    EXPECT_EQ(info["streams.stream.0.width"], "117");
    EXPECT_EQ(info["streams.stream.0.height"], "88");

    const test::ProcessResult large =
        Cli({"thumbnail", dir.File("clip.mp4"), dir.File("b.png"), "--size", "640x640"});
    ASSERT_EQ(large.ExitCode, 0) << large.Err;
    info = test::FFprobe(dir.File("b.png"));
    EXPECT_EQ(info["streams.stream.0.width"], "640");
    EXPECT_EQ(info["streams.stream.0.height"], "480");

    test::FixturePlan audio;
    audio.AudioCodec = "libmp3lame";
    audio.Format = "mp3";
    test::WriteFixture(dir.File("tone.mp3"), audio);
    const test::ProcessResult none = Cli({"thumbnail", dir.File("tone.mp3"), dir.File("c.png")});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_NE(none.Err.find("no video"), std::string::npos);
}

TEST(Cli, ConvertRunsTheWizardsConversion) {
    test::TempDir dir;
    test::FixturePlan clip;
    clip.VideoCodec = "mpeg4";
    clip.AudioCodec = "libmp3lame";
    clip.Format = "avi";
    clip.Seconds = 0.5;
    test::WriteFixture(dir.File("a.avi"), clip);
    test::WriteFixture(dir.File("b.avi"), clip);
    test::WriteTextFile(dir.File("bad.avi"), "not a movie");

    const std::string out = dir.File("new/folder");
    const test::ProcessResult ok = Cli({"convert", "--format", "mp3", "--out", out,
                                        dir.File("a.avi"), dir.File("bad.avi"), dir.File("b.avi")});
    // A listed file that could not even be queued is a failure of the run.
    EXPECT_EQ(ok.ExitCode, 1) << ok.Err;
    EXPECT_NE(ok.Out.find("File load error: " + dir.File("bad.avi")), std::string::npos);
    EXPECT_NE(ok.Err.find("File (1): " + dir.File("bad.avi")), std::string::npos) << ok.Err;
    EXPECT_NE(ok.Out.find("Queued: a.avi"), std::string::npos);
    EXPECT_NE(ok.Out.find("b.avi: Finish."), std::string::npos);
    EXPECT_TRUE(ok.Out.ends_with("Total files: 3\nSucceeded: 2\nFailed: 1\n")) << ok.Out;
    EXPECT_TRUE(std::filesystem::exists(out + "/a.mp3"));

    test::WriteTextFile(dir.File("words.srt"), "1\n00:00:01,000 --> 00:00:02,000\nHi\n\n");
    const std::string failing = dir.File("other");
    const test::ProcessResult failed = Cli(
        {"convert", "--format", "WAV", "--preset", "0", "--out", failing, dir.File("words.srt")});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_NE(failed.Err.find("File (0): " + dir.File("words.srt") + ": "), std::string::npos)
        << failed.Err;
    EXPECT_TRUE(failed.Out.ends_with("Total files: 1\nSucceeded: 0\nFailed: 1\n")) << failed.Out;

    const test::ProcessResult joined = Cli({"convert", "--format", "AVI", "--join", "--out", out,
                                            dir.File("a.avi"), dir.File("b.avi")});
    EXPECT_EQ(joined.ExitCode, 0) << joined.Err;
    EXPECT_TRUE(std::filesystem::exists(out + "/Output_Merge.avi"));
    EXPECT_TRUE(joined.Out.ends_with("Total files: 1\nSucceeded: 1\nFailed: 0\n")) << joined.Out;
}

TEST(Cli, ConvertRunsTasksSideBySideAndTakesNamesAfterTheEndOfOptions) {
    test::TempDir dir;
    test::FixturePlan tone;
    tone.AudioCodec = "pcm_s16le";
    tone.Format = "wav";
    tone.Seconds = 1.0;
    const std::vector<std::string> names = {"--format.wav", "-o.wav", "b.wav", "c.wav", "d.wav"};
    std::vector<std::string> args = {"convert", "--jobs",        "2", "--format", "MP3",
                                     "--out",   dir.File("out"), "--"};
    for (const std::string& name : names) {
        args.push_back(dir.File(name));
        test::WriteFixture(args.back(), tone);
    }
    // Relative names after "--" are files too.
    args.push_back("--format.wav");
    args.insert(args.begin(), MW_CLI);
    const std::string inFolder = "cd '" + dir.Path() + "' && exec \"$@\"";
    args.insert(args.begin(), {"sh", "-c", inFolder, "sh"});
    const test::ProcessResult parallel = test::RunProcess(args);
    EXPECT_EQ(parallel.ExitCode, 0) << parallel.Err;
    EXPECT_TRUE(parallel.Out.ends_with("Total files: 6\nSucceeded: 6\nFailed: 0\n"))
        << parallel.Out;
    for (const char* out : {"--format.mp3", "--format(1).mp3", "-o.mp3", "b.mp3", "d.mp3"}) {
        const std::string path = dir.File(std::string("out/") + out);
        auto info = test::FFprobe(path);
        EXPECT_EQ(info["streams.stream.0.codec_name"], "mp3") << out;
        EXPECT_NEAR(std::stod(info["format.duration"]), 1.0, 0.1) << out;
        EXPECT_TRUE(test::DecodesCleanly(path)) << out;
    }
    EXPECT_EQ(Cli({"convert", "--jobs", "-1", "--format", "MP3", "x.wav"}).ExitCode, 2);
}

TEST(Cli, ALongBatchUnderATightDescriptorLimitLosesNothing) {
    test::TempDir dir;
    test::FixturePlan tone;
    tone.AudioCodec = "pcm_s16le";
    tone.Format = "wav";
    tone.Seconds = 0.1;
    constexpr int kFiles = 200;
    std::vector<std::string> args = {"sh",           "-c",   "ulimit -n 256 && exec \"$@\"",
                                     "sh",           MW_CLI, "convert",
                                     "--format",     "WAV",  "--out",
                                     dir.File("out")};
    for (int i = 0; i < kFiles; ++i) {
        args.push_back(dir.File("t" + std::to_string(i) + ".wav"));
        test::WriteFixture(args.back(), tone);
    }
    const test::ProcessResult run = test::RunProcess(args);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(run.Out.ends_with("Total files: 200\nSucceeded: 200\nFailed: 0\n"))
        << run.Out.substr(run.Out.size() > 400 ? run.Out.size() - 400 : 0);
    for (const int i : {0, kFiles - 1}) {
        const std::string out = dir.File("out/t" + std::to_string(i) + ".wav");
        auto info = test::FFprobe(out);
        EXPECT_EQ(info["streams.stream.0.codec_type"], "audio");
        EXPECT_NEAR(std::stod(info["format.duration"]), 0.1, 0.02);
        EXPECT_TRUE(test::DecodesCleanly(out));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("out")),
                            std::filesystem::directory_iterator()),
              kFiles);
}

// A finished task gives back what it held: a batch ten times as long peaks at about the
// same memory (a queued task keeps only its records, a few KB).
TEST(Cli, ALongBatchKeepsItsMemoryFlat) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers keep freed memory in quarantine";
#endif
    test::TempDir dir;
    test::FixturePlan tone;
    tone.AudioCodec = "pcm_s16le";
    tone.Seconds = 0.1;
    tone.SampleRate = 8000;
    tone.Channels = 1;
    test::WriteFixture(dir.File("tone.wav"), tone);
    const auto peakKilobytes = [&](int files) {
        const std::string out = dir.File("out" + std::to_string(files));
        std::vector<std::string> args = {"/usr/bin/time", "-f", "%M", "-o", dir.File("peak"),
                                         MW_CLI, "convert", "--format", "MP3", "--out", out};
        for (int i = 0; i < files; ++i) {
            args.push_back(dir.File("t" + std::to_string(i) + ".wav"));
            if (!std::filesystem::exists(args.back())) {
                std::filesystem::copy_file(dir.File("tone.wav"), args.back());
            }
        }
        const test::ProcessResult run = test::RunProcess(args);
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_TRUE(run.Out.ends_with("Succeeded: " + std::to_string(files) + "\nFailed: 0\n"));
        EXPECT_TRUE(test::DecodesCleanly(out + "/t" + std::to_string(files - 1) + ".mp3"));
        double peak = 0;
        std::ifstream(dir.File("peak")) >> peak;
        return peak;
    };
    const double shortBatch = peakKilobytes(40);
    const double longBatch = peakKilobytes(400);
    // Finished workers and their report threads kept 180 KB each until the queue was cleared.
    EXPECT_LT((longBatch - shortBatch) / 360, 60) << shortBatch << " KB, then " << longBatch;
}

TEST(Cli, FormatsListsEveryPreset) {
    const test::ProcessResult json = Cli({"formats", "--json"});
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_EQ(Count(json.Out, "\"row\":"), 177u);
    EXPECT_EQ(Count(json.Out, "\"key\":"), 24u);
    EXPECT_NE(json.Out.find("{\"name\":\"Device\",\"formats\":[{\"key\":\"IPOD\","),
              std::string::npos);
    EXPECT_NE(json.Out.find("\"label\":\"WMA Losslesss Audio\""), std::string::npos);
    EXPECT_NE(json.Out.find("\"size\":[320,240]"), std::string::npos);
    EXPECT_NE(json.Out.find("\"AudioBitRate\":256000"), std::string::npos);

    const test::ProcessResult text = Cli({"formats"});
    ASSERT_EQ(text.ExitCode, 0);
    EXPECT_NE(text.Out.find("   * 2  Normal Quality - MP3: 48000 Hz, Stereo, 256 kbps"),
              std::string::npos);
}

TEST(Cli, TranscodeRunsOneTaskAndReportsItsEnd) {
    test::TempDir dir;
    test::FixturePlan clip;
    clip.VideoCodec = "libx264";
    clip.AudioCodec = "aac";
    clip.Format = "mp4";
    test::WriteFixture(dir.File("in.mp4"), clip);

    const test::ProcessResult ok =
        Cli({"transcode", "--field", "VideoCodec=mpeg4", "--field", "FrameSize=160*120", "--field",
             "PadTop=20", "--field", "PadBottom=20", "--opt", "g=10", "--in-opt", "ss=0.5", "-o",
             dir.File("out.avi"), dir.File("in.mp4")});
    ASSERT_EQ(ok.ExitCode, 0) << ok.Err;
    EXPECT_NE(ok.Out.find("frame="), std::string::npos) << ok.Out;
    auto info = test::FFprobe(dir.File("out.avi"));
    EXPECT_EQ(info["streams.stream.0.height"], "160");
    EXPECT_NEAR(std::stod(info["format.duration"]), 1.5, 0.1);

    const test::ProcessResult join = Cli({"transcode", "--join", "-o", dir.File("joined.mp3"),
                                          dir.File("in.mp4"), dir.File("in.mp4")});
    ASSERT_EQ(join.ExitCode, 0) << join.Err;
    EXPECT_NEAR(std::stod(test::FFprobe(dir.File("joined.mp3"))["format.duration"]), 4.0, 0.1);

    const test::ProcessResult missing =
        Cli({"transcode", "-o", dir.File("x.avi"), dir.File("missing.mp4")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("missing.mp4: no such file or directory"), std::string::npos);

    const test::ProcessResult refused =
        Cli({"transcode", "--opt", "threads=2", "-o", dir.File("y.avi"), dir.File("in.mp4")});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_NE(refused.Err.find("TODO: option - threads"), std::string::npos);
}

TEST(Cli, CaptureDevicesAndFilterSourcesAreNoInputs) {
    // Forcing a device or a filter-graph source as the input format must not reach the
    // screen, a camera, a sound card or files named inside a graph.
    struct Case {
        const char* Format;
        const char* Input;
    };
    const Case cases[] = {
        {"lavfi", "sine=duration=1"}, {"x11grab", ":0.0"},   {"v4l2", "/dev/video0"},
        {"alsa", "default"},          {"fbdev", "/dev/fb0"}, {"oss", "/dev/dsp"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        const std::string out = dir.File(std::string(c.Format) + ".wav");
        const test::ProcessResult result =
            Cli({"transcode", "--in-opt", std::string("f=") + c.Format, "-o", out, "--", c.Input});
        EXPECT_EQ(result.ExitCode, 1) << c.Format << result.Err;
        EXPECT_NE(result.Err.find(c.Format), std::string::npos) << c.Format << result.Err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.Format;
    }
}

TEST(Cli, ProbeJsonStaysValidForNamesThatAreNotUtf8) {
    test::TempDir dir;
    test::FixturePlan clip;
    clip.VideoCodec = "mpeg4";
    clip.Format = "avi";
    clip.Seconds = 0.5;
    // Latin-1 bytes, as an old disk or archive may name a file.
    const std::string odd = dir.File("caf\xe9 \xff\\\"clip.avi");
    test::WriteFixture(odd, clip);

    const test::ProcessResult probe = Cli({"probe", "--json", odd});
    ASSERT_EQ(probe.ExitCode, 0) << probe.Err;
    EXPECT_NE(probe.Out.find("caf\xef\xbf\xbd \xef\xbf\xbd\\\\\\\"clip.avi"), std::string::npos)
        << probe.Out;
    test::WriteTextFile(dir.File("probe.json"), probe.Out);
    const test::ProcessResult parsed =
        test::RunProcess({"python3", "-m", "json.tool", dir.File("probe.json")});
    EXPECT_EQ(parsed.ExitCode, 0) << parsed.Err;
    EXPECT_NE(parsed.Out.find("\"Width\": 320"), std::string::npos) << parsed.Out;
}

// Picture-sequence outputs take a numbered name, or a plain one for a single picture; any
// other name is refused with the message of the name's syntax.
TEST(Cli, TranscodeWritesPictureSequences) {
    test::TempDir dir;
    test::FixturePlan clip;
    clip.VideoCodec = "mpeg4";
    clip.Format = "avi";
    clip.Seconds = 0.4;
    test::WriteFixture(dir.File("in.avi"), clip);
    struct Case {
        std::vector<std::string> Options;
        const char* Name;
        int ExitCode;
        std::vector<const char*> Pictures;  // written, with their codec
        const char* Codec;
    };
    const Case cases[] = {
        {{"f=image2"}, "seq%03d.png", 0, {"seq001.png", "seq010.png"}, "png"},
        {{"f=pgmyuv"}, "yuv%02d.pgm", 0, {"yuv01.pgm", "yuv10.pgm"}, "pgm"},
        {{"f=image2", "vframes=1"}, "one.jpg", 0, {"one.jpg"}, "mjpeg"},
        {{"f=image2"}, "plain.png", 1, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = {"transcode"};
        for (const std::string& option : c.Options) {
            args.insert(args.end(), {"--opt", option});
        }
        args.insert(args.end(), {"-o", dir.File(c.Name), dir.File("in.avi")});
        const test::ProcessResult result = Cli(args);
        ASSERT_EQ(result.ExitCode, c.ExitCode) << result.Err;
        for (const char* picture : c.Pictures) {
            auto info = test::FFprobe(dir.File(picture));
            EXPECT_EQ(info["streams.stream.0.codec_name"], c.Codec) << picture;
            EXPECT_EQ(info["streams.stream.0.width"], "320") << picture;
            const test::ProcessResult decoded = test::RunProcess(
                {"ffmpeg", "-v", "error", "-i", dir.File(picture), "-f", "null", "-"});
            EXPECT_EQ(decoded.ExitCode, 0) << decoded.Err;
        }
        if (c.ExitCode != 0) {
            EXPECT_NE(result.Err.find("Incorrect image filename syntax."), std::string::npos)
                << result.Err;
            EXPECT_FALSE(std::filesystem::exists(dir.File(c.Name)));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("seq011.png")));
}

}  // namespace
}  // namespace mw
