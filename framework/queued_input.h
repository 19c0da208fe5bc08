#pragma once

// Drops the keyboard and mouse input already queued for this thread, so that
// a key pressed or a click made earlier cannot answer the next modal window.
void DiscardQueuedInput();
