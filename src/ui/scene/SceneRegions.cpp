#include "ui/scene/SceneRegions.h"

#include <QCheckBox>
#include <QPushButton>

#include "engine/motion/ProjectMotion.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/TabPage.h"
#include "ui/preview/RegionEditor.h"
#include "ui/scene/RegionPanel.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePage.h"

namespace {

constexpr int kEditTip = 3231;
constexpr int kEditorName = 3240;
constexpr int kClearQuestion = 3244;
constexpr int kModeHint = 3245;

// The picture the areas are given in: the file probed last, or the input before anything was.
PictureSource SourceOf(const CTarneloData& data) {
    const PictureSource current = PictureSource::Of(data.m_currentInfo);
    return current.Known() ? current : PictureSource::Of(data.m_sourceInfo);
}

}  // namespace

SceneRegions::SceneRegions(ScenePage& page, const ScenePanels& panels, SceneMotionTuner& motion)
    : m_page(page), m_panels(panels), m_motion(motion) {
    CRegionPanel* row = m_panels.regions;
    CRegionEditor* editor = m_panels.regionEditor;
    connect(row->EditButton(), &QPushButton::toggled, this, &SceneRegions::OnModeToggled);
    connect(row->ExcludeCheck(), &QCheckBox::clicked, editor, &CRegionEditor::SetExclude);
    connect(row->DeleteButton(), &QPushButton::clicked, editor, &CRegionEditor::DeleteSelected);
    connect(row->ClearButton(), &QPushButton::clicked, this, &SceneRegions::OnClear);
    connect(editor, &CRegionEditor::Edited, this, &SceneRegions::OnEdited);
    connect(editor, &CRegionEditor::SelectionChanged, this, &SceneRegions::RefreshControls);
    connect(editor, &CRegionEditor::LeaveRequested, this, [row] {
        row->EditButton()->setChecked(false);
        row->EditButton()->setFocus(Qt::OtherFocusReason);
    });
    connect(editor, &CRegionEditor::Refused, this, [this](int text) {
        const int limit = text == CRegionEditor::kTooManyAreasText    ? kMaxRegions
                          : text == CRegionEditor::kTooManyPointsText ? kMaxRegionPoints
                                                                      : 0;
        m_page.Page().Host()->SetStatusText(TabHost::kMessagePane,
                                            limit > 0 ? ResText(text).arg(limit) : ResText(text));
    });
}

void SceneRegions::RefreshTexts() {
    m_panels.regions->RefreshTexts();
    m_panels.regionEditor->setAccessibleName(ResText(kEditorName));
    m_panels.regionEditor->setAccessibleDescription(ResText(kEditTip));
    RefreshControls();
}

void SceneRegions::ShowData() {
    const CTarneloData& data = m_page.Page().Data();
    CRegionEditor* editor = m_panels.regionEditor;
    editor->SetSource(SourceOf(data));
    // Asked after every settings change too: a polygon being drawn is kept unless the areas are others.
    if (editor->Regions() != data.regions) {
        editor->SetRegions(data.regions);
        m_toldNewScan = false;
    }
    SetEditable(m_editable);
}

bool SceneRegions::CanEdit() const {
    const CTarneloData& data = m_page.Page().Data();
    return m_editable && !data.input_file.empty() && SourceOf(data).Known();
}

void SceneRegions::SetEditable(bool editable) {
    m_editable = editable;
    m_panels.regionEditor->SetEditing(CanEdit() && m_panels.regions->EditButton()->isChecked());
    RefreshControls();
}

void SceneRegions::RefreshControls() {
    const CRegionEditor* editor = m_panels.regionEditor;
    CRegionPanel* row = m_panels.regions;
    const bool can = CanEdit();
    int excluded = 0;
    for (const MotionRegion& region : editor->Regions()) excluded += region.exclude ? 1 : 0;
    row->SetCount(static_cast<int>(editor->Regions().size()), excluded);
    row->EditButton()->setEnabled(can);
    row->ExcludeCheck()->setEnabled(can);
    row->ExcludeCheck()->setChecked(editor->Exclude());
    row->DeleteButton()->setEnabled(can && editor->Editing() && editor->Selected() >= 0);
    row->ClearButton()->setEnabled(can && !editor->Regions().empty());
}

void SceneRegions::OnModeToggled(bool on) {
    CRegionEditor* editor = m_panels.regionEditor;
    editor->SetEditing(on && CanEdit());
    if (editor->Editing()) {
        editor->setFocus(Qt::OtherFocusReason);
        m_page.Page().Host()->SetStatusText(TabHost::kMessagePane, ResText(kModeHint));
    }
    RefreshControls();
}

void SceneRegions::OnClear() {
    if (m_panels.regionEditor->Regions().empty() || !m_page.Page().Confirm(kClearQuestion)) return;
    m_panels.regionEditor->SetRegions({});
    OnEdited();
}

void SceneRegions::OnEdited() {
    CTabPage& page = m_page.Page();
    CTarneloData& data = page.Data();
    // Written only while no job runs: an extraction reads the areas on its own thread when it starts.
    if (!CanEdit()) {
        m_panels.regionEditor->SetRegions(data.regions);
        return;
    }
    data.regions = m_panels.regionEditor->Regions();
    RefreshControls();
    m_page.AutoSave(false);
    // The scenes are not re-tuned from a record of other areas; the user is told instead.
    const bool otherAreas = m_motion.NoteScanMismatch();
    if (!otherAreas && m_toldNewScan) {
        page.Host()->SetStatusText(TabHost::kMessagePane, QString());
    }
    m_toldNewScan = otherAreas;
}
