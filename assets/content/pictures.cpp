#include "assets/content/pictures.h"

#include <stdexcept>

#include "assets/content/picture_groups.h"
#include "assets/content/quantise.h"

namespace {

using artwork::Canvas;
using artwork::PictureFormat;
using artwork::Rgb8;

using catalogue::Image;

// How each picture is drawn; its size and format are the catalogue's.
struct PictureRecipe {
  Image image;
  void (*draw)(Canvas&);
};

constexpr PictureRecipe kRecipes[] = {
    {Image::TargetBoard, artwork::DrawTargetBoard},
    {Image::Revolver, artwork::DrawRevolver},
    {Image::Sikte, artwork::DrawAimMark},
    {Image::Bakgrund, artwork::DrawBackground},
    {Image::MuzzleFlash, artwork::DrawMuzzleFlash},
    {Image::Bazooka, artwork::DrawBazooka},
    {Image::Plimo, artwork::DrawPlimo},
    {Image::Tolvar, artwork::DrawTolvar},
    {Image::Grubbel, artwork::DrawGrubbel},
    {Image::Burgare, artwork::DrawBurger},
    {Image::CasingLying, artwork::DrawCasingLying},
    {Image::PrizeStar, artwork::DrawPrizeStar},
    {Image::BulletStanding, artwork::DrawBulletStanding},
    {Image::BossGrubbel, artwork::DrawBossGrubbel},
};

PictureFormat FormatOf(const catalogue::ImageItem& item) {
  std::optional<Rgb8> key;
  if (item.transparent) {
    const std::uint32_t c = item.transparentColor.value;  // 0x00BBGGRR
    key = Rgb8{static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>((c >> 8) & 0xFF),
               static_cast<std::uint8_t>((c >> 16) & 0xFF)};
  }
  return {item.width, item.height, item.bitCount, key};
}

const PictureRecipe& RecipeOf(Image image) {
  for (const PictureRecipe& recipe : kRecipes)
    if (recipe.image == image) return recipe;
  throw std::out_of_range("image item holds no picture");
}

}  // namespace

DrawnPicture DrawPicture(Image image) {
  const PictureRecipe& recipe = RecipeOf(image);
  const PictureFormat format = FormatOf(catalogue::Item(image));
  Canvas canvas(format.width, format.height);
  recipe.draw(canvas);
  return artwork::Finish(canvas, format);
}

void DrawPictureOn(Image image, cairo_surface_t* target, double scale) {
  const PictureRecipe& recipe = RecipeOf(image);
  const catalogue::ImageItem& item = catalogue::Item(image);
  Canvas canvas(target, item.width, item.height, scale);
  recipe.draw(canvas);
}
