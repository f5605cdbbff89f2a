#include "ui/main/ProjectExport.h"

#include <QString>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "app/AppFileDialog.h"
#include "app/Language.h"
#include "engine/export/Exports.h"
#include "project/TarneloData.h"
#include "ui/common/TabHost.h"

namespace {

// The registry's name of each command's format, in the menu's order.
constexpr const char* kFormatNames[] = {"mlt", "fcpxml", "edl", "otio", "csv", "srt", "vtt"};

// The file name offered: the project's (without ".kpproj") in its folder, else the input video's.
QString OfferedPath(const CTarneloData& data, const QString& extension) {
    const QString project = QString::fromStdString(data.project_file);
    QString base = project.isEmpty() ? QString::fromStdString(data.input_file) : project;
    const int slash = base.lastIndexOf(QLatin1Char('/'));
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1) base.truncate(dot);
    return base + QLatin1Char('.') + extension;
}

bool HasEnabledScene(const CTarneloData& data) {
    for (const SceneEntry& scene : data.Scenes().Snapshot()) {
        if (scene.enable) return true;
    }
    return false;
}

}  // namespace

void RunProjectExport(int command, const CTarneloData& data, TabHost& host, QWidget* parent) {
    if (!IsExportCommand(command)) return;
    const std::optional<ExportFormat> format = ExportFormatByName(kFormatNames[command - kCmdExportFirst]);
    const QString title = ResText(command).section(QLatin1Char('\n'), 1);
    if (!format) {
        host.ShowMessage(ResText(3295).arg(title));
        return;
    }
    if (data.input_file.empty()) {
        host.ShowMessage(ResText(3292));
        return;
    }
    if (!HasEnabledScene(data)) {
        host.ShowMessage(ResText(3293));
        return;
    }
    // What else keeps the project from an export (a video whose rate is unknown) is told as the engine says it.
    if (const std::string problem = ExportProblem(data); !problem.empty()) {
        host.ShowMessage(QString::fromStdString(problem));
        return;
    }
    const QString extension = QString::fromLatin1(ExportFormatOf(*format).extension + 1);
    const QString offered = OfferedPath(data, extension);
    const QString filter = QStringLiteral("%1 (*.%2)|*.%2||").arg(title, extension);
    CAppFileDialog dialog(false, extension, offered.mid(offered.lastIndexOf(QLatin1Char('/')) + 1), filter, parent);
    dialog.SetInitialFolder(offered.left(offered.lastIndexOf(QLatin1Char('/')) + 1));
    dialog.setWindowTitle(ResText(3290).arg(title));
    dialog.SetOverwritePrompt(true);
    if (dialog.DoModal() != QDialog::Accepted) return;

    const QString path = dialog.GetPathName();
    if (!SaveExport(path.toStdString(), ExportText(*format, data))) {
        host.ShowMessage(ResText(3294).arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    host.SetStatusText(TabHost::kMessagePane, ResText(3291).arg(path));
}
