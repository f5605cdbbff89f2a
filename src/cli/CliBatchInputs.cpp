#include "cli/CliBatchInputs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "project/FileHelpers.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

std::string LowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return ext;
}

bool IsHidden(const fs::path& path) {
    const std::string name = path.filename().string();
    return !name.empty() && name[0] == '.';
}

// A NAME_out folder where an extraction of NAME keeps its segments, working copy and merges: NAME is beside it,
// or (the video deleted, the scenes kept) it holds a time list or a segment file.
bool IsOutputFolderOfAVideo(const fs::path& folder) {
    static const std::regex kOwnFile(R"(.*_pts\.csv|.*_seg_[0-9]+_[0-9]+\.mp4)");
    const std::string name = folder.filename().string();
    const std::string suffix = kOutputFolderSuffix;
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    std::error_code ec;
    if (fs::is_regular_file(folder.parent_path() / name.substr(0, name.size() - suffix.size()), ec)) return true;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (std::regex_match(it->path().filename().string(), kOwnFile)) return true;
    }
    return false;
}

// Files Tarnelo writes beside a video; never counted as left out.
bool IsTarneloFile(const fs::path& path) {
    const std::string ext = LowerExtension(path);
    return ext == ".kpproj" || ext == ".kpmotion";
}

// The files of a folder (and its subfolders) that are taken, as paths relative to it, sorted.
std::vector<fs::path> FolderVideos(const fs::path& folder, bool recursive, std::map<std::string, int>& leftOut) {
    std::vector<fs::path> found;
    std::error_code ec;
    const auto consider = [&](const fs::directory_entry& entry) {
        std::error_code typeError;
        if (IsHidden(entry.path()) || !entry.is_regular_file(typeError)) return;
        if (HasVideoExtension(entry.path().filename().string())) {
            found.push_back(entry.path().lexically_relative(folder));
        } else if (!IsTarneloFile(entry.path())) {
            ++leftOut[LowerExtension(entry.path())];
        }
    };
    if (recursive) {
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code typeError;
            if (it->is_directory(typeError)) {
                if (IsHidden(it->path()) || IsOutputFolderOfAVideo(it->path())) it.disable_recursion_pending();
                continue;
            }
            consider(*it);
        }
    } else {
        for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            consider(*it);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

long long SizeOf(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : static_cast<long long>(size);
}

}  // namespace

bool HasVideoExtension(std::string_view name) {
    static const std::set<std::string> kExtensions = {".mp4", ".m4v", ".mov",  ".mkv", ".avi",  ".wmv",
                                                      ".asf", ".flv", ".webm", ".ts",  ".m2ts", ".m2t",
                                                      ".mts", ".mpg", ".mpeg", ".dat", ".3gp",  ".ogv"};
    return kExtensions.count(LowerExtension(fs::path(name))) > 0;
}

bool StartsLikeVideo(std::string_view head) {
    const auto at = [&head](size_t offset, std::string_view bytes) {
        return head.size() >= offset + bytes.size() && head.substr(offset, bytes.size()) == bytes;
    };
    // ISO base media (MP4, MOV, 3GP): a box size, then the box type.
    for (const char* box : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot", "uuid"}) {
        if (at(4, box)) return true;
    }
    using namespace std::string_view_literals;
    if (at(0, "\x1A\x45\xDF\xA3"sv)) return true;                                 // Matroska, WebM
    if (at(0, "RIFF") && (at(8, "AVI ") || at(8, "CDXA"))) return true;           // AVI, VCD
    if (at(0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11"sv)) return true;                 // ASF, WMV
    if (at(0, "FLV\x01") || at(0, "OggS")) return true;                           // FLV, Ogg
    if (at(0, "\x00\x00\x01\xBA"sv) || at(0, "\x00\x00\x01\xB3"sv)) return true;  // MPEG program, video stream
    // MPEG transport stream: a sync byte every 188 bytes, or every 192 after a 4-byte time code (M2TS).
    for (const size_t first : {size_t(0), size_t(4)}) {
        const size_t step = first == 0 ? 188 : 192;
        if (at(first, "\x47") && at(first + step, "\x47")) return true;
    }
    return false;
}

std::string ReadFileHead(const std::string& path, size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string head(bytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(bytes));
    head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

BatchInputs CollectBatchInputs(const std::vector<std::string>& given, bool recursive) {
    BatchInputs inputs;
    std::set<std::string> taken;
    const auto take = [&](const fs::path& path, const std::string& shown, bool fromFolder) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(path, ec).lexically_normal();
        const fs::path canonical = fs::weakly_canonical(absolute, ec);
        if (!taken.insert((ec ? absolute : canonical).string()).second) return;
        inputs.videos.push_back({absolute.string(), shown, fromFolder, SizeOf(absolute)});
    };
    for (const std::string& name : given) {
        std::error_code ec;
        if (!fs::is_directory(name, ec)) {
            take(name, name, false);
            continue;
        }
        for (const fs::path& relative : FolderVideos(name, recursive, inputs.leftOut)) {
            take(fs::path(name) / relative, (fs::path(name) / relative).string(), true);
        }
    }
    return inputs;
}

std::string LeftOutText(const std::map<std::string, int>& leftOut) {
    std::string text;
    for (const auto& [ext, count] : leftOut) {
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + (ext.empty() ? "without extension" : ext);
    }
    return text;
}

}  // namespace cli
