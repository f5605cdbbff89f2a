#pragma once

#include <string>
#include <vector>

// The string table of the current display language; the resource libraries implement it.
class StringTable {
public:
    virtual ~StringTable() = default;
    virtual std::string Load(int id) const = 0;
};

// Makes table the source of LoadText (nullptr: no table). The table must outlive its use.
void SetStringTable(const StringTable* table);

// The text of id in the current table; empty when no table is set.
std::string LoadText(int id);

// The caption position names, string ids 3053 ... 3062 in order (index = position code).
std::vector<std::string> LoadPositionNames();
