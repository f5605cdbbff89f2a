#pragma once

#include <string>

namespace cli {

inline std::string UsageText() {
    return "Usage:\n"
           "  tarnelo-cli extract INPUT [options]  find the moving scenes of a video, cut each to its own MP4\n"
           "  tarnelo-cli segments PROJECT         cut the enabled scenes of a saved project again\n"
           "  tarnelo-cli merge PROJECT [--transition|--no-transition]\n"
           "                                       join the enabled scenes of a saved project into its output\n"
           "                                       file, cutting again any segment that is missing or wrong\n"
           "  tarnelo-cli join -o OUT.mp4 [--size WxH] [--rate N/D] [--transition] [--quality Q] FILE...\n"
           "                                       convert videos to one size and rate and join them in order\n"
           "  tarnelo-cli autocorrect PROJECT      compute brightness, contrast, saturation and gamma for the\n"
           "                                       project's input, print them and save them in the project\n"
           "  tarnelo-cli play FILE|PROJECT [--scene N]\n"
           "                                       play a video, a project's output (its input while there is\n"
           "                                       none), or scene N of a project, with ffplay\n"
           "  tarnelo-cli probe FILE [--kind N]    print an ffprobe report of FILE (N 1..5, default 1)\n"
           "  tarnelo-cli help | --help            show this text\n"
           "  tarnelo-cli --version                show the version\n"
           "\n"
           "Options of extract:\n"
           "  --threshold N        previous-frame difference, 0..1000 (default 100)\n"
           "  --valid-sec S        seconds of motion that make a scene, 1.0..10.0 (default 1.0)\n"
           "  --cut-sec S          seconds of stillness that end a scene, 1.0..10.0 (default 1.0)\n"
           "  --output-folder DIR  folder of the segment and work files (default INPUT_out/)\n"
           "  --output-name NAME   file name of the merged output (default: the input's name + _trim.mp4)\n"
           "  --project FILE       project file to write (default INPUT.kpproj)\n"
           "  --quality Q          encoding quality: 0 highest, 1 standard, 2 low (default 0)\n"
           "  --cuda | --no-cuda   use the CUDA encoder when a CUDA device exists (default --no-cuda)\n"
           "  --no-cut             find the scenes without cutting their segment files\n"
           "  --merge              then join the scenes into OUTPUT-FOLDER/OUTPUT-NAME\n"
           "  --transition         with --merge: half-second cross-fades between the scenes\n"
           "\n"
           "Options of merge:\n"
           "  --transition | --no-transition  cross-fade the scenes or not (default: the project's setting)\n"
           "\n"
           "Options of join (the converted files are kept beside OUT.mp4 for the next run):\n"
           "  -o OUT.mp4           the joined file; its folder must exist\n"
           "  --size WxH           frame size: 4096x2160, 3840x2160, 2560x1440, 1920x1080 (default),\n"
           "                       1280x720, 854x480, 720x576, 720x480 or 352x288\n"
           "  --rate N/D           frame rate: 120/1, 120000/1001, 60/1, 60000/1001 (default), 30/1,\n"
           "                       30000/1001, 24/1, 24000/1001, 15/1 or 10/1 (59.94 and the like also do)\n"
           "  --transition         half-second cross-fades between the videos\n"
           "  --quality Q          encoding quality: 0 highest, 1 standard, 2 low (default 0)\n"
           "Files ffprobe cannot read are skipped with a warning.\n"
           "\n"
           "Options of play:\n"
           "  --scene N            play scene N (from 1) of the project with its effects and captions\n"
           "\n"
           "Values out of range are clamped. Exit status: 0 success, 1 failure, 2 wrong usage,\n"
           "130 stopped by Ctrl+C (143 by SIGTERM).\n";
}

}  // namespace cli
