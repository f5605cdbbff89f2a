#pragma once

class CTarneloData;
class QWidget;
class TabHost;

// File > Export: one command per format, in the menu's order (MLT XML, FCPXML, CMX 3600 EDL, OpenTimelineIO,
// CSV, SRT, WebVTT).
inline constexpr int kCmdExportFirst = 3282;
inline constexpr int kCmdExportLast = 3288;

inline bool IsExportCommand(int id) { return id >= kCmdExportFirst && id <= kCmdExportLast; }

// Asks where to save the project's export in the command's format (the project's folder and name offered),
// writes it whole or not at all, and confirms in the status bar; a project without an input or an enabled
// scene, or a file that cannot be written, is told in a message and nothing is written.
void RunProjectExport(int command, const CTarneloData& data, TabHost& host, QWidget* parent);
