#include "ui/scene/SceneSettingsActions.h"

#include <QCheckBox>
#include <QPushButton>

#include "ui/common/SectionHeading.h"
#include "ui/common/TabPage.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/CaptionRules.h"
#include "ui/scene/EffectsPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/SceneJobPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePage.h"

SceneSettingsActions::SceneSettingsActions(ScenePage& page, const ScenePanels& panels, SceneListEditor& lists,
                                           SceneMotionTuner& motion)
    : m_page(page), m_panels(panels), m_lists(lists), m_motion(motion) {
    Connect();
}

void SceneSettingsActions::Connect() {
    connect(m_panels.extraction, &CExtractionPanel::Changed, this, [this] {
        m_page.Page().UpdateData(true);
        m_motion.RetuneScenes();
        m_page.AutoSave(false);
    });
    connect(m_panels.extraction->ResetButton(), &QPushButton::clicked, this, [this] { OnResetExtraction(); });
    connect(m_panels.effects, &CEffectsPanel::Changed, this, [this] {
        m_page.RefreshPreview();
        m_page.Page().UpdateData(true);
        m_page.AutoSave(false);
    });
    connect(m_panels.effects->ResetButton(), &QPushButton::clicked, this, [this] { OnResetEffects(); });
    connect(m_panels.captions->Heading(), &CSectionHeading::Clicked, this,
            [this] { m_page.Page().UpdateControlStates(true); });
    connect(m_panels.captions, &CCaptionPanel::CaptionChanged, this, [this] { AfterCaptionChange(false); });
    connect(m_panels.captions->ResetButton(), &QPushButton::clicked, this, [this] { OnResetCaptions(); });
    connect(m_panels.captions->FillButton(), &QPushButton::clicked, this, [this] { OnFillCaptions(); });
    connect(m_panels.jobs->ClearListButton(), &QPushButton::clicked, this, [this] { OnClearList(); });
    connect(m_panels.jobs->TransitionCheck(), &QCheckBox::clicked, this, [this] { OnTransition(); });
    connect(m_panels.jobs->ChaptersCheck(), &QCheckBox::clicked, this, [this](bool on) {
        m_page.Page().Data().chapters = on;
        m_page.AutoSave(false);
    });
    for (QCheckBox* check : {m_panels.preview->SceneLoopCheck(), m_panels.preview->LoopCheck()}) {
        connect(check, &QCheckBox::clicked, this, [this] {
            m_page.Page().UpdateData(false);
            m_page.AutoSave(false);
        });
    }
    connect(m_panels.listModel, &SceneListModel::EnableChanged, this, [this] {
        m_page.RefreshMergeInfo();
        m_page.AutoSave(false);
    });
}

void SceneSettingsActions::OnClearList() {
    if (!m_page.Page().Confirm(3124)) return;
    m_panels.listView->setEnabled(false);
    {
        SceneList::Step step(m_page.Page().Data().Scenes());
        m_page.ResetSceneList(true);
    }
    m_page.AutoSave(false);
    m_panels.listView->setEnabled(true);
}

void SceneSettingsActions::OnResetExtraction() {
    CTabPage& page = m_page.Page();
    if (!page.Confirm(3121)) return;
    page.Data().ResetExtractionSettings();
    page.UpdateData(true);
    m_motion.RetuneScenes();
    m_page.AutoSave(false);
}

void SceneSettingsActions::OnResetEffects() {
    CTabPage& page = m_page.Page();
    if (!page.Confirm(3122)) return;
    page.Data().ResetEffectSettings();
    page.UpdateData(true);
    m_page.RefreshPreview();
    m_page.AutoSave(false);
}

void SceneSettingsActions::AfterCaptionChange(bool allRows) {
    CTabPage& page = m_page.Page();
    if (allRows) m_panels.captions->Load();
    m_panels.listModel->UpdateCaptions(allRows ? -1 : page.Data().list_idx);
    page.UpdateControlStates(true);
    m_page.RefreshPreview();
    m_page.AutoSave(false);
}

void SceneSettingsActions::OnResetCaptions() {
    if (!m_page.Page().Confirm(3123)) return;
    ChangeAllCaptions([](CTarneloData& data) { data.ResetCaptionSettings(); });
    AfterCaptionChange(true);
}

void SceneSettingsActions::OnFillCaptions() {
    CTarneloData& data = m_page.Page().Data();
    if (data.Scenes().Empty()) return;
    const bool clear = AnySceneCaption(data);
    if (clear && !m_page.Page().Confirm(3125)) return;
    ChangeAllCaptions(clear ? ClearCaptions : FillCaptions);
    AfterCaptionChange(true);
}

void SceneSettingsActions::ChangeAllCaptions(const std::function<void(CTarneloData&)>& change) {
    CTarneloData& data = m_page.Page().Data();
    SceneList::Step step(data.Scenes());
    const CaptionParam title = data.capTitle;
    const CaptionParam watermark = data.capWatermark;
    change(data);
    if (title == data.capTitle && watermark == data.capWatermark) return;
    CTarneloData* target = &data;
    auto restore = [target](const CaptionParam& t, const CaptionParam& w) {
        return [target, t, w] {
            target->capTitle = t;
            target->capWatermark = w;
        };
    };
    step.SetAside(restore(title, watermark), restore(data.capTitle, data.capWatermark));
}

void SceneSettingsActions::OnTransition() {
    m_page.Page().Data().transition = m_panels.jobs->TransitionCheck()->isChecked();
    m_lists.WhileRebuilding([this] {
        m_page.RefreshMergeInfo();
        m_panels.listModel->RefreshNumbering();
    });
    m_page.AutoSave(false);
}
