// save_loop: saves one file over and over through the program's own save code, alternating a short and a
// long version, until it is killed; tests/stress/kill_save.sh kills it at random moments and checks what is
// left. The check modes read a file back through the program's own loader.
//
//   save_loop refs KIND TARGET OUTDIR   writes the two versions to TARGET once each and keeps copies of the
//                                       bytes as OUTDIR/a and OUTDIR/b (TARGET is removed afterwards)
//   save_loop loop KIND TARGET          saves version a, b, a, ... to TARGET; prints "ready" after the first
//   save_loop check KIND TARGET         0 when TARGET loads as one of the two versions
//
// KIND is project (ProjectSession), motion (WriteMotionRecord) or settings (the desktop program's
// SaveSettings into its QSettings file; TARGET is then the settings file, under $XDG_CONFIG_HOME, and only
// names where to look). Settings need the desktop program's layer and exist only in a build with it.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/motion/MotionRecord.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"

#ifdef TARNELO_SAVE_LOOP_SETTINGS
#include <QApplication>
#include <QStringList>
#include <memory>

#include "app/AppWindow.h"
#include "app/SettingsRecord.h"
#include "app/TarneloApp.h"
#endif

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    return static_cast<bool>(file.flush());
}

// The long version has thousands of scenes with captions, so that its write takes long enough to be hit.
void FillProject(CTarneloData& data, bool longVersion) {
    data.ResetAll(false);
    data.input_file = "/videos/clip.mp4";
    data.output_folder = "/videos/clip.mp4_out/";
    const int scenes = longVersion ? 4000 : 2;
    for (int i = 0; i < scenes; ++i) {
        SceneEntry scene(i * 100, i * 100 + 49, "/videos/clip.mp4_out/clip_" + std::to_string(i) + ".mp4");
        scene.enable = (i % 3) != 0;
        scene.capParam.caption = (longVersion ? "long caption, scene " : "short ") + std::to_string(i);
        data.diff_list.Append(scene);
    }
    data.capTitle.caption = longVersion ? "The long title" : "Short";
}

MotionRecord MakeMotion(bool longVersion) {
    MotionRecord record;
    record.width = 160;
    record.height = 90;
    record.fps = 25;
    record.input = {123456, 1700000000000000000LL, 0x1111, 0x2222};
    const int frames = longVersion ? 500000 : 50;
    record.frameCount = frames;
    record.counts.resize(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) record.counts[static_cast<size_t>(i)] = static_cast<uint32_t>(i % 977);
    return record;
}

#ifdef TARNELO_SAVE_LOOP_SETTINGS
class StubWindow : public AppWindow {
public:
    CTarneloData& TabData(int tab) override { return m_tabs[tab == 0 ? 0 : 1]; }
    void RefreshLanguageTexts() override {}
    void ApplyLanguage() override {}
    void ResetStatusBar() override {}
    void RestorePosition() override {}
    void ShowWindow() override {}
    void OpenProjectFile(const QString&) override {}
    void OpenDroppedFiles(const QStringList&) override {}
    void CloseWithoutAsking() override {}

private:
    CTarneloData m_tabs[2];
};

class StubApp : public CTarneloApp {
protected:
    std::unique_ptr<AppWindow> CreateMainWindow() override { return std::make_unique<StubWindow>(); }
};

void FillSettings(CTarneloApp& app, bool longVersion) {
    CTarneloData& data = app.Window()->TabData(0);
    data.window_rect = longVersion ? WindowRect{10, 20, 1910, 1060} : WindowRect{1, 2, 3, 4};
    data.auto_save = longVersion;
    data.auto_load = true;
    data.quality = longVersion ? 2 : 1;
    data.fast_scan = longVersion;
    data.project_file = longVersion ? "/videos/" + std::string(200, 'p') + ".kpproj" : "/v/a.kpproj";
    app.Language().SetCurrent(longVersion ? QStringLiteral("English") : QStringLiteral("ja"));
}
#endif

class Saver {
public:
    Saver(const std::string& kind, const std::string& target) : m_kind(kind), m_target(target), m_session(m_data) {}

    bool Start() {
#ifdef TARNELO_SAVE_LOOP_SETTINGS
        if (m_kind == "settings") {
            m_app = std::make_unique<StubApp>();
            m_app->SetProgramFolder(QStringLiteral(TARNELO_RESOURCE_DIR));  // the resource libraries
            return m_app->InitInstance({QStringLiteral("--no-project")});
        }
#endif
        return m_kind == "project" || m_kind == "motion";
    }

    bool Save(bool longVersion) {
        if (m_kind == "project") {
            FillProject(m_data, longVersion);
            return m_session.SaveAs(m_target);
        }
        if (m_kind == "motion") return WriteMotionRecord(m_target, longVersion ? m_longMotion : m_shortMotion);
#ifdef TARNELO_SAVE_LOOP_SETTINGS
        FillSettings(*m_app, longVersion);
        m_app->SaveSettings();
        return true;
#else
        return false;
#endif
    }

    // Whether the file at the target reads back, through the program's reader, as one of the versions.
    bool Check() {
        if (m_kind == "project") {
            CTarneloData data;
            data.ResetAll(false);
            ProjectSession session(data);
            if (session.Load(m_target, true) != ProjectSession::kOpened) return false;
            const size_t n = data.diff_list.Snapshot().size();
            return n == 2 || n == 4000;
        }
        if (m_kind == "motion") {
            MotionRecord read;
            if (ReadMotionRecord(m_target, m_shortMotion.input, read) != RecordStatus::kOk) return false;
            return read.counts == m_shortMotion.counts || read.counts == m_longMotion.counts;
        }
#ifdef TARNELO_SAVE_LOOP_SETTINGS
        const QByteArray bytes = CTarneloApp::ReadSettingsRecord();
        if (bytes.size() != static_cast<int>(SettingsRecord::kSize)) return false;
        const SettingsRecord r = SettingsRecord::Decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        return r.quality == 1 || r.quality == 2;
#else
        return false;
#endif
    }

private:
    std::string m_kind;
    std::string m_target;
    CTarneloData m_data;
    ProjectSession m_session;
    MotionRecord m_shortMotion = MakeMotion(false);
    MotionRecord m_longMotion = MakeMotion(true);
#ifdef TARNELO_SAVE_LOOP_SETTINGS
    std::unique_ptr<CTarneloApp> m_app;
#endif
};

}  // namespace

int main(int argc, char** argv) {
#ifdef TARNELO_SAVE_LOOP_SETTINGS
    std::unique_ptr<QApplication> qapp;
#endif
    if (argc < 4) {
        std::fprintf(stderr, "usage: save_loop refs|loop|check project|motion|settings TARGET [OUTDIR]\n");
        return 2;
    }
#ifdef TARNELO_SAVE_LOOP_SETTINGS
    // The start-up the settings go through makes widgets; the script runs this offscreen.
    if (std::string(argv[2]) == "settings") qapp = std::make_unique<QApplication>(argc, argv);
#endif
    const std::string mode = argv[1];
    Saver saver(argv[2], argv[3]);
    if (!saver.Start()) {
        std::fprintf(stderr, "save_loop: %s cannot be saved by this build\n", argv[2]);
        return 2;
    }
    if (mode == "refs" && argc >= 5) {
        const std::string out = argv[4];
        for (const bool longVersion : {false, true}) {
            if (!saver.Save(longVersion)) return 1;
            if (!WriteBytes(out + (longVersion ? "/b" : "/a"), ReadBytes(argv[3]))) return 1;
        }
        return std::remove(argv[3]) == 0 ? 0 : 1;
    }
    if (mode == "loop") {
        for (unsigned n = 0;; ++n) {
            if (!saver.Save((n & 1) != 0)) {
                std::fprintf(stderr, "save_loop: save %u failed\n", n);
                return 1;
            }
            if (n == 0) {
                std::printf("ready\n");
                std::fflush(stdout);
            }
        }
    }
    if (mode == "check") return saver.Check() ? 0 : 1;
    return 2;
}
