#pragma once
// Names the calling thread for debuggers, ps and /proc (at most 15 bytes are kept).
void NameThread(const char* name);
