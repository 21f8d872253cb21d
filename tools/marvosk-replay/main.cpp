// marvosk-replay: plays the real game on the headless machine from a script of timed inputs and
// writes the frames asked for as PNG and everything the game played as WAV. The machine's clock is
// virtual and the random generator seeded from it, so a script gives the same bytes on every run.
//
//   marvosk-replay [--seed N] SCRIPT OUTDIR
//
// Script lines, "#" starts a comment; times are milliseconds from the start, in rising order:
//   500 key F1              a key (F1..F6, Return, with "alt+" for Alt)
//   800 move 320 240        the mouse to a point of the drawing area
//   900 click               the left button at the mouse
//   2000 frame round.png    the picture on screen now, as OUTDIR/round.png
//   3000 end                stop here (the sound so far goes to OUTDIR/sound.wav)
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/main_form.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/numeric.h"

namespace {

using platform::headless::HeadlessBackend;

bool WritePng(const platform::headless::CapturedFrame& f, const std::string& path) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(f.width) * f.height * 3);
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const std::uint32_t c = f.Pixel(x, y);
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * f.width + x) * 3];
      p[0] = std::uint8_t(c >> 16), p[1] = std::uint8_t(c >> 8), p[2] = std::uint8_t(c);
    }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(f.width);
  image.height = static_cast<png_uint_32>(f.height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

void PutLe(std::ofstream& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool WriteWav(const HeadlessBackend& machine, const std::string& path) {
  const auto& samples = machine.AudioOutput();
  const auto& format = machine.AudioFormat();
  std::ofstream out(path, std::ios::binary);
  const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
  const std::uint32_t align = static_cast<std::uint32_t>(format.channels * 2);
  out.write("RIFF", 4);
  PutLe(out, 36 + data, 4);
  out.write("WAVEfmt ", 8);
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, static_cast<std::uint32_t>(format.channels), 2);
  PutLe(out, static_cast<std::uint32_t>(format.rate), 4);
  PutLe(out, static_cast<std::uint32_t>(format.rate) * align, 4);
  PutLe(out, align, 2);
  PutLe(out, 16, 2);
  out.write("data", 4);
  PutLe(out, data, 4);
  for (std::int16_t s : samples) PutLe(out, static_cast<std::uint16_t>(s), 2);
  return static_cast<bool>(out);
}

bool KeyOf(std::string name, std::uint16_t& key, bool& alt) {
  alt = name.rfind("alt+", 0) == 0;
  if (alt) name = name.substr(4);
  if (name == "Return") {
    key = platform::VK_RETURN;
    return true;
  }
  if (name.size() == 2 && name[0] == 'F' && name[1] >= '1' && name[1] <= '6') {
    key = static_cast<std::uint16_t>(platform::VK_F1 + (name[1] - '1'));
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::int64_t seed = -1;
  if (args.size() >= 2 && args[0] == "--seed") {
    seed = std::stoll(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 2) {
    std::fputs("usage: marvosk-replay [--seed N] SCRIPT OUTDIR\n", stderr);
    return 2;
  }
  std::ifstream script(args[0]);
  if (!script) {
    std::fprintf(stderr, "marvosk-replay: cannot read %s\n", args[0].c_str());
    return 1;
  }
  const std::string outDir = args[1];
  HeadlessBackend& machine = platform::headless::Install();
  ddraw::RegisterService();
  int status = 0;
  {
    TOwnedPtr<TApplication> app(new TApplication());
    auto* form = app->CreateForm<TMainForm>();
    if (seed >= 0) RandSeed = static_cast<std::uint32_t>(seed);
    form->Show();
    const platform::HWND window = form->Handle();
    int mouseX = 0, mouseY = 0;
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
      ++number;
      if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
      std::istringstream words(line);
      std::uint32_t at = 0;
      std::string command;
      if (!(words >> at >> command)) continue;
      if (at > machine.Now()) app->RunFor(at - machine.Now());
      if (command == "move") {
        words >> mouseX >> mouseY;
        machine.MoveMouse(window, mouseX, mouseY);
      } else if (command == "click") {
        machine.Click(window, mouseX, mouseY);
      } else if (command == "key") {
        std::string name;
        words >> name;
        std::uint16_t key = 0;
        bool alt = false;
        if (!KeyOf(name, key, alt)) {
          std::fprintf(stderr, "marvosk-replay: line %d: no key %s\n", number, name.c_str());
          status = 1;
          break;
        }
        machine.PressKey(window, key, {.alt = alt});
      } else if (command == "frame") {
        std::string name;
        words >> name;
        app->ProcessMessages();
        const auto* frame = machine.LastFrame(window);
        if (!frame || !WritePng(*frame, outDir + "/" + name)) {
          std::fprintf(stderr, "marvosk-replay: line %d: no frame written\n", number);
          status = 1;
        }
      } else if (command == "end") {
        break;
      } else {
        std::fprintf(stderr, "marvosk-replay: line %d: unknown %s\n", number, command.c_str());
        status = 1;
        break;
      }
    }
    if (!WriteWav(machine, outDir + "/sound.wav")) status = 1;
  }
  platform::UninstallBackend();
  return status;
}
