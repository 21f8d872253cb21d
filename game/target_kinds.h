// The kinds of target the gallery sends out, by index: a target's `Picture` is its kind. Each
// kind names the picture the player sees, the picture whose box the hit ellipse fills, and the
// sounds of a hit. Kinds 0 to 4 are chosen with F2 to F6; F1 mixes them (see SpawnTarget).
#pragma once

#include <array>
#include <cstdint>

#include "assets/catalogue/catalogue.h"

struct TargetKind {
  catalogue::Image drawn;
  catalogue::Image hitBox;
  catalogue::Wave hit;
  catalogue::Wave loudHit;  // a hit worth kLoudHit points or more
};

// Points from which a hit sounds loud.
inline constexpr std::int32_t kLoudHit = 12;

inline constexpr std::array<TargetKind, 6> kTargetKinds = {{
    // The gun's own picture.
    {catalogue::Image::Bazooka, catalogue::Image::TargetBoard, catalogue::Wave::Scream,
     catalogue::Wave::Scream},
    // Two kinds without a picture: unseen, and still hit within the board's box.
    {catalogue::Image::Ledig6, catalogue::Image::TargetBoard, catalogue::Wave::Scream,
     catalogue::Wave::Scream},
    {catalogue::Image::Ledig7, catalogue::Image::TargetBoard, catalogue::Wave::Scream,
     catalogue::Wave::Scream},
    {catalogue::Image::Plimo, catalogue::Image::Plimo, catalogue::Wave::PlimoScream,
     catalogue::Wave::PlimoScream},
    {catalogue::Image::Tolvar, catalogue::Image::Tolvar, catalogue::Wave::Ricochet,
     catalogue::Wave::Ricochet},
    {catalogue::Image::Grubbel, catalogue::Image::Grubbel, catalogue::Wave::WendleEats,
     catalogue::Wave::Raaaaaap},
}};

// In the mixed mode most targets are of the usual kind, and now and then one of the kinds from
// the first special one to the last, each as likely.
inline constexpr int kUsualKind = 5;
inline constexpr int kFirstSpecialKind = 3;
