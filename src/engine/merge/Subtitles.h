#pragma once

#include <optional>
#include <string>
#include <vector>

class CTarneloData;
struct CaptionParam;
struct SceneEntry;

// Captions are burnt in by ffmpeg's subtitles filter from an ASS file written next to the output.
// Everything here but SaveAssFile and MakeSubtitleFilter is pure text.

// What the engine knows when it builds the captions of one command.
struct AssOptions {
    bool wholeTimeline = false;  // the merged output's timeline (scene merge, extract and merge)
    bool singleStill = false;    // one-second captions for the preview still, fade tags removed
    int sceneIndex = -1;         // scene whose caption is used; -1 the selected scene (list_idx)
    int width = 0;               // picture size after the rotation swap
    int height = 0;
    int playFrame = 0;       // current player position
    bool mergeTab = false;   // the engine works for the merge tab: no watermark, file named after output_name
    double timelineFps = 0;  // whole timeline: the joined output's rate when known; 0 the current file's
};

// PlayRes, the caption size unit and the cinemascope bar height the margins are centred in.
struct AssMetrics {
    int playResX = 0;
    int playResY = 0;
    int unit = 0;
    int bar = 0;
};

struct AssBuild {
    std::vector<std::string> dialogues;  // "Dialogue: ..." lines, each ending in "\n"
    std::string text;                    // the whole file, "\r\n" line ends; empty when no caption applies
};

// "hh:mm:ss.cc" texts of the three kinds the events use.
// Seconds rounded to hundredths.
std::string SecondsTimeText(double seconds);
// Frame at fps truncated to hundredths (0 when fps is not positive).
std::string FrameTimeText(int frame, double fps);
// Frame at fps rounded to the nearest hundredth, carrying into the seconds.
std::string ExactFrameTimeText(int frame, double fps);

// The text with every "{\fad(a,b)}" tag removed.
std::string RemoveFadeTags(const std::string& text);

AssMetrics ComputeAssMetrics(const CTarneloData& data, int w, int h);

// "Style: ..." line (ending in "\n") for one caption.
std::string BuildStyleLine(const std::string& name, const CaptionParam& caption, const AssMetrics& metrics);

// One caption event, what a "Dialogue:" line holds; the soft subtitles are made from the same values.
struct CaptionEvent {
    int layer = 0;        // 0 scene caption, 1 title, 2 watermark
    long long start = 0;  // hundredths of a second
    long long end = 0;
    std::string style;
    std::string text;  // as the ASS line carries it: override tags kept, line breaks as "\N"
};

// The "Dialogue: ..." line of an event, ending in "\n".
std::string DialogueLineText(const CaptionEvent& event);

// A scene's caption as the merged output shows it: {date}, {time} and {datetime} expanded for its start.
std::string ShownSceneCaption(const CTarneloData& data, const SceneEntry& scene);

// The caption timing as events, in file order; BuildDialogueLines prints these.
std::vector<CaptionEvent> BuildCaptionEvents(const CTarneloData& data, const AssOptions& options);

// The caption timing: dialogue lines of the captions that apply, in file order. The project is not changed.
// A caption's {date}, {time} and {datetime} show the clock time of its scene's start (title: of the first
// enabled scene; watermark: of the recording's start), or the offset time when the recording's clock is unknown.
std::vector<std::string> BuildDialogueLines(const CTarneloData& data, const AssOptions& options);

// Header, styles, events and dialogues with "\r\n" line ends.
AssBuild BuildAssText(const CTarneloData& data, const AssOptions& options);

// Output folder + name + "_one.ass" (single still), "_all.ass" (whole timeline) or "_seg.ass".
std::string AssFilePath(const CTarneloData& data, const AssOptions& options);

// "subtitles='...'" for the file, escaped for both parsing levels of an ffmpeg filter graph and safe
// inside a double-quoted command-line argument. Nothing when the name cannot be expressed there
// (a double quote, a control character such as a line feed, a NUL); the reason goes to *error.
std::optional<std::string> SubtitleFilterText(const std::string& assPath, std::string* error = nullptr);

// Creates or replaces the file with exactly text (no byte-order mark). On failure no file is left.
bool SaveAssFile(const std::string& path, const std::string& text);

struct SubtitleFilterResult {
    std::string filter;  // "subtitles='...'", empty when no caption applies or on error
    std::string error;   // set when the file name cannot be put into the filter; no file was written then
    std::string path;    // the ASS file, when captions apply
    bool written = false;
};

// Builds the text, checks the file name can be expressed, writes the file and returns the filter element.
// An unwritable file still gives the filter text (ffmpeg then reports the missing file).
SubtitleFilterResult MakeSubtitleFilter(const CTarneloData& data, const AssOptions& options);
