#pragma once

// Enough of an XML reader to tell whether a generated document is well-formed in the ways a writer gets
// wrong: every element closed in order, no stray '<' or '&' in text, attributes quoted. The elements are
// counted by name and class on the way.

#include <map>
#include <string>
#include <vector>

namespace xmltest {

struct XmlShape {
    bool wellFormed = false;
    std::string error;
    std::map<std::string, int> elements;  // "rect", "title", ... by count
    std::map<std::string, int> classes;   // the class attribute's value, by count
    std::string firstTitle;               // text of the first <title>, entities left as they are
};

inline XmlShape CheckXml(const std::string& text) {
    XmlShape shape;
    std::vector<std::string> open;
    const auto fail = [&shape](const std::string& why, size_t at) {
        shape.error = why + " at " + std::to_string(at);
        return shape;
    };
    size_t i = 0;
    if (text.compare(0, 5, "<?xml") == 0) i = text.find("?>") + 2;
    bool root = false;
    while (i < text.size()) {
        if (text[i] == '&') {
            const size_t end = text.find(';', i);
            if (end == std::string::npos || end - i > 8) return fail("bare '&'", i);
            i = end + 1;
            continue;
        }
        if (text[i] != '<') {
            if (text[i] == '>') return fail("bare '>'", i);
            if (open.empty() && text[i] != '\n' && text[i] != ' ') return fail("text outside the root", i);
            ++i;
            continue;
        }
        const size_t end = text.find('>', i);
        if (end == std::string::npos) return fail("unclosed tag", i);
        std::string tag = text.substr(i + 1, end - i - 1);
        if (tag.find('<') != std::string::npos) return fail("'<' in a tag", i);
        if (!tag.empty() && tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return fail("mismatched </" + tag.substr(1) + ">", i);
            open.pop_back();
            i = end + 1;
            continue;
        }
        const bool selfClosing = !tag.empty() && tag.back() == '/';
        if (selfClosing) tag.pop_back();
        const std::string name = tag.substr(0, tag.find_first_of(" \n\t"));
        if (name.empty()) return fail("empty tag", i);
        if (open.empty() && root) return fail("a second root", i);
        root = true;
        // Attributes: name="value" pairs, the value free of '<'.
        size_t a = name.size();
        while (a < tag.size()) {
            if (tag[a] == ' ' || tag[a] == '\n' || tag[a] == '\t') {
                ++a;
                continue;
            }
            const size_t equals = tag.find('=', a);
            if (equals == std::string::npos || equals + 1 >= tag.size() || tag[equals + 1] != '"')
                return fail("unquoted attribute", i);
            const size_t close = tag.find('"', equals + 2);
            if (close == std::string::npos) return fail("unterminated attribute", i);
            if (tag.compare(a, equals - a, "class") == 0) ++shape.classes[tag.substr(equals + 2, close - equals - 2)];
            a = close + 1;
        }
        ++shape.elements[name];
        if (name == "title" && shape.firstTitle.empty()) {
            shape.firstTitle = text.substr(end + 1, text.find('<', end) - end - 1);
        }
        if (!selfClosing) open.push_back(name);
        i = end + 1;
    }
    if (!open.empty()) return fail("<" + open.back() + "> not closed", text.size());
    if (!root) return fail("no root element", 0);
    shape.wellFormed = true;
    return shape;
}

}  // namespace xmltest
