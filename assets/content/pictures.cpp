#include "assets/content/pictures.h"

#include <stdexcept>

#include "assets/content/picture_groups.h"
#include "assets/content/quantise.h"

namespace {

using artwork::Canvas;
using artwork::PictureFormat;
using artwork::Rgb8;

constexpr Rgb8 kYellow = {255, 255, 0};
constexpr Rgb8 kWhite = {255, 255, 255};
constexpr Rgb8 kBlack = {0, 0, 0};
constexpr Rgb8 kAqua = {0, 255, 255};

struct PictureRecipe {
  PictureFormat format;
  void (*draw)(Canvas&);
};

const PictureRecipe* RecipeFor(int imageIndex) {
  using namespace artwork;
  static const PictureRecipe kRecipes[] = {
      {{63, 62, 4, kYellow}, DrawTargetBoard},         // 0
      {{91, 100, 24, kWhite}, DrawRevolver},           // 1 "Revolver"
      {{19, 19, 4, kWhite}, DrawAimMark},              // 2 "Sikte"
      {{640, 480, 24, std::nullopt}, DrawBackground},  // 3 "Bakgrund"
      {{40, 48, 8, kBlack}, DrawMuzzleFlash},          // 4
      {{74, 120, 24, kWhite}, DrawBazooka},            // 5 "Bazooka"
      {{0, 0, 0, std::nullopt}, nullptr},              // 6 "Ledig"
      {{0, 0, 0, std::nullopt}, nullptr},              // 7 "Ledig"
      {{70, 86, 24, kWhite}, DrawPlimo},               // 8 "Plimo"
      {{66, 70, 24, kWhite}, DrawTolvar},              // 9 "Tolvar"
      {{51, 97, 24, kWhite}, DrawGrubbel},             // 10 "Grubbel"
      {{45, 40, 24, kWhite}, DrawBurger},              // 11 "Burgare"
      {{33, 20, 24, kAqua}, DrawCasingLying},          // 12
      {{34, 29, 8, kWhite}, DrawPrizeStar},            // 13
      {{20, 33, 24, kAqua}, DrawBulletStanding},       // 14
      {{250, 250, 24, kWhite}, DrawBossGrubbel},       // 15 "BossGrubbel"
  };
  if (imageIndex < 0 || imageIndex >= static_cast<int>(std::size(kRecipes)) ||
      kRecipes[imageIndex].draw == nullptr) {
    return nullptr;
  }
  return &kRecipes[imageIndex];
}

}  // namespace

DrawnPicture DrawPicture(int imageIndex) {
  const PictureRecipe* recipe = RecipeFor(imageIndex);
  if (recipe == nullptr) throw std::out_of_range("image item holds no picture");
  Canvas canvas(recipe->format.width, recipe->format.height);
  recipe->draw(canvas);
  return artwork::Finish(canvas, recipe->format);
}
