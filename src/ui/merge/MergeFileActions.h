#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "ui/common/PageFileActions.h"
#include "ui/merge/MergePage.h"

class MergeListEditor;
struct MergeClash;

// The merge tab's files: adding videos (dropped or chosen), the output folder and file, and the converted
// files. Its project is never written to a project file, so nothing is read back after a change.
class MergeFileActions : public PageFileActions {
public:
    MergeFileActions(MergePage& page, const MergeTabPanels& panels, MergeListEditor& lists);

    // The new-project command while this tab is active: stop the job, reset the data keeping nothing.
    void NewProject() override;
    // Dropped videos are added in order (ignored while a job runs); a file ffprobe rejects is skipped.
    void DropFiles(const QStringList& files) override;
    // The "add files" button: an open dialog that takes several videos, added as a drop adds them.
    void ChooseInput() override;
    void ChooseOutputFile() override;
    void ChangeOutputFolder(const QString& folder) override;
    void ChangeOutputName(const QString& name) override;

    // Adds the videos; returns how many were added. A video whose converted file would be another one's,
    // or which is the output or a converted file, is refused with a message.
    int AddVideos(const QStringList& files);
    // Before a job writes: false, with the message, when a file it writes is a video of the list.
    bool AcceptJob();
    // Deletes every converted file of the current choice in the output folder.
    void DeleteConvertedFiles();
    // Empties the list and deletes the converted files of the current choice.
    void ClearList();

private:
    void AfterFolderDeleted() override;
    // The message for a video that is not added, and false; true when it may be added.
    bool AcceptVideo(const std::string& path);
    void ShowClash(const MergeClash& clash);

    MergePage& m_merge;
    MergeTabPanels m_panels;
    MergeListEditor& m_lists;
};
