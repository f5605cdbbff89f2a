#include "engine/JobTables.h"

namespace {

const char* const kKindJa[kJobKindCount] = {
    "",           "シーン抽出",   "セグメント出力", "映像効果設定",       "シーン結合",
    "最終結合",   "入力プレビュー", "出力プレビュー", "シーンプレビュー",   "結合前検査",
    "フレームレート解析", "インターレース解除", "MP4変換", "ファイル解析", "ビデオ解析",
};
const char* const kKindEn[kJobKindCount] = {
    "",           "Scene Extract",  "Segment Output", "Effects",           "Scene Merge",
    "Final Merge", "Input Preview", "Output Preview", "Scene Preview",     "Precheck",
    "Frame Rate Analysis", "Deinterlacing", "Change MP4", "File Analysis", "Video Analysis",
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

bool IsProgressJobId(int id) {
    return id == kJobSceneExtract || id == kJobMerge || id == kJobSegmentOutput || id == kJobExtractMerge ||
           id == kJobPrepareInput;
}

bool IsPreviewJobId(int id) { return id == kJobInputPreview || id == kJobOutputPreview || id == kJobScenePreview; }
