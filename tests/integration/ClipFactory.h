#pragma once

// Test clips made on the spot with ffmpeg's lavfi sources, for the integration tests.
//
// A clip is a still background (colour `background`) on which a square box (colour `boxColor`, side a
// quarter of the height, at least 8 px) appears and moves during the given frame ranges: on frame n of a
// range it stands at x = (n * side/2) mod (width - side), vertically centred. Outside every range the
// frame is the plain background, so a frame-difference measure sees change exactly on the frames of a
// range and on the first frame after it (the box vanishes). Frames are numbered from 0; ranges are
// inclusive. The clip has exactly `frames` video frames at `rate`.
//
// Frame times other than a constant rate from zero, for clips that play like a phone or a camera recording:
//   frameTime   the time of frame N in seconds as an ffmpeg expression, for example
//               "if(lt(N,288),N/25,11.52+(N-288)/12.5)" (25 fps, then 12.5 fps) or "0.030*N+0.0005*mod(N,3)"
//               (frames 30.5, 30.5 and 29 ms long). Times are rounded to 1/10000 s and written as they are, so
//               the file's frames keep them (ffprobe lists them as pts_time); `rate` still sets the frame rate
//               the picture and the audio are made at, so the box and the sound follow frame numbers, not
//               times. The expression goes between single quotes in the filter graph; it must hold none.
//   videoDelay  seconds by which the video stream starts late (containers only, not raw streams): the clip
//               is made, then copied with its video shifted. With audio the sound still starts at 0, and so
//               does the container; without, the container starts at videoDelay as well.
//
// The container follows the extension of the name; codecs are chosen to suit it:
//   .mp4 .mov .m4v .mkv .flv .3gp  libx264 (ultrafast), audio aac
//   .webm                          libvpx (VP8), audio libopus
//   .avi                           mpeg4, audio mp2
//   .ts .m2ts .mts .mpg .mpeg .vob  mpeg2video, audio mp2
//   .wmv .asf                      wmv2, audio wmav2
//   .ogv                           libtheora, audio libvorbis
//   .h264 .264                     raw H.264 elementary stream (no container, no audio, no frame count)
//   .m2v                           raw MPEG-2 elementary stream
// Interlaced clips use mpeg2video coded top field first (field_order "tt") unless videoCodec says
// otherwise. A rotation is written as display-matrix side data (mp4/mov only): ffprobe then reports
// "rotation" with that value. Even widths and heights keep every codec happy.
//
// Usage in a test file:
//
//   #include "integration/ClipFactory.h"
//
//   class ProbeTest : public clips::ClipTest {};      // skips every test when ffmpeg/ffprobe is missing
//
//   TEST_F(ProbeTest, Something) {
//       clips::ClipOptions o;                          // 160x90, 25 fps, 50 frames, still, no audio
//       o.motion = {{10, 19}, {35, 44}};               // the box moves in frames 10..19 and 35..44
//       o.audio = true;                                // a 440 Hz sine as long as the video
//       const std::string path = Clip("moving.mp4", o); // made once per test suite, cached by name
//       ...
//   }
//
// Without the fixture: clips::TempFolder (removed at scope end unless TARNELO_KEEP_CLIPS is set),
// clips::MakeClip(folder, name, options, &error) returning the path or "" with error holding the command
// and ffmpeg's messages, and clips::ToolsAvailable() for GTEST_SKIP.

#include <fcntl.h>
// Window tests use Qt Test; they define TARNELO_CLIPS_WITHOUT_FIXTURE and get the clip functions alone.
#ifndef TARNELO_CLIPS_WITHOUT_FIXTURE
#include <gtest/gtest.h>
#endif
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace clips {

struct FrameRange {
    int first = 0;
    int last = 0;  // inclusive
};

struct ClipOptions {
    int width = 160;
    int height = 90;
    std::string rate = "25";  // as ffmpeg reads a rate: "25", "30000/1001", "59.94"
    int frames = 50;
    std::vector<FrameRange> motion;  // empty: the whole clip is still
    bool audio = false;              // sine tone as long as the video (ignored for raw streams)
    bool interlaced = false;         // top field first interlaced coding
    bool variableRate = false;       // intervals alternate 1.4 and 0.6 frame durations (mean: one frame)
    std::string frameTime;           // seconds of frame N as an ffmpeg expression; empty: N at rate
    double videoDelay = 0;           // seconds the video stream starts after the container (and audio)
    int rotation = 0;                // display rotation in degrees; 0 writes none
    std::string background = "gray";
    std::string boxColor = "white";
    // Pixels the box moves per frame, fractions allowed; 0: half its side. With a step the box stays in view
    // on every frame and moves during the ranges only: on frame n it stands step x (frames of the ranges up to
    // n) from the left, so a slow mover can be made over a background that is otherwise still.
    double boxStep = 0;
    std::string videoCodec;              // empty: the container's default above
    std::string audioCodec;              // empty: the container's default above
    std::vector<std::string> extraArgs;  // output options added just before the file name
};

// The options most tests vary: size, rate, length and sound; moving all through when moving is set.
inline ClipOptions SizedClip(int width, int height, const std::string& rate, int frames, bool audio,
                             bool moving = false) {
    ClipOptions o;
    o.width = width;
    o.height = height;
    o.rate = rate;
    o.frames = frames;
    o.audio = audio;
    if (moving) o.motion = {{0, frames - 1}};
    return o;
}

// Runs argv (argv[0] searched on PATH) with stdin from /dev/null and stdout+stderr into logPath.
// Returns the exit code, 128 + signal, or -1 when it could not start.
inline int RunProgram(const std::vector<std::string>& argv, const std::string& logPath) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

inline bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) return true;
    }
    return false;
}

// True when both ffmpeg and ffprobe can be started (what the engine finds on PATH too).
inline bool ToolsAvailable() {
    static const bool available = OnPath("ffmpeg") && OnPath("ffprobe");
    return available;
}

// A fresh folder under the temp folder, removed with its contents on destruction. Set TARNELO_KEEP_CLIPS
// in the environment to keep it for a look at the clips and ffmpeg's logs.
class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnelo-clips-XXXXXX";
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        if (m_path.empty()) return;
        if (std::getenv("TARNELO_KEEP_CLIPS")) {
            std::fprintf(stderr, "clips kept in %s\n", m_path.c_str());
            return;
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes text to folder/name (for files that only pretend to be media). Returns the path.
inline std::string WriteFile(const std::string& folder, const std::string& name, const std::string& text) {
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

namespace detail {

inline std::string Extension(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

struct Codecs {
    std::string video;
    std::string audio;                // empty: the format takes no audio
    std::vector<std::string> format;  // -f for raw streams
};

inline Codecs CodecsFor(const std::string& ext) {
    if (ext == ".webm") return {"libvpx", "libopus", {}};
    if (ext == ".avi") return {"mpeg4", "mp2", {}};
    if (ext == ".ts" || ext == ".m2ts" || ext == ".mts" || ext == ".mpg" || ext == ".mpeg" || ext == ".vob") {
        return {"mpeg2video", "mp2", {}};
    }
    if (ext == ".wmv" || ext == ".asf") return {"wmv2", "wmav2", {}};
    if (ext == ".ogv") return {"libtheora", "libvorbis", {}};
    if (ext == ".h264" || ext == ".264") return {"libx264", "", {"-f", "h264"}};
    if (ext == ".m2v") return {"mpeg2video", "", {"-f", "mpeg2video"}};
    return {"libx264", "aac", {}};
}

// Seconds per frame of an ffmpeg rate text ("25", "30000/1001", "29.97").
inline double FrameSeconds(const std::string& rate) {
    const size_t slash = rate.find('/');
    const double value = slash == std::string::npos
                             ? std::atof(rate.c_str())
                             : std::atof(rate.substr(0, slash).c_str()) / std::atof(rate.substr(slash + 1).c_str());
    return value > 0 ? 1.0 / value : 0.04;
}

inline std::string VideoFilter(const ClipOptions& o, int box) {
    std::string graph;
    if (o.motion.empty()) {
        graph = "[0:v]";
    } else {
        std::string enable;
        std::string moved;
        for (const FrameRange& r : o.motion) {
            if (!enable.empty()) enable += "+";
            enable += "between(n," + std::to_string(r.first) + "," + std::to_string(r.last) + ")";
            if (!moved.empty()) moved += "+";
            moved += "clip(n-" + std::to_string(r.first) + ",0," + std::to_string(r.last - r.first) + ")";
        }
        if (o.boxStep > 0) {
            char step[32];
            std::snprintf(step, sizeof step, "%.6g", o.boxStep);
            // Overlaid in RGB: on 4:2:0 the box would move by whole chroma samples, two pixels at a time.
            graph = "[0:v][1:v]overlay=x='mod(" + std::string(step) + "*(" + moved + "),W-w)':y='(H-h)/2':format=rgb,";
        } else {
            graph = "[0:v][1:v]overlay=x='mod(n*" + std::to_string(std::max(1, box / 2)) +
                    ",W-w)':y='(H-h)/2':enable='" + enable + "',";
        }
    }
    if (o.interlaced) graph += "setfield=tff,";
    // A fine time base first, so the shifted times are not rounded back onto the frame grid. Rounding to the
    // nearest tick: "0.09/TB" evaluates just under 900 and would be cut to 899.
    if (!o.frameTime.empty()) {
        graph += "settb=1/10000,setpts='round((" + o.frameTime + ")/TB)',";
    } else if (o.variableRate) {
        graph += "settb=1/10000,setpts='(N+0.4*mod(N\\,2))/(FR*TB)',";
    }
    return graph + "format=yuv420p[v]";
}

inline std::string Quote(const std::vector<std::string>& argv) {
    std::string text;
    for (const std::string& a : argv) text += (text.empty() ? "" : " ") + ("'" + a + "'");
    return text;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace detail

// The ffmpeg arguments MakeClip runs for the first (or only) step; useful in failure messages.
inline std::vector<std::string> ClipArguments(const std::string& path, const ClipOptions& o) {
    const detail::Codecs codecs = detail::CodecsFor(detail::Extension(path));
    const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
    const int box = std::max(8, o.height / 4);
    std::vector<std::string> a = {"ffmpeg", "-hide_banner", "-nostdin", "-y", "-loglevel", "error"};
    a.insert(a.end(), {"-f", "lavfi", "-i", "color=c=" + o.background + ":s=" + size + ":r=" + o.rate});
    if (!o.motion.empty()) {
        const std::string boxSize = std::to_string(box) + "x" + std::to_string(box);
        a.insert(a.end(), {"-f", "lavfi", "-i", "color=c=" + o.boxColor + ":s=" + boxSize + ":r=" + o.rate});
    }
    const bool audio = o.audio && !codecs.audio.empty();
    if (audio) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.3f", o.frames * detail::FrameSeconds(o.rate) + 0.1);
        a.insert(a.end(),
                 {"-f", "lavfi", "-i", std::string("sine=frequency=440:sample_rate=48000:duration=") + duration});
    }
    a.insert(a.end(), {"-filter_complex", detail::VideoFilter(o, box), "-map", "[v]"});
    if (audio) a.insert(a.end(), {"-map", std::to_string(o.motion.empty() ? 1 : 2) + ":a"});
    a.insert(a.end(), {"-frames:v", std::to_string(o.frames)});
    // Every frame written once with its own time: no frame dropped or repeated to keep a constant rate.
    if (o.variableRate || !o.frameTime.empty()) {
        a.insert(a.end(), {"-fps_mode", "passthrough", "-enc_time_base", "1/10000"});
    }

    std::string video = o.videoCodec.empty() ? codecs.video : o.videoCodec;
    if (o.interlaced && o.videoCodec.empty()) video = "mpeg2video";
    a.insert(a.end(), {"-c:v", video});
    if (video == "libx264") a.insert(a.end(), {"-preset", "ultrafast"});
    if (video == "libvpx") a.insert(a.end(), {"-deadline", "realtime", "-cpu-used", "8"});
    if (o.interlaced) {
        a.insert(a.end(), {"-flags", "+ildct+ilme", "-top", "1"});
        if (video == "libx264") a.insert(a.end(), {"-x264-params", "tff=1"});
    }
    if (audio) a.insert(a.end(), {"-c:a", o.audioCodec.empty() ? codecs.audio : o.audioCodec});
    a.insert(a.end(), o.extraArgs.begin(), o.extraArgs.end());
    a.insert(a.end(), codecs.format.begin(), codecs.format.end());
    a.push_back(path);
    return a;
}

// Makes folder/name with the options. Returns its path, or "" with error (when given) holding the command
// and ffmpeg's messages. ffmpeg's output goes to folder/name.log.
inline std::string MakeClip(const std::string& folder, const std::string& name, const ClipOptions& options = {},
                            std::string* error = nullptr) {
    const std::string path = folder + "/" + name;
    const std::string log = path + ".log";
    const auto fail = [&](const std::vector<std::string>& argv) {
        if (error) *error = detail::Quote(argv) + "\n" + detail::ReadAll(log);
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return std::string();
    };
    if (options.videoDelay > 0) {
        // Made from 0, then copied with its video moved later and its sound, if any, left where it was.
        ClipOptions early = options;
        early.videoDelay = 0;
        const std::string plain = MakeClip(folder, "early-" + name, early, error);
        if (plain.empty()) return {};
        const std::vector<std::string> argv = {
            "ffmpeg",    "-hide_banner", "-nostdin",   "-y",
            "-loglevel", "error",        "-itsoffset", std::to_string(options.videoDelay),
            "-i",        plain,          "-i",         plain,
            "-map",      "0:v",          "-map",       "1:a?",
            "-c",        "copy",         path};
        if (RunProgram(argv, log) != 0) return fail(argv);
        std::error_code ignored;
        std::filesystem::remove(plain, ignored);
        return path;
    }
    if (options.rotation == 0) {
        const std::vector<std::string> argv = ClipArguments(path, options);
        return RunProgram(argv, log) == 0 ? path : fail(argv);
    }
    // The display matrix is side data of the stream: written on a copy, as a recorder would.
    const std::string plain = folder + "/unrotated-" + name;
    const std::vector<std::string> first = ClipArguments(plain, options);
    if (RunProgram(first, log) != 0) return fail(first);
    const std::string degrees = std::to_string(options.rotation);
    // Newer ffmpeg takes the rotation as an input option; older ones from the stream's "rotate" tag.
    std::vector<std::string> argv = {
        "ffmpeg", "-hide_banner", "-nostdin", "-y", "-loglevel", "error", "-display_rotation",
        degrees,  "-i",           plain,      "-c", "copy",      path};
    if (RunProgram(argv, log) != 0) {
        argv = {"ffmpeg", "-hide_banner",    "-nostdin",          "-y", "-loglevel", "error", "-i", plain, "-c",
                "copy",   "-metadata:s:v:0", "rotate=" + degrees, path};
        if (RunProgram(argv, log) != 0) return fail(argv);
    }
    std::error_code ignored;
    std::filesystem::remove(plain, ignored);
    return path;
}

#ifndef TARNELO_CLIPS_WITHOUT_FIXTURE
// Base fixture: skips when ffmpeg or ffprobe is missing, and makes each named clip once per test suite in
// a folder shared by the suite's tests. Asking for a name again with other options fails the test.
class ClipTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ToolsAvailable()) GTEST_SKIP() << "ffmpeg or ffprobe is not on PATH";
    }

    static void TearDownTestSuite() {
        s_made.clear();
        s_folder.reset();
    }

    // The suite's folder, made on first use.
    static const std::string& Folder() {
        if (!s_folder) s_folder = std::make_unique<TempFolder>();
        return s_folder->Path();
    }

    // Path of the clip, made on first request; adds a test failure (and returns "") when ffmpeg fails.
    static std::string Clip(const std::string& name, const ClipOptions& options = {}) {
        const std::string key = detail::Quote(ClipArguments(name, options)) +
                                " rotation=" + std::to_string(options.rotation) +
                                " delay=" + std::to_string(options.videoDelay);
        const auto it = s_made.find(name);
        if (it != s_made.end()) {
            EXPECT_EQ(it->second.first, key) << "clip " << name << " asked for with other options";
            return it->second.second;
        }
        if (Folder().empty()) {
            ADD_FAILURE() << "no temporary folder for clips";
            return {};
        }
        std::string error;
        const std::string path = MakeClip(Folder(), name, options, &error);
        if (path.empty()) {
            ADD_FAILURE() << "could not make " << name << ":\n" << error;
            return {};
        }
        s_made[name] = {key, path};
        return path;
    }

private:
    static inline std::unique_ptr<TempFolder> s_folder;
    static inline std::map<std::string, std::pair<std::string, std::string>> s_made;  // name -> (key, path)
};
#endif

}  // namespace clips
