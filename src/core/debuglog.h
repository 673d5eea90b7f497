// debuglog: the run's debug file "vh_debug.txt", a header and a footer around any lines.
// uses: nothing of ours
#pragma once

int DBG_Open();
int DBG_Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DBG_Close();

// The trace: the scenes' step and viewpoint lines. A normal run leaves them out, so its log holds
// only the header, the footer and any warning or error; --trace and the console's TRACE let them in.
void DBG_SetTrace(bool on);
bool DBG_Tracing();
// As DBG_Print while the trace is on; nothing (and 1) while it is off.
int DBG_Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
