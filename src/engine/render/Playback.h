#pragma once

#include <string>

// Pure pieces of the player commands: the command text and the decisions where a playback starts, so
// tests reach them without a thread or a player.

// The player command: a borderless "KPREVIEW" window at (left, top) that plays length seconds of file
// from start and prints one showinfo line per frame. playVolume is in per cent (clamped to 0..100).
// The path and the chain are escaped here.
std::string PlayerCommand(int left, int top, const std::string& start, const std::string& file,
                          const std::string& length, int playVolume, const std::string& chain);

// "%.6f" of seconds: the start and length texts of the command.
std::string PlayTimeText(double seconds);

// Seconds of frames at fps as "%.6f"; 0 when fps is not positive.
std::string PlayLengthText(int frames, double fps);

// A play starts over (at frame 0, file opened anew) when the position was reset ("0") or the last play
// reached the final frame.
bool PlayRestartNeeded(const std::string& timeText, int position, int frameCount);

// What follows a round of the player.
struct PlayRound {
    bool again = false;
    std::string start;  // start text of the next round when again
};

// With loop play a round that ended normally is followed by another: at frame 0 after the final frame,
// else at the position reached. A round that got no further than its own start (the player quit early)
// is followed by one from frame 0, and one from frame 0 that showed nothing ends the loop, so a player
// that exits at once never spins.
PlayRound NextPlayRound(bool playLoop, int result, int position, int frameCount, const std::string& timeText,
                        const std::string& roundStart);

// First scene a scene preview plays: the selected one, or the next one when loop play or continuous
// scene play is on, the last play reached the final frame and a next scene exists (the tab restarts a
// continuous play that was sought to a scene's end expecting the next scene). Without a selection
// (index below 0) the first scene; -1 when the list is empty or the selection lies beyond it.
int ScenePreviewStart(int listIdx, int sceneCount, bool playLoop, bool playSceneLoop, bool reachedEnd);
