#include "ui/merge/TarneloTabMerge.h"

CTarneloTabMerge::CTarneloTabMerge(TabHost* host, bool cudaPresent, QWidget* parent)
    : CTabPage(host, cudaPresent, parent) {
    setObjectName(QStringLiteral("mergeTab"));
    m_data.ResetAll(true);
}

void CTarneloTabMerge::NewProject() {
    StopJob();
    m_data.ResetAll(false);
}
