// Placeholders until the scene merge lands; each reports a clear failure.
#include "engine/TarneloProcess.h"
#include "project/TimeText.h"

int CTarneloProcess::ProcessTrim(const std::string&, const std::string&) {
    SendState(kJobStateFailed, "Scene merge is not available yet");
    return -1;
}
int CTarneloProcess::ProcessDiffTrim() {
    SendState(kJobStateFailed, "Scene merge is not available yet");
    return -1;
}
std::string CTarneloProcess::BuildMergeFilterGraph(const std::vector<std::pair<std::string, double>>&,
                                                   double) const {
    return {};
}
