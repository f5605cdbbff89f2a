// Placeholders until playback and the background queue land.
#include "engine/TarneloProcess.h"

int CTarneloProcess::PlayVideo(const std::string&, int) {
    SendState(kJobStateFailed, "Playback is not available yet");
    return -1;
}
int CTarneloProcess::PlayVideoScene(const std::string&) { return -1; }
int CTarneloProcess::RunScenePreview() {
    SendState(kJobStateFailed, "Playback is not available yet");
    return -1;
}
void CTarneloProcess::StartBackgroundQueue(int) {}
void CTarneloProcess::QueueSegment(int, bool) {}
void CTarneloProcess::StopBackgroundQueue() {}
void CTarneloProcess::WaitBackgroundDrained() {}
void CTarneloProcess::BackgroundWorkerProc() {}
int CTarneloProcess::BackgroundSegmentOutput(int, bool) { return -1; }
