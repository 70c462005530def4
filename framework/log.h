// The framework's plain-text trace "Debug.txt": one message per line, bytes
// with CR LF, no time stamp or level. Nothing in the program reads it back.
#pragma once

#include <string>

// Stream handle of the open log; 0 when there is none (never opened, closed,
// or the file could not be created). Lives until CloseLog.
extern int LogStream;

// Creates (or truncates) the log file, held for as long as it is open. When
// another running copy of the game holds it, that log stays whole and this
// one goes beside it, numbered: "Debug-2.txt", "Debug-3.txt"... Returns 1
// when it is open. A log that can't be created (a read-only folder) leaves
// LogStream at 0; the lines then go to stderr, after one line saying so.
int OpenLog(const std::string& path);
// Appends one line; an empty text gives an empty line.
void LogLine(const std::string& text);
// Flushes and closes the log. Also runs at process end.
void CloseLog();
// Start-up state: no log open (an open one is closed first), nothing on stderr.
void ResetLog();
