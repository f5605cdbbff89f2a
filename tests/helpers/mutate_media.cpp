// mutate_media: writes a damaged copy of a recording, as cameras, cards and failed copies leave them.
//   mutate_media KIND SEED IN OUT
// KIND: truncate, flip, overwrite, no-index, move-index, header. SEED picks every random choice, so a run is
// repeated exactly. Prints one line saying what was done ("flip 3 bits in 0..4096"); exit 3 when the kind
// does not apply to the file (no index to remove), 2 on a usage or file error.
//
// The box and chunk walkers read MP4/MOV ("ISO boxes"), AVI (RIFF chunks) and Matroska (EBML element IDs
// only); for any other file the header kinds fall back to bytes flipped in its first 4 KB.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Box {
    size_t start = 0;    // the size field
    size_t payload = 0;  // after the header
    size_t end = 0;
    std::string type;
};

uint32_t Be32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
uint64_t Be64(const Bytes& b, size_t at) { return static_cast<uint64_t>(Be32(b, at)) << 32 | Be32(b, at + 4); }
uint32_t Le32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at + 3]) << 24 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 1]) << 8 | b[at];
}
void PutBe(Bytes& b, size_t at, uint64_t value, int width) {
    for (int i = 0; i < width && at + i < b.size(); ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}
void PutLe(Bytes& b, size_t at, uint64_t value, int width) {
    for (int i = 0; i < width && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool IsContainer(const std::string& type) {
    static const char* const kContainers[] = {"moov", "trak", "mdia", "minf", "stbl", "edts", "udta", "dinf", "mvex"};
    return std::any_of(std::begin(kContainers), std::end(kContainers), [&](const char* c) { return type == c; });
}

// Every box of an ISO file, containers first, in file order; empty when the file is not one.
std::vector<Box> IsoBoxes(const Bytes& b, size_t from, size_t to, int depth = 0) {
    std::vector<Box> boxes;
    size_t at = from;
    while (at + 8 <= to && depth < 8) {
        Box box;
        box.start = at;
        uint64_t size = Be32(b, at);
        box.type.assign(reinterpret_cast<const char*>(&b[at + 4]), 4);
        box.payload = at + 8;
        if (size == 1 && at + 16 <= to) {
            size = Be64(b, at + 8);
            box.payload = at + 16;
        } else if (size == 0) {
            size = to - at;
        }
        if (size < box.payload - at || size > to - at) break;
        box.end = at + size;
        boxes.push_back(box);
        if (IsContainer(box.type)) {
            std::vector<Box> inner = IsoBoxes(b, box.payload, box.end, depth + 1);
            boxes.insert(boxes.end(), inner.begin(), inner.end());
        }
        at = box.end;
    }
    return boxes;
}

bool LooksIso(const Bytes& b) {
    if (b.size() < 12) return false;
    const std::string type(reinterpret_cast<const char*>(&b[4]), 4);
    return type == "ftyp" || type == "moov" || type == "mdat" || type == "free" || type == "wide";
}
bool LooksRiff(const Bytes& b) { return b.size() >= 12 && std::memcmp(&b[0], "RIFF", 4) == 0; }
bool LooksMatroska(const Bytes& b) { return b.size() >= 4 && Be32(b, 0) == 0x1A45DFA3; }

// RIFF chunks (AVI): id, payload start and size; LIST/RIFF payloads are walked too.
struct Chunk {
    std::string id;
    size_t payload = 0;
    size_t size = 0;
};
std::vector<Chunk> RiffChunks(const Bytes& b, size_t from, size_t to, int depth = 0) {
    std::vector<Chunk> chunks;
    size_t at = from;
    while (at + 8 <= to && depth < 6) {
        Chunk c;
        c.id.assign(reinterpret_cast<const char*>(&b[at]), 4);
        c.size = Le32(b, at + 4);
        c.payload = at + 8;
        if (c.size > to - c.payload) break;
        chunks.push_back(c);
        if ((c.id == "LIST" || c.id == "RIFF") && c.size >= 4) {
            std::vector<Chunk> inner = RiffChunks(b, c.payload + 4, c.payload + c.size, depth + 1);
            chunks.insert(chunks.end(), inner.begin(), inner.end());
        }
        at = c.payload + c.size + (c.size & 1);
    }
    return chunks;
}

std::vector<size_t> FindAll(const Bytes& b, const Bytes& pattern) {
    std::vector<size_t> found;
    for (auto it = b.begin(); (it = std::search(it, b.end(), pattern.begin(), pattern.end())) != b.end(); ++it)
        found.push_back(static_cast<size_t>(it - b.begin()));
    return found;
}

class Mutator {
public:
    Mutator(Bytes& bytes, uint64_t seed) : m_b(bytes), m_rng(seed) {}

    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }

    // A value a broken header holds: zero, one, the largest of its width, a sign flip or any at all.
    uint64_t OddValue(int width) {
        const uint64_t max = width >= 8 ? ~0ULL : (1ULL << (8 * width)) - 1;
        switch (Below(6)) {
            case 0:
                return 0;
            case 1:
                return 1;
            case 2:
                return max;
            case 3:
                return max >> 1;
            case 4:
                return (max >> 1) + 1;
            default:
                return std::uniform_int_distribution<uint64_t>(0, max)(m_rng);
        }
    }

    std::string Truncate() {
        const size_t at = Below(m_b.size());
        m_b.resize(at);
        return "truncate at " + std::to_string(at);
    }

    // Flipped bits, half the time in the first 64 KB or the index, where headers live.
    std::string Flip() {
        size_t from = 0, to = m_b.size();
        if (Chance(50)) {
            to = std::min<size_t>(to, 65536);
            if (LooksIso(m_b)) {
                for (const Box& box : IsoBoxes(m_b, 0, m_b.size()))
                    if (box.type == "moov") from = box.start, to = box.end;
            }
        }
        const size_t bits = 1 + Below(Chance(70) ? 4 : 64);
        for (size_t i = 0; i < bits; ++i) m_b[from + Below(to - from)] ^= static_cast<uint8_t>(1u << Below(8));
        return "flip " + std::to_string(bits) + " bits in " + std::to_string(from) + ".." + std::to_string(to);
    }

    // Runs of garbage or zeros, as bad sectors or an unfinished copy leave them.
    std::string Overwrite() {
        const size_t runs = 1 + Below(4);
        std::string what = "overwrite";
        for (size_t r = 0; r < runs; ++r) {
            const size_t length = std::min(m_b.size(), size_t{16} << Below(13));
            const size_t at = Below(m_b.size() - length + 1);
            const bool zeros = Chance(40);
            for (size_t i = 0; i < length; ++i) m_b[at + i] = zeros ? 0 : static_cast<uint8_t>(Below(256));
            what += " " + std::to_string(length) + (zeros ? " zeros" : " bytes") + " at " + std::to_string(at);
        }
        return what;
    }

    // The index a recorder writes last: MP4's moov (renamed to free), AVI's idx1 (renamed), Matroska's
    // cues and seek head (given an unknown ID).
    std::string NoIndex() {
        if (LooksIso(m_b)) {
            for (const Box& box : IsoBoxes(m_b, 0, m_b.size()))
                if (box.type == "moov") {
                    std::memcpy(&m_b[box.start + 4], "free", 4);
                    return "no-index moov at " + std::to_string(box.start) + " made free";
                }
        } else if (LooksRiff(m_b)) {
            for (const Chunk& c : RiffChunks(m_b, 12, m_b.size()))
                if (c.id == "idx1") {
                    std::memcpy(&m_b[c.payload - 8], "JUNK", 4);
                    return "no-index idx1 made JUNK";
                }
        } else if (LooksMatroska(m_b)) {
            std::string what;
            for (const Bytes& id : {Bytes{0x1C, 0x53, 0xBB, 0x6B}, Bytes{0x11, 0x4D, 0x9B, 0x74}})
                for (size_t at : FindAll(m_b, id)) {
                    PutBe(m_b, at, 0x1F1F1F1F, 4);
                    what += " " + std::to_string(at);
                }
            if (!what.empty()) return "no-index matroska cues/seek head at" + what;
        }
        return {};
    }

    // The MP4 index moved to the other end without its chunk offsets being fixed, as a broken
    // "fast start" rewrite leaves it.
    std::string MoveIndex() {
        if (!LooksIso(m_b)) return {};
        for (const Box& box : IsoBoxes(m_b, 0, m_b.size())) {
            if (box.type != "moov") continue;
            Bytes moov(m_b.begin() + static_cast<long>(box.start), m_b.begin() + static_cast<long>(box.end));
            m_b.erase(m_b.begin() + static_cast<long>(box.start), m_b.begin() + static_cast<long>(box.end));
            const bool toEnd = box.start < m_b.size() / 2;
            // after the ftyp box when it moves to the front
            size_t at = m_b.size();
            if (!toEnd) at = Be32(m_b, 0) <= m_b.size() && LooksIso(m_b) ? Be32(m_b, 0) : 0;
            m_b.insert(m_b.begin() + static_cast<long>(at), moov.begin(), moov.end());
            return std::string("move-index moov to the ") + (toEnd ? "end" : "front");
        }
        return {};
    }

    // One header field set to an odd value: sizes, rates, durations, rotation, counts of streams and samples.
    std::string Header() {
        if (LooksIso(m_b)) return IsoHeader();
        if (LooksRiff(m_b)) return RiffHeader();
        const size_t bits = 1 + Below(8);
        const size_t to = std::min<size_t>(m_b.size(), 4096);
        for (size_t i = 0; i < bits; ++i) m_b[Below(to)] ^= static_cast<uint8_t>(1u << Below(8));
        return "header " + std::to_string(bits) + " bits flipped in the first " + std::to_string(to) + " bytes";
    }

private:
    struct Field {
        const char* box;
        const char* name;
        size_t v0;  // offset from the payload (version and flags included), version 0
        size_t v1;  // and version 1
        int width;
    };

    std::string IsoHeader() {
        static const Field kFields[] = {
            {"mvhd", "timescale", 12, 20, 4},
            {"mvhd", "duration", 16, 24, 4},
            {"mvhd", "next track", 96, 108, 4},
            {"tkhd", "duration", 20, 28, 4},
            {"tkhd", "matrix a", 40, 52, 4},
            {"tkhd", "matrix b", 44, 56, 4},
            {"tkhd", "width", 76, 88, 4},
            {"tkhd", "height", 80, 92, 4},
            {"mdhd", "timescale", 12, 20, 4},
            {"mdhd", "duration", 16, 24, 4},
            {"stts", "entries", 4, 4, 4},
            {"stts", "first count", 8, 8, 4},
            {"stts", "first delta", 12, 12, 4},
            {"stsz", "sample size", 4, 4, 4},
            {"stsz", "sample count", 8, 8, 4},
            {"stco", "entries", 4, 4, 4},
            {"stsc", "entries", 4, 4, 4},
            {"stss", "entries", 4, 4, 4},
            {"elst", "entries", 4, 4, 4},
            {"elst", "first duration", 8, 8, 4},
            {"elst", "first media time", 12, 16, 4},
            {"hdlr", "handler", 8, 8, 4},
            {"stsd", "entries", 4, 4, 4},
            {"stsd", "first width", 40, 40, 2},
            {"stsd", "first height", 42, 42, 2},
            {"ctts", "entries", 4, 4, 4},
        };
        const std::vector<Box> boxes = IsoBoxes(m_b, 0, m_b.size());
        // A track dropped from the index changes the count of streams.
        if (Chance(10)) {
            std::vector<Box> tracks;
            for (const Box& box : boxes)
                if (box.type == "trak") tracks.push_back(box);
            if (!tracks.empty()) {
                const Box& t = tracks[Below(tracks.size())];
                std::memcpy(&m_b[t.start + 4], "free", 4);
                return "header trak at " + std::to_string(t.start) + " made free";
            }
        }
        std::vector<Span> spans;
        for (const Box& box : boxes)
            spans.push_back({box.type, box.payload, box.end, box.payload < m_b.size() && m_b[box.payload] == 1});
        return OddField(kFields, spans, PutBe);
    }

    std::string RiffHeader() {
        static const Field kFields[] = {
            {"avih", "microseconds per frame", 0, 0, 4},
            {"avih", "total frames", 16, 16, 4},
            {"avih", "streams", 24, 24, 4},
            {"avih", "width", 32, 32, 4},
            {"avih", "height", 36, 36, 4},
            {"strh", "scale", 20, 20, 4},
            {"strh", "rate", 24, 24, 4},
            {"strh", "length", 32, 32, 4},
            {"strf", "width", 4, 4, 4},
            {"strf", "height", 8, 8, 4},
            {"strf", "bit count", 14, 14, 2},
        };
        std::vector<Span> spans;
        for (const Chunk& c : RiffChunks(m_b, 12, m_b.size()))
            spans.push_back({c.id, c.payload, c.payload + c.size, false});
        return OddField(kFields, spans, PutLe);
    }

    // A box or chunk as the field picker sees it; `v1` when its fields are laid out as version 1.
    struct Span {
        std::string type;
        size_t payload = 0;
        size_t end = 0;
        bool v1 = false;
    };

    // One field of one box or chunk of the field's type, picked at random, set to an odd value.
    template <size_t N>
    std::string OddField(const Field (&fields)[N], const std::vector<Span>& spans,
                         void (*put)(Bytes&, size_t, uint64_t, int)) {
        for (int attempt = 0; attempt < 32; ++attempt) {
            const Field& f = fields[Below(N)];
            std::vector<const Span*> matching;
            for (const Span& span : spans)
                if (span.type == f.box) matching.push_back(&span);
            if (matching.empty()) continue;
            const Span& span = *matching[Below(matching.size())];
            const size_t at = span.payload + (span.v1 ? f.v1 : f.v0);
            if (at + f.width > span.end) continue;
            uint64_t value = OddValue(f.width);
            if (std::string(f.name) == "handler")
                value = Be32(Bytes{'s', 'o', 'u', 'n'}, 0) ^ (Chance(50) ? 0x03190307 : 0);
            put(m_b, at, value, f.width);
            return std::string("header ") + f.box + " " + f.name + " = " + std::to_string(value);
        }
        return {};
    }

    Bytes& m_b;
    std::mt19937_64 m_rng;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: mutate_media truncate|flip|overwrite|no-index|move-index|header SEED IN OUT\n");
        return 2;
    }
    const std::string kind = argv[1];
    std::ifstream in(argv[3], std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && !in) {
        std::fprintf(stderr, "cannot read %s\n", argv[3]);
        return 2;
    }
    if (bytes.size() < 16) {
        std::fprintf(stderr, "%s is too short to damage\n", argv[3]);
        return 2;
    }
    Mutator m(bytes, std::stoull(argv[2]));
    std::string what;
    if (kind == "truncate")
        what = m.Truncate();
    else if (kind == "flip")
        what = m.Flip();
    else if (kind == "overwrite")
        what = m.Overwrite();
    else if (kind == "no-index")
        what = m.NoIndex();
    else if (kind == "move-index")
        what = m.MoveIndex();
    else if (kind == "header")
        what = m.Header();
    else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    if (what.empty()) return 3;
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 2;
    }
    std::printf("%s\n", what.c_str());
    return 0;
}
