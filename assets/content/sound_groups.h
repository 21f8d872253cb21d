// The making of each sound, by group; sounds.cpp gives each a signal of its stored rate, length
// and channels, then levels it and writes its samples.
#pragma once

#include "assets/content/synth.h"

namespace synth {

// sounds_shots.cpp
void MakeShot(Signal& s);
void MakeExplosion(Signal& s);
void MakeRicochet(Signal& s);
void MakeRevolverShots(Signal& s);
void MakeShotGun(Signal& s);
void MakeThump(Signal& s);

// sounds_voices.cpp
void MakeBelch(Signal& s);
void MakeScream(Signal& s);
void MakeSadTrombone(Signal& s);
void MakeThankYou(Signal& s);
void MakePlimoScream(Signal& s);
void MakeHeavyBurp(Signal& s);

// sounds_music.cpp
void MakeStartupTune(Signal& s);
void MakeBoing(Signal& s);
void MakeApplause(Signal& s);
void MakePrizeBell(Signal& s);

// sounds_body.cpp: the two loops and the munching.
void MakeHeartBeat(Signal& s);
void MakeMunching(Signal& s);
void MakeHeavyFootsteps(Signal& s);

}  // namespace synth
