#include "engine/render/PreviewStill.h"

#include <cstdio>
#include <system_error>

#include "engine/jobs/JobContext.h"
#include "engine/merge/EffectsFilter.h"
#include "engine/preparation/InputPreparation.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "project/TarneloData.h"

std::string PreviewStillPath(const CTarneloData& data, bool mergeMode) {
    const std::string name = mergeMode ? MediaFileStem(data.output_name) : MediaFileStem(data.input_file);
    return data.output_folder + name + "_preview.jpg";
}

std::string PreviewStillTime(const std::string& requestTime) {
    return requestTime.empty() ? FormatC("%.6f", 0.0) : requestTime;
}

std::string PreviewStillCommand(const std::string& prefix, const std::string& time, const std::string& file,
                                const std::string& chain, const std::string& still) {
    return prefix + FormatC("-ss %s -i \"%s\" -frames:v 1 -vf \"%s\" \"%s\"", time.c_str(),
                            platform::EscapeQuotedArgument(file).c_str(), platform::EscapeQuotedArgument(chain).c_str(),
                            platform::EscapeQuotedArgument(still).c_str());
}

bool IsQuarterTurn(int rotation) { return rotation == 90 || rotation == -90; }

void JobContext::SetPreviewImage(const std::string& file, const std::string& timeText, bool effects, int sceneIndex) {
    if (!m_options.previewStills) return;
    TabWindow* target = m_mainWindow ? m_mainWindow->ActiveTab() : nullptr;
    std::lock_guard<std::mutex> lock(m_previewMutex);
    m_previewRequest = PreviewRequest{file, timeText, effects, sceneIndex, target};
    m_previewPending = true;
    if (m_previewRunning.load()) return;
    // A previous render thread cleared the running flag under this mutex and touches nothing of ours
    // afterwards, so this join cannot wait on the lock we hold.
    if (m_previewThread.joinable()) m_previewThread.join();
    m_previewRunning = true;
    try {
        m_previewThread = std::thread(&JobContext::PreviewThreadProc, this);
    } catch (const std::system_error& e) {
        AppLog().Log("%s(%d) thread start failed (%s)\n", "CTarneloProcess::SetPreviewImage", __LINE__, e.what());
        m_previewRunning = false;
        m_previewPending = false;
        m_previewIdle.notify_all();
    }
}

void JobContext::WaitPreviewIdle() {
    PumpUntil(m_mainWindow, m_previewMutex, m_previewIdle,
              [this] { return !m_previewPending && !m_previewRunning.load(); });
}

void JobContext::PreviewThreadProc() {
    for (;;) {
        PreviewRequest request;
        {
            std::lock_guard<std::mutex> lock(m_previewMutex);
            if (!m_previewPending) {
                m_previewRunning = false;
                m_previewIdle.notify_all();
                return;
            }
            request = m_previewRequest;
            m_previewPending = false;
        }

        const std::string still = PreviewStillPath(*m_data, m_options.mode == 1);
        std::remove(still.c_str());
        platform::MakeFolders(SetTrailingSeparator(m_data->output_folder, false));

        const bool swap = IsQuarterTurn(m_data->m_currentInfo.rotation);
        const std::string chain = BuildEffectsFilter(request.effects, true, true, swap, request.sceneIndex);
        const std::string command =
            PreviewStillCommand(FfmpegPrefix(), PreviewStillTime(request.timeText), request.file, chain, still);
        if (!LastFilterError().empty()) {
            // A chain without the captions the user set would render a wrong still: better none.
            AppLog().Log("%s(%d) %s\n", "CTarneloProcess::PreviewThreadProc", __LINE__, LastFilterError().c_str());
        } else {
            const int result = ExecuteCmd(command);
            if (result != 0) LogCmdResult("CTarneloProcess::PreviewThreadProc", __LINE__, command, result);
        }
        if (request.target) request.target->Send(WM_APP_PREVIEW_IMAGE, reinterpret_cast<WParam>(still.c_str()), 0);
    }
}
