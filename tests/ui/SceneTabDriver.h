#pragma once

// Drives the scene tab of a started program as a user would: drops, clicks, typed text, and waits on the
// engine instead of sleeping. Window tests of the scene tab hold one.
#include <unistd.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <memory>
#include <vector>

#include "support/ProcessWatch.h"
#include "ui/UiTestSupport.h"
#include "ui/lists/SceneEditRules.h"
#ifndef TARNELO_CLIPS_WITHOUT_FIXTURE
#define TARNELO_CLIPS_WITHOUT_FIXTURE
#endif
#include "integration/ClipFactory.h"

namespace scenetab {

constexpr int kJobTimeoutMs = 120000;

struct Range {
    int first;
    int last;
    bool operator==(const Range& o) const { return first == o.first && last == o.last; }
};

inline std::vector<Range> RangesOf(const CTarneloData& data) {
    std::vector<Range> ranges;
    for (const SceneEntry& scene : data.diff_list.Snapshot())
        ranges.push_back({scene.framNo_first, scene.framNo_second});
    return ranges;
}

// What a tool printed on stdout; empty when it failed.
inline QByteArray RunTool(const QString& program, const QStringList& args) {
    QProcess tool;
    tool.start(program, args);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) return QByteArray();
    return tool.readAllStandardOutput();
}

// Frames of the first video stream, counted by decoding; -1 when ffprobe fails.
inline int CountFrames(const QString& path) {
    bool ok = false;
    const int frames =
        QString::fromUtf8(
            RunTool(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                     QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                     QStringLiteral("stream=nb_read_frames"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), path}))
            .trimmed()
            .toInt(&ok);
    return ok ? frames : -1;
}

// One grey frame of video at seconds, cropped by the filter before it (empty to keep the whole frame).
inline QByteArray GreyFrameAt(const QString& video, double seconds, const QString& crop = QString()) {
    const QString filter = crop.isEmpty() ? QStringLiteral("format=gray") : crop + QStringLiteral(",format=gray");
    return RunTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"), QString::number(seconds),
         QStringLiteral("-i"), video, QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-vf"), filter,
         QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-")});
}

// The clip most scene tab tests open: 320x180 at 25 fps, 260 frames, the box moving in frames 30-79 and
// 150-199, so an extraction finds two scenes.
inline clips::ClipOptions TwoSceneClip() {
    clips::ClipOptions two;
    two.width = 320;
    two.height = 180;
    two.frames = 260;
    two.motion = {{30, 79}, {150, 199}};
    return two;
}

inline bool NoChildLeft() { return testsupport::ChildrenOf(getpid()).empty(); }

class Driver {
public:
    // In a test's init(): the program started in Japanese with automatic save on, and a fresh work folder.
    bool Start() {
        m_work = std::make_unique<QTemporaryDir>();
        if (!StartMainWindow(m_app)) return false;
        Tab().Data().auto_save = true;
        return true;
    }
    bool Running() const { return m_app != nullptr; }
    // In cleanup(): the program closed; the caller then waits for NoChildLeft().
    void Stop() {
        if (m_app) StopMainWindow(m_app);
        m_work.reset();
    }

    CDesktopApp& App() { return *m_app; }
    CTarneloDlg* Dlg() { return m_app->Dialog(); }
    CTarneloTabScene& Tab() { return SceneTab(Dlg()); }
    QTemporaryDir& Work() { return *m_work; }

    template <class T>
    T* Find(const char* name) {
        T* widget = Tab().findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qWarning("no control %s", name);
        return widget;
    }
    bool Idle() { return Tab().CurrentJob() == 0 && !Tab().Engine().Status().running; }

    // A clip copied into the work folder, so that its output folder and project are fresh.
    QString Copy(const QString& clip, const QString& name) {
        const QString path = m_work->filePath(name);
        QFile::copy(clip, path);
        return path;
    }

    // Opens path as if dropped and waits until its input is prepared.
    void OpenDropped(const QString& path) {
        Dlg()->DropFiles({path});
        QTRY_VERIFY_WITH_TIMEOUT(Tab().LocalJob() == 0 && Idle(), kJobTimeoutMs);
        QCOMPARE(Tab().Data().input_file, path.toStdString());
    }

    bool Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        if (button == nullptr || !button->isEnabled()) return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return true;
    }

    void WaitJobEnd() {
        QTRY_VERIFY_WITH_TIMEOUT(Idle() && Find<QPushButton>("extractButton")->isEnabled(), kJobTimeoutMs);
    }

    // Opens the clip and extracts its scenes; false (with the test failed) when either did not work.
    bool OpenAndExtract(const QString& clip) {
        OpenDropped(clip);
        if (QTest::currentTestFailed()) return false;
        if (!Click("extractButton")) return false;
        WaitJobEnd();
        return !QTest::currentTestFailed();
    }

    // The list the user would have after an extraction: these scenes, numbered, the first one selected.
    void SetScenes(const std::vector<Range>& ranges) {
        CTarneloData& data = Tab().Data();
        std::vector<SceneEntry> scenes;
        for (const Range& r : ranges) {
            SceneEntry scene(r.first, r.last, SceneSegmentName(data, r.first, r.last));
            data.SetSceneCaption(scene, 0, scene.FrameCount() / 25.0,
                                 FormatC("Scene%03d", static_cast<int>(scenes.size()) + 1));
            scenes.push_back(scene);
        }
        data.Scenes().Assign(std::move(scenes), 0);
        data.list_idx = 0;
        Tab().RefreshList(true);
    }

    void ClickCell(int row, int column) {
        SceneListView* view = Tab().Panels().listView;
        const QModelIndex index = view->model()->index(row, column);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private:
    std::unique_ptr<CDesktopApp> m_app;
    std::unique_ptr<QTemporaryDir> m_work;
};

}  // namespace scenetab
