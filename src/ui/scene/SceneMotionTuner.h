#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "engine/motion/MotionSummary.h"
#include "engine/motion/ProjectMotion.h"
#include "ui/scene/ScenePanels.h"

class QMenu;
class SceneListEditor;
class ScenePage;
struct MotionRecord;

// The scene tab's use of the motion record: re-tuning the list from it while the settings change, the timeline
// strip under the list (the threshold line, the scenes' bands, the player's frame, clicks), and the row menu's
// frame of most change.
class SceneMotionTuner : public QObject {
public:
    SceneMotionTuner(ScenePage& page, const ScenePanels& panels, SceneListEditor& lists);

    // Reads the project's record again (after an extraction, a project or a video was opened); a record that
    // does not fit the input is not used, and the settings then change nothing but themselves.
    void ReloadMotionRecord();
    bool HasMotionRecord() const { return m_motion != nullptr; }
    // The record in use (null when none).
    std::shared_ptr<const MotionRecord> Record() const { return m_motion; }
    // With a record: the list becomes the scenes of the current settings, without decoding. Asked while a cut
    // or a job runs, it follows their end (ApplyPendingRetune).
    void RetuneScenes();
    // When the record was measured against another reference frame or over other areas, says in the status bar
    // that a new scan is needed, and returns true: re-tuning from it would give scenes no extraction finds.
    bool NoteScanMismatch();
    void ApplyPendingRetune();
    // Shows frame of row's scene in the player (cutting the scene first when it has no file yet); the seek
    // waits for the scene's file to open (ApplyPendingSeek).
    void ShowSceneFrame(int row, int frame);
    void ApplyPendingSeek();
    // The frame of most change in row's scene; none without a record or a measured frame.
    std::optional<MotionPeak> PeakOfRow(int row) const;
    // The frame of the input the player shows now, -1 when it shows no part of it.
    int TimelineCursorFrame() const;

private:
    // The threshold setting (clamped), then a re-tune; from the strip's drag and keys.
    void SetThresholdSetting(double value);
    // The settings of an undone or redone re-tune.
    void SetTuning(const SceneTuning& tuning);
    void OnThresholdDragged(int count);
    void OnTimelineClicked(int frame);
    void RefreshTimelineScenes();
    void AddPeakCommand(QMenu& menu, int row);
    void ShowPeakFrame(int row);

    ScenePage& m_page;
    ScenePanels m_panels;
    SceneListEditor& m_lists;
    std::shared_ptr<const MotionRecord> m_motion;
    SceneTuning m_tuned;  // the settings the list was last found or re-tuned with
    bool m_retunePending = false;
    std::string m_pendingSeekFile;  // a scene file being shown, and the frame to seek to once it is
    int m_pendingSeekFrame = 0;
};
