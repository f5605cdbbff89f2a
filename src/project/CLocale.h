#pragma once

#include <locale.h>

// While alive, the calling thread formats and parses numbers in the "C" locale, so a decimal point
// stays "." even when the application adopted a user locale with a decimal comma.
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_previous = nullptr;
};
