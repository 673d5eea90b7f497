// debuglog: the run's debug file "vh_debug.txt", a header and a footer around any lines.
// uses: nothing of ours
#pragma once

int DBG_Open();
int DBG_Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DBG_Close();
