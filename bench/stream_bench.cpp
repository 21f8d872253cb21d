// Reading a component stream shaped like the game's main window: a root with a few components,
// two of them holding lists of items whose binary values (pictures, sounds) make up nearly all
// of its 6.3 MB. The baseline is one memcpy of the whole stream.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "assets/catalogue/catalogue.h"
#include "assets/reader.h"
#include "assets/writer.h"
#include "bench/ratio.h"
#include "toolkit/collection.h"
#include "toolkit/streams.h"

namespace {

// An item that keeps a binary value, as a picture or a sound item keeps its data.
class TBenchItem : public TCollectionItem {
  DECLARE_CLASSINFO(TBenchItem);
  explicit TBenchItem(TCollection* Collection) : TCollectionItem(Collection) {}
  const std::string& Name() const { return FName; }
  void SetName(const std::string& v) { FName = v; }
  bool Looped() const { return FLooped; }
  void SetLooped(bool v) { FLooped = v; }
  std::vector<std::uint8_t> Data;

  void DefineStoredProperties(TFiler& Filer) override {
    Filer.DefineBinaryProperty("Data", TStreamProc::Of<&TBenchItem::ReadData>(this),
                               TStreamProc::Of<&TBenchItem::WriteData>(this), !Data.empty());
  }

 private:
  void ReadData(TStream& S) {
    Data.resize(static_cast<std::size_t>(S.Size()));
    S.ReadBuffer(Data.data(), S.Size());
  }
  void WriteData(TStream& S) { S.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size())); }
  std::string FName;
  bool FLooped = false;
};
const TPropInfo kItemProps[] = {
    Property<&TBenchItem::Name, &TBenchItem::SetName>("Name"),
    Property<&TBenchItem::Looped, &TBenchItem::SetLooped>("Looped", nullptr, 0),
};
IMPLEMENT_CLASS(TBenchItem, TCollectionItem, .Properties = kItemProps)

class TBenchList : public TComponent {
  DECLARE_CLASSINFO(TBenchList);
  explicit TBenchList(TComponent* AOwner)
      : TComponent(AOwner), FItems(Construct<TCollection>(&TBenchItem::ClassInfo)) {}
  TCollection* Items() const { return FItems; }
  std::int32_t Interval() const { return FInterval; }
  void SetInterval(std::int32_t v) { FInterval = v; }

 protected:
  void BeforeDestruction() override {
    TComponent::BeforeDestruction();
    FItems->Free();
  }

 private:
  TCollection* FItems;
  std::int32_t FInterval = 0;
};
const TPropInfo kListProps[] = {
    Property<&TBenchList::Items>("Items"),
    Property<&TBenchList::Interval, &TBenchList::SetInterval>("Interval", nullptr, 0),
};
IMPLEMENT_CLASS(TBenchList, TComponent, .Properties = kListProps)

class TBenchRoot : public TComponent {
  DECLARE_CLASSINFO(TBenchRoot);
  explicit TBenchRoot(TComponent* AOwner) : TComponent(AOwner) {}
  TBenchList* ImageList = nullptr;
  TBenchList* WaveList = nullptr;
  TBenchList* Timer = nullptr;
};
const TFieldInfo kRootFields[] = {
    Field<&TBenchRoot::ImageList>("ImageList"),
    Field<&TBenchRoot::WaveList>("WaveList"),
    Field<&TBenchRoot::Timer>("Timer"),
};
IMPLEMENT_CLASS(TBenchRoot, TComponent, .Fields = kRootFields)

// The sizes of the game's stored pictures and sounds.
std::vector<std::size_t> PictureBytes() {
  std::vector<std::size_t> out;
  for (const catalogue::ImageItem& item : catalogue::Images())
    out.push_back(static_cast<std::size_t>(item.dataBytes()));
  return out;
}

std::vector<std::size_t> WaveBytes() {
  std::vector<std::size_t> out;
  for (const catalogue::WaveItem& item : catalogue::Waves())
    out.push_back(static_cast<std::size_t>(item.valueBytes()));
  return out;
}

void Fill(TBenchList* list, std::span<const std::size_t> sizes, unsigned seed) {
  std::uint32_t x = seed;
  for (std::size_t size : sizes) {
    auto* item = static_cast<TBenchItem*>(list->Items()->Add());
    item->SetName("Item" + std::to_string(item->Index()));
    item->Data.resize(size);
    for (auto& b : item->Data) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  }
}

const std::vector<std::uint8_t>& StoredStream() {
  static const std::vector<std::uint8_t> bytes = [] {
    TOwnedPtr<TBenchRoot> root(Construct<TBenchRoot>(nullptr));
    root->SetName("MainForm");
    for (const char* name : {"ImageList", "Timer", "WaveList"})
      Construct<TBenchList>(root.get())->SetName(name);
    root->Timer->SetInterval(31);
    Fill(root->ImageList, PictureBytes(), 1);
    Fill(root->WaveList, WaveBytes(), 2);
    TOwnedPtr<TMemoryStream> stream(Construct<TMemoryStream>());
    stream->WriteComponent(root.get());
    return std::vector<std::uint8_t>(stream->Memory(), stream->Memory() + stream->Size());
  }();
  return bytes;
}

// A read-only stream over the stored bytes, as a resource stream is.
class TStoredStream : public TCustomMemoryStream {
 public:
  explicit TStoredStream(const std::vector<std::uint8_t>& b) {
    SetPointer(b.data(), static_cast<std::int64_t>(b.size()));
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
};

void BM_ReadStoredStream(benchmark::State& state) {
  const auto& bytes = StoredStream();
  for (auto _ : state) {
    TStoredStream stream(bytes);
    TOwnedPtr<TBenchRoot> root(Construct<TBenchRoot>(nullptr));
    TComponentReader(stream).ReadRootComponent(root.get());
    benchmark::DoNotOptimize(root->WaveList);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadStoredStream)->Unit(benchmark::kMillisecond);

void BM_MemcpyStoredStream(benchmark::State& state) {
  const auto& bytes = StoredStream();
  std::vector<std::uint8_t> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_MemcpyStoredStream)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::printf("stream bytes: %zu\n", StoredStream().size());
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "stream_read_vs_memcpy", "BM_ReadStoredStream", "BM_MemcpyStoredStream",
                      5);
  });
}
