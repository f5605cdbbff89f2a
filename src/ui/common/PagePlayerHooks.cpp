#include "ui/common/PagePlayerHooks.h"

#include <QPushButton>

#include "engine/jobs/JobTables.h"
#include "ui/common/TabPage.h"

PagePlayerHooks::PagePlayerHooks(CTabPage& page, const char* logTag, std::function<void(int)> start, QPushButton* stop,
                                 QWidget* list)
    : m_page(page), m_logTag(logTag), m_start(std::move(start)), m_stop(stop), m_list(list) {}

void PagePlayerHooks::StopPlayer() {
    if (IsPreviewJobId(m_page.CurrentJob())) StopPlayback();
}

void PagePlayerHooks::StartPlayback(int job) { m_start(job); }

void PagePlayerHooks::StopPlayback() {
    m_stop->setEnabled(false);
    m_page.StopJob();
    m_page.UpdateControlStates(true);
}

bool PagePlayerHooks::SelectedSceneIsLast() const {
    const CTarneloData& data = m_page.Data();
    return data.list_idx >= 0 && data.list_idx + 1 >= data.Scenes().Size();
}

bool PagePlayerHooks::SceneJobRunning() const { return m_page.IsBusy(); }
bool PagePlayerHooks::ListHasFocus() const { return m_list->hasFocus(); }
void PagePlayerHooks::PlayerChanged() { m_page.UpdateControlStates(true); }
MediaInfoSource& PagePlayerHooks::ReportSource() { return m_page; }
