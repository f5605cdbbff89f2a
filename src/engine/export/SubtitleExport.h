#pragma once

#include <string>

class CTarneloData;

// Soft subtitles of the joined output: the captions the scene merge burns in (title, watermark, scene
// captions), with the same times and texts, as SubRip and WebVTT. Pure functions of the project.

// A caption as plain lines: override blocks such as "{\fad(500,500)}" removed, "\N" and "\n" (and a typed line
// break) as '\n', "\h" as a space; no empty line, which would end a cue early.
std::string PlainCaptionText(const std::string& assText);

// Numbered cues "HH:MM:SS,mmm --> HH:MM:SS,mmm" in the order they start, separated by blank lines; empty
// when no caption applies.
std::string BuildSrtText(const CTarneloData& data);

// "WEBVTT", then cues "HH:MM:SS.mmm --> HH:MM:SS.mmm" in the order they start, '&', '<' and '>' escaped.
std::string BuildVttText(const CTarneloData& data);
