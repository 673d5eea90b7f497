// scenes: the three scene handlers of the sequence table, and for each the question the
// shell asks when the demo plays by itself: has the scene's script been seen through once?
// The scenes answer; the shell decides to close them.
// uses: core
#pragma once

void View1Main(float seconds, int param);
void View2Main(float seconds, int param);
void View3Main(float seconds, int param);

bool V1_ScriptSeen(); // the figures have flown their paths a while (see V1_SEEN_AFTER_SWITCHES)
bool V2_ScriptSeen(); // the last step has shown the blimps' pass from every viewpoint
bool V3_ScriptSeen(); // each of the five vehicles has crossed once in this visit
