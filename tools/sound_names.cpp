// Prints every name a score can be announced with, one a line: the word set
// the sound pack speaks and the sandbox lays out, from the scoring kinds.
#include <cstdio>

#include "model/scoring_kinds.h"

int main() {
    for (const std::string& name : scoreSoundNames()) std::printf("%s\n", name.c_str());
    return 0;
}
