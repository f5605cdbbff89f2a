#pragma once

#include <memory>

#include "ui/common/ListEditorBase.h"

class CPreviewPanel;
class MergeListModel;
class MergePage;
class SceneListView;

// The merge tab's editing of its list: the row menu (copy, delete) and reordering by drag. Every change is one
// edit of the project's list; a deleted video's converted file stays, as a copy in the list may use it.
class MergeListEditor : public ListEditorBase {
public:
    MergeListEditor(MergePage& page, SceneListView* view, MergeListModel* model, CPreviewPanel* preview);

    bool EditBlocked() const override;
    // The row menu for a right click on row (any column), which selects it; nullptr where none is offered.
    std::unique_ptr<QMenu> ContextMenu(int row, int column) override;
    void DragFinished() override;
    // Refills the rows at the current output rate and selects select.
    void FillList(int select);

private:
    void RunCommand(int id, int row) override;
    void AfterCommand() override;
    void AfterSwap() override;
    void DeleteVideo(int row);

    MergePage& m_page;
    SceneListView* m_view;
    MergeListModel* m_model;
    CPreviewPanel* m_preview;
};
