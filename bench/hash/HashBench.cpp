// Builds and probes TIntKeyHash and TStrKeyHash with 1,000,000 keys, and
// std::unordered_map with the same keys, and prints the time ratios.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/Stopwatch.h"
#include "platform/QuarnHashUtils.h"

namespace {

constexpr int kKeys = 1000000;
constexpr int kRuns = 5;

// The best of kRuns runs of work, in milliseconds.
double BestMs(const std::function<void()>& work) {
  double best = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    const double start = NowMs();
    work();
    best = std::min(best, NowMs() - start);
  }
  return best;
}

void Report(const char* what, double ours, double theirs) {
  std::printf("%-40s %9.1f ms %9.1f ms %7.2fx\n", what, ours, theirs, ours / theirs);
}

long sink = 0;

template <class Table, class Map, class Key>
void Compare(const char* name, const std::vector<Key>& keys, const std::vector<Key>& probes,
             const std::vector<Key>& misses) {
  char label[64];
  for (int32_t capacity : {kKeys, 0}) {
    const bool presized = capacity != 0;
    std::snprintf(label, sizeof label, "%s build%s", name, presized ? " (presized)" : " (growing)");
    const double ours = BestMs([&] {
      Table table(capacity, false);
      for (size_t i = 0; i < keys.size(); ++i) table.Add(keys[i], static_cast<int32_t>(i));
      sink += table.Count();
    });
    const double theirs = BestMs([&] {
      Map map;
      if (presized) map.reserve(capacity);
      for (size_t i = 0; i < keys.size(); ++i) map.emplace(keys[i], static_cast<int32_t>(i));
      sink += static_cast<long>(map.size());
    });
    Report(label, ours, theirs);
  }

  Table table(kKeys, false);
  Map map;
  map.reserve(kKeys);
  for (size_t i = 0; i < keys.size(); ++i) {
    table.Add(keys[i], static_cast<int32_t>(i));
    map.emplace(keys[i], static_cast<int32_t>(i));
  }
  for (const auto* set : {&probes, &misses}) {
    std::snprintf(label, sizeof label, "%s probe (%s)", name, set == &probes ? "hits" : "misses");
    const double ours = BestMs([&] {
      for (const Key& key : *set)
        if (const auto* node = table.Find(key)) sink += node->Value;
    });
    const double theirs = BestMs([&] {
      for (const Key& key : *set)
        if (auto it = map.find(key); it != map.end()) sink += it->second;
    });
    Report(label, ours, theirs);
  }
}

}  // namespace

// A bijection of 32-bit integers that scatters its input (MurmurHash3's finalizer).
uint32_t Scatter(uint32_t x) {
  x ^= x >> 16;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  x *= 0xC2B2AE35u;
  return x ^ (x >> 16);
}

template <class Key>
std::vector<Key> Shuffled(std::vector<Key> keys, std::mt19937& random) {
  std::shuffle(keys.begin(), keys.end(), random);
  return keys;
}

int main() {
  std::mt19937 random(20261209);
  std::vector<int32_t> scattered(kKeys), scatteredMisses(kKeys), sequential(kKeys), sequentialMisses(kKeys);
  for (int i = 0; i < kKeys; ++i) {
    scattered[i] = static_cast<int32_t>(Scatter(i));
    scatteredMisses[i] = static_cast<int32_t>(Scatter(i + kKeys));
    sequential[i] = i + 1;
    sequentialMisses[i] = -i - 1;
  }
  // Bill codes: twelve digits, as the rate libraries number their items.
  std::vector<std::string> codes(kKeys), codeMisses(kKeys);
  for (int i = 0; i < kKeys; ++i) {
    codes[i] = std::to_string(100000000000LL + Scatter(i) % 900000000000LL);
    codeMisses[i] = "X" + codes[i];
  }

  std::printf("%d keys, best of %d runs; ratio = ours / std::unordered_map\n", kKeys, kRuns);
  std::printf("%-40s %12s %12s %8s\n", "", "ours", "unordered", "ratio");
  using IntMap = std::unordered_map<int32_t, int32_t>;
  Compare<TIntKeyHash, IntMap>("TIntKeyHash scattered", scattered, Shuffled(scattered, random),
                               Shuffled(scatteredMisses, random));
  Compare<TIntKeyHash, IntMap>("TIntKeyHash sequential", sequential, Shuffled(sequential, random),
                               Shuffled(sequentialMisses, random));
  Compare<TStrKeyHash, std::unordered_map<std::string, int32_t>>("TStrKeyHash codes", codes, Shuffled(codes, random),
                                                                 Shuffled(codeMisses, random));
  return sink == 42 ? 1 : 0;
}
