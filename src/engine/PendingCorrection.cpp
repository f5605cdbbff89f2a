// Placeholder until the automatic picture correction lands.
#include "engine/TarneloProcess.h"

int CTarneloProcess::AnalyzeVideoEQParams(const std::string&) { return -1; }
