#include "app/StatusPaneText.h"

#include "engine/jobs/JobTables.h"

std::string TranslateJobNamePane(const std::string& text, bool toJapanese) {
    const std::size_t split = text.find(" (");
    const std::string name = text.substr(0, split);
    const std::string rest = split == std::string::npos ? std::string() : text.substr(split);
    const int kind = FindJobKind(name);
    return (kind != 0 ? std::string(JobKindName(kind, toJapanese)) : std::string()) + rest;
}

std::string TranslateJobStatePane(const std::string& text, bool toJapanese) {
    const int state = FindJobState(text);
    return state != 0 ? std::string(JobStateName(state, toJapanese)) : std::string();
}
