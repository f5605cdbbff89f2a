#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CTarneloData;

// The files a reviewed scene list exports to, for the front-ends: the enabled scenes in list order, each cut
// from the original recording by its frames (timelines for editors), or the scene report as CSV for scripts.

enum class ExportFormat {
    kMlt,
    kFcpxml,
    kEdl,
    kOtio,
    kCsv,
    // The captions of the joined output as soft subtitles, timed as the scene merge burns them in.
    kSrt,
    kVtt,
};

struct ExportFormatInfo {
    ExportFormat format;
    const char* name;       // as a command line names it: "mlt"
    const char* extension;  // with the dot: ".mlt"
    const char* what;       // one line for a help text
};

// Every format, in the order a help lists them.
const std::vector<ExportFormatInfo>& ExportFormats();
const ExportFormatInfo& ExportFormatOf(ExportFormat format);
// The format of a name (exact, lower case); nothing for another name.
std::optional<ExportFormat> ExportFormatByName(std::string_view name);
// "mlt, fcpxml, edl, otio, csv"
std::string ExportFormatNames();

// A project read from its file has not been opened for work, so it lacks what opening works out from its
// video; this gives it the cross-fade length opening its input gives, so the times match what a merge writes.
void PrepareReadProject(CTarneloData& data);

// Why the project cannot be exported (no enabled scene, no frame rate, no input video); empty when it can.
std::string ExportProblem(const CTarneloData& data);

// The file's whole text. CSV is the report's (`tarnelo-cli report --csv`) byte for byte, peaks included when the
// project's motion record can be read.
std::string ExportText(ExportFormat format, const CTarneloData& data);

// Creates or replaces path with text so that a failure leaves the old file (or none) and nothing half written;
// false on failure, errno saying why.
bool SaveExport(const std::string& path, const std::string& text);
