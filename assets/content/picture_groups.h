// The drawing of each picture, by group; pictures.cpp gives each its canvas and stored format.
#pragma once

#include "assets/content/canvas.h"

namespace artwork {

// pictures_gallery.cpp: the background.
void DrawBackground(Canvas& c);

// pictures_marks.cpp: the target board, the aim mark, the burger and the small props.
void DrawTargetBoard(Canvas& c);
void DrawAimMark(Canvas& c);
void DrawBurger(Canvas& c);
void DrawMuzzleFlash(Canvas& c);
void DrawCasingLying(Canvas& c);
void DrawPrizeStar(Canvas& c);
void DrawBulletStanding(Canvas& c);

// pictures_guns.cpp
void DrawRevolver(Canvas& c);
void DrawBazooka(Canvas& c);

// pictures_creatures.cpp
void DrawPlimo(Canvas& c);
void DrawTolvar(Canvas& c);
void DrawGrubbel(Canvas& c);
void DrawBossGrubbel(Canvas& c);

}  // namespace artwork
