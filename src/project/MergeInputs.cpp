#include "project/MergeInputs.h"

#include <map>

#include "project/FileHelpers.h"

MergeClash FindMergeClash(const std::vector<SceneEntry>& list, const std::string& output) {
    std::map<std::string, std::string> convertedFrom;
    for (const SceneEntry& entry : list) {
        if (!output.empty() && SameFile(entry.m_fileToUse, output)) {
            return {MergeClash::kInputIsOutput, entry.m_fileToUse, {}, output};
        }
        if (!output.empty() && entry.fileName == output) {
            return {MergeClash::kOutputIsConverted, entry.m_fileToUse, {}, output};
        }
        const auto [it, added] = convertedFrom.emplace(entry.fileName, entry.m_fileToUse);
        if (!added && !SameFile(it->second, entry.m_fileToUse)) {
            return {MergeClash::kSameConverted, it->second, entry.m_fileToUse, entry.fileName};
        }
    }
    for (const SceneEntry& entry : list) {
        for (const auto& [converted, source] : convertedFrom) {
            if (SameFile(entry.m_fileToUse, converted)) {
                return {MergeClash::kInputIsConverted, entry.m_fileToUse, source, converted};
            }
        }
    }
    return {};
}

MergeClash FindAddClash(const std::vector<SceneEntry>& list, const std::string& input, const std::string& convertedFile,
                        const std::string& output) {
    std::vector<SceneEntry> after = list;
    SceneEntry added;
    added.m_fileToUse = input;
    added.fileName = convertedFile;
    after.push_back(added);
    return FindMergeClash(after, output);
}
