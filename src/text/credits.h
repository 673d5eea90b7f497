// credits: the credits screen read from "credits.txt".
#pragma once

void CRED_Draw();
