#include "engine/jobs/JobTables.h"

#include "engine/jobs/JobContext.h"
#include "log/AppLog.h"
#include "project/NumericRules.h"
#include "project/TarneloData.h"

namespace {

const char* const kKindJa[kJobKindCount] = {
    "",
    "シーン抽出",
    "セグメント出力",
    "映像効果設定",
    "シーン結合",
    "最終結合",
    "入力プレビュー",
    "出力プレビュー",
    "シーンプレビュー",
    "結合前検査",
    "フレームレート解析",
    "インターレース解除",
    "MP4変換",
    "ファイル解析",
    "ビデオ解析",
};
const char* const kKindEn[kJobKindCount] = {
    "",
    "Scene Extract",
    "Segment Output",
    "Effects",
    "Scene Merge",
    "Final Merge",
    "Input Preview",
    "Output Preview",
    "Scene Preview",
    "Precheck",
    "Frame Rate Analysis",
    "Deinterlacing",
    "Change MP4",
    "File Analysis",
    "Video Analysis",
};
const char* const kStateJa[kJobStateCount] = {"", "処理中", "再生中", "失敗", "完了", "停止", "完了待ち"};
const char* const kStateEn[kJobStateCount] = {"", "Processing", "Playing", "Failed", "Done", "Stopped", "Waiting"};

template <int N>
int FindIn(const char* const (&ja)[N], const char* const (&en)[N], const std::string& name) {
    if (name.empty()) return 0;
    for (int i = 1; i < N; ++i) {
        if (name == ja[i] || name == en[i]) return i;
    }
    return 0;
}

}  // namespace

const char* JobKindName(int kind, bool japanese) {
    if (kind < 0 || kind >= kJobKindCount) return "";
    return japanese ? kKindJa[kind] : kKindEn[kind];
}

const char* JobStateName(int state, bool japanese) {
    if (state < 0 || state >= kJobStateCount) return "";
    return japanese ? kStateJa[state] : kStateEn[state];
}

int FindJobKind(const std::string& name) { return FindIn(kKindJa, kKindEn, name); }
int FindJobState(const std::string& name) { return FindIn(kStateJa, kStateEn, name); }

namespace {

// --- the steps, one per row ---

int ExtractScenes(JobContext& engine) {
    return engine.ProcessDiffFrame(engine.WorkingInput(), ThresholdCount(engine.Data()->threshold.value));
}

int OutputSceneFiles(JobContext& engine) {
    const int result = engine.OpenMediaFile(engine.WorkingInput(), false);
    if (result != 0) {
        engine.SendState(kJobStateFailed, FormatC("ExitCode(%d)", result));
        return result;
    }
    return engine.OutputSegments();
}

int MergeScenes(JobContext& engine) {
    return engine.ProcessTrim(engine.WorkingInput(), engine.Data()->GetOutputPath());
}

int ExtractAndMerge(JobContext& engine) { return engine.ProcessDiffTrim(); }

int AnalyseVideos(JobContext& engine) { return engine.ProcessAnalysis(); }

int ConvertVideos(JobContext& engine) { return engine.ProcessConvMerge(); }

int JoinVideos(JobContext& engine) { return engine.ProcessConv(engine.Data()->GetOutputPath()); }

int ConvertAndJoin(JobContext& engine) {
    const std::string output = engine.Data()->GetOutputPath();
    AppLog().Log("%s(%d) output_file(%s)\n", "CTarneloProcess::ProcessConvMerge", __LINE__, output.c_str());
    const int result = engine.ProcessConvMerge();
    if (result != 0 || engine.Data()->diff_list.Empty()) return result;
    return engine.ProcessConv(output);
}

// Plays file and leaves a still of where it stopped, unless the stop came from the user.
int PlayAndShow(JobContext& engine, const std::string& file, int id) {
    const int result = engine.PlayVideo(file, id);
    if (result != -2) engine.SetPreviewImage(file, engine.CurrentPlayTime(), false, -1);
    return result;
}

int PlayInput(JobContext& engine) { return PlayAndShow(engine, engine.WorkingInput(), kJobInputPreview); }

int PlayOutput(JobContext& engine) { return PlayAndShow(engine, engine.Data()->GetOutputPath(), kJobOutputPreview); }

int PlayScenes(JobContext& engine) { return engine.RunScenePreview(); }

using enum JobClass;

// Adding a job: one row here and its step above.
// clang-format off
constexpr JobRow kJobRows[] = {
    // id               tab        kind      progress  preview  step
    {kJobSceneExtract,  kSceneTab, Scene,    true,     false,   &ExtractScenes},
    {kJobSceneExtract,  kMergeTab, Scene,    true,     false,   &AnalyseVideos},
    {kJobSegmentOutput, kSceneTab, Scene,    true,     true,    &OutputSceneFiles},
    {kJobSegmentOutput, kMergeTab, Scene,    true,     true,    &ConvertVideos},
    {kJobMerge,         kSceneTab, Scene,    true,     true,    &MergeScenes},
    {kJobMerge,         kMergeTab, Scene,    true,     true,    &JoinVideos},
    {kJobExtractMerge,  kSceneTab, Scene,    true,     true,    &ExtractAndMerge},
    {kJobExtractMerge,  kMergeTab, Scene,    true,     true,    &ConvertAndJoin},
    {kJobInputPreview,  kAnyTab,   Playback, false,    false,   &PlayInput},
    {kJobOutputPreview, kAnyTab,   Playback, false,    false,   &PlayOutput},
    {kJobScenePreview,  kAnyTab,   Playback, false,    false,   &PlayScenes},
    // Runs on the UI thread (PrepareInput), which marks the engine with its id meanwhile.
    {kJobPrepareInput,  kAnyTab,   Scene,    true,     true,    nullptr},
    // No step runs under this id; the position it resets is that of the scene it replaces.
    {kJobRecut,         kAnyTab,   Other,    false,    true,    nullptr},
};
// clang-format on

// The first row of id, whichever tab it serves: kind, progress and preview are the same on both.
const JobRow* AnyRow(int id) {
    for (const JobRow& row : kJobRows) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

}  // namespace

std::span<const JobRow> JobRows() { return kJobRows; }

const JobRow* FindJobRow(int id, int mode) {
    for (const JobRow& row : kJobRows) {
        if (row.id == id && (row.tab == kAnyTab || row.tab == mode)) return &row;
    }
    return nullptr;
}

JobClass JobClassOf(int id) {
    const JobRow* row = AnyRow(id);
    return row ? row->kind : JobClass::Other;
}

bool IsProgressJobId(int id) {
    const JobRow* row = AnyRow(id);
    return row && row->showsProgress;
}

bool IsPreviewJobId(int id) { return JobClassOf(id) == JobClass::Playback; }

bool IsSceneJobId(int id) { return JobClassOf(id) == JobClass::Scene; }

bool TakesPreviewJobId(int id) {
    const JobRow* row = AnyRow(id);
    return row && row->takesPreview;
}
