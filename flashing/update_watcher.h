// The watcher outside the process that tells the user when the program ends in
// the middle of an update without having told its outcome: the library ended
// it, broke it beyond its own report, or the user ended it.
#pragma once

// In the watcher's process: whether this run is one, and running it.
bool IsUpdateWatcherRun(const wchar_t* commandLine) noexcept;
int RunUpdateWatcher(const wchar_t* commandLine) noexcept;

// Right before each call into the library: the watcher is started the first
// time (the update goes on without it if it cannot be) and an attempt is running...
void WatchAttempt() noexcept;
// ...until the user has answered the box that tells its outcome.
void AttemptTold() noexcept;
