#pragma once

// A strict reader of RFC 4180 CSV for checking what the program writes: quoted fields may hold commas, quotes
// (doubled) and line breaks; a quote anywhere else, or an unterminated quoted field, fails the read.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace csvtest {

using Row = std::vector<std::string>;

// Records end in LF or CRLF; the last may lack its line break. nullopt for text that is not CSV.
inline std::optional<std::vector<Row>> ReadCsv(std::string_view text) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    size_t i = 0;
    bool any = false;  // something of the current record was read
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' && field.empty()) {
            // A quoted field runs to a quote not followed by another.
            for (++i;; ++i) {
                if (i >= text.size()) return std::nullopt;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
            any = true;
            if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') return std::nullopt;
            continue;
        }
        if (c == '"') return std::nullopt;
        if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            any = true;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return std::nullopt;
            i += c == '\r' ? 2 : 1;
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
            any = false;
            continue;
        }
        field += c;
        any = true;
        ++i;
    }
    if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace csvtest
