// fake_ffmpeg: prints a scripted ffmpeg-like diagnostic text and exits with a
// chosen code, so tool-runner tests control every byte and every write.
//
// The script is a list of operations, run in order. It comes from the command
// line (fake_ffmpeg OP ARG... OP ARG...), or, when FAKE_FFMPEG_SCRIPT names a
// file, from that file (one operation per line, words separated by one space,
// the last argument taking the rest of the line; blank lines and lines starting
// with '#' are skipped). In file mode the command line is free, so the helper
// can stand in for ffmpeg under an engine-built command (see "args" and
// "touch-last").
//
// Each operation is written with one write() call, so a test decides where
// the reader's chunks may end. TEXT takes the escapes \n \r \t \\ and \xHH.
//
//   err TEXT                      TEXT on stderr
//   out TEXT                      TEXT on stdout
//   frames FIRST LAST STEP WIDTH  one status line per frame number FIRST, FIRST+STEP, ... up to LAST on
//                                 stderr: "frame=" then the number right-aligned in WIDTH columns, then
//                                 " fps= 25 q=2.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=1.00x    \r"
//   showinfo N PTS_TIME           "[Parsed_showinfo_1 @ 0x55d0c0a4b2c0] n:   N pts:  12288 pts_time:PTS_TIME
//                                 duration:1 ...\n" on stderr (PTS_TIME is printed as given)
//   repeat COUNT TEXT             TEXT COUNT times on stdout, in writes of up to 64 KiB (large outputs)
//   args                          each command-line argument as "[ARG]\n" on stdout
//   touch-last                    creates (empties) the file named by the last command-line argument
//   sleep MS                      pauses MS milliseconds (pacing a demo only; tests wait on output)
//   signal SIG                    kills itself with signal number SIG
//   hang                          sleeps until killed
//   exit CODE                     exits with CODE at once
//
// Without "exit" the program ends with 0. A malformed script prints
// "fake_ffmpeg: bad script: ..." on stderr and exits with 99.
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& why) {
    const std::string text = "fake_ffmpeg: bad script: " + why + "\n";
    (void)!write(2, text.data(), text.size());
    std::exit(99);
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) std::exit(98);  // the reader went away
        done += static_cast<size_t>(n);
    }
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'n') {
            out += '\n';
        } else if (c == 'r') {
            out += '\r';
        } else if (c == 't') {
            out += '\t';
        } else if (c == '\\') {
            out += '\\';
        } else if (c == 'x' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            Fail("unknown escape \\" + std::string(1, c));
        }
    }
    return out;
}

long Number(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') Fail("not a number: " + text);
    return value;
}

int Arity(const std::string& op) {
    if (op == "err" || op == "out" || op == "sleep" || op == "signal" || op == "exit") return 1;
    if (op == "showinfo" || op == "repeat") return 2;
    if (op == "frames") return 4;
    if (op == "args" || op == "touch-last" || op == "hang") return 0;
    Fail("unknown operation " + op);
}

using Operation = std::vector<std::string>;  // name, then its arguments

std::vector<Operation> ParseArgs(int argc, char** argv) {
    std::vector<Operation> ops;
    for (int i = 1; i < argc;) {
        Operation op{argv[i++]};
        const int arity = Arity(op[0]);
        for (int k = 0; k < arity; ++k) {
            if (i == argc) Fail("missing argument of " + op[0]);
            op.push_back(argv[i++]);
        }
        ops.push_back(op);
    }
    return ops;
}

std::vector<Operation> ParseFile(const char* path) {
    std::ifstream file(path);
    if (!file) Fail(std::string("cannot read ") + path);
    std::vector<Operation> ops;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t at = line.find(' ');
        Operation op{line.substr(0, at)};
        const int arity = Arity(op[0]);
        for (int k = 0; k < arity; ++k) {
            if (at == std::string::npos) Fail("missing argument of " + op[0]);
            const size_t begin = at + 1;
            at = k + 1 == arity ? std::string::npos : line.find(' ', begin);
            op.push_back(line.substr(begin, at == std::string::npos ? std::string::npos : at - begin));
        }
        ops.push_back(op);
    }
    return ops;
}

void Run(const Operation& op, int argc, char** argv) {
    const std::string& name = op[0];
    if (name == "err") {
        WriteAll(2, Unescape(op[1]));
    } else if (name == "out") {
        WriteAll(1, Unescape(op[1]));
    } else if (name == "frames") {
        const long last = Number(op[2]);
        const long step = Number(op[3]);
        const int width = static_cast<int>(Number(op[4]));
        if (step <= 0) Fail("frames needs a positive step");
        for (long frame = Number(op[1]); frame <= last; frame += step) {
            char line[256];
            std::snprintf(line, sizeof line,
                          "frame=%*ld fps= 25 q=2.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=1.00x    \r",
                          width, frame);
            WriteAll(2, line);
        }
    } else if (name == "showinfo") {
        char line[512];
        std::snprintf(line, sizeof line,
                      "[Parsed_showinfo_1 @ 0x55d0c0a4b2c0] n:%4ld pts:  12288 pts_time:%-8s duration:1 "
                      "duration_time:0.04 fmt:yuv420p sar:1/1 s:160x90 i:P iskey:0 type:P checksum:00000000\n",
                      Number(op[1]), op[2].c_str());
        WriteAll(2, line);
    } else if (name == "repeat") {
        const long count = Number(op[1]);
        const std::string text = Unescape(op[2]);
        std::string block;
        for (long i = 0; i < count; ++i) {
            block += text;
            if (block.size() >= 65536) {
                WriteAll(1, block);
                block.clear();
            }
        }
        WriteAll(1, block);
    } else if (name == "args") {
        for (int i = 1; i < argc; ++i) WriteAll(1, "[" + std::string(argv[i]) + "]\n");
    } else if (name == "touch-last") {
        if (argc < 2) Fail("touch-last without arguments");
        std::ofstream created(argv[argc - 1], std::ios::trunc);
        if (!created) Fail(std::string("cannot create ") + argv[argc - 1]);
    } else if (name == "sleep") {
        usleep(static_cast<useconds_t>(Number(op[1]) * 1000));
    } else if (name == "signal") {
        signal(static_cast<int>(Number(op[1])), SIG_DFL);
        raise(static_cast<int>(Number(op[1])));
    } else if (name == "hang") {
        for (;;) pause();
    } else if (name == "exit") {
        std::exit(static_cast<int>(Number(op[1])));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* script = std::getenv("FAKE_FFMPEG_SCRIPT");
    const std::vector<Operation> ops = script && *script ? ParseFile(script) : ParseArgs(argc, argv);
    for (const Operation& op : ops) Run(op, argc, argv);
    return 0;
}
