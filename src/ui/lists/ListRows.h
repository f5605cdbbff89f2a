#pragma once

#include <QPointer>

#include "ui/common/ListEditorBase.h"

class EntryListModel;
class SceneListView;

// A page's list view and model as the shared row editing sees them. Attach routes the view's right clicks,
// drags and drag texts to the editor.
class ListRows : public EditableRows {
public:
    ListRows(SceneListView* view, EntryListModel* model);
    ~ListRows() override;

    void Attach(ListEditorBase& editor);

    int CurrentRow() const override;
    void SelectRow(int row) override;
    void SetRowsEnabled(bool enabled) override;
    bool CopyRow(int row) override;
    bool SwapRows(int from, int to) override;

private:
    QPointer<SceneListView> m_view;
    EntryListModel* m_model;
};
