#pragma once
// Small utilities of the frames and windows.

#include <QString>

#include <cstdint>

// Serves events for ms milliseconds, then returns; handlers of timers, sockets and posted
// events run inside. Waits for events rather than spinning, and returns early when the
// application is told to quit.
void Delay(std::int32_t ms);

// The file version text that the build embeds in an executable ("2.6.0.41"), or "" for a file
// that has none or cannot be read.
QString ReadFileVersionText(const QString& path);

// Four dot-separated whole numbers from 0 to 255; one trailing dot is tolerated.
bool IsIPv4Text(const QString& text);
// A whole number from 1 to 65534.
bool IsPortText(const QString& text);

// Fills "dd", "hh", "mm", "ss" and "ms" (any letter case, in that order) of the pattern with the
// days, hours (mod 24), minutes, seconds and milliseconds of the value, at least two digits each.
// A negative value counts as 0.
QString FormatMs(std::int64_t ms, const QString& pattern);
