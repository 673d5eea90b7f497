// rand: the desktop C library's random numbers, for the browser build (see rand.cpp).
#pragma once

void WEB_SeedRandom(unsigned int seed);
int WEB_Random(); // 0 .. 2^31-1, the next number of the sequence
