#pragma once

#include <string>

// On a language switch the status bar keeps what it shows, in the new language. Pane 0: the job name
// before the first " (" is translated between the two job-kind tables and the rest is kept; pane 1: the
// job-state name is translated. A name in neither table becomes empty.
std::string TranslateJobNamePane(const std::string& text, bool toJapanese);
std::string TranslateJobStatePane(const std::string& text, bool toJapanese);
