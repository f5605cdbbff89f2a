// An OpenTimelineIO JSON timeline (schemas Timeline.1, Stack.1, Track.1, Clip.2, ExternalReference.1,
// Transition.1, RationalTime.1, TimeRange.1): a video track, and an audio track when the recording has sound,
// holding one clip per scene with the merge's cross-fades as dissolves centred on the cuts.
#include <nlohmann/json.hpp>

#include "engine/export/ExportWriters.h"
#include "project/TarneloData.h"

namespace {

// Members stay in the order written, so a diff of two exports reads well.
using json = nlohmann::ordered_json;

json Time(long long frames, double rate) {
    return json{{"OTIO_SCHEMA", "RationalTime.1"}, {"rate", rate}, {"value", static_cast<double>(frames)}};
}

json Range(long long start, long long duration, double rate) {
    return json{{"OTIO_SCHEMA", "TimeRange.1"}, {"duration", Time(duration, rate)}, {"start_time", Time(start, rate)}};
}

json Item(const char* schema, const std::string& name) {
    return json{{"OTIO_SCHEMA", schema}, {"metadata", json::object()}, {"name", name}};
}

json Composable(const char* schema, const std::string& name) {
    json item = Item(schema, name);
    item["source_range"] = nullptr;
    item["effects"] = json::array();
    item["markers"] = json::array();
    item["enabled"] = true;
    return item;
}

json Track(const char* kind, const ExportTimeline& timeline, const std::vector<CutClip>& clips) {
    const double rate = FrameRateValue(timeline.rate);
    json children = json::array();
    for (size_t k = 0; k < clips.size(); ++k) {
        const CutClip& clip = clips[k];
        const TimelineScene& scene = timeline.scenes[k];
        if (clip.fadeBefore + clip.fadeAfter > 0) {
            json fade = Item("Transition.1", "Cross Dissolve");
            fade["in_offset"] = Time(clip.fadeBefore, rate);
            fade["out_offset"] = Time(clip.fadeAfter, rate);
            fade["transition_type"] = "SMPTE_Dissolve";
            children.push_back(std::move(fade));
        }
        json media = Item("ExternalReference.1", FileNamePart(timeline.sourcePath));
        media["available_range"] = Range(0, timeline.frameCount, rate);
        media["available_image_bounds"] = nullptr;
        media["target_url"] = FileUrl(timeline.sourcePath);
        json item = Composable("Clip.2", "Scene " + std::to_string(scene.number));
        item["source_range"] = Range(clip.sourceStart, clip.frames, rate);
        item["media_references"] = json{{"DEFAULT_MEDIA", std::move(media)}};
        item["active_media_reference_key"] = "DEFAULT_MEDIA";
        item["metadata"] = json{{"tarnelo",
                                 {{"scene", scene.number},
                                  {"first_frame", scene.sourceFirst},
                                  {"last_frame", scene.sourceLast},
                                  {"caption", scene.caption}}}};
        children.push_back(std::move(item));
    }
    json track = Composable("Track.1", kind[0] == 'V' ? "V1" : "A1");
    track["children"] = std::move(children);
    track["kind"] = kind;
    return track;
}

}  // namespace

std::string OtioText(const CTarneloData& data) {
    const ExportTimeline timeline = BuildExportTimeline(data);
    const std::vector<CutClip> clips = CutClips(timeline);
    json tracks = Composable("Stack.1", "tracks");
    tracks["children"] = json::array({Track("Video", timeline, clips)});
    if (data.m_sourceInfo.has_audio) tracks["children"].push_back(Track("Audio", timeline, clips));
    json root = Item("Timeline.1", TimelineName(data));
    root["global_start_time"] = Time(0, FrameRateValue(timeline.rate));
    root["tracks"] = std::move(tracks);
    // A caption read from an old project may hold bytes that are not UTF-8; they must not stop the export.
    return root.dump(4, ' ', false, json::error_handler_t::replace) + "\n";
}
