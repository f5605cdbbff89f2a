#pragma once

// A tab page without the main window, for the tests of a page's parts: a host that counts what it is asked and
// a page that answers as a page does, its engine idle.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "app/AppShell.h"
#include "app/Language.h"
#include "app/RecentFileList.h"
#include "engine/merge/ConvertMerge.h"
#include "project/TarneloData.h"
#include "ui/common/TabHost.h"
#include "ui/common/TabPage.h"
#include "ui/merge/MergePage.h"
#include "ui/scene/ScenePage.h"

namespace pagefakes {

class StubShell : public AppShell {
public:
    bool SaveSettings() override { return true; }
    void AddRecentFile(const QString& path) override { recent << path; }
    void WriteRecentFiles() override {}
    CRecentFileList& RecentFiles() override { return m_recent; }
    bool IsCudaAvailable() const override { return false; }
    CLanguage& Language() override { return m_language; }
    QString ProgramFolder() const override { return {}; }

    QStringList recent;

private:
    CRecentFileList m_recent;
    CLanguage m_language;
};

class Host : public TabHost {
public:
    AppShell& App() const override { return shell; }
    bool Japanese() const override { return true; }
    void SetStatusText(int, const QString& text) override { statusTexts << text; }
    void ResetStatusBar() override { ++statusResets; }
    void UpdateTabButtons() override {}
    void ShowMessage(const QString& text) override { messages << text; }
    TabWindow* ActiveTab() override { return nullptr; }
    // The Japanese library of the build, as the window reads its texts and menus.
    bool LoadStrings() {
        shell.Language().SetSearchFolder(QStringLiteral(TARNELO_RESOURCE_DIR));
        return shell.Language().LoadLanguage(QStringLiteral("ja-JP"));
    }

    mutable StubShell shell;
    QStringList messages;
    QStringList statusTexts;
    int statusResets = 0;
};

// A page whose scenes are the given ranges, each with a segment file named after it.
class Page : public CTabPage {
public:
    explicit Page(pagefakes::Host& host) : CTabPage(&host, false, nullptr) {}
    using CTabPage::AttachFileActions;

    void SetRanges(const std::vector<std::pair<int, int>>& ranges) {
        std::vector<SceneEntry> scenes;
        for (const auto& [first, last] : ranges) {
            scenes.emplace_back(first, last, "/out/seg_" + std::to_string(first) + "_" + std::to_string(last) + ".mp4");
        }
        m_data.Scenes().Assign(std::move(scenes), 0);
        m_data.list_idx = 0;
    }
    std::vector<std::pair<int, int>> Ranges() const {
        std::vector<std::pair<int, int>> ranges;
        for (const SceneEntry& scene : m_data.Scenes().Snapshot())
            ranges.emplace_back(scene.framNo_first, scene.framNo_second);
        return ranges;
    }
    void UpdateControlStates(bool settled) override {
        (void)settled;
        ++controlUpdates;
    }

    int controlUpdates = 0;
};

// The scene tab's page as its parts see it: notes the refreshes, saves and resets they ask for.
class ScenePageFake : public pagefakes::Page, public ScenePage {
public:
    explicit ScenePageFake(pagefakes::Host& host) : pagefakes::Page(host) {}
    CTabPage& Page() override { return *this; }
    void StopRunning() override { calls << "stop"; }
    void StopPlayer() override {}
    void RefreshPreview() override { calls << "still"; }
    void RefreshMergeInfo() override { calls << "info"; }
    void QueueMissingSegments() override { calls << "cut missing"; }
    void DisableAll() override {}
    void AutoSave(bool force) override {
        calls << (force ? "save!" : "save");
        if (autoSave) autoSave(force);
    }
    void ResetSceneList(bool rebuild) override {
        calls << (rebuild ? "rebuild" : "reset");
        if (resetList) resetList(rebuild);
    }

    QStringList calls;
    // What a part does for these when the test holds it.
    std::function<void(bool)> autoSave;
    std::function<void(bool)> resetList;
    std::function<void(const EditDoneMsg&)> editDone;

protected:
    void OnEditDone(const EditDoneMsg& msg) override {
        if (editDone) editDone(msg);
    }
};

// The merge tab's page as its parts see it, at the default choice.
class MergePageFake : public pagefakes::Page, public MergePage {
public:
    explicit MergePageFake(pagefakes::Host& host) : pagefakes::Page(host) {}
    CTabPage& Page() override { return *this; }
    int SizeIndex() const override { return kDefaultMergeChoice; }
    int RateIndex() const override { return kDefaultMergeChoice; }
    FrameSize Size() const override { return MergeFrameSize(kDefaultMergeChoice); }
    FrameRate Rate() const override { return MergeFrameRate(kDefaultMergeChoice); }
    void StopPlayer() override { calls << "stop"; }
    void RefreshMergeInfo() override { calls << "info"; }
    void DisableAll() override {}
    void ClearList() override {
        calls << "clear";
        if (clearList) clearList();
    }

    QStringList calls;
    std::function<void()> clearList;
};

}  // namespace pagefakes
