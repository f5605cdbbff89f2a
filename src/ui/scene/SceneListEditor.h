#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "app/AppEdit.h"
#include "engine/jobs/AppMessages.h"
#include "project/TarneloData.h"
#include "ui/common/ListEditorBase.h"
#include "ui/scene/ScenePanels.h"

class ScenePage;

// The scene tab's editing of its list: a click on a row, the in-place edit of a frame cell, the row menu (copy,
// split, delete) and reordering by drag. Every change is one edit of the project's scene list; the segment of a
// changed scene is cut again by the background queue, and the project is saved.
class SceneListEditor : public ListEditorBase {
public:
    // The row menu's command that shows the scene's frame of most change.
    static constexpr int kShowPeakCommand = 3184;

    SceneListEditor(ScenePage& page, const ScenePanels& panels);

    // The motion record's part of the row menu: add puts its command into the menu for row, show runs it.
    void SetPeakCommand(std::function<void(QMenu&, int)> add, std::function<void(int)> show);

    // Rows are not changed while a job or a background cut runs, nor while the tab refills the list.
    bool EditBlocked() const override;
    std::unique_ptr<QMenu> ContextMenu(int row, int column) override;
    void DragFinished() override;

    void OnRowClicked(int row, int column);
    // Refills the rows and selects select, the list marked as being rebuilt meanwhile.
    void FillList(int select);

    // The open in-place edit of a frame cell, nullptr when none.
    CAppEdit* CellEdit() const { return m_cellEdit.data(); }
    void CloseCellEdit();
    // Closes the edit and forgets the value it was opened with.
    void DropCellEdit();
    // The in-place edit ended: its value changes the scene, whose segment is then cut again.
    void OnEditDone(const EditDoneMsg& msg);
    // A value typed while a background cut ran, applied once it has ended.
    void ApplyPendingEdit();

private:
    bool BeforeCommand(int id, int row) override;
    void RunCommand(int id, int row) override;
    void AfterCommand() override;
    void AfterSwap() override;

    int MinSceneLength() const;
    void OpenCellEdit(int row, int column);
    // Scrolling ends an open edit as leaving it would.
    void FinishCellEdit();
    void ApplyCellEdit(const std::string& text);
    void SplitScene(int row);
    void DeleteScene(int row);

    ScenePage& m_page;
    ScenePanels m_panels;
    std::function<void(QMenu&, int)> m_addPeak;
    std::function<void(int)> m_showPeak;
    QPointer<CAppEdit> m_cellEdit;
    NumericSetting m_editValue;  // the edited cell's value and range
    int m_editRow = -1;
    int m_editColumn = -1;
    std::string m_pendingEdit;
    bool m_hasPendingEdit = false;
};
