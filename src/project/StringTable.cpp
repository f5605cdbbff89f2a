#include "project/StringTable.h"

#include <atomic>

namespace {

// Swapped on a language switch from the UI thread while workers may be loading texts.
std::atomic<const StringTable*> g_stringTable{nullptr};

}  // namespace

void SetStringTable(const StringTable* table) { g_stringTable.store(table); }

std::string LoadText(int id) {
    const StringTable* table = g_stringTable.load();
    return table != nullptr ? table->Load(id) : std::string();
}

std::vector<std::string> LoadPositionNames() {
    std::vector<std::string> names;
    for (int id = 3053; id <= 3062; ++id) {
        names.push_back(LoadText(id));
    }
    return names;
}
