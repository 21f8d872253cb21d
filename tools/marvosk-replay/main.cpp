// marvosk-replay: plays the real game on the headless machine from a script of timed inputs and
// writes the frames asked for as PNG and everything the game played as WAV. The machine's clock is
// virtual and the random generator seeded from it, so a script gives the same bytes on every run.
//
//   marvosk-replay [--seed N] SCRIPT OUTDIR
//
// Script lines, "#" starts a comment; times are whole milliseconds from the start, each no
// earlier than the one before and at most 600000 (ten minutes, the sound the machine keeps):
//   500 key F1              a key (F1..F6, Return, with "alt+" for Alt)
//   800 move 320 240        the mouse to a point of the 640 x 480 drawing area
//   900 click               the left button at the mouse
//   2000 frame round.png    the picture on screen now, as OUTDIR/round.png
//   3000 end                stop here (the sound so far goes to OUTDIR/sound.wav)
//
// The whole script is read and checked before the game starts: a bad argument or line is
// refused with its line number and exit status 2, and nothing is written. A frame name is a
// plain file name inside OUTDIR, which must be an existing folder. Every file is written whole
// or not at all; a failure while playing or writing stops the run with exit status 1.
#include <png.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "game/main_form.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "toolkit/numeric.h"
#include "toolkit/streams.h"
#include "toolkit/sysutils.h"

namespace {

namespace fs = std::filesystem;
using platform::headless::HeadlessBackend;

constexpr const char* kProgram = "marvosk-replay";
constexpr std::uint32_t kLongestScript = 10 * 60 * 1000;
constexpr int kAreaWidth = 640;
constexpr int kAreaHeight = 480;
constexpr const char* kSoundFile = "sound.wav";

// One checked line of the script.
struct Step {
  enum class Kind { Move, Click, Key, Frame, End };
  int line = 0;
  std::uint32_t at = 0;
  Kind kind = Kind::End;
  int x = 0, y = 0;       // Move
  std::uint16_t key = 0;  // Key
  bool alt = false;       // Key
  std::string name;       // Frame
};

// A whole number in [0, Most], nothing else in the word.
template <typename T>
std::optional<T> Number(const std::string& Word, T Most) {
  T value{};
  const char* end = Word.data() + Word.size();
  const auto [stop, error] = std::from_chars(Word.data(), end, value);
  if (Word.empty() || error != std::errc() || stop != end || value < T{} || value > Most)
    return std::nullopt;
  return value;
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

// A file name that stays in the output folder: no folder part, not "." or "..".
bool PlainFileName(const std::string& Name) {
  return !Name.empty() && Name != "." && Name != ".." && Name.find('/') == std::string::npos;
}

// Reads and checks the whole script; on a fault, says which line and why and answers false.
bool ReadScript(const std::string& Path, std::vector<Step>& Steps) {
  std::error_code ec;
  const fs::file_status status = fs::status(Path, ec);
  if (!fs::exists(status)) {
    std::fprintf(stderr, "%s: cannot read %s: no such file\n", kProgram, Path.c_str());
    return false;
  }
  if (!fs::is_regular_file(status)) {
    std::fprintf(stderr, "%s: %s is %s, not a script file\n", kProgram, Path.c_str(),
                 fs::is_directory(status) ? "a folder" : "no regular file");
    return false;
  }
  std::ifstream script(Path);
  if (!script) {
    std::fprintf(stderr, "%s: cannot read %s: %s\n", kProgram, Path.c_str(), std::strerror(errno));
    return false;
  }

  const auto refuse = [](int line, const std::string& why) {
    std::fprintf(stderr, "%s: line %d: %s\n", kProgram, line, why.c_str());
    return false;
  };
  std::map<std::string, int> frames;  // frame name -> the line that writes it
  int endLine = 0;
  std::string text;
  for (int number = 1; std::getline(script, text); ++number) {
    if (const auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream line(text);
    std::vector<std::string> words;
    for (std::string w; line >> w;) words.push_back(w);
    if (words.empty()) continue;
    if (endLine != 0)
      return refuse(number, "nothing may follow the end at line " + std::to_string(endLine));

    Step step;
    step.line = number;
    const auto at = Number<std::uint32_t>(words[0], kLongestScript);
    if (!at)
      return refuse(number, "\"" + words[0] + "\" is no time: a time is whole milliseconds from " +
                                "0 to " + std::to_string(kLongestScript));
    step.at = *at;
    if (!Steps.empty() && step.at < Steps.back().at)
      return refuse(number, "time " + words[0] + " is before the " +
                                std::to_string(Steps.back().at) + " of line " +
                                std::to_string(Steps.back().line));
    if (words.size() < 2) return refuse(number, "a time without a command");
    const std::string& command = words[1];
    const std::size_t arguments = words.size() - 2;
    const auto wantArguments = [&](std::size_t count, const char* what) {
      if (arguments == count) return true;
      std::string given;
      for (std::size_t i = 2; i < words.size(); ++i) given += (i > 2 ? " " : "") + words[i];
      refuse(number, command + " takes " + what + ", not " +
                         (given.empty() ? std::string("nothing") : "\"" + given + "\""));
      return false;
    };

    if (command == "move") {
      if (!wantArguments(2, "x and y")) return false;
      const auto x = Number<int>(words[2], kAreaWidth - 1);
      const auto y = Number<int>(words[3], kAreaHeight - 1);
      if (!x || !y)
        return refuse(number, "move " + words[2] + " " + words[3] +
                                  " is no point of the drawing area (x 0 to " +
                                  std::to_string(kAreaWidth - 1) + ", y 0 to " +
                                  std::to_string(kAreaHeight - 1) + ")");
      step.kind = Step::Kind::Move;
      step.x = *x;
      step.y = *y;
    } else if (command == "click") {
      if (!wantArguments(0, "nothing")) return false;
      step.kind = Step::Kind::Click;
    } else if (command == "key") {
      if (!wantArguments(1, "one key")) return false;
      if (!KeyOf(words[2], step.key, step.alt))
        return refuse(number, "no key " + words[2] + " (F1 to F6 or Return, alt+ for Alt)");
      step.kind = Step::Kind::Key;
    } else if (command == "frame") {
      if (!wantArguments(1, "one file name")) return false;
      step.name = words[2];
      if (!PlainFileName(step.name))
        return refuse(number, "\"" + step.name +
                                  "\" is no plain file name: a frame goes into the output "
                                  "folder itself (no '/', not \".\" or \"..\")");
      if (step.name == kSoundFile)
        return refuse(number, std::string(kSoundFile) + " is where the sound goes");
      if (const auto [it, fresh] = frames.emplace(step.name, number); !fresh)
        return refuse(number,
                      step.name + " is already written by line " + std::to_string(it->second));
      step.kind = Step::Kind::Frame;
    } else if (command == "end") {
      if (!wantArguments(0, "nothing")) return false;
      step.kind = Step::Kind::End;
      endLine = number;
    } else {
      return refuse(number, "unknown command " + command);
    }
    Steps.push_back(std::move(step));
  }
  if (script.bad()) {
    std::fprintf(stderr, "%s: cannot read %s\n", kProgram, Path.c_str());
    return false;
  }
  if (Steps.empty()) {
    std::fprintf(stderr, "%s: %s has no line to play\n", kProgram, Path.c_str());
    return false;
  }
  return true;
}

bool FillPng(std::FILE* File, const platform::headless::CapturedFrame& f) {
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
  const bool ok = png_image_write_to_stdio(&image, File, 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

bool FillWav(std::FILE* File, const HeadlessBackend& machine) {
  const auto& samples = machine.AudioOutput();
  const auto& format = machine.AudioFormat();
  const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
  const std::uint32_t align = static_cast<std::uint32_t>(format.channels * 2);
  std::vector<std::uint8_t> out;
  out.reserve(44 + data);
  for (char c : std::string("RIFF")) out.push_back(static_cast<std::uint8_t>(c));
  PutLe(out, 36 + data, 4);
  for (char c : std::string("WAVEfmt ")) out.push_back(static_cast<std::uint8_t>(c));
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, static_cast<std::uint32_t>(format.channels), 2);
  PutLe(out, static_cast<std::uint32_t>(format.rate), 4);
  PutLe(out, static_cast<std::uint32_t>(format.rate) * align, 4);
  PutLe(out, align, 2);
  PutLe(out, 16, 2);
  for (char c : std::string("data")) out.push_back(static_cast<std::uint8_t>(c));
  PutLe(out, data, 4);
  for (std::int16_t s : samples) PutLe(out, static_cast<std::uint16_t>(s), 2);
  return std::fwrite(out.data(), 1, out.size(), File) == out.size();
}

// Plays the checked script; answers the exit status.
int Play(const std::vector<Step>& Steps, std::optional<std::uint32_t> Seed, const fs::path& Out) {
  HeadlessBackend& machine = platform::headless::Install();
  ddraw::RegisterService();
  int status = 0;
  {
    TOwnedPtr<TApplication> app(new TApplication());
    auto* form = app->CreateForm<TMainForm>();
    if (Seed) RandSeed = *Seed;
    form->Show();
    int mouseX = 0, mouseY = 0;
    for (const Step& step : Steps) {
      if (step.at > machine.Now()) app->RunFor(step.at - machine.Now());
      if (step.kind == Step::Kind::End) break;
      // The window of this moment: switching to full screen and back makes the form a new one.
      const platform::HWND window = form->Handle();
      switch (step.kind) {
        case Step::Kind::Move:
          mouseX = step.x, mouseY = step.y;
          machine.MoveMouse(window, mouseX, mouseY);
          break;
        case Step::Kind::Click: machine.Click(window, mouseX, mouseY); break;
        case Step::Kind::Key: machine.PressKey(window, step.key, {.alt = step.alt}); break;
        case Step::Kind::Frame: {
          app->ProcessMessages();
          const platform::HWND shown = form->Handle();
          const auto* frame = machine.LastFrame(shown);
          if (!frame) {
            std::fprintf(stderr, "%s: line %d: the window has shown no frame yet\n", kProgram,
                         step.line);
            return 1;
          }
          try {
            SaveFileWhole((Out / step.name).string(),
                          [&](std::FILE* file) { return FillPng(file, *frame); });
          } catch (const EStreamError& e) {
            std::fprintf(stderr, "%s: line %d: %s\n", kProgram, step.line, e.what());
            return 1;
          }
          break;
        }
        case Step::Kind::End: break;
      }
    }
    try {
      SaveFileWhole((Out / kSoundFile).string(),
                    [&](std::FILE* file) { return FillWav(file, machine); });
    } catch (const EStreamError& e) {
      std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::uint32_t> seed;
  if (!args.empty() && args[0] == "--seed") {
    if (args.size() < 2) {
      std::fprintf(stderr, "%s: --seed needs a number\n", kProgram);
      return 2;
    }
    seed = Number<std::uint32_t>(args[1], UINT32_MAX);
    if (!seed) {
      std::fprintf(stderr, "%s: --seed %s: a seed is a whole number from 0 to %u\n", kProgram,
                   args[1].c_str(), UINT32_MAX);
      return 2;
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 2 || args[0].empty() || args[1].empty() || args[0].starts_with("-")) {
    std::fputs("usage: marvosk-replay [--seed N] SCRIPT OUTDIR\n", stderr);
    return 2;
  }
  std::vector<Step> steps;
  if (!ReadScript(args[0], steps)) return 2;
  std::error_code ec;
  const fs::file_status out = fs::status(args[1], ec);
  if (!fs::is_directory(out)) {
    if (fs::exists(out))
      std::fprintf(stderr, "%s: %s is no folder\n", kProgram, args[1].c_str());
    else
      std::fprintf(stderr, "%s: the output folder %s does not exist\n", kProgram, args[1].c_str());
    return 2;
  }
  int status = 1;
  try {
    status = Play(steps, seed, args[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
    status = 1;
  }
  platform::UninstallBackend();
  return status;
}
