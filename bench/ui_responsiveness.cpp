// How long the window thread goes without serving its events while the scene tab opens a recording and
// extracts its scenes: a zero-interval timer notes every turn of the event loop, nested waits included,
// and the longest gaps are printed for each stage, against the 100 ms a user would notice.
//   QT_QPA_PLATFORM=offscreen build/bench/ui_responsiveness CLIP
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/AppMsgDlg.h"
#include "ui/main/DesktopApp.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

struct GapMeter {
    QElapsedTimer clock;
    qint64 last = 0;
    std::vector<qint64> gaps;

    void Start() {
        gaps.clear();
        clock.start();
        last = 0;
    }
    void Turn() {
        const qint64 now = clock.elapsed();
        gaps.push_back(now - last);
        last = now;
    }
    void Print(const char* stage) {
        if (gaps.empty()) return;
        std::vector<qint64> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        const qint64 longest = sorted.back();
        const qint64 p99 = sorted[sorted.size() * 99 / 100];
        std::printf("%-12s %8zu turns in %6.2f s; longest gap %4lld ms (%.2f of 100 ms), 99th percentile %lld ms\n",
                    stage, gaps.size(), clock.elapsed() / 1000.0, static_cast<long long>(longest), longest / 100.0,
                    static_cast<long long>(p99));
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CLIP (a 1080p recording; scripts/demo.sh --make-clip-only makes one)\n",
                     argv[0]);
        return 2;
    }
    QApplication qt(argc, argv);
    CAppMsgDlg::SetNoticesSilent(true);
    CDesktopApp app;
    app.SetProgramFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/../src"));
    if (!app.InitInstance({})) return 1;
    auto& tab = *static_cast<CTarneloTabScene*>(app.Dialog()->Page(0));

    GapMeter meter;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] { meter.Turn(); });
    turns.start(0);

    meter.Start();
    tab.DropFiles({QString::fromLocal8Bit(argv[1])});
    while (tab.LocalJob() != 0 || tab.Engine().Status().running) QCoreApplication::processEvents();
    meter.Print("open");

    auto* extract = tab.findChild<QPushButton*>(QStringLiteral("extractButton"));
    if (extract == nullptr || !extract->isEnabled()) {
        std::fprintf(stderr, "the clip could not be opened\n");
        return 1;
    }
    meter.Start();
    extract->click();
    while (tab.CurrentJob() != 0 || tab.Engine().Status().running) QCoreApplication::processEvents();
    meter.Print("extract");
    std::printf("scenes found: %d\n", tab.Data().diff_list.Size());
    turns.stop();
    CAppMsgDlg::SetNextAnswer(CAppMsgDlg::kYes);
    app.Frame()->close();
    return app.ExitInstance();
}
