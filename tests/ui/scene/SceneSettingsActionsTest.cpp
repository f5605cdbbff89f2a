// The scene tab's settings on a page of its own: a reset happens only after a yes and is saved, the caption
// button fills without asking but clears only after a yes, the transition and a row's check box are saved with
// the list settled again, and the list's reset asks first.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/AppMsgDlg.h"
#include "ui/PageFakes.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/CaptionRules.h"
#include "ui/scene/EffectsPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneJobPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePage.h"
#include "ui/scene/SceneSettingsActions.h"

using FakeScenePage = pagefakes::ScenePageFake;

class SceneSettingsActionsTest : public QObject {
    Q_OBJECT
private:
    pagefakes::Host m_host;
    std::unique_ptr<FakeScenePage> m_page;
    std::unique_ptr<SceneListEditor> m_lists;
    std::unique_ptr<SceneMotionTuner> m_motion;
    std::unique_ptr<SceneSettingsActions> m_settings;
    ScenePanels m_panels;

    CTarneloData& Data() { return m_page->Data(); }

private slots:
    void initTestCase() { QVERIFY(m_host.LoadStrings()); }
    void init() {
        m_page = std::make_unique<FakeScenePage>(m_host);
        Data().ResetAll(false);
        Data().m_sourceInfo.fps = 25;
        m_panels = ScenePanels();
        m_panels.extraction = new CExtractionPanel(&Data(), m_page.get());
        m_panels.effects = new CEffectsPanel(&Data(), m_page.get());
        m_panels.captions = new CCaptionPanel(&Data(), m_page.get());
        m_panels.jobs = new CSceneJobPanel(m_page.get());
        m_panels.listModel = new SceneListModel(&Data(), m_page.get());
        m_panels.listView = new SceneListView(m_page.get());
        m_panels.listView->SetListModel(m_panels.listModel);
        m_panels.preview = new CPreviewPanel(m_page.get());
        m_panels.timeline = new CMotionTimeline(m_page.get());
        m_lists = std::make_unique<SceneListEditor>(*m_page, m_panels);
        m_motion = std::make_unique<SceneMotionTuner>(*m_page, m_panels, *m_lists);
        m_settings = std::make_unique<SceneSettingsActions>(*m_page, m_panels, *m_lists, *m_motion);
        m_page->SetRanges({{0, 49}, {50, 99}});
        m_lists->FillList(0);
    }
    void cleanup() {
        m_settings.reset();
        m_motion.reset();
        m_lists.reset();
        m_page.reset();
    }

    void aResetNeedsAYes_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("reset");
        QTest::newRow("yes") << int(CAppMsgDlg::kYes) << true;
        QTest::newRow("no") << int(CAppMsgDlg::kNo) << false;
        QTest::newRow("closed") << int(CAppMsgDlg::kCancel) << false;
    }
    void aResetNeedsAYes() {
        QFETCH(int, answer);
        QFETCH(bool, reset);
        CTarneloData defaults;
        defaults.ResetAll(false);
        Data().threshold.SetValueClamped(defaults.threshold.value + 50);
        Data().contrast.SetValueClamped(defaults.contrast.value + 0.25);
        CAppMsgDlg::SetNextAnswer(answer);
        QTest::mouseClick(m_panels.extraction->ResetButton(), Qt::LeftButton);
        CAppMsgDlg::SetNextAnswer(answer);
        m_settings->OnResetEffects();
        QCOMPARE(Data().threshold.value == defaults.threshold.value, reset);
        QCOMPARE(Data().contrast.value == defaults.contrast.value, reset);
        const QStringList expected = reset ? QStringList{"save", "still", "save"} : QStringList();
        QCOMPARE(m_page->calls, expected);
    }

    void captionsFillWithoutAskingAndClearAfterAYes() {
        ClearCaptions(Data());
        const int shown = CAppMsgDlg::ShownCount();
        m_settings->OnFillCaptions();
        QCOMPARE(CAppMsgDlg::ShownCount(), shown);
        QVERIFY(AnySceneCaption(Data()));
        QCOMPARE(m_panels.listModel->index(1, SceneListModel::kColCaption).data().toString(),
                 QStringLiteral("Scene002"));
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kNo);
        m_settings->OnFillCaptions();
        QVERIFY(AnySceneCaption(Data()));
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        m_settings->OnFillCaptions();
        QVERIFY(!AnySceneCaption(Data()));
        QCOMPARE(CAppMsgDlg::ShownCount(), shown + 2);
    }

    void theTransitionAndACheckBoxAreSaved() {
        Data().transition = false;
        m_panels.jobs->TransitionCheck()->setChecked(true);
        m_settings->OnTransition();
        QVERIFY(Data().transition);
        QVERIFY(m_lists->ListSettled());
        QCOMPARE(m_page->calls, (QStringList{"info", "save"}));
        m_page->calls.clear();
        QVERIFY(m_panels.listModel->setData(m_panels.listModel->index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!Data().Scenes().At(1)->enable);
        QCOMPARE(m_page->calls, (QStringList{"info", "save"}));
    }

    void theListsResetAsksFirst() {
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kNo);
        m_settings->OnClearList();
        QVERIFY(m_page->calls.isEmpty());
        CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
        m_settings->OnClearList();
        QCOMPARE(m_page->calls, (QStringList{"rebuild", "save"}));
        QVERIFY(m_panels.listView->isEnabled());
    }
};

QTEST_MAIN(SceneSettingsActionsTest)
#include "SceneSettingsActionsTest.moc"
