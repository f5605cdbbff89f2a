#include "ui/merge/TarneloTabMerge.h"

CTarneloTabMerge::CTarneloTabMerge(CTarneloDlg* owner, bool cudaPresent, QWidget* parent)
    : CTabPage(owner, cudaPresent, parent) {
    setObjectName(QStringLiteral("mergeTab"));
    m_data.ResetAll(true);
}

void CTarneloTabMerge::NewProject() {
    StopJob();
    m_data.ResetAll(false);
}
