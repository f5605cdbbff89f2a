#include "project/ProjectSession.h"

#include "platform/Path.h"
#include "project/TarneloData.h"

void ApplyVideoDefaults(CTarneloData& data, const std::string& input) {
    const std::string name = FileNamePart(input);
    data.input_file = input;
    if (data.project_file.empty()) data.project_file = DefaultProjectPath(input);
    if (data.output_folder.empty()) data.output_folder = input + kOutputFolderSuffix + kPathSep;
    if (data.output_name.empty()) data.output_name = ReplaceExtension(name, kMergedFileSuffix);
    if (data.capTitle.caption.empty()) data.capTitle.caption = FadingTitle(name);
    data.pts_file = data.output_folder + ReplaceExtension(name, kPtsFileSuffix);
    // A new video brings its own clock, found when its preparation probes it.
    data.clock_start = RecordingClock{};
    data.m_detectClock = true;
}

namespace {

constexpr std::string_view kProjectExtension = ".kpproj";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool IsProjectPath(std::string_view path) {
    if (path.size() < kProjectExtension.size()) return false;
    const std::string_view tail = path.substr(path.size() - kProjectExtension.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        if (LowerAscii(tail[i]) != kProjectExtension[i]) return false;
    }
    return true;
}

std::string DefaultProjectPath(const std::string& input) { return input + std::string(kProjectExtension); }

int ProjectSession::Load(const std::string& path, bool force) {
    if (path == m_data.project_file && m_data.auto_save && !force) return kOpened;
    if (!platform::FileExists(path)) return kMissing;
    if (!m_data.project_file.empty() && m_data.project_file != path) AutoSave(false);
    if (m_listener != nullptr) m_listener->LoadStarting();
    m_data.ResetAll(false);
    const bool loaded = m_data.LoadProject(path);
    if (loaded) {
        AutoSave(false);
        if (m_listener != nullptr) m_listener->ProjectOpened(path);
    }
    if (m_listener != nullptr) m_listener->LoadFinished(loaded);
    return loaded ? kOpened : kUnreadable;
}

std::string ProjectSession::SaveTarget() const {
    if (!m_data.project_file.empty()) return m_data.project_file;
    if (!m_data.input_file.empty()) return DefaultProjectPath(m_data.input_file);
    return {};
}

ProjectSession::SaveOutcome ProjectSession::AutoSave(bool force) {
    if (!m_data.auto_save && !force) return SaveOutcome::kSkipped;
    const std::string path = SaveTarget();
    if (path.empty()) return SaveOutcome::kSkipped;
    return m_data.SaveProject(path) ? SaveOutcome::kWritten : SaveOutcome::kFailed;
}

bool ProjectSession::SaveAs(const std::string& path) { return m_data.SaveProject(path); }
