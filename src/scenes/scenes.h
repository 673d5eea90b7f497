// scenes: the three scene handlers of the sequence table.
// uses: core
#pragma once

void View1Main(float seconds, int param);
void View2Main(float seconds, int param);
void View3Main(float seconds, int param);
