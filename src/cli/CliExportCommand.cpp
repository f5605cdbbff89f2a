// export: a saved project's enabled scenes as a timeline for a video editor, the scene report as CSV, or the
// merged file's captions as subtitles.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/CliCommands.h"
#include "cli/CliRunner.h"
#include "engine/export/Exports.h"
#include "project/TarneloData.h"

namespace cli {

int RunExport(const Options& o, CliSink& sink, bool /*japanese*/) {
    CTarneloData data(false);
    if (const int status = LoadSavedProject(data, o.target, sink, false); status >= 0) return status;
    PrepareReadProject(data);
    if (const std::string why = ExportProblem(data); !why.empty()) {
        return Fail(sink, "nothing to export from " + Quoted(o.target) + ": " + why);
    }
    const ExportFormat format = o.exportFormat.value_or(ExportFormat::kMlt);
    const std::string text = ExportText(format, data);
    if (o.exportOutput == "-") {
        WriteStdout(text);
        // A script reading a cut-short file must not be told it is whole.
        if (std::ferror(stdout)) return Fail(sink, "cannot write the export to stdout");
        return kExitSuccess;
    }
    // Beside the project by default, named after it (only the file name's extension is replaced).
    const std::string output =
        o.exportOutput.empty()
            ? std::filesystem::path(Absolute(o.target)).replace_extension(ExportFormatOf(format).extension).string()
            : Absolute(o.exportOutput);
    if (const std::string why = OutputProblem(data, Absolute(o.target), output); !why.empty()) {
        return Fail(sink, "will not write " + Quoted(output) + ": " + why);
    }
    if (!SaveExport(output, text)) {
        return Fail(sink, "cannot write " + Quoted(output) + ": " + std::strerror(errno));
    }
    // The path goes to stdout, so a script can take it.
    WriteStdout(output + "\n");
    return kExitSuccess;
}

}  // namespace cli
