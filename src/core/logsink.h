// logsink: where modules below the console send the lines a user should see. The console
// subscribes at start-up; with no subscriber a line goes nowhere.
// uses: nothing of ours
#pragma once

typedef void (*LOG_Listener)(const char* line, void* context);

// One listener at a time; a later call replaces it, null removes it.
void LOG_Subscribe(LOG_Listener listener, void* context);
void LOG_Line(const char* line);
