// Placeholders until the merge tab's conversion and analysis land.
#include "engine/TarneloProcess.h"

int CTarneloProcess::ConvertMergeEntry(int, int, int, bool) { return -1; }
int CTarneloProcess::ProcessConvMerge() {
    SendState(kJobStateFailed, "Conversion is not available yet");
    return -1;
}
int CTarneloProcess::ProcessConv(const std::string&) {
    SendState(kJobStateFailed, "Conversion is not available yet");
    return -1;
}
int CTarneloProcess::ProcessAnalysis() {
    SendState(kJobStateFailed, "Video analysis is not available yet");
    return -1;
}
