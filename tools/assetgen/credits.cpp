// credits: the text of "credits.txt", laid out for an 800 x 600 screen with all six fonts.
#include "generator.h"

std::string AG_CreditsText() { return "#JC\nVEXHAL\n"; }
