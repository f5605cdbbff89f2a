#pragma once

// Opening and saving the project of the scene workflow, the same for the desktop program and tarnelo-cli.
// What a front-end shows around these steps (cursor, status bar, recent files, controls) it does in its
// ProjectSessionListener; the session itself knows no window.

#include <string>
#include <string_view>

class CTarneloData;

// A project file is told from a video by its extension: ".kpproj" in any case.
bool IsProjectPath(std::string_view path);
// The project file of an input that has none yet: the input's whole name followed by ".kpproj"
// (clip.mp4 gives clip.mp4.kpproj).
std::string DefaultProjectPath(const std::string& input);

// Fills in what a project made from the video input has not been given: the input, the project file beside
// it, the output folder "<input>_out", the merged file "<name>_trim.mp4", the fading title of its name; the
// frame-time list is always named after it in the output folder. Its clock start is found anew when the input is
// prepared.
void ApplyVideoDefaults(CTarneloData& data, const std::string& input);

// The front-end's part of opening a project. Each step may be left as it is.
class ProjectSessionListener {
public:
    virtual ~ProjectSessionListener() = default;
    // The current project is about to be replaced by a file's (after its auto-save).
    virtual void LoadStarting() {}
    // A project file was read and is now the open project.
    virtual void ProjectOpened(const std::string& path) { (void)path; }
    // The end of every load that got as far as LoadStarting, read or not.
    virtual void LoadFinished(bool loaded) { (void)loaded; }
};

class ProjectSession {
public:
    // Load results; the scene tab hands them on as they are.
    static constexpr int kMissing = -1;
    static constexpr int kUnreadable = 0;  // the project is left new and empty
    static constexpr int kOpened = 1;

    enum class SaveOutcome {
        kSkipped,  // automatic save off, or nowhere to write (no project file and no input)
        kWritten,
        kFailed,  // the file on disk is as it was
    };

    explicit ProjectSession(CTarneloData& data, ProjectSessionListener* listener = nullptr)
        : m_data(data), m_listener(listener) {}

    CTarneloData& Data() { return m_data; }

    // Opens a project file. Asking for the open project again with automatic save on and force off does
    // nothing (kOpened). Another open project is auto-saved first; then the data is reset and the file read.
    int Load(const std::string& path, bool force);

    // Writes the project when automatic save is on or force is set, to SaveTarget.
    SaveOutcome AutoSave(bool force);
    // The save command: AutoSave with force; true when the file was written.
    bool Save() { return AutoSave(true) == SaveOutcome::kWritten; }
    // Writes the project to path; only a successful write makes path the project file.
    bool SaveAs(const std::string& path);

    // Where a save writes: the project file, else the input's default project path, else "" (nothing).
    std::string SaveTarget() const;

private:
    CTarneloData& m_data;
    ProjectSessionListener* m_listener;
};
